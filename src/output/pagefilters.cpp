#include "pagefilters.h"

#include "common/savefile.h"
#include "engine/report.h"
#include "output/pages/qrerror.h"
#include "output/pages/qrpagepicture.h"
#include "output/pages/qrprinter.h"
#include "pdfwriter.h"
#include "wmffilter.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

TQRPageExportFilter::TQRPageExportFilter(const QString &fileName) : TQRExportFilter(fileName) {}

QString TQRPageExportFilter::PageFileName(int page, const QString &extension) const
{
    return TQRWMFExportFilter::BaseName(FileName()) +
           QStringLiteral("%1.").arg(page, 3, 10, QLatin1Char('0')) + extension;
}

void TQRPageExportFilter::Finish()
{
    TQRExportFilter::Finish();
    TQRPrinter *printer = PreviewPrinter();
    // Saving nothing while reporting success would lose the user's output.
    if (!printer || printer->PageCount() < 1)
        throw EQRError(QStringLiteral("Cannot write %1: the report has no recorded pages").arg(FileName()));
    WritePages(printer->PageCount());
}

TQRPagePicture TQRPageExportFilter::Page(int n) const
{
    TQRPagePicture page;
    if (!PreviewPrinter()->GetPage(n, &page))
        throw EQRError(QStringLiteral("Cannot write %1: page %2: %3")
                           .arg(FileName())
                           .arg(n)
                           .arg(PreviewPrinter()->ErrorString()));
    return page;
}

namespace
{
// blankPage: the painter draws on fresh white paper (PDF, PNG), where white fills over
// nothing are left out.
void replay(const TQRPagePicture &page, QPainter *painter, const QString &fileName, bool blankPage = false)
{
    QString error;
    if (!ReplayPage(page, painter, &error, blankPage))
        throw EQRError(QStringLiteral("Cannot write %1: %2").arg(fileName, error));
}

// Files written so far are removed when a later one fails.
struct WrittenFiles {
    QStringList names;
    bool done = false;
    ~WrittenFiles()
    {
        if (!done)
            for (const QString &n : names)
                QFile::remove(n);
    }
};
} // namespace

// --- PDF ---------------------------------------------------------------------------------------

TQRPDFExportFilter::TQRPDFExportFilter(const QString &fileName) : TQRPageExportFilter(fileName) {}

QString TQRPDFExportFilter::Description() const
{
    return QStringLiteral("PDF export filter");
}

QString TQRPDFExportFilter::FileExtension() const
{
    return QStringLiteral("PDF");
}

QString TQRPDFExportFilter::FilterName() const
{
    return QStringLiteral("PDF File");
}

void TQRPDFExportFilter::WritePages(int count)
{
    QSaveFile file(FileName());
    if (!file.open(QIODevice::WriteOnly))
        throw EQRError(QStringLiteral("Cannot create %1: %2").arg(FileName(), file.errorString()));
    TQRPdfWriter writer(&file);
    if (Report())
        writer.SetTitle(Report()->ReportTitle());
    else if (PreviewPrinter())
        writer.SetTitle(PreviewPrinter()->Title());
    // Pages are fetched one by one as the writer asks for them, so only those being encoded are held.
    const TQRPdfWriter::PageSource source = [this](int n, TQRPagePicture *page, QString *error) {
        try {
            *page = Page(n);
            return true;
        } catch (const EQRError &e) {
            *error = e.Message();
            return false;
        }
    };
    QString error;
    if (!writer.Write(count, source, &error)) {
        file.cancelWriting();
        throw EQRError(error.startsWith(QLatin1String("Cannot "))
                           ? error
                           : QStringLiteral("Cannot write %1: %2").arg(FileName(), error));
    }
    QString cause;
    if (!CommitSaveFile(file, &cause))
        throw EQRError(QStringLiteral("Cannot write %1: %2").arg(FileName(), cause));
}

// --- PNG ---------------------------------------------------------------------------------------

TQRPNGExportFilter::TQRPNGExportFilter(const QString &fileName) : TQRPageExportFilter(fileName) {}

QString TQRPNGExportFilter::Description() const
{
    return QStringLiteral("PNG export filter");
}

QString TQRPNGExportFilter::FileExtension() const
{
    return QStringLiteral("PNG");
}

