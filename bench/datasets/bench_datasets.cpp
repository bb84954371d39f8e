// Walks a generated SQLite table from First to Eof through the dataset layer,
// reading every field, and the same rows with a bare forward-only QSqlQuery
// loop, and prints the rows per second of both, their ratio (layer time /
// bare time) and the peak resident memory.
//
//   tabulon-bench-datasets [--rows N] [--postgres]   (default 1000000 rows)
//
// With --postgres the table is made on the server that TABULON_TEST_PGHOST,
// TABULON_TEST_PGPORT, TABULON_TEST_PGUSER and TABULON_TEST_PGDATABASE name
// (scripts/pg-test-server.sh starts one).

#include "common/localesettings.h"
#include "data/query.h"
#include "data/session.h"
#include "definition/startup.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

namespace
{

const char *kSelect = "SELECT Id, Name, Amount, Qty, SaleDate, Flag FROM bench";

bool g_postgres = false;

QSqlDatabase connect(const QString &file, const QString &name)
{
    QSqlDatabase db;
    if (g_postgres) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(qEnvironmentVariable("TABULON_TEST_PGHOST"));
        db.setPort(qEnvironmentVariable("TABULON_TEST_PGPORT").toInt());
        db.setUserName(qEnvironmentVariable("TABULON_TEST_PGUSER"));
        db.setDatabaseName(qEnvironmentVariable("TABULON_TEST_PGDATABASE"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
    }
    if (!db.open())
        std::fprintf(stderr, "%s\n", qPrintable(db.lastError().text()));
    return db;
}

bool generate(const QString &file, qint64 rows)
{
    QSqlDatabase db = connect(file, QStringLiteral("bench-gen"));
    if (!db.isOpen())
        return false;
    {
        QSqlQuery q(db);
        if (g_postgres) {
            q.exec(QStringLiteral("DROP TABLE IF EXISTS bench"));
        } else {
            q.exec(QStringLiteral("PRAGMA journal_mode=OFF"));
            q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        }
        if (!q.exec(
                QStringLiteral("CREATE TABLE bench (Id INTEGER PRIMARY KEY, Name VARCHAR(40), Amount FLOAT, "
                               "Qty INTEGER, SaleDate DATE, Flag BOOLEAN)"))) {
            std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
            return false;
        }
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO bench VALUES (?, ?, ?, ?, ?, ?)"));
        const QDate base(2020, 1, 1);
        for (qint64 i = 1; i <= rows; ++i) {
            q.bindValue(0, i);
            q.bindValue(1, QStringLiteral("Customer %1").arg(i % 9973));
            q.bindValue(2, double(i % 100000) / 100.0);
            q.bindValue(3, qint64(i % 50));
            q.bindValue(4, base.addDays(i % 3650).toString(QStringLiteral("yyyy-MM-dd")));
            if (g_postgres)
                q.bindValue(5, i % 2 == 1);
            else
                q.bindValue(5, qint64(i % 2));
            if (!q.exec()) {
                std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
                return false;
            }
        }
        db.commit();
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bench-gen"));
    return true;
}

struct Result {
    double seconds = 0;
    qint64 rows = 0;
    double checksum = 0;
};

Result bareLoop(const QString &file)
{
    Result r;
    {
        QSqlDatabase db = connect(file, QStringLiteral("bench-bare"));
        QElapsedTimer timer;
        timer.start();
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(QString::fromLatin1(kSelect));
        while (q.next()) {
            r.checksum += double(q.value(0).toLongLong());
            r.checksum += double(q.value(1).toString().size());
            r.checksum += q.value(2).toDouble();
            r.checksum += double(q.value(3).toLongLong());
            const QVariant day = q.value(4);
            r.checksum += double(day.typeId() == QMetaType::QDate
                                     ? day.toDate().day()
                                     : QDate::fromString(day.toString(), Qt::ISODate).day());
            r.checksum += q.value(5).toBool() ? 1 : 0;
            ++r.rows;
        }
        r.seconds = timer.nsecsElapsed() / 1e9;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-bare"));
    return r;
}

Result layerLoop(const QString &file)
{
    Result r;
    TQuery query;
    query.SetDatabaseName(g_postgres ? QStringLiteral("BENCHPG") : file);
    query.SetSQLText(QString::fromLatin1(kSelect));
    QElapsedTimer timer;
    timer.start();
    query.Open();
    TField *id = query.Fields(0), *name = query.Fields(1), *amount = query.Fields(2), *qty = query.Fields(3),
           *date = query.Fields(4), *flag = query.Fields(5);
    for (query.First(); !query.Eof(); query.Next()) {
        r.checksum += double(id->AsInteger());
        r.checksum += double(name->AsString().size());
        r.checksum += amount->AsFloat();
        r.checksum += double(qty->AsInteger());
        r.checksum += double(date->AsDateTime().date().day());
        r.checksum += flag->AsBoolean() ? 1 : 0;
        ++r.rows;
    }
    query.Close();
    r.seconds = timer.nsecsElapsed() / 1e9;
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterReportSupport();
    qint64 rows = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
            bool ok = false;
            rows = QString::fromLocal8Bit(argv[++i]).toLongLong(&ok);
            if (!ok || rows <= 0) {
                std::fprintf(stderr, "--rows needs a positive number\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--postgres") == 0) {
            g_postgres = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "usage: tabulon-bench-datasets [--rows N]\n"
                "Walks N generated rows through the dataset layer and through a bare QSqlQuery loop.\n");
            return 0;
        } else {
            std::fprintf(stderr, "unknown argument %s (try --help)\n", argv[i]);
            return 2;
        }
    }
    LocaleSettings().Load(QStringLiteral("en_US"));
    if (g_postgres) {
        if (qEnvironmentVariableIsEmpty("TABULON_TEST_PGHOST")) {
            std::fprintf(stderr, "--postgres needs TABULON_TEST_PGHOST, _PGPORT, _PGUSER and _PGDATABASE\n");
            return 2;
        }
        QMap<QString, QString> p;
        p.insert(QStringLiteral("Driver"), QStringLiteral("QPSQL"));
        p.insert(QStringLiteral("Host"), qEnvironmentVariable("TABULON_TEST_PGHOST"));
        p.insert(QStringLiteral("Port"), qEnvironmentVariable("TABULON_TEST_PGPORT"));
        p.insert(QStringLiteral("User"), qEnvironmentVariable("TABULON_TEST_PGUSER"));
        p.insert(QStringLiteral("Database"), qEnvironmentVariable("TABULON_TEST_PGDATABASE"));
        Session().AddAlias(QStringLiteral("BENCHPG"), p);
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.sqlite"));
    if (!generate(file, rows)) {
        std::fprintf(stderr, "cannot generate the benchmark table\n");
        return 1;
    }
    // A first bare pass warms the file cache; then the best of two runs each.
    bareLoop(file);
    Result bare = bareLoop(file), layer;
    try {
        layer = layerLoop(file);
        const Result again = layerLoop(file);
        if (again.seconds < layer.seconds)
            layer = again;
    } catch (const EDatabaseError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Message()));
        return 1;
    }
    const Result bare2 = bareLoop(file);
    if (bare2.seconds < bare.seconds)
        bare = bare2;
    if (layer.rows != rows || bare.rows != rows || layer.checksum != bare.checksum) {
        std::fprintf(stderr, "the two loops read different rows (%lld / %lld rows)\n", (long long)layer.rows,
                     (long long)bare.rows);
        return 1;
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("layer_rows_per_second %.0f\n", double(layer.rows) / layer.seconds);
    std::printf("bare_rows_per_second %.0f\n", double(bare.rows) / bare.seconds);
    std::printf("ratio %.3f\n", layer.seconds / bare.seconds);
    std::printf("peak_rss_kib %ld\n", usage.ru_maxrss);
    return 0;
}
