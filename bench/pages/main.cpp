// tabulon-bench-pages: records and stores N pages of about 60 text lines,
// reads every page back from the stored file, and prints throughput, size
// and peak memory. Pages spill to the temporary page file, so peak memory
// should not grow with N.
#include "definition/startup.h"
#include "output/pages/qrprinter.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace
{
long peakRssKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

int usage()
{
    std::fputs("Usage: tabulon-bench-pages [--pages N] [--compress]\n"
               "  --pages N    pages to record (default 10000)\n"
               "  --compress   store the pages compressed\n",
               stderr);
    return 2;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RegisterReportSupport();
    int pages = 10000;
    bool compress = false;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--pages") && i + 1 < args.size()) {
            bool ok = false;
            pages = args[++i].toInt(&ok);
            if (!ok || pages < 1)
                return usage();
        } else if (args[i] == QLatin1String("--compress")) {
            compress = true;
        } else if (args[i] == QLatin1String("--help")) {
            usage();
            return 0;
        } else {
            return usage();
        }
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fputs("tabulon-bench-pages: no temporary directory\n", stderr);
        return 1;
    }
    const QString file = dir.filePath(QStringLiteral("bench.qrp"));
    const QFont font(QStringLiteral("Liberation Sans"), 10);

    QElapsedTimer timer;
    timer.start();
    {
        TQRPrinter printer;
        printer.SetPaperSize(QRPaper::A4);
        printer.UseCompression(compress);
        printer.OpenDocument();
        for (int n = 1; n <= pages; ++n) {
            printer.NewPage();
            QPainter *canvas = printer.Canvas();
            canvas->setFont(font);
            for (int line = 0; line < 60; ++line) {
                const int y = printer.YPos(150 + line * 45);
                canvas->drawText(printer.XPos(100), y, QStringLiteral("Invoice %1").arg(n * 100 + line));
                canvas->drawText(printer.XPos(600), y,
                                 QStringLiteral("Customer number %1, line %2").arg(n).arg(line));
                canvas->drawText(printer.XPos(1600), y,
                                 QString::number((n * 37 + line * 11) % 100000 / 100.0, 'f', 2));
            }
        }
        printer.CloseDocument();
        if (!printer.Save(file)) {
            std::fprintf(stderr, "tabulon-bench-pages: %s\n", qPrintable(printer.ErrorString()));
            return 1;
        }
    }
    const double recordSeconds = timer.nsecsElapsed() / 1e9;

    timer.restart();
    qint64 pictureBytes = 0;
    {
        TQRPrinter reader;
        if (!reader.Load(file)) {
            std::fprintf(stderr, "tabulon-bench-pages: %s\n", qPrintable(reader.ErrorString()));
            return 1;
        }
        for (int n = 1; n <= reader.PageCount(); ++n) {
            TQRPagePicture page;
            if (!reader.GetPage(n, &page)) {
                std::fprintf(stderr, "tabulon-bench-pages: page %d cannot be read\n", n);
                return 1;
            }
            pictureBytes += page.Data().size();
        }
    }
    const double readSeconds = timer.nsecsElapsed() / 1e9;
    const qint64 fileSize = QFileInfo(file).size();

    std::printf("record_pages_per_second %.0f\n", pages / recordSeconds);
    std::printf("read_pages_per_second %.0f\n", pages / readSeconds);
    std::printf("bytes_per_page %lld\n", static_cast<long long>(fileSize / pages));
    std::printf("peak_rss_kib %ld\n", peakRssKib());
    Q_UNUSED(pictureBytes);
    return 0;
}