QString TQRPNGExportFilter::FilterName() const
{
    return QStringLiteral("PNG Image");
}

void TQRPNGExportFilter::WritePages(int count)
{
    WrittenFiles written;
    for (int i = 0; i < count; ++i) {
        const TQRPagePicture page = Page(i + 1);
        const double scale = double(ImageDpi) / page.Dpi();
        QImage image((QSizeF(page.Size()) * scale).toSize(), QImage::Format_RGB32);
        if (image.isNull())
            throw EQRError(
                QStringLiteral("Cannot write %1: page %2 is too large").arg(FileName()).arg(i + 1));
        image.fill(Qt::white);
        image.setDotsPerMeterX(qRound(ImageDpi / 0.0254));
        image.setDotsPerMeterY(qRound(ImageDpi / 0.0254));
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.scale(scale, scale);
            replay(page, &painter, FileName(), true);
        }
        const QString name = PageFileName(i + 1, QStringLiteral("png"));
        QSaveFile file(name);
        QString cause;
        if (!file.open(QIODevice::WriteOnly))
            cause = file.errorString();
        else if (!image.save(&file, "PNG"))
            cause = file.error() != QFileDevice::NoError ? file.errorString()
                                                         : QStringLiteral("PNG encoding failed");
        if (!cause.isEmpty() || !CommitSaveFile(file, &cause))
            throw EQRError(QStringLiteral("Cannot write %1: %2").arg(name, cause));
        written.names << name;
    }
    written.done = true;
}

// --- SVG ---------------------------------------------------------------------------------------

TQRSVGExportFilter::TQRSVGExportFilter(const QString &fileName) : TQRPageExportFilter(fileName) {}

QString TQRSVGExportFilter::Description() const
{
    return QStringLiteral("SVG export filter");
}

QString TQRSVGExportFilter::FileExtension() const
{
    return QStringLiteral("SVG");
}

QString TQRSVGExportFilter::FilterName() const
{
    return QStringLiteral("SVG Image");
}

void TQRSVGExportFilter::WritePages(int count)
{
    WrittenFiles written;
    const QString title = Report() ? Report()->ReportTitle() : QString();
    for (int i = 0; i < count; ++i) {
        const TQRPagePicture page = Page(i + 1);
        const QString name = PageFileName(i + 1, QStringLiteral("svg"));
        QSaveFile file(name);
        if (!file.open(QIODevice::WriteOnly))
            throw EQRError(QStringLiteral("Cannot create %1: %2").arg(name, file.errorString()));
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setResolution(page.Dpi());
        svg.setSize(page.Size());
        svg.setViewBox(QRect(QPoint(0, 0), page.Size()));
        svg.setTitle(title);
        {
            QPainter painter;
            if (!painter.begin(&svg))
                throw EQRError(QStringLiteral("Cannot create %1").arg(name));
            replay(page, &painter, name);
        }
        QString cause;
        if (!CommitSaveFile(file, &cause))
            throw EQRError(QStringLiteral("Cannot write %1: %2").arg(name, cause));
        written.names << name;
    }
    written.done = true;
}

// --- components --------------------------------------------------------------------------------

TQRPDFFilter::TQRPDFFilter(TComponent *owner) : TComponent(owner)
{
    QRExportFilterLibrary().AddFilter<TQRPDFExportFilter>();
}

TQRPDFFilter::~TQRPDFFilter()
{
    QRExportFilterLibrary().RemoveFilter<TQRPDFExportFilter>();
}

TQRPNGFilter::TQRPNGFilter(TComponent *owner) : TComponent(owner)
{
    QRExportFilterLibrary().AddFilter<TQRPNGExportFilter>();
}

TQRPNGFilter::~TQRPNGFilter()
{
    QRExportFilterLibrary().RemoveFilter<TQRPNGExportFilter>();
}

TQRSVGFilter::TQRSVGFilter(TComponent *owner) : TComponent(owner)
{
    QRExportFilterLibrary().AddFilter<TQRSVGExportFilter>();
}

TQRSVGFilter::~TQRSVGFilter()
{
    QRExportFilterLibrary().RemoveFilter<TQRSVGExportFilter>();
}
