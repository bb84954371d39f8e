// Writes the seed page files of fuzz_pages into the directory given: stored reports of one and
// of several pages, plain and compressed, recorded the way a report run records them.
#include "output/pages/qrprinter.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

namespace
{

bool write(const QString &dir, const char *name, int pages, int lines, bool compressed)
{
    TQRPrinter printer;
    printer.UseCompression(compressed);
    printer.OpenDocument();
    for (int n = 1; n <= pages; ++n) {
        printer.NewPage();
        QPainter *p = printer.Canvas();
        p->setFont(QFont(QStringLiteral("Liberation Sans"), 10));
        for (int i = 0; i < lines; ++i) {
            // Both ways a text reaches a page: through the painter's layout and recorded as it is.
            QRFillRect(p, QRect(36, 28 + i * 16, 200, 16), i % 2 ? Qt::white : QColor(240, 240, 255));
            if (i % 2)
                p->drawText(40, 40 + i * 16, QStringLiteral("Page %1 line %2").arg(n).arg(i));
            else
                QRDrawText(p, QPointF(40, 40 + i * 16), QStringLiteral("Page %1 line %2").arg(n).arg(i));
        }
        p->drawRect(20, 20, 300, 200);
        p->drawLine(0, 0, 100, 100 + n);
    }
    printer.CloseDocument();
    const QString file = QDir(dir).filePath(QString::fromLatin1(name));
    if (!printer.Save(file)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(file), qPrintable(printer.ErrorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_pages_seeds DIRECTORY\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    const bool ok =
        write(dir, "one-page.qrp", 1, 2, false) && write(dir, "one-page-packed.qrp", 1, 2, true) &&
        write(dir, "three-pages.qrp", 3, 4, false) && write(dir, "three-pages-packed.qrp", 3, 4, true) &&
        write(dir, "empty-page.qrp", 1, 0, false);
    return ok ? 0 : 1;
}
