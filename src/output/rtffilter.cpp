#include "rtffilter.h"

#include "common/colors.h"
#include "common/graphics.h"
#include "engine/report.h"
#include "engine/unitbase.h"
#include "common/savefile.h"
#include "output/pages/qrerror.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringConverter>
#include <algorithm>
#include <cmath>

namespace
{
int roundi(double v)
{
    return int(std::lround(v));
}

constexpr double PointNative = 254.0 / 72.0;

// The colour table in order; an item whose font colour is entry 1 … 17 gets "\cf".
constexpr TColor ColorTable[18] = {clBlack, clMaroon,  clGreen,  clOlive,  clNavy, clPurple,
                                   clTeal,  clGray,    clSilver, clRed,    clLime, clYellow,
                                   clBlue,  clFuchsia, clAqua,   clSilver, clGray, clWhite};

// RTF family keyword of an installed family. The font database has no
// pitch-and-family byte, so the kind follows from fixed pitch and the name.
QString familyKind(const QString &family)
{
    if (QFontDatabase::isFixedPitch(family))
        return QStringLiteral("\\fmodern");
    const QString lower = family.toLower();
    if (lower.contains(QLatin1String("symbol")) || lower.contains(QLatin1String("dingbat")) ||
        lower.contains(QLatin1String("emoji")))
        return QStringLiteral("\\fdecor");
    if (lower.contains(QLatin1String("script")) || lower.contains(QLatin1String("hand")) ||
        lower.contains(QLatin1String("chancery")))
        return QStringLiteral("\\fscript");
    if (lower.contains(QLatin1String("sans")) || lower.contains(QLatin1String("arial")) ||
        lower.contains(QLatin1String("helvetica")) || lower.contains(QLatin1String("verdana")))
        return QStringLiteral("\\fswiss");
    if (lower.contains(QLatin1String("serif")) || lower.contains(QLatin1String("times")) ||
        lower.contains(QLatin1String("roman")) || lower.contains(QLatin1String("georgia")))
        return QStringLiteral("\\froman");
    return QStringLiteral("\\fnil");
}
} // namespace

TQRRTFExportFilter::TQRRTFExportFilter(const QString &fileName) : TQRExportFilter(fileName) {}

QString TQRRTFExportFilter::Description() const
{
    return QStringLiteral("RTF Export filter");
}

QString TQRRTFExportFilter::FileExtension() const
{
    return QStringLiteral("RTF");
}

QString TQRRTFExportFilter::FilterName() const
{
    return QStringLiteral("RTF File");
}

QString TQRRTFExportFilter::Escape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    auto encoder = QStringEncoder("windows-1252");
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += QLatin1Char('\\');
            out += ch;
        } else if (u < 0x20) {
            // Tabs and breaks inside a text would start new cells or paragraphs.
            out += QLatin1Char(' ');
        } else if (u < 0x80) {
            out += ch;
        } else {
            // \uN is a signed 16-bit number; the following character is what
            // readers without Unicode show instead (\uc1 is the default skip count).
            out += QStringLiteral("\\u%1").arg(int(qint16(u)));
            const QByteArray fallback = encoder.encode(QString(ch));
            if (!encoder.hasError() && fallback.size() == 1 && uchar(fallback[0]) >= 0x80)
                out += QStringLiteral("\\'%1").arg(uchar(fallback[0]), 2, 16, QLatin1Char('0'));
            else
                out += QLatin1Char('?');
            encoder.resetState();
        }
    }
    return out;
}

void TQRRTFExportFilter::writeLine(const QString &line)
{
    // Everything written is ASCII after escaping.
    m_file.write(line.toLatin1());
    m_file.write("\n");
}

QString TQRRTFExportFilter::FamilyName(const QString &family)
{
    static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
    return QString(family).remove(foundry).trimmed();
}

