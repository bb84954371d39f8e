// Times report generation into recorded pages for a plain list report over
// an SQLite table of N rows, and reports pages per second and peak memory.
//
//   tabulon-bench-generation [--rows N] [--compress] [--format pdf|xlsx] [--keep] [--pages-only]
//   (--help tells how to profile it)

#include "data/query.h"
#include "data/session.h"
#include "definition/startup.h"
#include "engine/band.h"
#include "engine/printable.h"
#include "engine/report.h"
#include "output/pagefilters.h"
#include "output/pages/qrprinter.h"
#include "output/tablefilter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <sys/resource.h>

namespace
{
const char *const kCities[] = {"Berlin", "Paris", "Madrid", "Rome", "Vienna", "Prague", "Warsaw", "Lisbon"};

bool exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", error ? error : "error");
        sqlite3_free(error);
        return false;
    }
    return true;
}

// Writes rows.sqlite in dir unless a complete one is there already.
bool makeTable(const QString &dir, long rows)
{
    const QString file = dir + QStringLiteral("/rows.sqlite");
    const QString done = dir + QStringLiteral("/complete");
    if (QFile::exists(file) && QFile::exists(done))
        return true;
    QFile::remove(file);
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(file));
        sqlite3_close(db);
        return false;
    }
    bool ok =
        exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;") &&
        exec(db,
             "CREATE TABLE rows(id INTEGER PRIMARY KEY, name TEXT, city TEXT, amount REAL, created TEXT)") &&
        exec(db, "BEGIN");
    sqlite3_stmt *st = nullptr;
    ok = ok &&
         sqlite3_prepare_v2(db, "INSERT INTO rows VALUES (?, ?, ?, ?, ?)", -1, &st, nullptr) == SQLITE_OK;
    char name[32], created[16];
    for (long i = 1; ok && i <= rows; ++i) {
        std::snprintf(name, sizeof name, "Customer %06ld", i);
        std::snprintf(created, sizeof created, "2024-%02ld-%02ld", i % 12 + 1, i % 28 + 1);
        sqlite3_bind_int64(st, 1, i);
        sqlite3_bind_text(st, 2, name, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, kCities[i % 8], -1, SQLITE_STATIC);
        sqlite3_bind_double(st, 4, double((i * 7919) % 1000000) / 100.0);
        sqlite3_bind_text(st, 5, created, -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && exec(db, "COMMIT");
    sqlite3_close(db);
    if (ok) {
        QFile marker(done);
        ok = marker.open(QIODevice::WriteOnly);
    }
    return ok;
}

void setFont(TFont *font, int points, bool bold)
{
    font->SetName(QStringLiteral("Liberation Sans"));
    font->SetSize(points);
    font->SetStyle(bold ? TFont::TFontStyles(TFont::fsBold) : TFont::TFontStyles());
}

template <class T>
T *place(TComponent *owner, TQRCustomBand *band, double left, double top, double width, double height)
{
    auto *e = new T(owner);
    e->SetParent(band);
    e->Size()->SetNativeValue(TQRPrintableSize::LeftIndex, left);
    e->Size()->SetNativeValue(TQRPrintableSize::TopIndex, top);
    e->Size()->SetNativeValue(TQRPrintableSize::WidthIndex, width);
    e->Size()->SetNativeValue(TQRPrintableSize::HeightIndex, height);
    return e;
}

// User and system time of the process so far, in seconds: on a shared
// machine a steadier figure than the wall clock.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// --pages-only: the report's pages drawn straight onto the recorder, without
// the engine and the data set, so that the recorder's share shows apart.
int recordPagesOnly(long rows, bool compress)
{
    constexpr int kRowsPerPage = 53;
    TQRPrinter printer;
    printer.UseCompression(compress);
    QFont title(QStringLiteral("Liberation Sans"), 14, QFont::Bold);
    QFont body(QStringLiteral("Liberation Sans"), 10);
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    printer.OpenDocument();
    const double columns[] = {0, 200, 700, 1100, 1500};
    char amount[32], created[16], name[32];
    for (long row = 1; row <= rows;) {
        printer.NewPage();
        QPainter *p = printer.Canvas();
        p->setFont(title);
        QRDrawText(p, QPointF(printer.XPos(900), printer.YPos(120)), QStringLiteral("Customers"));
        p->setFont(body);
        for (int line = 0; line < kRowsPerPage && row <= rows; ++line, ++row) {
            const double y = printer.YPos(150 + 50 * line + 5) + 12;
            std::snprintf(name, sizeof name, "Customer %06ld", row);
            std::snprintf(amount, sizeof amount, "%.2f", double((row * 7919) % 1000000) / 100.0);
            std::snprintf(created, sizeof created, "2024-%02ld-%02ld", row % 12 + 1, row % 28 + 1);
            const QString texts[] = {QString::number(row), QString::fromLatin1(name),
                                     QString::fromLatin1(kCities[row % 8]), QString::fromLatin1(amount),
                                     QString::fromLatin1(created)};
            for (int c = 0; c < 5; ++c)
                QRDrawText(p, QPointF(printer.XPos(50 + columns[c]), y), texts[c]);
        }
        QRDrawText(p, QPointF(printer.XPos(50), printer.YPos(2800)),
                   QStringLiteral("Page %1").arg(printer.PageCount()));
    }
    printer.CloseDocument();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuStart;
    const int pages = printer.PageCount();
    std::printf("rows %ld\n", rows);
    std::printf("pages %d\n", pages);
    std::printf("seconds %.3f\n", seconds);
    std::printf("pages_per_second %.1f\n", seconds > 0 ? pages / seconds : 0.0);
    std::printf("peak_rss_kib %ld\n", peakRssKiB());
    std::printf("cpu_seconds %.3f\n", cpu);
    std::printf("pages_per_cpu_second %.1f\n", cpu > 0 ? pages / cpu : 0.0);
    if (pages > 0)
        std::printf(
            "bytes_per_page %lld\n",
            static_cast<long long>((printer.Pages()->Stream()->Size() - TQRPageList::HeaderSize) / pages));
    return pages > 0 ? 0 : 1;
}
} // namespace

