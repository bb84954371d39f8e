#include "pagerange.h"

#include "output/pages/qrpagelist.h"
#include "output/pages/qrprinter.h"

#include <QRegularExpression>

bool ParsePageRange(const QString &text, int *first, int *last)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,9})\\s*(?:-\\s*(\\d{1,9})\\s*)?$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return false;
    *first = m.captured(1).toInt();
    *last = m.captured(2).isEmpty() ? *first : m.captured(2).toInt();
    return *first >= 1 && *last >= *first;
}

TPageRangeFilter::TPageRangeFilter(std::unique_ptr<TQRExportFilter> target, int first, int last)
    : TQRExportFilter(target->FileName()), m_target(std::move(target)), m_first(first), m_last(last)
{
}

void TPageRangeFilter::Start(int paperWidth, int paperHeight, const TFont *font)
{
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    m_target->SetReport(Report());
    m_target->SetPreviewPrinter(PreviewPrinter());
    m_page = 0;
    m_target->Start(paperWidth, paperHeight, font);
}

void TPageRangeFilter::NewPage()
{
    ++m_page;
    if (inRange())
        m_target->NewPage();
}

void TPageRangeFilter::EndPage()
{
    if (inRange())
        m_target->EndPage();
}

void TPageRangeFilter::WriteTextItem(double x, double y, const TFont *font, TColor bgColor,
                                     QR::TAlignment alignment, const QString &text)
{
    if (inRange())
        m_target->WriteTextItem(x, y, font, bgColor, alignment, text);
}

void TPageRangeFilter::Finish()
{
    TQRExportFilter::Finish();
    m_target->Finish();
}

std::unique_ptr<TQRPrinter> PageRangeCopy(TQRPrinter *pages, int first, int last, const QString &file,
                                          QString *error)
{
    const int count = pages->PageCount();
    if (first > count) {
        *error = QStringLiteral("the report has %1 page%2, so there is no page %3")
                     .arg(count)
                     .arg(count == 1 ? QString() : QStringLiteral("s"))
                     .arg(first);
        return nullptr;
    }
    TQRPageList list;
    list.SetCompression(pages->Compression());
    list.SetCreationDateTime(pages->CreationDateTime());
    QByteArray bytes;
    try {
        for (int n = first; n <= std::min(last, count); ++n) {
            if (!pages->GetPageData(n, &bytes)) {
                *error = QStringLiteral("page %1: %2").arg(n).arg(pages->ErrorString());
                return nullptr;
            }
            list.AddPage(bytes);
        }
        list.Finish();
    } catch (const std::exception &e) {
        *error = QString::fromLocal8Bit(e.what());
        return nullptr;
    }
    if (!list.SaveToFile(file, error))
        return nullptr;
    auto copy = std::make_unique<TQRPrinter>();
    if (!copy->Load(file)) {
        *error = copy->ErrorString();
        return nullptr;
    }
    return copy;
}
