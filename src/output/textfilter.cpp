#include "textfilter.h"

#include "common/graphics.h"
#include "common/savefile.h"
#include "output/pages/qrerror.h"

#include <cmath>

namespace
{
int roundi(double v)
{
    return int(std::lround(v));
}
} // namespace

TQRAsciiExportFilter::TQRAsciiExportFilter(const QString &fileName) : TQRExportFilter(fileName) {}

QString TQRAsciiExportFilter::Description() const
{
    return QStringLiteral("Text export (ASCII) filter");
}

QString TQRAsciiExportFilter::FileExtension() const
{
    return QStringLiteral("TXT");
}

QString TQRAsciiExportFilter::FilterName() const
{
    return QStringLiteral("Text file");
}

void TQRAsciiExportFilter::Start(int paperWidth, int paperHeight, const TFont *font)
{
    if (m_file.isOpen()) {
        // An earlier run that never finished: its text is dropped.
        m_file.cancelWriting();
        m_file.commit();
    }
    m_file.setFileName(FileName());
    if (!m_file.open(QIODevice::WriteOnly))
        throw EQRError(QStringLiteral("Cannot create %1: %2").arg(FileName(), m_file.errorString()));
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    const int points = font && font->Size() > 0 ? font->Size() : 10;
    m_cell = points * 254.0 / 72.0;
    m_lineCount = roundi(paperHeight / m_cell);
    m_lines.clear();
    for (int i = 0; i < BufferRows; ++i)
        m_lines.append(QString());
}

void TQRAsciiExportFilter::NewPage()
{
    for (QString &line : m_lines)
        line.clear();
}

void TQRAsciiExportFilter::WriteTextItem(double x, double y, const TFont *, TColor, QR::TAlignment alignment,
                                         const QString &text)
{
    if (!m_file.isOpen() || m_cell <= 0)
        return;
    const int row = roundi(y / m_cell);
    // The buffer is fixed; text outside it is dropped rather than written past its end.
    if (row < 0 || row >= BufferRows)
        return;
    double column = x / m_cell * 1.7;
    if (alignment == QR::taRightJustify)
        column -= text.length();
    else if (alignment == QR::taCenter)
        column -= text.length() / 2.0;
    // 1-based character position; text that would begin left of the page begins at its edge.
    const int c = std::max(1, roundi(column));
    QString &line = m_lines[row];
    if (column > line.length() && roundi(column) > line.length())
        line.append(QString(roundi(column) - line.length(), QLatin1Char(' ')));
    const int at = std::min<qsizetype>(c - 1, line.length());
    line.remove(at, text.length());
    line.insert(at, text);
}

void TQRAsciiExportFilter::EndPage()
{
    if (!m_file.isOpen())
        return;
    const int rows = std::min(m_lineCount, BufferRows);
    for (int i = 0; i < rows; ++i)
        if (!m_lines[i].isEmpty()) {
            m_file.write(m_lines[i].toUtf8());
            m_file.write("\n");
        }
}

void TQRAsciiExportFilter::Finish()
{
    QString cause;
    const bool failed = m_file.isOpen() && !CommitSaveFile(m_file, &cause);
    m_lines.clear();
    TQRExportFilter::Finish();
    if (failed)
        throw EQRError(QStringLiteral("Cannot write %1: %2").arg(FileName(), cause));
}

TQRTextFilter::TQRTextFilter(TComponent *owner) : TComponent(owner)
{
    QRExportFilterLibrary().AddFilter<TQRAsciiExportFilter>();
}

TQRTextFilter::~TQRTextFilter()
{
    QRExportFilterLibrary().RemoveFilter<TQRAsciiExportFilter>();
}
