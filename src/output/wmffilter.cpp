#include "wmffilter.h"

#include "common/savefile.h"
#include "metafilewriter.h"
#include "output/pages/qrerror.h"
#include "output/pages/qrpagepicture.h"

#include "output/pages/qrprinter.h"
#include <QFile>
#include <QPainter>
#include <QSaveFile>

#include <atomic>

namespace
{
std::atomic<bool> enhancedMetafiles{false};
}

TQRWMFExportFilter::TQRWMFExportFilter(const QString &fileName) : TQRExportFilter(fileName) {}

QString TQRWMFExportFilter::Description() const
{
    return QStringLiteral("WMF Export filter");
}

QString TQRWMFExportFilter::FileExtension() const
{
    return QStringLiteral("WMF");
}

QString TQRWMFExportFilter::FilterName() const
{
    return QStringLiteral("WMF File");
}

QString TQRWMFExportFilter::BaseName(const QString &fileName)
{
    // Only a dot in the file's own name starts an extension, not one in a folder name.
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    return dot < 0 || dot < slash ? fileName : fileName.left(dot);
}

void TQRWMFExportFilter::Start(int paperWidth, int paperHeight, const TFont *font)
{
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    m_base = BaseName(FileName());
}

QString TQRWMFExportFilter::PageFileName(int page) const
{
    return m_base + QStringLiteral("%1").arg(page, 3, 10, QLatin1Char('0')) +
           (TQRWMFFilter::Enhanced() ? QStringLiteral(".emf") : QStringLiteral(".wmf"));
}

void TQRWMFExportFilter::Finish()
{
    TQRExportFilter::Finish();
    TQRPrinter *printer = PreviewPrinter();
    if (!Report() || !printer || printer->PageCount() < 1)
        return;
    const auto format = TQRWMFFilter::Enhanced() ? TQRMetafileDevice::Emf : TQRMetafileDevice::Wmf;
    QStringList written;
    try {
        for (int n = 1; n <= printer->PageCount(); ++n) {
            const QString name = PageFileName(n);
            TQRPagePicture page;
            if (!printer->GetPage(n, &page))
                throw EQRError(QStringLiteral("Cannot write %1: %2").arg(name, printer->ErrorString()));
            TQRMetafileDevice device(format, page.Size(), page.Dpi());
            QPainter painter;
            QString error;
            if (!painter.begin(&device) || !ReplayPage(page, &painter, &error))
                throw EQRError(QStringLiteral("Cannot write %1: %2").arg(name, error));
            painter.end();
            QString cause;
            if (!SaveFileContents(name, device.Data(), &cause))
                throw EQRError(QStringLiteral("Cannot write %1: %2").arg(name, cause));
            written << name;
        }
    } catch (...) {
        for (const QString &name : written)
            QFile::remove(name);
        throw;
    }
}

TQRWMFFilter::TQRWMFFilter(TComponent *owner) : TComponent(owner)
{
    QRExportFilterLibrary().AddFilter<TQRWMFExportFilter>();
}

TQRWMFFilter::~TQRWMFFilter()
{
    QRExportFilterLibrary().RemoveFilter<TQRWMFExportFilter>();
}

bool TQRWMFFilter::Enhanced()
{
    return enhancedMetafiles;
}

void TQRWMFFilter::SetEnhanced(bool enhanced)
{
    enhancedMetafiles = enhanced;
}
