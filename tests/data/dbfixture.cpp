#include "dbfixture.h"

#include "common/programdir.h"
#include "data/session.h"
#include "testutil.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <stdexcept>

QString PostgresHost()
{
    return qEnvironmentVariable("TABULON_TEST_PGHOST");
}

TTestDatabase::TTestDatabase(TBackend backend) : m_backend(backend), m_dir(std::make_unique<QTemporaryDir>())
{
    static int counter = 0;
    m_connection = QStringLiteral("test-admin-%1").arg(++counter);
    SetProgramDir(m_dir->path());
    if (backend == TBackend::Sqlite) {
        m_alias = QStringLiteral("TESTDB");
        testutil::writeFile(m_dir->filePath(QStringLiteral("databases.ini")),
                            "[TESTDB]\nDriver=QSQLITE\nDatabase=test.sqlite\n");
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_dir->filePath(QStringLiteral("test.sqlite")));
        if (!db.open())
            m_skip = QStringLiteral("cannot create SQLite file: ") + db.lastError().text();
    } else {
        if (PostgresHost().isEmpty()) {
            m_skip = QStringLiteral("TABULON_TEST_PGHOST is not set: no PostgreSQL server for the tests "
                                    "(scripts/test.sh starts one)");
            return;
        }
        m_alias = QStringLiteral("PGTEST");
        QMap<QString, QString> p;
        p.insert(QStringLiteral("Driver"), QStringLiteral("QPSQL"));
        p.insert(QStringLiteral("Host"), PostgresHost());
        p.insert(QStringLiteral("Port"), qEnvironmentVariable("TABULON_TEST_PGPORT"));
        p.insert(QStringLiteral("User"), qEnvironmentVariable("TABULON_TEST_PGUSER"));
        p.insert(QStringLiteral("Database"), qEnvironmentVariable("TABULON_TEST_PGDATABASE"));
        Session().AddAlias(m_alias, p);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
        db.setHostName(p.value(QStringLiteral("Host")));
        db.setPort(p.value(QStringLiteral("Port")).toInt());
        db.setUserName(p.value(QStringLiteral("User")));
        db.setDatabaseName(p.value(QStringLiteral("Database")));
        if (!db.open()) {
            m_skip = QStringLiteral("cannot connect to the PostgreSQL test server: ") + db.lastError().text();
            return;
        }
    }
    createSchema();
}

TTestDatabase::~TTestDatabase()
{
    Session().CloseDatabases();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    if (m_backend == TBackend::Postgres)
        Session().DeleteAlias(m_alias);
    SetProgramDir(QString());
}

void TTestDatabase::Exec(const QStringList &statements)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    for (const QString &s : statements) {
        QSqlQuery q(db);
        if (!q.exec(s))
            throw std::runtime_error(QString(QStringLiteral("test setup failed: ") + q.lastError().text() +
                                             QStringLiteral(" in ") + s)
                                         .toStdString());
    }
}

void TTestDatabase::createSchema()
{
    const bool pg = m_backend == TBackend::Postgres;
    const QString memo = pg ? QStringLiteral("TEXT") : QStringLiteral("MEMO");
    const QString graphic = pg ? QStringLiteral("BYTEA") : QStringLiteral("GRAPHIC");
    const QString money = pg ? QStringLiteral("NUMERIC(12,2)") : QStringLiteral("MONEY");
    const QString dbl = pg ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("FLOAT");
    const QString dt = pg ? QStringLiteral("TIMESTAMP") : QStringLiteral("DATETIME");
    const QString t = pg ? QStringLiteral("TRUE") : QStringLiteral("1");
    const QString f = pg ? QStringLiteral("FALSE") : QStringLiteral("0");
    const QString blob = pg ? QStringLiteral("'\\x0102ff'::bytea") : QStringLiteral("X'0102FF'");
    Exec({QStringLiteral("DROP TABLE IF EXISTS orders"), QStringLiteral("DROP TABLE IF EXISTS customers"),
          QStringLiteral("DROP TABLE IF EXISTS numbers"),
          QStringLiteral("DROP TABLE IF EXISTS empty_table")});
    Exec(
        {QStringLiteral("CREATE TABLE customers (CustNo INTEGER PRIMARY KEY, Company VARCHAR(40) NOT NULL, "
                        "City VARCHAR(30), Since DATE, Credit %1, Active BOOLEAN, Notes %2, Logo %3, "
                        "Rating SMALLINT, Balance %4, Exact DECIMAL(10,2), Stamp %5, Opens TIME, Big BIGINT)")
             .arg(money, memo, graphic, dbl, dt),
         QStringLiteral("INSERT INTO customers VALUES (1, 'Alpha Ltd', 'Berlin', '2020-03-01', 1500.5, %1, "
                        "'first line\nsecond line', %2, 3, 0.25, 12.34, '2021-06-15 08:30:00', '09:15:00', "
                        "5000000000)")
             .arg(t, blob),
         QStringLiteral(
             "INSERT INTO customers VALUES (2, 'Beta GmbH', 'Bonn', '2019-12-31', 0, %1, NULL, NULL, "
             "-2, -1.5, 0, NULL, NULL, 0)")
             .arg(f),
         QStringLiteral(
             "INSERT INTO customers VALUES (3, 'Gamma SA', 'Berlin', NULL, NULL, NULL, NULL, NULL, "
             "NULL, NULL, NULL, NULL, NULL, NULL)"),
         QStringLiteral("INSERT INTO customers VALUES (4, 'Delta Inc', 'Boston', '2022-01-10', 99.99, %1, "
                        "'', NULL, 7, 1e20, 1.5, '2022-01-10 23:59:59', '23:00:00', 1)")
             .arg(t),
         QStringLiteral("CREATE TABLE orders (OrderNo INTEGER PRIMARY KEY, CustNo INTEGER, Amount %1, "
                        "SaleDate DATE)")
             .arg(dbl),
         QStringLiteral("CREATE INDEX ByCust ON orders (CustNo)"),
         QStringLiteral("CREATE INDEX ByAmount ON orders (Amount)"),
         QStringLiteral("INSERT INTO orders VALUES (10, 1, 300, '2023-01-05')"),
         QStringLiteral("INSERT INTO orders VALUES (11, 2, 50, '2023-01-06')"),
         QStringLiteral("INSERT INTO orders VALUES (12, 1, 100, '2023-02-01')"),
         QStringLiteral("INSERT INTO orders VALUES (13, 4, 999, '2023-03-01')"),
         QStringLiteral("INSERT INTO orders VALUES (14, 1, 200, '2023-03-02')"),
         QStringLiteral("CREATE TABLE empty_table (Id INTEGER, Name VARCHAR(10))"),
         QStringLiteral("CREATE TABLE numbers (N INTEGER PRIMARY KEY, Label VARCHAR(20))")});
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO numbers VALUES (?, ?)"));
    for (int i = 1; i <= NumberRows; ++i) {
        q.bindValue(0, i);
        q.bindValue(1, QStringLiteral("row %1").arg(i));
        q.exec();
    }
    db.commit();
}
