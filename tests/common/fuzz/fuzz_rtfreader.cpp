// libFuzzer entry for the RTF reader: any bytes, read as RTF into a document
// and laid out, must neither crash nor trip the sanitizers.
//
// Built with -DTABULON_FUZZ=ON (clang). Run, e.g.:
//   echo leak:libfontconfig > lsan.supp   # fontconfig's process-wide cache is kept to the end
//   LSAN_OPTIONS=suppressions=lsan.supp ./fuzz_rtfreader -max_total_time=600 -max_len=8192 CORPUS_DIR

#include "common/rtfreader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Every input is taken as RTF: the header is the part the reader checks first.
    QByteArray bytes("{\\rtf1 ");
    bytes.append(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument document;
    ReadRtf(bytes, &document);
    document.setTextWidth(2000);
    (void)document.size(); // lays the result out as printing would
    return 0;
}
