// Feeds arbitrary bytes to the page recorder as a stored page file, reads
// every page it claims to hold and draws the readable ones. The same bytes
// also go to the page-picture reader directly, so that mutations reach its
// commands without first having to form a stored report.
// Run: fuzz_pages -max_total_time=60 CORPUS_DIR
#include "output/pages/qrpagepicture.h"
#include "output/pages/qrprinter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryFile>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_pages";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt's warnings about forged fonts and brushes would only slow the run down.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

    // Drawn small: a forged page may be as large as it likes.
    static QImage canvas(64, 64, QImage::Format_RGB32);
    auto draw = [](const TQRPagePicture &page) {
        QPainter painter(&canvas);
        painter.scale(0.05, 0.05);
        ReplayPage(page, &painter);
    };
    {
        TQRPagePicture page;
        if (page.SetData(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))))
            draw(page);
    }

    QTemporaryFile file;
    if (!file.open())
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.flush();

    TQRPrinter printer;
    if (!printer.Load(file.fileName()))
        return 0;
    // Read forward, backward and out of order: each path walks the records differently.
    const int count = qMin(printer.PageCount(), 64);
    TQRPagePicture page;
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        if (printer.GetPage(n, &page))
            draw(page);
    for (int n = count; n >= 1; --n)
        printer.GetPageData(n, &bytes);
    printer.GetPageData(printer.PageCount(), &bytes);
    printer.GetPageData(count / 2 + 1, &bytes);
    return 0;
}
