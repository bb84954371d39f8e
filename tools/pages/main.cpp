// tabulon-pages: inspects, renders and converts stored page files (.QRP)
// without the GUI.
#include "common/papersize.h"
#include "definition/startup.h"
#include "output/pages/qrerror.h"
#include "output/pages/qrpagelist.h"
#include "output/pages/qrpagepicture.h"
#include "output/pages/qrprinter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <cstdio>

namespace
{
const char kUsage[] = "Usage:\n"
                      "  tabulon-pages info FILE\n"
                      "      pages, compression, creation time and paper of a stored report\n"
                      "  tabulon-pages raw FILE N\n"
                      "      page N's stored picture bytes (decompressed) to standard output\n"
                      "  tabulon-pages png FILE N OUT.png [--zoom PERCENT]\n"
                      "      renders page N as a PNG picture (zoom 1 to 1000, default 100)\n"
                      "  tabulon-pages convert IN OUT --compress|--no-compress\n"
                      "      rewrites a stored report with or without compression\n"
                      "Exit codes: 0 success, 1 unreadable file or page, 2 bad usage.\n";

int usage(const QString &problem = QString())
{
    if (!problem.isEmpty())
        std::fprintf(stderr, "tabulon-pages: %s\n", qPrintable(problem));
    std::fputs(kUsage, stderr);
    return 2;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "tabulon-pages: %s\n", qPrintable(message));
    return 1;
}

bool parsePage(const QString &text, int *page)
{
    bool ok = false;
    *page = text.toInt(&ok);
    return ok && *page >= 1;
}

bool load(TQRPrinter &printer, const QString &file)
{
    if (printer.Load(file))
        return true;
    fail(printer.ErrorString());
    return false;
}

QString pageProblem(const QString &file, int page, const TQRPrinter &printer)
{
    if (page > printer.PageCount())
        return QStringLiteral("%1: page %2: the file holds %3 page(s)")
            .arg(file)
            .arg(page)
            .arg(printer.PageCount());
    return QStringLiteral("%1: page %2 cannot be read").arg(file).arg(page);
}

int info(const QString &file)
{
    TQRPrinter printer;
    if (!load(printer, file))
        return 1;
    const QDateTime created = printer.CreationDateTime();
    std::printf("pages %d\n", printer.PageCount());
    std::printf("compressed %s\n", printer.Compression() ? "yes" : "no");
    std::printf("created %s\n", created.isValid()
                                    ? qPrintable(created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                                    : "unknown");
    if (printer.PaperGuessed())
        std::printf("paper %s %s\n", qPrintable(PaperSizeName(printer.PaperSize())),
                    printer.Orientation() == QRPaper::poLandscape ? "landscape" : "portrait");
    else
        std::printf("paper unknown\n");
    return 0;
}

int raw(const QString &file, int page)
{
    TQRPrinter printer;
    if (!load(printer, file))
        return 1;
    QByteArray bytes;
    if (!printer.GetPageData(page, &bytes))
        return fail(pageProblem(file, page, printer));
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        return fail(QStringLiteral("cannot write to standard output"));
    return 0;
}

int png(const QString &file, int page, const QString &out, int zoom)
{
    TQRPrinter printer;
    if (!load(printer, file))
        return 1;
    TQRPagePicture picture;
    if (!printer.GetPage(page, &picture)) {
        if (page > printer.PageCount())
            return fail(pageProblem(file, page, printer));
        return fail(QStringLiteral("%1: %2").arg(file, printer.ErrorString()));
    }
    const QSize size(qMax(1, int(qint64(picture.Size().width()) * zoom / 100)),
                     qMax(1, int(qint64(picture.Size().height()) * zoom / 100)));
    // Bounded so that a forged page size cannot ask for gigabytes.
    if (qint64(size.width()) * size.height() > 200'000'000LL)
        return fail(
            QStringLiteral("%1: page %2 is too large to render at %3%").arg(file).arg(page).arg(zoom));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return fail(QStringLiteral("%1: page %2: not enough memory to render").arg(file).arg(page));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(zoom / 100.0, zoom / 100.0);
    QString problem;
    const bool drawn = ReplayPage(picture, &painter, &problem);
    painter.end();
    if (!drawn)
        return fail(QStringLiteral("%1: page %2: %3").arg(file).arg(page).arg(problem));
    if (!image.save(out, "PNG"))
        return fail(QStringLiteral("%1: cannot write the picture").arg(out));
    return 0;
}

int convert(const QString &in, const QString &out, bool compress)
{
    TQRPrinter printer;
    if (!load(printer, in))
        return 1;
    TQRPageList list;
    list.SetCompression(compress);
    if (printer.CreationDateTime().isValid())
        list.SetCreationDateTime(printer.CreationDateTime());
    try {
        for (int n = 1; n <= printer.PageCount(); ++n) {
            QByteArray bytes;
            if (!printer.GetPageData(n, &bytes))
                return fail(pageProblem(in, n, printer) + QStringLiteral("; nothing written"));
            list.AddPage(bytes);
        }
        list.Finish();
    } catch (const EQRError &e) {
        return fail(e.Message());
    }
    QString error;
    if (!list.SaveToFile(out, &error))
        return fail(error);
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RegisterReportSupport();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("info")) {
        if (args.size() != 1)
            return usage(QStringLiteral("info takes one file"));
        return info(args.at(0));
    }
    if (command == QLatin1String("raw")) {
        int page = 0;
        if (args.size() != 2)
            return usage(QStringLiteral("raw takes a file and a page number"));
        if (!parsePage(args.at(1), &page))
            return usage(QStringLiteral("\"%1\" is not a page number").arg(args.at(1)));
        return raw(args.at(0), page);
    }
    if (command == QLatin1String("png")) {
        int zoom = 100;
        const int z = int(args.indexOf(QStringLiteral("--zoom")));
        if (z >= 0) {
            if (z + 1 >= args.size())
                return usage(QStringLiteral("--zoom needs a percentage"));
            bool ok = false;
            zoom = args.at(z + 1).toInt(&ok);
            if (!ok || zoom < 1 || zoom > 1000)
                return usage(QStringLiteral("\"%1\" is not a zoom from 1 to 1000").arg(args.at(z + 1)));
            args.remove(z, 2);
        }
        int page = 0;
        if (args.size() != 3)
            return usage(QStringLiteral("png takes a file, a page number and an output file"));
        if (!parsePage(args.at(1), &page))
            return usage(QStringLiteral("\"%1\" is not a page number").arg(args.at(1)));
        return png(args.at(0), page, args.at(2), zoom);
    }
    if (command == QLatin1String("convert")) {
        if (args.size() != 3)
            return usage(QStringLiteral("convert takes two files and --compress or --no-compress"));
        const QString mode = args.at(2);
        if (mode != QLatin1String("--compress") && mode != QLatin1String("--no-compress"))
            return usage(QStringLiteral("convert needs --compress or --no-compress"));
        return convert(args.at(0), args.at(1), mode == QLatin1String("--compress"));
    }
    return usage(QStringLiteral("unknown command \"%1\"").arg(command));
}
