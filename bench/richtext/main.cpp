// tabulon-bench-richtext: reads a generated RTF document of N paragraphs,
// lays it out at a page width and cuts it into page-high pieces as a
// stretching rich-text element does, and prints the time of each step.
#include "common/rtfreader.h"
#include "definition/startup.h"
#include "engine/richtextlayout.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RegisterReportSupport();
    int paragraphs = 5000;
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--paragraphs"))
        paragraphs = std::max(1, args[1].toInt());
    else if (!args.isEmpty()) {
        std::fputs("Usage: tabulon-bench-richtext [--paragraphs N] (default 5000)\n", stderr);
        return 2;
    }

    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Arial;}}"
                     "{\\colortbl;\\red200\\green0\\blue0;}\r\n";
    for (int p = 0; p < paragraphs; ++p)
        rtf +=
            "\\pard\\li360\\sa120 Paragraph " + QByteArray::number(p) +
            " {\\b bold} {\\i\\cf1 italic} \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\u1084?\\u1080?\\u1088? some more "
            "words to wrap across the line so that each paragraph takes several lines.\\par\r\n";
    rtf += "}";

    QElapsedTimer timer;
    timer.start();
    QTextDocument doc;
    ReadRtf(rtf, &doc);
    const qint64 readMs = timer.restart();

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(200);
    TQRRichTextLayout layout(doc, font, Qt::AlignLeft);
    layout.SetWidth(1440 * 7.5);
    const qint64 layoutMs = timer.restart();

    int pages = 0;
    for (int from = 0; from < layout.EndPosition(); ++pages)
        from = layout.Fit(from, 1440 * 10.5, true);
    const qint64 fitMs = timer.restart();

    std::printf("rtf bytes       %lld\n", static_cast<long long>(rtf.size()));
    std::printf("paragraphs      %d\n", paragraphs);
    std::printf("read            %lld ms (%.1f MB/s)\n", static_cast<long long>(readMs),
                readMs > 0 ? rtf.size() / 1e3 / readMs : 0.0);
    std::printf("layout          %lld ms\n", static_cast<long long>(layoutMs));
    std::printf("pages cut       %d in %lld ms\n", pages, static_cast<long long>(fitMs));
    return 0;
}
