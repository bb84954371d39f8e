#pragma once

// Test databases: the same schema and rows on SQLite (an alias in a
// temporary program directory) and on PostgreSQL (the server the test command
// starts; its tests are skipped when TABULON_TEST_PGHOST is not set).

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

enum class TBackend { Sqlite, Postgres };

class TTestDatabase
{
public:
    explicit TTestDatabase(TBackend backend);
    ~TTestDatabase();

    // Empty when the database is usable; otherwise why not (tests skip with it).
    QString SkipReason() const { return m_skip; }
    TBackend Backend() const { return m_backend; }
    // The alias datasets use.
    QString Alias() const { return m_alias; }
    QString Dir() const { return m_dir->path(); }
    // Runs statements on an administrative connection of the test (not the layer's).
    void Exec(const QStringList &statements);
    // "customers" / "orders" / "numbers" are created by the constructor.
    static constexpr int NumberRows = 1000;

private:
    void createSchema();
    TBackend m_backend;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_alias;
    QString m_connection;
    QString m_skip;
};

// The PostgreSQL connection settings of the environment, or empty.
QString PostgresHost();
