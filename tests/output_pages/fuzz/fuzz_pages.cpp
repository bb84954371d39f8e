// Feeds arbitrary bytes to the page recorder as a stored page file and reads
// every page it claims to hold. Run: fuzz_pages -max_total_time=60 CORPUS_DIR
#include "output/pages/qrprinter.h"

#include <QGuiApplication>
#include <QTemporaryFile>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_pages";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

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
    QPicture page;
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        printer.GetPage(n, &page);
    for (int n = count; n >= 1; --n)
        printer.GetPageData(n, &bytes);
    printer.GetPageData(printer.PageCount(), &bytes);
    printer.GetPageData(count / 2 + 1, &bytes);
    return 0;
}
