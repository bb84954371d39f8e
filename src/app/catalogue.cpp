#include "app/catalogue.h"

#include "common/programdir.h"

#include <QFileInfo>

namespace
{
// A key that no catalogue uses; it only lives between two writes while an
// empty section is made.
const QString PlaceholderKey = QStringLiteral("~tabulon-new-group~");
} // namespace

TCatalogue::TCatalogue(const QString &fileName) : m_file(fileName) {}

QString TCatalogue::BareFileName()
{
    return QStringLiteral("reports.ini");
}

QString TCatalogue::ProgramCatalogue()
{
    const QString found = FindFileInDir(ProgramDir(), BareFileName());
    // The editor creates a missing catalogue under the name it has always used.
    return QFileInfo::exists(found) ? found : ProgramDir() + QStringLiteral("Reports.Ini");
}

bool TCatalogue::SameName(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QStringList TCatalogue::Groups() const
{
    return m_file.ReadSections();
}

bool TCatalogue::GroupExists(const QString &group) const
{
    return m_file.SectionExists(group);
}

QList<TCatalogueReport> TCatalogue::Reports(const QString &group) const
{
    QList<TCatalogueReport> reports;
    for (const QString &key : m_file.ReadSection(group))
        reports.append({key, m_file.ReadString(group, key, QString())});
    return reports;
}

bool TCatalogue::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool TCatalogue::failFromFile()
{
    return fail(m_file.LastError().isEmpty()
                    ? QStringLiteral("The catalogue \"%1\" could not be written.").arg(FileName())
                    : m_file.LastError());
}

bool TCatalogue::validGroupName(const QString &group)
{
    const QString name = group.trimmed();
    if (name.isEmpty())
        return fail(QStringLiteral("A group needs a name."));
    if (name.contains(u']') || name.contains(u'\n') || name.contains(u'\r'))
        return fail(QStringLiteral("\"%1\" cannot be a group name: it may not contain \"]\".").arg(name));
    return true;
}

bool TCatalogue::validKey(const QString &key)
{
    const QString name = key.trimmed();
    if (name.isEmpty())
        return fail(QStringLiteral("A report needs a file name."));
    if (name.contains(u'=') || name.startsWith(u'[') || name.startsWith(u';') || name.contains(u'\n') ||
        name.contains(u'\r'))
        return fail(QStringLiteral("\"%1\" cannot be a report file name: it may not contain \"=\" or begin "
                                   "with \"[\" or \";\".")
                        .arg(name));
    return true;
}

bool TCatalogue::addEmptySection(const QString &group)
{
    // A profile file writes sections through their keys: write one key and
    // take it away again, which leaves the header line alone.
    if (!m_file.WriteString(group, PlaceholderKey, QString()))
        return failFromFile();
    if (!m_file.DeleteKey(group, PlaceholderKey))
        return failFromFile();
    return true;
}

bool TCatalogue::AddGroup(const QString &group)
{
    m_error.clear();
    if (!validGroupName(group))
        return false;
    if (GroupExists(group))
        return fail(QStringLiteral("The group \"%1\" already exists.").arg(group.trimmed()));
    return addEmptySection(group.trimmed());
}

bool TCatalogue::RenameGroup(const QString &oldName, const QString &newName,
                             const QList<TCatalogueReport> &reports)
{
    m_error.clear();
    if (!validGroupName(newName))
        return false;
    for (const TCatalogueReport &r : reports)
        if (!validKey(r.key))
            return false;
    const QString name = newName.trimmed();
    const bool sameSection = SameName(oldName, name);
    if (!sameSection && GroupExists(name))
        return fail(QStringLiteral("The group \"%1\" already exists.").arg(name));

    if (sameSection) {
        // Only the spelling changes: the section can only be rewritten after it is gone.
        if (!m_file.EraseSection(oldName))
            return failFromFile();
    }
    // The new section is complete before the old one goes, so a failing write loses nothing.
    if (reports.isEmpty()) {
        if (!addEmptySection(name))
            return false;
    } else {
        for (const TCatalogueReport &r : reports)
            if (!m_file.WriteString(name, r.key.trimmed(), r.description))
                return failFromFile();
    }
    if (!sameSection && !m_file.EraseSection(oldName))
        return failFromFile();
    return true;
}

bool TCatalogue::DeleteGroup(const QString &group)
{
    m_error.clear();
    if (!m_file.EraseSection(group))
        return failFromFile();
    return true;
}

bool TCatalogue::PutReport(const QString &group, const TCatalogueReport &report)
{
    m_error.clear();
    if (!validGroupName(group) || !validKey(report.key))
        return false;
    if (report.description.contains(u'\n') || report.description.contains(u'\r'))
        return fail(QStringLiteral("A report name must be a single line."));
    if (!m_file.WriteString(group, report.key.trimmed(), report.description))
        return failFromFile();
    return true;
}

bool TCatalogue::ReplaceReport(const QString &group, const QString &oldKey, const TCatalogueReport &report)
{
    m_error.clear();
    if (!validGroupName(group) || !validKey(report.key))
        return false;
    if (report.description.contains(u'\n') || report.description.contains(u'\r'))
        return fail(QStringLiteral("A report name must be a single line."));
    if (SameName(oldKey, report.key)) {
        if (!m_file.DeleteKey(group, oldKey))
            return failFromFile();
        if (!m_file.WriteString(group, report.key.trimmed(), report.description))
            return failFromFile();
        return true;
    }
    // A different key is written first, so a failing write keeps the old line.
    if (!m_file.WriteString(group, report.key.trimmed(), report.description))
        return failFromFile();
    if (!m_file.DeleteKey(group, oldKey))
        return failFromFile();
    return true;
}

bool TCatalogue::DeleteReport(const QString &group, const QString &key)
{
    m_error.clear();
    if (!m_file.DeleteKey(group, key))
        return failFromFile();
    return true;
}
