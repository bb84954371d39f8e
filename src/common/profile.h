#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// A profile (INI) file: "[section]" header lines and "key=value" lines.
//
// Section and key names match without regard to case; sections and keys list in file order and
// the first of duplicated sections or keys is the one read. Read values lose surrounding blanks
// and one pair of enclosing quotes. Every write goes to the file at once, through a temporary
// file that replaces it, keeping all other lines byte for byte, the file's encoding (UTF-8, with
// or without BOM, or the 8-bit code page for files that are not UTF-8) and its line endings.
// Reads notice when the file was changed by someone else and read it again.
class TIniFile
{
public:
    explicit TIniFile(const QString &fileName);
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    QString FileName() const;

    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    // The value as the key line stores it: blanks trimmed, quotes kept. False when the key is absent.
    bool ReadRawString(const QString &section, const QString &key, QString &value) const;
    // Decimal, or hexadecimal with "$" or "0x"; anything else gives the default.
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    // "0" is false, any other integer true; anything else gives the default.
    bool ReadBool(const QString &section, const QString &key, bool defaultValue) const;
    // The locale's decimal separator, or a point.
    double ReadFloat(const QString &section, const QString &key, double defaultValue) const;

    // Writes return false and set LastError() when the file could not be written (or could not be
    // read first); the file and this object then stay as they were.
    bool WriteString(const QString &section, const QString &key, const QString &value);
    bool WriteInteger(const QString &section, const QString &key, int value);
    bool WriteBool(const QString &section, const QString &key, bool value);

    QStringList ReadSections() const;
    QStringList ReadSection(const QString &section) const;       // key names
    QStringList ReadSectionValues(const QString &section) const; // "key=value"
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;

    // Removes every section of that name with all its lines.
    bool EraseSection(const QString &section);
    // Removes the key (each of its lines) from the section.
    bool DeleteKey(const QString &section, const QString &key);

    // Why the last failing call failed; empty after a success.
    QString LastError() const;

    // The value a key line's text stands for: blanks trimmed, one pair of matching quotes removed.
    static QString UnquoteValue(const QString &rawValue);

private:
    struct TData;
    std::unique_ptr<TData> d;
};
