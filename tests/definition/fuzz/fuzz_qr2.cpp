// Feeds arbitrary bytes to the report file reader: the block layer must give
// back the very bytes it accepted, and a file that loads into a design report
// must save and load again. Damaged files are refused with a message, never
// a crash.
// Run: scripts/fuzz.sh fuzz_qr2 60
#include "common/screen.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/qr2format.h"
#include "definition/qr2reader.h"
#include "definition/qr2writer.h"
#include "definition/startup.h"
#include "fuzzsupport.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_qr2: %s\n", what);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_qr2";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    FuzzSetUp();

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const TQR2File file = ParseQR2(bytes);
        if (SerializeQR2(file) != bytes)
            fail("an accepted file does not serialise to its own bytes");
    } catch (const std::exception &) {
        // Refused with a read error: what a damaged file should get.
    }

    TForm form;
    auto *report = new TQRDesignReport(&form);
    report->SetName(QStringLiteral("Report"));
    auto *loader = new TQRDLoader(&form);
    TQR2Context context;
    if (!ReadReport(bytes, context, QString(), report, &form, true))
        return 0;
    QByteArray saved;
    TQR2Context writeContext;
    if (!WriteReport(saved, writeContext, report, &form, true))
        return 0;
    TForm again;
    auto *second = new TQRDesignReport(&again);
    second->SetName(QStringLiteral("Report"));
    TQR2Context readAgain;
    if (!ReadReport(saved, readAgain, QString(), second, &again, true))
        fail("a report just written does not load");
    (void)loader;
    return 0;
}
