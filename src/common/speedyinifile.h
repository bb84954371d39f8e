#pragma once

// The fast reader of language files: the whole file is read once into sorted
// lists, so that every window can look up its texts without touching the disk.
//
// Lines hold at most 255 characters (longer ones are cut). A line starting with
// "[" opens a section named by the line without its first and last character; any
// other non-empty line is an entry whose key is the text before the first "=" and
// whose value is the text after it without its first and last character (values
// stand between a pair of quotes). Sections and keys are kept in upper case and
// looked up without regard to letter case; the first of repeated keys counts.

#include <QList>
#include <QPair>
#include <QString>

class TSpeedyIniFile
{
public:
    // One section: its upper-case name and its entries sorted by key.
    struct TSection {
        QString Name;                        // upper case
        QList<QPair<QString, QString>> Keys; // upper-case key, value; sorted by key
    };

    // Reads the whole file; when it cannot be opened shows "File <name> not found!"
    // as an error, keeps nothing and returns false.
    bool Load(const QString &fileName);
    // The value of key in section, or defaultValue when either is missing.
    QString Read(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    // True when the section holds the key.
    bool Exists(const QString &section, const QString &key) const;
    // The file the entries were read from (empty before a successful Load).
    QString FileName() const { return m_fileName; }
    // The sections sorted by name.
    const QList<TSection> &Sections() const { return m_sections; }

    // How a value is written so that Load gives it back: between double quotes.
    static QString QuoteValue(const QString &value) { return QLatin1Char('"') + value + QLatin1Char('"'); }
    // The longest line Load reads; the rest of a longer line is dropped.
    static constexpr int MaxLineLength = 255;

private:
    const TSection *findSection(const QString &section) const;

    QString m_fileName;
    QList<TSection> m_sections;
};
