#pragma once

// Connections behind database names (internal to the dataset layer).
//
// One TDbConnection per distinct database (alias parameters, directory or
// file) serves every dataset of the process. Forward cursors on PostgreSQL
// need a connection of their own while they are being read (the driver drops
// a pending forward-only result when another statement runs on the same
// connection), so the connection lends pooled clones to cursors; SQLite
// cursors share the main connection.

#include "data/fieldtypes.h"
#include "data/table.h"

#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

class TComponent;

class TDbConnection
{
public:
    enum Kind { SqliteFile, Directory, Server };

    ~TDbConnection();
    TDbConnection(const TDbConnection &) = delete;
    TDbConnection &operator=(const TDbConnection &) = delete;

    // The connection for a database name, opened on first use. Raises
    // EDatabaseError when the name is unknown or the database cannot be reached.
    static std::shared_ptr<TDbConnection> Get(const QString &databaseName);
    // Drops every cached connection nobody else holds.
    static void CloseUnused();

    QString DatabaseName() const { return m_databaseName; }
    Kind ConnectionKind() const { return m_kind; }
    bool IsSqlite() const { return m_kind != Server || m_driver == QLatin1String("QSQLITE"); }
    bool IsPostgres() const { return m_driver == QLatin1String("QPSQL"); }
    QString Driver() const { return m_driver; }

    // The main connection: catalogue look-ups, counts, statements that are read whole.
    QSqlDatabase Database() const;
    // A connection for a forward cursor, and its return.
    QSqlDatabase AcquireCursorConnection();
    void ReleaseCursorConnection(const QSqlDatabase &db);

    // Makes the tables an SQL text names available (desktop directories attach
    // their files on demand). Raises when a named table file cannot be read.
    void PrepareStatement(const QString &sql);

    // Table names: desktop tables without extension unless asked; system tables only when asked.
    QStringList TableNames(bool extensions, bool systemTables);
    // The table's name as the database spells it; empty when there is no such
    // table. A desktop file name with extension names its table.
    QString ResolveTableName(const QString &name);
    QList<TIndexDef> Indexes(const QString &table);
    // The column names of a table as the database spells them.
    QStringList ColumnNames(const QString &table);
    QString Quote(const QString &identifier) const;
    // The driver's message for the last error of db, readable.
    static QString ErrorText(const class QSqlError &error);

private:
    TDbConnection() = default;
    struct DesktopTable {
        QString name;     // table name (file base name)
        QString fileName; // full path
        QString ext;      // lower-case extension
        bool csv = false;
        bool ready = false; // attached or loaded
        QString schema;     // attached schema of an SQLite file
        QString innerTable; // the table inside an SQLite file
        qint64 lastUse = 0;
    };
    void openServer(const QMap<QString, QString> &params, const QString &aliasName, const QString &baseDir);
    void openSqliteFile(const QString &fileName);
    void openDirectory(const QString &dir);
    void scanDirectory();
    void makeReady(DesktopTable &table, const QStringList &needed);
    void loadCsv(DesktopTable &table);
    DesktopTable *desktopTable(const QString &name);

    QString m_databaseName;
    QString m_key;
    Kind m_kind = SqliteFile;
    QString m_driver;
    QString m_connectionName;
    QString m_directory;
    QList<DesktopTable> m_desktopTables;
    int m_attached = 0;
    qint64 m_useCounter = 0;
    QStringList m_idleClones;
    int m_cloneCounter = 0;
};

// How a declared column type ("VARCHAR(40)", "DECIMAL(10,2)", "DATE") maps to a field type.
TFieldType FieldTypeFromDeclaration(const QString &declaredType, int *size, int *precision);