int main(int argc, char **argv)
{
    long rows = 100000;
    bool compress = false;
    QString format; // empty: recorded pages only
    bool pagesOnly = false;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rows") && i + 1 < argc) {
            char *end = nullptr;
            rows = std::strtol(argv[++i], &end, 10);
            if (!end || *end || rows < 1) {
                std::fprintf(stderr, "--rows wants a positive number\n");
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--format") && i + 1 < argc) {
            format = QString::fromLatin1(argv[++i]);
            if (format != QLatin1String("pdf") && format != QLatin1String("xlsx")) {
                std::fprintf(stderr, "--format wants pdf or xlsx\n");
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--compress")) {
            compress = true;
        } else if (!std::strcmp(argv[i], "--keep")) {
            keep = true;
        } else if (!std::strcmp(argv[i], "--pages-only")) {
            pagesOnly = true;
        } else if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "--profile")) {
            std::printf("usage: tabulon-bench-generation [--rows N] [--compress] [--format pdf|xlsx] "
                        "[--keep] [--pages-only]\n"
                        "Prepares a list report over N generated rows (default 100000) into recorded pages\n"
                        "and prints rows, pages, seconds, pages_per_second, peak_rss_kib and bytes_per_page\n"
                        "(the page stream without its header, per page).\n"
                        "--format pdf: the recorded pages then written as a PDF file, as tabulon-run does;\n"
                        "--format xlsx: the report run into the spreadsheet export instead; both count the\n"
                        "time until the file is complete and print its output_bytes; --keep leaves the\n"
                        "file in place (its path is printed as output) to look at.\n"
                        "--pages-only draws the same kind of pages straight onto the recorder, without\n"
                        "the report engine and the table: the recorder's own share of the time.\n"
                        "\n"
                        "--profile: to see where the time goes, run it under perf with call graphs, e.g.\n"
                        "  perf record -F 2000 --call-graph dwarf,16384 -o gen.perf \\\n"
                        "      build/bin/tabulon-bench-generation --rows 10000\n"
                        "  perf report -i gen.perf --children --percent-limit 2 --stdio -g none\n"
                        "(--no-children lists the functions that spend the time themselves; frame-pointer\n"
                        "call graphs lose the callers inside Qt, so keep dwarf.) The table is made once\n"
                        "per row count (in the temporary directory), so profile the second run. A\n"
                        "RelWithDebInfo build carries the symbols needed. Add --pages-only to profile the\n"
                        "recorder alone.\n");
            return 0;
        } else {
            std::fprintf(stderr, "unknown argument %s (try --help)\n", argv[i]);
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RegisterReportSupport();
    if (pagesOnly)
        return recordPagesOnly(rows, compress);

    const QString dir = QDir::tempPath() + QStringLiteral("/tabulon-bench-generation/rows-%1").arg(rows);
    QDir().mkpath(dir);
    if (!makeTable(dir, rows))
        return 1;

    TComponent form;
    auto *query = new TQuery(&form);
    query->SetName(QStringLiteral("Rows"));
    query->SetDatabaseName(dir);
    query->SetSQLText(QStringLiteral("select id, name, city, amount, created from rows order by id"));
    try {
        query->Open();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "cannot open the table: %s\n", e.what());
        return 1;
    }

    auto *report = new TQRReport(&form);
    report->SetName(QStringLiteral("Bench"));
    report->SetUnits(QRUnits::MM);
    report->Page()->SetOrientation(QRPaper::poPortrait);
    report->Page()->SetPaperSize(QRPaper::A4);
    for (int index : {TQRPage::TopMarginIndex, TQRPage::BottomMarginIndex, TQRPage::LeftMarginIndex,
                      TQRPage::RightMarginIndex})
        report->Page()->SetNativeValue(index, 50);
    report->SetDataSet(query);
    report->SetShowProgress(false);
    report->SetReportTitle(QStringLiteral("Customers"));
    if (compress)
        report->SetOptions(report->Options() | QR::Compression);

    auto band = [&](QR::TQRBandType type, double height) {
        auto *b = new TQRBand(&form);
        b->SetBandType(type);
        b->SetParent(report);
        b->Size()->SetNativeValue(TQRBandSize::HeightIndex, height);
        return b;
    };
    TQRBand *header = band(QR::rbPageHeader, 100);
    auto *title = place<TQRLabel>(&form, header, 0, 20, 600, 60);
    setFont(title->Font(), 14, true);
    title->SetAlignment(QR::taCenter);
    title->SetAlignToBand(true);
    title->SetCaption(QStringLiteral("Customers"));

    TQRBand *detail = band(QR::rbDetail, 50);
    const struct {
        const char *field;
        double left;
    } columns[] = {{"id", 0}, {"name", 200}, {"city", 700}, {"amount", 1100}, {"created", 1500}};
    for (const auto &c : columns) {
        auto *text = place<TQRDBText>(&form, detail, c.left, 5, 380, 40);
        setFont(text->Font(), 10, false);
        text->SetDataSet(query);
        text->SetDataField(QString::fromLatin1(c.field));
    }

    TQRBand *footer = band(QR::rbPageFooter, 80);
    auto *pageNo = place<TQRSysData>(&form, footer, 0, 20, 300, 40);
    setFont(pageNo->Font(), 10, false);
    pageNo->SetData(QR::qrsPageNumber);
    pageNo->SetText(QStringLiteral("Page "));

    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    const QString output = dir + QStringLiteral("/bench.") + format;
    try {
        if (format == QLatin1String("xlsx")) {
            // The export run tabulon-run makes for spreadsheets.
            TQRXLSXExportFilter filter(output);
            report->ExportToFilter(&filter);
        } else {
            report->PreparePages();
            if (format == QLatin1String("pdf")) {
                // The recorded pages through the page filter, as tabulon-run writes them.
                TQRPrinter *pages = report->QRPrinter();
                TQRPDFExportFilter filter(output);
                filter.SetReport(report);
                filter.SetPreviewPrinter(pages);
                filter.Start(pages->PageWidth(), pages->PageHeight(), report->Font());
                filter.Finish();
            }
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "the run failed: %s\n", e.what());
        return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuStart;
    const int pages = report->QRPrinter() ? report->QRPrinter()->PageCount() : report->PageNo;
    std::printf("rows %ld\n", rows);
    if (!format.isEmpty()) {
        std::printf("format %s\n", qPrintable(format));
        std::printf("output_bytes %lld\n", static_cast<long long>(QFileInfo(output).size()));
        if (keep)
            std::printf("output %s\n", qPrintable(output));
        else
            QFile::remove(output);
    }
    std::printf("pages %d\n", pages);
    std::printf("seconds %.3f\n", seconds);
    std::printf("pages_per_second %.1f\n", seconds > 0 ? pages / seconds : 0.0);
    std::printf("peak_rss_kib %ld\n", peakRssKiB());
    std::printf("cpu_seconds %.3f\n", cpu);
    std::printf("pages_per_cpu_second %.1f\n", cpu > 0 ? pages / cpu : 0.0);
    if (TQRPrinter *printer = report->QRPrinter(); printer && printer->Pages() && pages > 0)
        std::printf(
            "bytes_per_page %lld\n",
            static_cast<long long>((printer->Pages()->Stream()->Size() - TQRPageList::HeaderSize) / pages));
    delete report;
    query->Close();
    Session().CloseDatabases();
    return pages > 0 ? 0 : 1;
}
