#pragma once

// The report catalogue "reports.ini": one section per report group, one
// "<report>=<description>" line per report. Every change is written to the
// file at once; a change that cannot be written leaves the file as it was and
// says why in LastError().

#include "common/profile.h"

#include <QList>
#include <QString>
#include <QStringList>

struct TCatalogueReport {
    QString key;         // the report's name: its file name without directory or extension
    QString description; // what the user sees
    bool operator==(const TCatalogueReport &) const = default;
};

class TCatalogue
{
public:
    explicit TCatalogue(const QString &fileName);

    QString FileName() const { return m_file.FileName(); }

    // Group names in file order; a missing or unreadable file has none.
    QStringList Groups() const;
    bool GroupExists(const QString &group) const;
    // The reports of a group, in file order.
    QList<TCatalogueReport> Reports(const QString &group) const;

    // Appends an empty section. False (and nothing written) for an empty or
    // invalid name, or one that already exists (LastError() says which).
    bool AddGroup(const QString &group);
    // Moves the group to the end of the file under the new name, holding
    // exactly the given reports in that order. Refuses a name that another
    // group already has, so that two groups never merge.
    bool RenameGroup(const QString &oldName, const QString &newName, const QList<TCatalogueReport> &reports);
    bool DeleteGroup(const QString &group);

    // Writes the line "<key>=<description>": replaces the description of an
    // existing key in place, else appends the line to the section.
    bool PutReport(const QString &group, const TCatalogueReport &report);
    // Replaces the report oldKey by the given one: the old line goes, the new
    // one is written at the end of the section.
    bool ReplaceReport(const QString &group, const QString &oldKey, const TCatalogueReport &report);
    bool DeleteReport(const QString &group, const QString &key);

    QString LastError() const { return m_error; }

    // Group names and report keys are compared without regard to letter case.
    static bool SameName(const QString &a, const QString &b);

    // The catalogue's bare name, "reports.ini".
    static QString BareFileName();
    // The catalogue in the program directory, found by its bare name whatever its letter case.
    // The menus, the launcher and the editor all go through this one lookup, so that with two
    // spellings in the directory they still agree on one file. Without any, the name a new
    // catalogue gets: "Reports.Ini".
    static QString ProgramCatalogue();

private:
    bool addEmptySection(const QString &group);
    bool fail(const QString &message);
    bool failFromFile();
    bool validGroupName(const QString &group);
    bool validKey(const QString &key);

    TIniFile m_file;
    QString m_error;
};
