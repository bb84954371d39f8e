#include "data/sqlcursor.h"

#include "data/connection.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>

#include <sqlite3.h>

namespace
{

// PostgreSQL type oids of the built-in types.
TFieldType postgresType(int oid, int length, int precision, int *size, int *prec)
{
    *size = 0;
    *prec = 0;
    switch (oid) {
    case 16:
        return ftBoolean;
    case 17:
        return ftBlob;
    case 20:
        return ftLargeint;
    case 21:
        return ftSmallint;
    case 23:
    case 26:
        return ftInteger;
    case 700:
    case 701:
        return ftFloat;
    case 790:
        return ftCurrency;
    case 1700:
        *prec = length > 0 ? length : 0;
        *size = precision > 0 ? precision : 0;
        return ftBCD;
    case 1082:
        return ftDate;
    case 1083:
    case 1266:
        return ftTime;
    case 1114:
    case 1184:
        return ftDateTime;
    case 25:
        // text holds texts of any length: a memo, whose values are never cut.
        return ftMemo;
    case 1043:
        if (length <= 0)
            return ftMemo; // varchar without a length is text
        *size = length;
        return ftString;
    case 1042:
        *size = length > 0 ? length : 0;
        return ftString;
    case 19:
        *size = 63; // "name"
        return ftString;
    default:
        // Every other type reads as text without a declared length; nothing is cut.
        return ftString;
    }
}

TFieldType typeFromValue(const QVariant &v, int *size)
{
    *size = 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return ftInteger;
    case QMetaType::Double:
        return ftFloat;
    case QMetaType::QByteArray:
        return ftBlob;
    case QMetaType::Bool:
        return ftBoolean;
    case QMetaType::QDate:
        return ftDate;
    case QMetaType::QTime:
        return ftTime;
    case QMetaType::QDateTime:
        return ftDateTime;
    default:
        // A text value of a column that declares no type: no declared length.
        return ftString;
    }
}

[[noreturn]] void sqlError(const QString &what, const QSqlError &error, const QString &sql,
                           const TComponent *who)
{
    QString statement = sql.simplified();
    if (statement.size() > 200)
        statement = statement.left(200) + QStringLiteral("...");
    DatabaseError(QStringLiteral("%1: %2 (in \"%3\")").arg(what, TDbConnection::ErrorText(error), statement),
                  who);
}

} // namespace

TSqlCursor::TSqlCursor(std::shared_ptr<TDbConnection> connection, const QString &sql,
                       const QVariantList &values, const TComponent *who)
    : m_connection(std::move(connection)), m_who(who)
{
    m_connection->PrepareStatement(sql);
    m_db = m_connection->AcquireCursorConnection();
    m_borrowed = true;
    m_query = std::make_unique<QSqlQuery>(m_db);
    m_query->setForwardOnly(true);
    try {
        if (!m_query->prepare(sql))
            sqlError(QStringLiteral("SQL error"), m_query->lastError(), sql, who);
        for (const QVariant &v : values)
            m_query->addBindValue(v);
        if (!m_query->exec())
            sqlError(QStringLiteral("SQL error"), m_query->lastError(), sql, who);
        if (!m_query->isSelect())
            DatabaseError(
                QStringLiteral("The statement returns no rows (in \"%1\")").arg(sql.simplified().left(200)),
                who);
        // The first row tells the types of columns that declare none (SQLite expressions).
        m_havePending = m_query->next();
        if (!m_havePending && m_query->lastError().isValid())
            sqlError(QStringLiteral("SQL error"), m_query->lastError(), sql, who);
        m_finished = !m_havePending;
        describeColumns();
        if (m_finished)
            releaseConnection();
    } catch (...) {
        m_query.reset();
        m_connection->ReleaseCursorConnection(m_db);
        m_db = QSqlDatabase();
        m_borrowed = false;
        throw;
    }
}

TSqlCursor::~TSqlCursor()
{
    releaseConnection();
}

void TSqlCursor::releaseConnection()
{
    // A cursor read to its end gives its server connection back at once, so
    // that open but finished datasets hold none.
    if (m_query)
        m_query->finish();
    m_query.reset();
    if (m_borrowed)
        m_connection->ReleaseCursorConnection(m_db);
    m_borrowed = false;
    m_db = QSqlDatabase();
}

void TSqlCursor::describeColumns()
{
    const QSqlRecord rec = m_query->record();
    sqlite3_stmt *stmt = nullptr;
    if (m_connection->IsSqlite()) {
        const QVariant h = m_query->result()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3_stmt*") == 0)
            stmt = *static_cast<sqlite3_stmt *const *>(h.constData());
    }
    m_columns.clear();
    for (int i = 0; i < rec.count(); ++i) {
        const QSqlField f = rec.field(i);
        TFieldDef def;
        def.Name = f.name();
        def.FieldNo = i + 1;
        def.Required = f.requiredStatus() == QSqlField::Required;
        int size = 0, precision = 0;
        if (stmt) {
            const char *decl = sqlite3_column_decltype(stmt, i);
            def.DataType =
                FieldTypeFromDeclaration(decl ? QString::fromUtf8(decl) : QString(), &size, &precision);
            if (def.DataType == ftUnknown) {
                const QVariant v = m_havePending ? m_query->value(i) : QVariant();
                def.DataType = typeFromValue(v, &size);
            }
        } else if (m_connection->IsPostgres()) {
            def.DataType = postgresType(f.typeID(), f.length(), f.precision(), &size, &precision);
        } else {
            def.DataType = typeFromValue(QVariant(f.metaType()), &size);
        }
        def.Size = size;
        def.Precision = precision;
        m_columns << def;
    }
}

bool TSqlCursor::Fetch(QVariantList &row)
{
    if (m_finished)
        return false;
    if (m_havePending) {
        m_havePending = false;
    } else if (!m_query->next()) {
        m_finished = true;
        const QSqlError error = m_query->lastError();
        const QString sql = m_query->lastQuery();
        releaseConnection();
        if (error.isValid())
            sqlError(QStringLiteral("Reading rows failed"), error, sql, m_who);
        return false;
    }
    const int n = int(m_columns.size());
    if (row.size() != n)
        row.resize(n);
    QVariant *out = row.data();
    for (int i = 0; i < n; ++i)
        out[i] = m_query->value(i);
    return true;
}

QSqlQuery RunQuery(TDbConnection &connection, const QString &sql, const QVariantList &values,
                   const TComponent *who)
{
    connection.PrepareStatement(sql);
    QSqlQuery q(connection.Database());
    if (!q.prepare(sql))
        sqlError(QStringLiteral("SQL error"), q.lastError(), sql, who);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        sqlError(QStringLiteral("SQL error"), q.lastError(), sql, who);
    return q;
}
