// tabulon-bench-expressions [ROWS]: computes prepared expressions for every row of an SQLite table
// (1,000,000 rows by default) and prints the evaluation rate of each, without the time the
// dataset spends moving, and the heap allocations per evaluation.

#include "data/table.h"
#include "definition/startup.h"
#include "expressions/evaluator.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

// Counts every heap allocation of the process (operator new ends in malloc as well).
extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);
extern "C" void __libc_free(void *);

namespace
{
unsigned long long g_allocations = 0;
}

extern "C" void *malloc(size_t size)
{
    ++g_allocations;
    return __libc_malloc(size);
}
extern "C" void *calloc(size_t count, size_t size)
{
    ++g_allocations;
    return __libc_calloc(count, size);
}
extern "C" void *realloc(void *pointer, size_t size)
{
    ++g_allocations;
    return __libc_realloc(pointer, size);
}
extern "C" void free(void *pointer)
{
    __libc_free(pointer);
}

namespace
{

using Clock = std::chrono::steady_clock;

bool createTable(const QString &path, int rows)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    char *error = nullptr;
    bool ok =
        sqlite3_exec(db,
                     "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                     "CREATE TABLE Orders (ID INTEGER, Name VARCHAR(30), City VARCHAR(20), Amount FLOAT);"
                     "BEGIN;",
                     nullptr, nullptr, &error) == SQLITE_OK;
    sqlite3_stmt *insert = nullptr;
    ok = ok &&
         sqlite3_prepare_v2(db, "INSERT INTO Orders VALUES (?, ?, ?, ?)", -1, &insert, nullptr) == SQLITE_OK;
    static const char *const cities[] = {"Oslo", "Rome", "Lima", "Kyiv", "Pune", "Nice", "Bonn"};
    char name[32];
    for (int i = 0; ok && i < rows; ++i) {
        std::snprintf(name, sizeof name, "Customer %d", i);
        sqlite3_bind_int(insert, 1, i);
        sqlite3_bind_text(insert, 2, name, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, cities[i % 7], -1, SQLITE_STATIC);
        sqlite3_bind_double(insert, 4, (i % 2000) * 0.125);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT;", nullptr, nullptr, &error) == SQLITE_OK;
    if (error) {
        std::fprintf(stderr, "sqlite: %s\n", error);
        sqlite3_free(error);
    }
    sqlite3_close(db);
    return ok;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterReportSupport();
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (rows <= 0) {
        std::fprintf(stderr, "usage: tabulon-bench-expressions [ROWS]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.sqlite");
    if (!dir.isValid() || !createTable(path, rows)) {
        std::fprintf(stderr, "cannot create the benchmark table\n");
        return 2;
    }

    TTable orders;
    orders.SetName("Orders");
    orders.SetDatabaseName(path);
    orders.SetTableName("Orders");
    TQRDatasetList datasets{&orders};
    try {
        orders.Open();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "cannot open the table: %s\n", e.what());
        return 2;
    }

    // Each computation is timed on its own, so that moving the dataset is not counted; the cost
    // of reading the clock is measured and taken out.
    const int probes = 1000000;
    Clock::duration probeTotal{};
    for (int i = 0; i < probes; ++i) {
        const Clock::time_point a = Clock::now();
        probeTotal += Clock::now() - a;
    }
    const double clockCost = seconds(probeTotal) / probes;
    std::printf("rows %d\n", rows);
    std::printf("clock_read_nanoseconds %.1f\n", clockCost * 1e9);

    const char *const expressions[] = {
        "[Orders.Amount] * 1.2 + 5",
        "[Name] + ' (' + [City] + ')'",
        "[Amount] > 100",
    };
    for (const char *text : expressions) {
        TQREvaluator evaluator;
        evaluator.SetDatasets(&datasets);
        evaluator.Compile(QString::fromLatin1(text));
        TQREvValue value;
        double checksum = 0;
        auto compute = [&] {
            evaluator.Compute(value);
            checksum +=
                value.ValueKind == rkFloat ? value.FloatValue : double(value.Text.size() + value.BoolValue);
        };
        Clock::duration total{};
        int count = 0;
        for (orders.First(); !orders.Eof(); orders.Next()) {
            const Clock::time_point a = Clock::now();
            compute();
            total += Clock::now() - a;
            ++count;
        }
        const double computing = std::max(seconds(total) - count * clockCost, 1e-9);

        // Allocations on a fixed record, so that none of the dataset's are counted.
        orders.First();
        const int repeats = 200000;
        const unsigned long long before = g_allocations;
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < repeats; ++i)
            compute();
        const double fixed = seconds(Clock::now() - start);
        const unsigned long long allocations = g_allocations - before;

        std::printf("expression %s\n", text);
        std::printf("  evaluations_per_second %.0f\n", count / computing);
        std::printf("  evaluations_per_second_fixed_record %.0f\n", repeats / fixed);
        std::printf("  heap_allocations_per_evaluation %.2f\n", double(allocations) / repeats);
        std::printf("  checksum %.6g\n", checksum);
    }
    return 0;
}