int TQRRTFExportFilter::fontNumber(const QString &name) const
{
    auto known = m_numbers.constFind(name);
    if (known != m_numbers.constEnd())
        return *known;
    auto find = [this](const QString &family) {
        for (int i = 0; i < m_fonts.size(); ++i)
            if (m_fonts[i].Name.compare(family, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    int number = find(FamilyName(name));
    // A family that is not installed prints in the one the font system puts in its place; the
    // text gets that family, so that it opens in the font it printed in.
    if (number < 0 && !name.trimmed().isEmpty()) {
        QFont font;
        font.setFamilies({FamilyName(name)});
        number = find(FamilyName(QFontInfo(font).family()));
    }
    m_numbers.insert(name, number);
    return number;
}

void TQRRTFExportFilter::Start(int paperWidth, int paperHeight, const TFont *font)
{
    bool landscape = false;
    double paperLength = 0, paperWidthTwips = 0;
    m_leftMargin = m_rightMargin = m_topMargin = m_bottomMargin = 720;
    int paperSize = 0;
    if (TQRCustomReport *report = Report()) {
        const TQRPage *page = report->Page();
        auto twips = [page](int index) { return page->NativeValue(index) / 254.0 * 1440.0; };
        paperLength = twips(TQRPage::LengthIndex);
        paperWidthTwips = twips(TQRPage::WidthIndex);
        m_topMargin = twips(TQRPage::TopMarginIndex);
        m_bottomMargin = twips(TQRPage::BottomMarginIndex);
        m_leftMargin = twips(TQRPage::LeftMarginIndex);
        m_rightMargin = twips(TQRPage::RightMarginIndex);
        landscape = page->Orientation() == QRPaper::poLandscape;
        paperSize = int(page->PaperSize());
    }

    // The table names families as word processors know them: a family that several foundries
    // supply is listed once, without Qt's "[foundry]" suffix.
    m_fonts.clear();
    m_numbers.clear();
    QSet<QString> listed;
    for (const QString &family : QFontDatabase::families()) {
        const QString name = FamilyName(family);
        if (name.isEmpty() || listed.contains(name.toLower()))
            continue;
        listed.insert(name.toLower());
        m_fonts.append({name, familyKind(family)});
    }
    std::stable_sort(m_fonts.begin(), m_fonts.end(),
                     [](const FontEntry &a, const FontEntry &b) { return a.Name < b.Name; });

    m_file.setFileName(FileName());
    if (!m_file.open(QIODevice::WriteOnly))
        throw EQRError(QStringLiteral("Cannot create %1: %2").arg(FileName(), m_file.errorString()));
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    m_pageBreakPending = false;
    m_rowCount = roundi(paperHeight / PointNative);
    m_rows.clear();

    QString header = QStringLiteral("{\\rtf1\\ansi\\deff0\\deftab720");
    if (paperLength > 0)
        header += QStringLiteral("\\paperh%1\\paperw%2\\psz%3")
                      .arg(roundi(paperLength))
                      .arg(roundi(paperWidthTwips))
                      .arg(paperSize);
    header += QStringLiteral("\\margl%1\\margr%2\\margt%3\\margb%4")
                  .arg(roundi(m_leftMargin))
                  .arg(roundi(m_rightMargin))
                  .arg(roundi(m_topMargin))
                  .arg(roundi(m_bottomMargin));
    if (landscape)
        header += QStringLiteral("\\landscape");
    header += QStringLiteral("{\\fonttbl");
    for (int i = 0; i < m_fonts.size(); ++i)
        header += QStringLiteral("{\\f%1%2 %3;}").arg(i).arg(m_fonts[i].Kind, Escape(m_fonts[i].Name));
    header += QLatin1Char('}');
    writeLine(header);

    QString colors = QStringLiteral("{\\colortbl");
    for (TColor c : ColorTable) {
        const quint32 v = quint32(c);
        colors += QStringLiteral("\\red%1\\green%2\\blue%3;")
                      .arg(v & 0xFF)
                      .arg((v >> 8) & 0xFF)
                      .arg((v >> 16) & 0xFF);
    }
    colors += QLatin1Char('}');
    writeLine(colors);
    writeLine(QStringLiteral("\\deflang1033"));
}

void TQRRTFExportFilter::NewPage()
{
    m_rows.assign(std::max(0, m_rowCount), {});
}

void TQRRTFExportFilter::WriteTextItem(double x, double y, const TFont *font, TColor,
                                       QR::TAlignment alignment, const QString &text)
{
    const int row = roundi(y / PointNative);
    if (row < 0 || row >= int(m_rows.size()))
        return;
    Item item{x,
              y,
              text,
              alignment,
              font ? fontNumber(font->Name()) : -1,
              font ? font->Color() : TColor(clBlack),
              font ? int(font->Style()) : 0,
              (font ? font->Size() : 10) * 2};
    std::vector<Item> &items = m_rows[row];
    auto at = std::find_if(items.begin(), items.end(), [x](const Item &i) { return i.X > x; });
    items.insert(at, std::move(item));
}

void TQRRTFExportFilter::EndPage()
{
    if (!m_file.isOpen())
        return;
    if (m_pageBreakPending)
        writeLine(QStringLiteral("{\\page }"));
    double currentY = m_topMargin * 254.0 / 1440.0;
    int maxSize = 0;
    for (const std::vector<Item> &row : m_rows) {
        if (row.empty())
            continue;
        QString paragraph;
        QString runs;
        for (const Item &item : row) {
            if (paragraph.isEmpty()) {
                paragraph = QStringLiteral("\\pard\\plain");
                const int spaceBefore = roundi((item.Y - currentY) * 1440.0 / 254.0) - maxSize * 10 - 50;
                if (spaceBefore > 0)
                    paragraph += QStringLiteral("\\sb%1").arg(spaceBefore);
            }
            maxSize = std::max(maxSize, item.HalfPoints);
            currentY = std::max(currentY, item.Y);
            const int tabPos = roundi(item.X * 1440.0 / 254.0 - m_leftMargin) + 20;
            paragraph += item.Alignment == QR::taRightJustify ? QStringLiteral("\\tqr")
                         : item.Alignment == QR::taCenter     ? QStringLiteral("\\tqc")
                                                              : QStringLiteral("\\tql");
            paragraph += QStringLiteral("\\tx%1").arg(tabPos);

            runs += QStringLiteral("\\tab\\plain");
            if (item.FontNumber >= 0)
                runs += QStringLiteral("\\f%1").arg(item.FontNumber);
            runs += QStringLiteral("\\fs%1").arg(item.HalfPoints);
            if (item.Style & TFont::fsBold)
                runs += QStringLiteral("\\b");
            if (item.Style & TFont::fsItalic)
                runs += QStringLiteral("\\i");
            if (item.Style & TFont::fsUnderline)
                runs += QStringLiteral("\\ul");
            if (item.Style & TFont::fsStrikeOut)
                runs += QStringLiteral("\\strike");
            for (int n = 1; n < 18; ++n)
                if (ColorTable[n] == item.Color) {
                    runs += QStringLiteral("\\cf%1 ").arg(n);
                    break;
                }
            runs += QLatin1Char(' ') + Escape(item.Text);
        }
        if (!runs.isEmpty()) {
            writeLine(paragraph);
            writeLine(QStringLiteral("{\\plain") + runs + QStringLiteral("{\\fs1\\par}}"));
            m_pageBreakPending = true;
        }
    }
}

void TQRRTFExportFilter::Finish()
{
    if (m_file.isOpen())
        writeLine(QStringLiteral("\\par }"));
    QString cause;
    const bool failed = m_file.isOpen() && !CommitSaveFile(m_file, &cause);
    m_rows.clear();
    TQRExportFilter::Finish();
    if (failed)
        throw EQRError(QStringLiteral("Cannot write %1: %2").arg(FileName(), cause));
}

TQRRTFFilter::TQRRTFFilter(TComponent *owner) : TComponent(owner)
{
    QRExportFilterLibrary().AddFilter<TQRRTFExportFilter>();
}

TQRRTFFilter::~TQRRTFFilter()
{
    QRExportFilterLibrary().RemoveFilter<TQRRTFExportFilter>();
}
