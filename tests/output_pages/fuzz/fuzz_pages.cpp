// Feeds arbitrary bytes to the page recorder as a stored page file and reads every page it claims
// to hold, drawing the readable ones; a file whose pages all read is then written again with the
// other compression setting, and that copy must load and give back the same page bytes. The same
// bytes also go to the page-picture reader directly, so that mutations reach its commands without
// first having to form a stored report.
// Run: fuzz_pages -max_total_time=60 CORPUS_DIR (or scripts/fuzz.sh fuzz_pages 60)
#include "fuzzsupport.h"
#include "output/pages/qrerror.h"
#include "output/pages/qrpagelist.h"
#include "output/pages/qrpagepicture.h"
#include "output/pages/qrprinter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

// Page files of more pages only repeat what the first ones exercise, at a cost in speed.
constexpr int MaxPages = 64;

[[noreturn]] void fail(const char *what, int page)
{
    std::fprintf(stderr, "fuzz_pages: %s (page %d)\n", what, page);
    std::abort();
}

void roundTrip(const QList<QByteArray> &pages, bool compressed)
{
    const QString copy = QDir(FuzzScratchDir()).filePath(QStringLiteral("copy.qrp"));
    TQRPageList list;
    list.SetCompression(!compressed);
    try {
        for (const QByteArray &bytes : pages)
            list.AddPage(bytes);
        list.Finish();
    } catch (const EQRError &) {
        return; // the recorder may refuse a page (too large); that is reported, not a fault
    }
    QString error;
    if (!list.SaveToFile(copy, &error))
        return; // disk full and the like
    TQRPrinter reloaded;
    if (!reloaded.Load(copy))
        fail("a file just written does not load", 0);
    if (reloaded.PageCount() != pages.size())
        fail("a file just written holds another number of pages", reloaded.PageCount());
    for (int n = 1; n <= pages.size(); ++n) {
        QByteArray back;
        if (!reloaded.GetPageData(n, &back) || back != pages.at(n - 1))
            fail("a page of a file just written reads back different", n);
    }
}

} // namespace

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
    FuzzSetUp();

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

    const QString fileName = QDir(FuzzScratchDir()).filePath(QStringLiteral("input.qrp"));
    {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    TQRPrinter printer;
    if (!printer.Load(fileName)) {
        if (printer.ErrorString().isEmpty())
            fail("a failed load gives no reason", 0);
        return 0;
    }
    (void)printer.PaperGuessed();
    (void)printer.CreationDateTime();
    // Read forward, backward and out of order: each path walks the records differently.
    const int count = qMin(printer.PageCount(), MaxPages);
    TQRPagePicture page;
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        if (printer.GetPage(n, &page))
            draw(page);
    QList<QByteArray> pages(count);
    bool allRead = true;
    for (int n = count; n >= 1; --n)
        allRead = printer.GetPageData(n, &pages[n - 1]) && allRead;
    printer.GetPageData(printer.PageCount(), &bytes);
    printer.GetPageData(count / 2 + 1, &bytes);
    printer.GetPageData(0, &bytes);
    printer.GetPageData(printer.PageCount() + 1, &bytes);

    if (allRead && printer.PageCount() <= MaxPages)
        roundTrip(pages, printer.Compression());
    return 0;
}
