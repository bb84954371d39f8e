// libFuzzer entry for the RTF reader: any bytes, read as RTF into a document
// and laid out and drawn page by page as a rich-text element prints it, must
// neither crash, hang nor trip the sanitizers.
//
// Built with -DTABULON_FUZZ=ON (clang). Run, e.g.:
//   echo leak:libfontconfig > lsan.supp   # fontconfig's process-wide cache is kept to the end
//   LSAN_OPTIONS=suppressions=lsan.supp ./fuzz_rtfreader -max_total_time=600 -max_len=8192 CORPUS_DIR

#include "common/rtfreader.h"
#include "definition/startup.h"
#include "engine/richtextlayout.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv);
    RegisterReportSupport();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Every input is taken as RTF: the header is the part the reader checks first.
    QByteArray bytes("{\\rtf1 ");
    bytes.append(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument document;
    ReadRtf(bytes, &document);
    TQRRichTextLayout layout(document, QFont(QStringLiteral("Liberation Serif"), 12), Qt::AlignLeft);
    layout.SetWidth(6 * 1440);
    // A few pages of an element 6 by 9 inches, the first one drawn.
    int from = 0;
    for (int page = 0; page < 8 && from < layout.EndPosition(); ++page) {
        const int next = layout.Fit(from, 9 * 1440, true);
        (void)layout.LineTexts(from, next);
        if (page == 0) {
            QImage canvas(96, 144, QImage::Format_ARGB32);
            QPainter painter(&canvas);
            layout.Render(&painter, QRectF(0, 0, 96, 144), 16, 16, from, next, Qt::black);
        }
        if (next <= from)
            break;
        from = next;
    }
    return 0;
}
