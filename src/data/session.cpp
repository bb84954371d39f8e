#include "data/session.h"

#include "common/profile.h"
#include "common/programdir.h"
#include "data/connection.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace
{

struct TAddedAlias {
    QString name;
    QMap<QString, QString> params;
};

QMap<QString, TAddedAlias> &addedAliases()
{
    static QMap<QString, TAddedAlias> aliases;
    return aliases;
}

const QStringList kAliasKeys = {
    QStringLiteral("Driver"), QStringLiteral("Database"), QStringLiteral("Host"),   QStringLiteral("Port"),
    QStringLiteral("User"),   QStringLiteral("Password"), QStringLiteral("Options")};

// Keys spelled as the documentation spells them, whatever the file's case.
QString canonicalKey(const QString &key)
{
    for (const QString &k : kAliasKeys)
        if (k.compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return k;
    return key.trimmed();
}

void sortNoCase(QStringList &list)
{
    std::sort(list.begin(), list.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

} // namespace

TSession::TSession(TComponent *owner) : TComponent(owner) {}

TSession::~TSession() = default;

QString TSession::AliasFileName()
{
    return FindFileInDir(ProgramDir(), QStringLiteral("databases.ini"));
}

QStringList TSession::DatabaseNames() const
{
    QStringList names;
    for (const TAddedAlias &a : std::as_const(addedAliases()))
        names << a.name;
    const QString file = AliasFileName();
    if (QFileInfo::exists(file)) {
        TIniFile ini(file);
        for (const QString &section : ini.ReadSections()) {
            bool known = false;
            for (const QString &n : std::as_const(names))
                if (n.compare(section, Qt::CaseInsensitive) == 0)
                    known = true;
            if (!known && !section.trimmed().isEmpty())
                names << section;
        }
    }
    sortNoCase(names);
    return names;
}

QStringList TSession::TableNames(const QString &databaseName, const QString &pattern, bool extensions,
                                 bool systemTables) const
{
    std::shared_ptr<TDbConnection> c = TDbConnection::Get(databaseName);
    QStringList names = c->TableNames(extensions, systemTables);
    const QString p = pattern.trimmed();
    if (p.isEmpty() || p == QLatin1String("*") || p == QLatin1String("*.*"))
        return names;
    auto wildcard = [](const QString &w) {
        return QRegularExpression(
            QRegularExpression::anchoredPattern(QRegularExpression::wildcardToRegularExpression(
                w, QRegularExpression::UnanchoredWildcardConversion)),
            QRegularExpression::CaseInsensitiveOption);
    };
    const QRegularExpression full = wildcard(p);
    // "cust*.*" also matches names shown without an extension.
    const bool stripExt = p.endsWith(QLatin1String(".*"));
    const QRegularExpression base = wildcard(stripExt ? p.chopped(2) : p);
    QStringList matching;
    for (const QString &n : std::as_const(names)) {
        if (full.match(n).hasMatch() ||
            (stripExt && !n.contains(QLatin1Char('.')) && base.match(n).hasMatch()))
            matching << n;
    }
    return matching;
}

void TSession::AddAlias(const QString &name, const QMap<QString, QString> &params)
{
    if (name.trimmed().isEmpty())
        DatabaseError(QStringLiteral("An alias needs a name"));
    TAddedAlias a;
    a.name = name.trimmed();
    for (auto it = params.begin(); it != params.end(); ++it)
        a.params.insert(canonicalKey(it.key()), it.value());
    addedAliases().insert(a.name.toLower(), a);
}

void TSession::DeleteAlias(const QString &name)
{
    addedAliases().remove(name.trimmed().toLower());
}

bool TSession::IsAlias(const QString &name) const
{
    return !AliasParams(name).isEmpty();
}

QMap<QString, QString> TSession::AliasParams(const QString &name) const
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        return {};
    auto it = addedAliases().find(n.toLower());
    if (it != addedAliases().end())
        return it->params;
    const QString file = AliasFileName();
    if (!QFileInfo::exists(file))
        return {};
    TIniFile ini(file);
    if (!ini.SectionExists(n))
        return {};
    QMap<QString, QString> params;
    for (const QString &key : ini.ReadSection(n))
        params.insert(canonicalKey(key), ini.ReadString(n, key, QString()));
    if (params.isEmpty())
        params.insert(QStringLiteral("Driver"), QStringLiteral("QSQLITE"));
    return params;
}

void TSession::CloseDatabases()
{
    TDbConnection::CloseUnused();
}

TSession &Session()
{
    static TSession *session = new TSession();
    return *session;
}
