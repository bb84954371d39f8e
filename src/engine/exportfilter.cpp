#include "exportfilter.h"

TQRExportFilter::TQRExportFilter(const QString &fileName) : m_fileName(fileName) {}

TQRExportFilter::~TQRExportFilter() = default;

QString TQRExportFilter::Description() const
{
    return QStringLiteral("Abstract non-working export filter");
}

QString TQRExportFilter::FileExtension() const
{
    return QString();
}

QString TQRExportFilter::FilterName() const
{
    return QStringLiteral("Abstract filter");
}

QString TQRExportFilter::Vendor() const
{
    return QStringLiteral("Tabulon");
}

bool TQRExportFilter::Streaming() const
{
    return false;
}

void TQRExportFilter::Start(int, int, const TFont *)
{
    m_active = true;
}

void TQRExportFilter::EndPage() {}

void TQRExportFilter::Finish()
{
    m_active = false;
}

void TQRExportFilter::NewPage() {}

void TQRExportFilter::WriteTextItem(double, double, const TFont *, TColor, QR::TAlignment, const QString &) {}

// --- library -------------------------------------------------------------------------

void TQRExportFilterLibrary::AddFilter(const TQRExportFilterClass &filterClass)
{
    if (!filterClass)
        return;
    std::unique_ptr<TQRExportFilter> probe = filterClass(QString());
    if (!probe)
        return;
    m_entries.append({filterClass, probe->FilterName(), probe->FileExtension()});
}

void TQRExportFilterLibrary::RemoveFilter(const TQRExportFilterClass &filterClass)
{
    if (!filterClass)
        return;
    std::unique_ptr<TQRExportFilter> probe = filterClass(QString());
    if (!probe)
        return;
    const QString name = probe->FilterName();
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].FilterName == name) {
            m_entries.removeAt(i);
            return;
        }
}

const TQRExportFilterLibraryEntry *TQRExportFilterLibrary::FindByExtension(const QString &extension) const
{
    QString ext = extension;
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    for (const TQRExportFilterLibraryEntry &e : m_entries)
        if (e.FileExtension.compare(ext, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

QString TQRExportFilterLibrary::SaveDialogFilterText() const
{
    QString text = QStringLiteral("Stored report file(*.QRP)|*.QRP");
    for (const TQRExportFilterLibraryEntry &e : m_entries)
        text += QLatin1Char('|') + e.FilterName + QStringLiteral(" (*.") + e.FileExtension +
                QStringLiteral(")|*.") + e.FileExtension;
    return text;
}

TQRExportFilterLibrary &QRExportFilterLibrary()
{
    static TQRExportFilterLibrary library;
    return library;
}
