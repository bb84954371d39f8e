#include "data/connection.h"

#include "common/profile.h"
#include "common/programdir.h"
#include "data/dberrors.h"
#include "data/session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringDecoder>

#include <algorithm>

namespace
{

const int kMaxAttached = 10;
const QStringList kSqliteExtensions = {QStringLiteral("sqlite"), QStringLiteral("sqlite3"),
                                       QStringLiteral("db"), QStringLiteral("db3")};

QHash<QString, std::shared_ptr<TDbConnection>> &cache()
{
    static QHash<QString, std::shared_ptr<TDbConnection>> connections;
    return connections;
}

int &connectionCounter()
{
    static int counter = 0;
    return counter;
}

void dropAllConnections()
{
    cache().clear();
}

bool isDesktopExtension(const QString &ext)
{
    const QString e = ext.toLower();
    return kSqliteExtensions.contains(e) || e == QLatin1String("csv") || e == QLatin1String("dbf");
}

void sortNoCase(QStringList &list)
{
    std::sort(list.begin(), list.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

// Identifiers of an SQL text, outside string literals and comments; quoted
// identifiers lose their quotes.
QStringList sqlIdentifiers(const QString &sql)
{
    QStringList ids;
    const int n = int(sql.size());
    int i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'')) {
            ++i;
            while (i < n) {
                if (sql.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < n && sql.at(i + 1) == QLatin1Char('\'')) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const int end = int(sql.indexOf(QLatin1String("*/"), i + 2));
            i = end < 0 ? n : end + 2;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[') || c == QLatin1Char('`')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            const int end = int(sql.indexOf(close, i + 1));
            ids << sql.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? n : end + 1;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            int j = i;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_') ||
                             sql.at(j) == QLatin1Char('$')))
                ++j;
            ids << sql.mid(i, j - i);
            i = j;
        } else {
            ++i;
        }
    }
    return ids;
}

QStringList parseCsvLine(const QString &text, int &pos, QChar sep, bool &ok)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    ok = true;
    const int n = int(text.size());
    bool any = false;
    while (pos < n) {
        const QChar c = text.at(pos);
        any = true;
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (pos + 1 < n && text.at(pos + 1) == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    pos += 2;
                    continue;
                }
                quoted = false;
                ++pos;
                continue;
            }
            field += c;
            ++pos;
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            ++pos;
        } else if (c == sep) {
            fields << field;
            field.clear();
            ++pos;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && pos + 1 < n && text.at(pos + 1) == QLatin1Char('\n'))
                ++pos;
            ++pos;
            break;
        } else {
            field += c;
            ++pos;
        }
    }
    if (quoted)
        ok = false;
    if (any)
        fields << field;
    return fields;
}

} // namespace

TFieldType FieldTypeFromDeclaration(const QString &declaredType, int *size, int *precision)
{
    QString t = declaredType.trimmed().toUpper();
    int a = 0, b = 0;
    bool haveA = false;
    static const QRegularExpression args(QStringLiteral("\\(\\s*(\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\)"));
    const QRegularExpressionMatch m = args.match(t);
    if (m.hasMatch()) {
        a = m.captured(1).toInt();
        haveA = true;
        b = m.captured(2).toInt();
        t = t.left(m.capturedStart()).trimmed();
    }
    auto setSize = [&](int s) {
        if (size)
            *size = s;
    };
    auto setPrecision = [&](int p) {
        if (precision)
            *precision = p;
    };
    setSize(0);
    setPrecision(0);
    if (t.isEmpty())
        return ftUnknown;
    const QString first = t.section(QLatin1Char(' '), 0, 0);
    if (t.contains(QLatin1String("AUTOINC")) || t.contains(QLatin1String("SERIAL")) ||
        t == QLatin1String("COUNTER") || t.contains(QLatin1String("IDENTITY")))
        return ftAutoInc;
    if (first == QLatin1String("BOOLEAN") || first == QLatin1String("BOOL") ||
        first == QLatin1String("LOGICAL") || first == QLatin1String("BIT"))
        return ftBoolean;
    if (first == QLatin1String("SMALLINT") || first == QLatin1String("INT2") ||
        first == QLatin1String("SHORTINT") || first == QLatin1String("TINYINT") ||
        first == QLatin1String("SHORT"))
        return ftSmallint;
    if (first == QLatin1String("WORD"))
        return ftWord;
    if (first == QLatin1String("BIGINT") || first == QLatin1String("INT8") ||
        first == QLatin1String("LARGEINT"))
        return ftLargeint;
    if (first == QLatin1String("MONEY") || first == QLatin1String("CURRENCY"))
        return ftCurrency;
    if (first == QLatin1String("DECIMAL") || first == QLatin1String("NUMERIC") ||
        first == QLatin1String("BCD")) {
        setPrecision(a);
        setSize(b);
        return ftBCD;
    }
    if (first.contains(QLatin1String("INT")))
        return ftInteger;
    if (first == QLatin1String("FLOAT") || first == QLatin1String("DOUBLE") ||
        first == QLatin1String("REAL") || first == QLatin1String("FLOAT8") ||
        first == QLatin1String("FLOAT4") || first == QLatin1String("NUMBER"))
        return ftFloat;
    if (first.startsWith(QLatin1String("DATETIME")) || first.startsWith(QLatin1String("TIMESTAMP")))
        return ftDateTime;
    if (first == QLatin1String("DATE"))
        return ftDate;
    if (first == QLatin1String("TIME"))
        return ftTime;
    if (first == QLatin1String("MEMO") || first == QLatin1String("CLOB") ||
        first == QLatin1String("LONGTEXT") || first == QLatin1String("MEDIUMTEXT") ||
        first == QLatin1String("NTEXT") || t == QLatin1String("LONG VARCHAR") ||
        first == QLatin1String("FMTMEMO"))
        return ftMemo;
    if (first == QLatin1String("GRAPHIC") || first == QLatin1String("IMAGE") ||
        first == QLatin1String("PICTURE"))
        return ftGraphic;
    if (first == QLatin1String("BLOB") || first == QLatin1String("BYTEA") ||
        first == QLatin1String("LONGBLOB") || first == QLatin1String("OLE"))
        return ftBlob;
    if (first == QLatin1String("VARBINARY") || first == QLatin1String("VARBYTES")) {
        setSize(haveA ? a : 255);
        return ftVarBytes;
    }
    if (first == QLatin1String("BINARY") || first == QLatin1String("BYTES")) {
        setSize(haveA ? a : 16);
        return ftBytes;
    }
    // Text columns without a declared length (SQLite TEXT, VARCHAR alone) hold texts of any
    // length, the long texts authors keep in them included: they are memo fields, whose values
    // are never cut and read as lines.
    if (!haveA && (first == QLatin1String("TEXT") || first == QLatin1String("VARCHAR") ||
                   first == QLatin1String("NVARCHAR") || t.contains(QLatin1String("VARYING"))))
        return ftMemo;
    if (first == QLatin1String("NVARCHAR") || first == QLatin1String("NCHAR") ||
        first == QLatin1String("WIDESTRING") || first == QLatin1String("NATIONAL")) {
        setSize(haveA ? a : 0);
        return ftWideString;
    }
    if (first.contains(QLatin1String("BLOB"))) // SQLite's affinity rules for other spellings
        return ftBlob;
    if (first.contains(QLatin1String("REAL")) || first.contains(QLatin1String("FLOA")) ||
        first.contains(QLatin1String("DOUB")))
        return ftFloat;
    setSize(haveA ? a : 0);
    return ftString;
}

// --- Connections --------------------------------------------------------------

TDbConnection::~TDbConnection()
{
    QStringList names = m_idleClones;
    names << m_connectionName;
    for (const QString &name : names) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isValid())
                db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase TDbConnection::Database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QString TDbConnection::ErrorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("unknown error");
    return text;
}

std::shared_ptr<TDbConnection> TDbConnection::Get(const QString &databaseName)
{
    const QString name = databaseName.trimmed();
    if (name.isEmpty())
        DatabaseError(QStringLiteral("No database name given"));
    static bool cleanupRegistered = false;
    if (!cleanupRegistered && QCoreApplication::instance()) {
        qAddPostRoutine(dropAllConnections);
        cleanupRegistered = true;
    }

    const QMap<QString, QString> params = Session().AliasParams(name);
    QString key;
    enum { ServerKind, FileKind, DirKind } kind;
    QString path;
    if (!params.isEmpty()) {
        const QString driver =
            params.value(QStringLiteral("Driver"), QStringLiteral("QSQLITE")).trimmed().toUpper();
        const QString database = params.value(QStringLiteral("Database")).trimmed();
        if (driver == QLatin1String("QSQLITE")) {
            if (database.isEmpty())
                DatabaseError(QStringLiteral("Alias \"%1\" names no database file").arg(name));
            path = database == QLatin1String(":memory:") ? database : ResolveFileName(ProgramDir(), database);
            const QFileInfo fi(path);
            if (path == QLatin1String(":memory:")) {
                kind = FileKind;
                key = QStringLiteral("memory:") + name.toLower();
            } else if (fi.isDir()) {
                kind = DirKind;
                key = QStringLiteral("dir:") + fi.canonicalFilePath();
            } else if (fi.isFile()) {
                kind = FileKind;
                key = QStringLiteral("file:") + fi.canonicalFilePath();
            } else {
                DatabaseError(
                    QStringLiteral("Database file \"%1\" of alias \"%2\" does not exist").arg(path, name));
            }
        } else {
            kind = ServerKind;
            key = QStringLiteral("server:") + driver + QLatin1Char('|') +
                  params.value(QStringLiteral("Host")) + QLatin1Char('|') +
                  params.value(QStringLiteral("Port")) + QLatin1Char('|') + database + QLatin1Char('|') +
                  params.value(QStringLiteral("User"));
        }
    } else {
        path = NormalizeSeparators(name);
        QFileInfo fi(path);
        if (!fi.exists())
            fi = QFileInfo(ResolveFileName(ProgramDir(), path));
        if (fi.isDir()) {
            kind = DirKind;
            key = QStringLiteral("dir:") + fi.canonicalFilePath();
            path = fi.absoluteFilePath();
        } else if (fi.isFile()) {
            kind = FileKind;
            key = QStringLiteral("file:") + fi.canonicalFilePath();
            path = fi.absoluteFilePath();
        } else {
            DatabaseError(
                QStringLiteral("Unknown database \"%1\": it is no alias of %2 and no existing directory "
                               "or database file")
                    .arg(name, TSession::AliasFileName()));
        }
    }

    auto it = cache().find(key);
    if (it != cache().end()) {
        // A server connection that dropped is opened again.
        QSqlDatabase db = it->get()->Database();
        if (db.isOpen())
            return *it;
        cache().erase(it);
    }

    std::shared_ptr<TDbConnection> c(new TDbConnection());
    c->m_databaseName = name;
    c->m_key = key;
    c->m_connectionName = QStringLiteral("tabulon-%1").arg(++connectionCounter());
    if (kind == ServerKind)
        c->openServer(params, name, ProgramDir());
    else if (kind == DirKind)
        c->openDirectory(path);
    else
        c->openSqliteFile(path);
    cache().insert(key, c);
    return c;
}

void TDbConnection::CloseUnused()
{
    auto &c = cache();
    for (auto it = c.begin(); it != c.end();) {
        if (it->use_count() == 1)
            it = c.erase(it);
        else
            ++it;
    }
}

void TDbConnection::openServer(const QMap<QString, QString> &params, const QString &aliasName,
                               const QString &)
{
    m_kind = Server;
    m_driver = params.value(QStringLiteral("Driver")).trimmed().toUpper();
    if (!QSqlDatabase::isDriverAvailable(m_driver))
        DatabaseError(
            QStringLiteral("Database driver \"%1\" of alias \"%2\" is not available (available: %3)")
                .arg(m_driver, aliasName, QSqlDatabase::drivers().join(QStringLiteral(", "))));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(m_driver, m_connectionName);
        db.setHostName(params.value(QStringLiteral("Host")).trimmed());
        const QString port = params.value(QStringLiteral("Port")).trimmed();
        if (!port.isEmpty()) {
            bool ok = false;
            const int p = port.toInt(&ok);
            if (!ok || p <= 0 || p > 65535) {
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(m_connectionName);
                DatabaseError(QStringLiteral("Alias \"%1\": \"%2\" is no valid port").arg(aliasName, port));
            }
            db.setPort(p);
        }
        db.setDatabaseName(params.value(QStringLiteral("Database")).trimmed());
        db.setUserName(params.value(QStringLiteral("User")).trimmed());
        db.setPassword(params.value(QStringLiteral("Password")));
        QString options = params.value(QStringLiteral("Options")).trimmed();
        if (m_driver == QLatin1String("QPSQL") && !options.contains(QLatin1String("connect_timeout")))
            options = options.isEmpty() ? QStringLiteral("connect_timeout=10")
                                        : options + QStringLiteral(";connect_timeout=10");
        db.setConnectOptions(options);
        if (!db.open()) {
            const QString text = ErrorText(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connectionName);
            DatabaseError(QStringLiteral("Cannot connect to database \"%1\": %2").arg(aliasName, text));
        }
    }
}

void TDbConnection::openSqliteFile(const QString &fileName)
{
    m_kind = SqliteFile;
    m_driver = QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(m_driver))
        DatabaseError(QStringLiteral("The SQLite database driver is not available"));
    QSqlDatabase db = QSqlDatabase::addDatabase(m_driver, m_connectionName);
    db.setDatabaseName(fileName);
    QString error;
    if (!db.open()) {
        error = ErrorText(db.lastError());
    } else {
        // Opening succeeds on any file; the first read tells whether it is a database.
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            error = ErrorText(probe.lastError());
    }
    if (!error.isEmpty()) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        DatabaseError(QStringLiteral("Cannot open database file \"%1\": %2").arg(fileName, error));
    }
}

void TDbConnection::openDirectory(const QString &dir)
{
    m_kind = Directory;
    m_driver = QStringLiteral("QSQLITE");
    m_directory = dir;
    QSqlDatabase db = QSqlDatabase::addDatabase(m_driver, m_connectionName);
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open()) {
        const QString text = ErrorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        DatabaseError(QStringLiteral("Cannot open directory database \"%1\": %2").arg(dir, text));
    }
    scanDirectory();
}

void TDbConnection::scanDirectory()
{
    QDir d(m_directory);
    const QFileInfoList files = d.entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    QList<DesktopTable> found;
    for (const QFileInfo &fi : files) {
        const QString ext = fi.suffix().toLower();
        if (!kSqliteExtensions.contains(ext) && ext != QLatin1String("csv"))
            continue;
        const QString base = fi.completeBaseName();
        if (base.isEmpty())
            continue;
        bool known = false;
        for (const DesktopTable &t : std::as_const(found))
            if (t.name.compare(base, Qt::CaseInsensitive) == 0)
                known = true;
        if (known)
            continue;
        // Keep the state of tables already made ready.
        DesktopTable table;
        for (const DesktopTable &old : std::as_const(m_desktopTables))
            if (old.fileName == fi.absoluteFilePath())
                table = old;
        table.name = base;
        table.fileName = fi.absoluteFilePath();
        table.ext = ext;
        table.csv = ext == QLatin1String("csv");
        found << table;
    }
    m_desktopTables = found;
}

TDbConnection::DesktopTable *TDbConnection::desktopTable(const QString &name)
{
    QString n = name;
    const QFileInfo fi(name);
    if (isDesktopExtension(fi.suffix()))
        n = fi.completeBaseName();
    for (DesktopTable &t : m_desktopTables)
        if (t.name.compare(n, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

void TDbConnection::PrepareStatement(const QString &sql)
{
    if (m_kind != Directory)
        return;
    QStringList needed;
    for (const QString &id : sqlIdentifiers(sql)) {
        if (DesktopTable *t = desktopTable(id)) {
            if (!needed.contains(t->name))
                needed << t->name;
        }
    }
    if (needed.isEmpty() && !m_desktopTables.isEmpty()) {
        // A file added since the directory was read is found too.
        scanDirectory();
        for (const QString &id : sqlIdentifiers(sql))
            if (DesktopTable *t = desktopTable(id))
                if (!needed.contains(t->name))
                    needed << t->name;
    }
    for (const QString &name : std::as_const(needed)) {
        DesktopTable *t = desktopTable(name);
        t->lastUse = ++m_useCounter;
        if (!t->ready)
            makeReady(*t, needed);
    }
}

void TDbConnection::makeReady(DesktopTable &table, const QStringList &needed)
{
    QSqlDatabase db = Database();
    if (table.csv) {
        loadCsv(table);
        table.ready = true;
        return;
    }
    if (m_attached >= kMaxAttached) {
        // Detach the least recently used file that this statement does not need.
        DesktopTable *victim = nullptr;
        for (DesktopTable &t : m_desktopTables)
            if (t.ready && !t.csv && !needed.contains(t.name) && (!victim || t.lastUse < victim->lastUse))
                victim = &t;
        bool detached = false;
        if (victim) {
            QSqlQuery q(db);
            if (victim->innerTable.compare(victim->name, Qt::CaseInsensitive) != 0)
                q.exec(QStringLiteral("DROP VIEW IF EXISTS temp.%1").arg(Quote(victim->name)));
            detached = q.exec(QStringLiteral("DETACH DATABASE %1").arg(Quote(victim->schema)));
            if (detached) {
                victim->ready = false;
                --m_attached;
            }
        }
        if (!detached)
            DatabaseError(
                QStringLiteral("Directory database \"%1\": more than %2 table files are in use at once")
                    .arg(m_directory)
                    .arg(kMaxAttached));
    }
    QSqlQuery q(db);
    const QString schema = QStringLiteral("tabulon_t%1").arg(++m_useCounter);
    q.prepare(QStringLiteral("ATTACH DATABASE ? AS %1").arg(Quote(schema)));
    q.addBindValue(table.fileName);
    if (!q.exec())
        DatabaseError(QStringLiteral("Cannot open table file \"%1\": %2")
                          .arg(table.fileName, ErrorText(q.lastError())));
    ++m_attached;
    QSqlQuery inner(db);
    const QString probe =
        QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type IN ('table','view') AND "
                       "name NOT LIKE 'sqlite_%' ORDER BY lower(name) = lower(?) DESC, rowid LIMIT 1")
            .arg(Quote(schema));
    inner.prepare(probe);
    inner.addBindValue(table.name);
    QString error;
    if (!inner.exec())
        error = ErrorText(inner.lastError());
    else if (!inner.next())
        error = QStringLiteral("the file holds no table");
    if (error.isEmpty()) {
        table.innerTable = inner.value(0).toString();
        inner.finish();
        if (table.innerTable.compare(table.name, Qt::CaseInsensitive) != 0) {
            QSqlQuery v(db);
            if (!v.exec(QStringLiteral("CREATE TEMP VIEW %1 AS SELECT * FROM %2.%3")
                            .arg(Quote(table.name), Quote(schema), Quote(table.innerTable))))
                error = ErrorText(v.lastError());
        }
    }
    if (!error.isEmpty()) {
        inner.finish();
        QSqlQuery d(db);
        d.exec(QStringLiteral("DETACH DATABASE %1").arg(Quote(schema)));
        --m_attached;
        DatabaseError(QStringLiteral("Cannot open table file \"%1\": %2").arg(table.fileName, error));
    }
    table.schema = schema;
    table.ready = true;
}

void TDbConnection::loadCsv(DesktopTable &table)
{
    QFile file(table.fileName);
    if (!file.open(QIODevice::ReadOnly))
        DatabaseError(
            QStringLiteral("Cannot read table file \"%1\": %2").arg(table.fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    QString text;
    {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(bytes);
        if (utf8.hasError()) {
            QStringDecoder cp(QStringLiteral("windows-1251").toLatin1().constData());
            text = cp.isValid() ? cp.decode(bytes) : QString::fromLatin1(bytes);
        }
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    int pos = 0;
    const int firstEnd = int(text.indexOf(QLatin1Char('\n')));
    const QString firstLine = text.left(firstEnd < 0 ? text.size() : firstEnd);
    const QChar sep = firstLine.count(QLatin1Char(';')) > firstLine.count(QLatin1Char(',')) ? QLatin1Char(';')
                      : firstLine.count(QLatin1Char('\t')) > firstLine.count(QLatin1Char(','))
                          ? QLatin1Char('\t')
                          : QLatin1Char(',');
    bool ok = true;
    QStringList header = parseCsvLine(text, pos, sep, ok);
    if (header.isEmpty() || !ok)
        DatabaseError(
            QStringLiteral("Table file \"%1\" has no column names in its first line").arg(table.fileName));
    for (QString &h : header) {
        h = h.trimmed();
        if (h.isEmpty())
            h = QStringLiteral("Column%1").arg(&h - header.data() + 1);
    }
    QList<QStringList> rows;
    int line = 1;
    while (pos < text.size()) {
        ++line;
        QStringList row = parseCsvLine(text, pos, sep, ok);
        if (!ok)
            DatabaseError(QStringLiteral("Table file \"%1\", line %2: unterminated quoted value")
                              .arg(table.fileName)
                              .arg(line));
        if (row.isEmpty() || (row.size() == 1 && row.at(0).isEmpty()))
            continue;
        while (row.size() < header.size())
            row << QString();
        if (row.size() > header.size())
            DatabaseError(QStringLiteral("Table file \"%1\", line %2: %3 values for %4 columns")
                              .arg(table.fileName)
                              .arg(line)
                              .arg(row.size())
                              .arg(header.size()));
        rows << row;
    }
    // Column types from the values: integers, numbers, ISO dates and date-times, else text.
    static const QRegularExpression intRe(QStringLiteral("^[-+]?\\d{1,18}$"));
    static const QRegularExpression numRe(QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?$"));
    static const QRegularExpression dateRe(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    static const QRegularExpression dtRe(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}[ T]\\d{2}:\\d{2}(:\\d{2}(\\.\\d+)?)?$"));
    QStringList types;
    for (int c = 0; c < header.size(); ++c) {
        bool allInt = true, allNum = true, allDate = true, allDt = true, any = false;
        int width = 1;
        for (const QStringList &r : std::as_const(rows)) {
            const QString v = r.at(c).trimmed();
            width = std::max(width, int(r.at(c).size()));
            if (v.isEmpty())
                continue;
            any = true;
            allInt = allInt && intRe.match(v).hasMatch();
            allNum = allNum && numRe.match(v).hasMatch();
            allDate = allDate && dateRe.match(v).hasMatch();
            allDt = allDt && dtRe.match(v).hasMatch();
        }
        if (!any)
            types << QStringLiteral("VARCHAR(%1)").arg(std::max(width, 20));
        else if (allInt)
            types << QStringLiteral("INTEGER");
        else if (allNum)
            types << QStringLiteral("FLOAT");
        else if (allDate)
            types << QStringLiteral("DATE");
        else if (allDt)
            types << QStringLiteral("DATETIME");
        else
            types << QStringLiteral("VARCHAR(%1)").arg(std::max(width, 20));
    }
    QSqlDatabase db = Database();
    QStringList cols;
    for (int c = 0; c < header.size(); ++c)
        cols << Quote(header.at(c)) + QLatin1Char(' ') + types.at(c);
    QSqlQuery q(db);
    q.exec(QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(Quote(table.name)));
    if (!q.exec(QStringLiteral("CREATE TEMP TABLE %1 (%2)")
                    .arg(Quote(table.name), cols.join(QStringLiteral(", ")))))
        DatabaseError(QStringLiteral("Cannot read table file \"%1\": %2")
                          .arg(table.fileName, ErrorText(q.lastError())));
    QStringList marks;
    for (int c = 0; c < header.size(); ++c)
        marks << QStringLiteral("?");
    db.transaction();
    QSqlQuery ins(db);
    ins.prepare(QStringLiteral("INSERT INTO temp.%1 VALUES (%2)")
                    .arg(Quote(table.name), marks.join(QLatin1Char(','))));
    for (const QStringList &r : std::as_const(rows)) {
        for (int c = 0; c < header.size(); ++c) {
            const QString v = r.at(c);
            const QString &type = types.at(c);
            if (v.trimmed().isEmpty() && !type.startsWith(QLatin1String("VARCHAR")))
                ins.bindValue(c, QVariant());
            else if (type == QLatin1String("INTEGER"))
                ins.bindValue(c, v.trimmed().toLongLong());
            else if (type == QLatin1String("FLOAT"))
                ins.bindValue(c, v.trimmed().toDouble());
            else if (type == QLatin1String("DATETIME"))
                ins.bindValue(c, QString(v.trimmed()).replace(QLatin1Char('T'), QLatin1Char(' ')));
            else
                ins.bindValue(c, v);
        }
        if (!ins.exec()) {
            const QString text = ErrorText(ins.lastError());
            db.rollback();
            DatabaseError(QStringLiteral("Cannot read table file \"%1\": %2").arg(table.fileName, text));
        }
    }
    db.commit();
}

QSqlDatabase TDbConnection::AcquireCursorConnection()
{
    if (m_kind != Server)
        return Database();
    while (!m_idleClones.isEmpty()) {
        const QString name = m_idleClones.takeLast();
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            return db;
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    const QString name = m_connectionName + QStringLiteral("-c%1").arg(++m_cloneCounter);
    QSqlDatabase db = QSqlDatabase::cloneDatabase(m_connectionName, name);
    if (!db.open()) {
        const QString text = ErrorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        DatabaseError(QStringLiteral("Cannot connect to database \"%1\": %2").arg(m_databaseName, text));
    }
    return db;
}

void TDbConnection::ReleaseCursorConnection(const QSqlDatabase &db)
{
    if (m_kind != Server)
        return;
    const QString name = db.connectionName();
    if (name.isEmpty() || name == m_connectionName)
        return;
    if (m_idleClones.size() < 4) {
        m_idleClones << name;
        return;
    }
    {
        QSqlDatabase d = QSqlDatabase::database(name, false);
        d.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QStringList TDbConnection::TableNames(bool extensions, bool systemTables)
{
    QStringList names;
    if (m_kind == Directory) {
        scanDirectory();
        for (const DesktopTable &t : std::as_const(m_desktopTables))
            names << (extensions ? t.name + QLatin1Char('.') + t.ext : t.name);
    } else {
        QSqlDatabase db = Database();
        QSql::TableType types = QSql::TableType(QSql::Tables | QSql::Views);
        if (systemTables)
            types = QSql::TableType(types | QSql::SystemTables);
        names = db.tables(types);
        if (db.lastError().isValid() && names.isEmpty() && !db.isOpen())
            DatabaseError(QStringLiteral("Cannot read the tables of database \"%1\": %2")
                              .arg(m_databaseName, ErrorText(db.lastError())));
        if (!systemTables)
            names.erase(
                std::remove_if(names.begin(), names.end(),
                               [](const QString &n) { return n.startsWith(QLatin1String("sqlite_")); }),
                names.end());
    }
    sortNoCase(names);
    return names;
}

QString TDbConnection::ResolveTableName(const QString &name)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        return QString();
    if (m_kind == Directory) {
        DesktopTable *t = desktopTable(n);
        if (!t) {
            scanDirectory();
            t = desktopTable(n);
        }
        return t ? t->name : QString();
    }
    const QStringList names = TableNames(false, false);
    for (const QString &t : names)
        if (t.compare(n, Qt::CaseInsensitive) == 0)
            return t;
    const QFileInfo fi(n);
    if (isDesktopExtension(fi.suffix())) {
        const QString base = fi.completeBaseName();
        for (const QString &t : names)
            if (t.compare(base, Qt::CaseInsensitive) == 0)
                return t;
    }
    return QString();
}

QStringList TDbConnection::ColumnNames(const QString &table)
{
    PrepareStatement(table);
    const QSqlRecord rec = Database().record(table);
    QStringList names;
    for (int i = 0; i < rec.count(); ++i)
        names << rec.fieldName(i);
    return names;
}

QString TDbConnection::Quote(const QString &identifier) const
{
    // A schema-qualified server name ("sales.orders") quotes each part.
    if (m_kind == Server && identifier.contains(QLatin1Char('.'))) {
        QStringList parts = identifier.split(QLatin1Char('.'));
        for (QString &p : parts)
            p = Quote(p);
        return parts.join(QLatin1Char('.'));
    }
    QString id = identifier;
    id.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + id + QLatin1Char('"');
}

QList<TIndexDef> TDbConnection::Indexes(const QString &tableName)
{
    QList<TIndexDef> result;
    QSqlDatabase db = Database();
    if (IsSqlite()) {
        QString schemaPrefix;
        QString table = tableName;
        if (m_kind == Directory) {
            DesktopTable *t = desktopTable(tableName);
            if (!t || t->csv)
                return result;
            if (!t->ready)
                makeReady(*t, QStringList{t->name});
            schemaPrefix = Quote(t->schema) + QLatin1Char('.');
            table = t->innerTable;
        }
        QSqlQuery info(db);
        QStringList pk;
        QList<int> pkOrder;
        if (info.exec(QStringLiteral("PRAGMA %1table_info(%2)").arg(schemaPrefix, Quote(table)))) {
            QList<QPair<int, QString>> cols;
            while (info.next())
                if (info.value(5).toInt() > 0)
                    cols << qMakePair(info.value(5).toInt(), info.value(1).toString());
            std::sort(cols.begin(), cols.end());
            for (const auto &c : cols)
                pk << c.second;
        }
        if (!pk.isEmpty()) {
            TIndexDef def;
            def.Fields = pk.join(QLatin1Char(';'));
            def.Options = TIndexOptions(ixPrimary | ixUnique);
            result << def;
        }
        QSqlQuery list(db);
        if (!list.exec(QStringLiteral("PRAGMA %1index_list(%2)").arg(schemaPrefix, Quote(table))))
            DatabaseError(QStringLiteral("Cannot read the indexes of table \"%1\": %2")
                              .arg(tableName, ErrorText(list.lastError())));
        QList<TIndexDef> others;
        while (list.next()) {
            const QString name = list.value(1).toString();
            const bool unique = list.value(2).toInt() != 0;
            const QString origin = list.value(3).toString();
            if (origin == QLatin1String("pk"))
                continue; // the primary key is listed above
            QSqlQuery cols(db);
            QStringList fields;
            bool descending = false;
            if (cols.exec(QStringLiteral("PRAGMA %1index_xinfo(%2)").arg(schemaPrefix, Quote(name)))) {
                while (cols.next()) {
                    if (cols.value(5).toInt() == 0 || cols.value(1).toInt() < 0)
                        continue; // auxiliary columns and expressions
                    fields << cols.value(2).toString();
                    descending = descending || cols.value(3).toInt() != 0;
                }
            }
            if (fields.isEmpty())
                continue;
            TIndexDef def;
            def.Name = name;
            def.Fields = fields.join(QLatin1Char(';'));
            if (unique)
                def.Options |= ixUnique;
            if (descending)
                def.Options |= ixDescending;
            others << def;
        }
        std::sort(others.begin(), others.end(), [](const TIndexDef &a, const TIndexDef &b) {
            return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
        });
        result << others;
        return result;
    }
    if (IsPostgres()) {
        QString schema, table = tableName;
        if (tableName.contains(QLatin1Char('.'))) {
            schema = tableName.section(QLatin1Char('.'), 0, 0);
            table = tableName.section(QLatin1Char('.'), 1);
        }
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral(
                "SELECT i.relname, ix.indisprimary, ix.indisunique, "
                "array_to_string(array(SELECT a.attname FROM unnest(ix.indkey) WITH ORDINALITY AS k(attnum, "
                "ord) "
                "JOIN pg_attribute a ON a.attrelid = t.oid AND a.attnum = k.attnum ORDER BY k.ord), ';') "
                "FROM pg_class t JOIN pg_index ix ON t.oid = ix.indrelid JOIN pg_class i ON i.oid = "
                "ix.indexrelid "
                "JOIN pg_namespace n ON n.oid = t.relnamespace WHERE t.relname = ? AND %1 "
                "ORDER BY ix.indisprimary DESC, i.relname")
                .arg(schema.isEmpty() ? QStringLiteral("pg_table_is_visible(t.oid)")
                                      : QStringLiteral("n.nspname = ?")));
        q.addBindValue(table);
        if (!schema.isEmpty())
            q.addBindValue(schema);
        if (!q.exec())
            DatabaseError(QStringLiteral("Cannot read the indexes of table \"%1\": %2")
                              .arg(tableName, ErrorText(q.lastError())));
        while (q.next()) {
            TIndexDef def;
            const bool primary = q.value(1).toBool();
            def.Name = primary ? QString() : q.value(0).toString();
            def.Fields = q.value(3).toString();
            if (def.Fields.isEmpty())
                continue;
            if (primary)
                def.Options |= ixPrimary;
            if (q.value(2).toBool())
                def.Options |= ixUnique;
            result << def;
        }
        return result;
    }
    // Other drivers: the primary key Qt can tell.
    const QSqlIndex pk = db.primaryIndex(tableName);
    if (!pk.isEmpty()) {
        TIndexDef def;
        QStringList f;
        for (int i = 0; i < pk.count(); ++i)
            f << pk.fieldName(i);
        def.Fields = f.join(QLatin1Char(';'));
        def.Options = TIndexOptions(ixPrimary | ixUnique);
        result << def;
    }
    return result;
}
