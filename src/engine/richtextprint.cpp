// Rich-text elements at run time: the layout service over QTextDocument, the
// element's content (its lines, a rich-text editor or a database field), and
// printing with band growth and continuation on the next page.

#include "common/codepage.h"
#include "common/rtfreader.h"
#include "data/dataset.h"
#include "data/field.h"
#include "engine/band.h"
#include "engine/elements.h"
#include "engine/exportfilter.h"
#include "engine/report.h"
#include "engine/richtextlayout.h"
#include "output/pages/qrprinter.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextLayout>
#include <cmath>
#include <vector>

namespace
{
constexpr double TwipsPerInch = 1440;
constexpr double NativePerInch = 254;
// The band grows in steps of 5 mm while rich text remains.
constexpr double GrowStep = 50;

// The device text is laid out on: 1440 pixels per inch, so one pixel is one twip.
QImage &twipDevice()
{
    static QImage device = [] {
        QImage img(1, 1, QImage::Format_ARGB32);
        const int dpm = int(std::lround(TwipsPerInch / 0.0254));
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        return img;
    }();
    return device;
}
// A font sized in points becomes the same size in twips (pixels of the
// layout device). Recorded pages keep pixel-sized fonts as they are, while
// point sizes are resolved again for the device a page is replayed on, which
// would scale the text a second time under the twips-to-device transform.
QFont twipFont(QFont font)
{
    if (font.pointSizeF() > 0)
        font.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * TwipsPerInch / 72.0))));
    return font;
}

void fontsToTwips(QTextDocument *doc)
{
    doc->setDefaultFont(twipFont(doc->defaultFont()));
    struct Run {
        int position, length;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().hasProperty(QTextFormat::FontPointSize))
                runs.push_back({fragment.position(), fragment.length(), fragment.charFormat()});
        }
    for (Run &run : runs) {
        const double points = run.format.doubleProperty(QTextFormat::FontPointSize);
        run.format.clearProperty(QTextFormat::FontPointSize);
        run.format.setProperty(QTextFormat::FontPixelSize, std::max(1, int(std::lround(points * TwipsPerInch / 72.0))));
        QTextCursor cursor(doc);
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
}
} // namespace

// --- TQRRichTextLayout ---------------------------------------------------------------------

TQRRichTextLayout::TQRRichTextLayout(const QTextDocument &source, const QFont &defaultFont,
                                     Qt::Alignment defaultAlignment)
    : m_doc(source.clone())
{
    m_doc->setUndoRedoEnabled(false);
    m_doc->setDocumentMargin(0);
    m_doc->setDefaultFont(defaultFont);
    fontsToTwips(m_doc.get());
    QTextOption option = m_doc->defaultTextOption();
    option.setAlignment(defaultAlignment);
    m_doc->setDefaultTextOption(option);
    m_doc->documentLayout()->setPaintDevice(&twipDevice());
}

TQRRichTextLayout::~TQRRichTextLayout() = default;

void TQRRichTextLayout::SetWidth(double twips)
{
    if (twips == m_width)
        return;
    m_width = twips;
    m_doc->setTextWidth(std::max(1.0, twips));
    layOut();
}

void TQRRichTextLayout::layOut()
{
    m_lines.clear();
    (void)m_doc->size(); // lays out the whole document
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        if (!layout)
            continue;
        const double blockTop = layout->position().y();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int start = block.position() + line.textStart();
            m_lines.push_back(
                {start, start + line.textLength(), blockTop + line.y(), blockTop + line.y() + line.height()});
        }
    }
}

int TQRRichTextLayout::EndPosition() const
{
    return std::max(0, m_doc->characterCount() - 1);
}

bool TQRRichTextLayout::IsEmpty() const
{
    return m_doc->isEmpty();
}

int TQRRichTextLayout::lineAt(int position) const
{
    // Positions handed around are line starts; any other lands on its own line.
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].start >= position || m_lines[i].end > position)
            return int(i);
    return int(m_lines.size());
}

double TQRRichTextLayout::topOf(int lineIndex) const
{
    // The first line keeps the space above it (a paragraph's top margin).
    if (lineIndex <= 0 || m_lines.empty())
        return 0;
    return m_lines[std::min<size_t>(lineIndex, m_lines.size() - 1)].top;
}

int TQRRichTextLayout::Fit(int from, double height, bool atLeastOneLine) const
{
    const int first = lineAt(from);
    if (first >= int(m_lines.size()))
        return EndPosition();
    const double top = topOf(first);
    int k = first;
    // A hair of tolerance: heights come from rounded device positions.
    while (k < int(m_lines.size()) && m_lines[k].bottom - top <= height + 0.01)
        ++k;
    if (k == first && atLeastOneLine)
        ++k;
    return k < int(m_lines.size()) ? m_lines[k].start : EndPosition();
}

double TQRRichTextLayout::Height(int from, int to) const
{
    const int first = lineAt(from);
    double bottom = topOf(first);
    for (int k = first; k < int(m_lines.size()) && m_lines[k].start < to; ++k)
        bottom = m_lines[k].bottom;
    return bottom - topOf(first);
}

void TQRRichTextLayout::Render(QPainter *painter, const QRectF &target, double dpiX, double dpiY, int from,
                               int to, const QColor &textColor) const
{
    if (!painter || to <= from || m_lines.empty())
        return;
    const int first = lineAt(from);
    const double top = topOf(first);
    const double height = Height(from, to);
    if (height <= 0)
        return;
    painter->save();
    painter->translate(target.topLeft());
    painter->scale(dpiX / TwipsPerInch, dpiY / TwipsPerInch);
    painter->translate(0, -top);
    // Only whole lines from..to: the lines around them are clipped away.
    const QRectF clip(-m_width, top, 3 * std::max(m_width, 1.0), height);
    painter->setClipRect(clip, Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    // Lines that only touch the clip would be drawn (and recorded) too; a twip less keeps them out.
    context.clip = clip.adjusted(0, 1, 0, -1);
    context.palette.setColor(QPalette::Text, textColor);
    m_doc->documentLayout()->draw(painter, context);
    painter->restore();
}

std::vector<std::pair<double, QString>> TQRRichTextLayout::LineTexts(int from, int to) const
{
    std::vector<std::pair<double, QString>> texts;
    const int first = lineAt(from);
    const double top = topOf(first);
    for (int k = first; k < int(m_lines.size()) && m_lines[k].start < to; ++k) {
        const QTextBlock block = m_doc->findBlock(m_lines[k].start);
        QString text =
            block.text().mid(m_lines[k].start - block.position(), m_lines[k].end - m_lines[k].start);
        text.remove(QChar::LineSeparator);
        text.remove(QChar::ObjectReplacementCharacter);
        texts.emplace_back(m_lines[k].top - top, text);
    }
    return texts;
}

// --- content ----------------------------------------------------------------------------

TQRCustomRichText::~TQRCustomRichText() = default;

void TQRCustomRichText::SetLines(const QStringList &l)
{
    m_lines = l;
    ReadRichOrPlainText(RichTextLinesToBytes(l), m_document.get());
    m_layout.reset();
}

const QTextDocument *TQRCustomRichText::SourceDocument() const
{
    return m_document.get();
}

const QTextDocument *TQRRichText::SourceDocument() const
{
    if (!m_parentRichEdit)
        return TQRCustomRichText::SourceDocument();
    if (auto *doc = qobject_cast<QTextDocument *>(m_parentRichEdit))
        return doc;
    if (auto *doc = m_parentRichEdit->findChild<QTextDocument *>())
        return doc;
    const QVariant lines = m_parentRichEdit->property("Lines");
    if (lines.isValid()) {
        if (!m_editCopy)
            m_editCopy = std::make_unique<QTextDocument>();
        ReadRichOrPlainText(RichTextLinesToBytes(lines.toStringList()), m_editCopy.get());
        return m_editCopy.get();
    }
    return TQRCustomRichText::SourceDocument();
}

void TQRDBRichText::PrepareForRun()
{
    TQRCustomRichText::PrepareForRun();
    auto *ds = qobject_cast<TDataSet *>(m_dataSet);
    m_field = ds && ds->Active() && !m_dataField.isEmpty() ? ds->FindField(m_dataField) : nullptr;
}

void TQRDBRichText::LoadContent()
{
    auto *ds = qobject_cast<TDataSet *>(m_dataSet);
    auto *field = qobject_cast<TField *>(m_field.data());
    // Automatically created fields are made anew by every Open.
    if (ds && ds->Active() && (!field || ds->DefaultFields()) && !m_dataField.isEmpty())
        field = ds->FindField(m_dataField);
    m_field = field;
    QTextDocument *doc = Document();
    doc->clear();
    if (!field || !ds || !ds->Active())
        return;
    try {
        const TFieldType type = field->DataType();
        if (type == ftMemo || type == ftFmtMemo) {
            const QString text = field->AsString();
            if (IsRtf(text.left(16).toLatin1()))
                ReadRtf(EncodeCodePage(text), doc);
            else
                doc->setPlainText(text);
        } else if (field->IsBlob()) {
            ReadRichOrPlainText(field->AsBytes(), doc);
        }
    } catch (...) {
        doc->clear(); // a field that cannot be read prints nothing
    }
}

void TQRDBRichText::FinishRun()
{
    TQRCustomRichText::FinishRun();
    m_field = nullptr;
}

// --- printing -----------------------------------------------------------------------------

void TQRCustomRichText::PrintAt(double offsetX, double offsetY)
{
    TQRCustomReport *report = OwningReport();
    TQRPrinter *printer = ParentPrinter ? ParentPrinter : (report ? report->RunPrinter() : nullptr);
    if (!IsPrintable() || !printer)
        return;
    const bool continuing = !PrintComplete;
    if (!continuing) {
        NextPosition = 0;
        LoadContent();
        m_layout.reset();
    }
    if (!m_layout) {
        const QTextDocument *source = SourceDocument();
        QTextDocument empty;
        Qt::Alignment align = Qt::AlignLeft;
        if (Alignment() == QR::taRightJustify)
            align = Qt::AlignRight;
        else if (Alignment() == QR::taCenter)
            align = Qt::AlignHCenter;
        m_layout = std::make_unique<TQRRichTextLayout>(source ? *source : empty,
                                                       m_font->ToQFont(TwipsPerInch), align);
    }

    const TQRPrintableSize *s = Size();
    const double left = offsetX + s->NativeValue(TQRPrintableSize::LeftIndex);
    const double top = offsetY + s->NativeValue(TQRPrintableSize::TopIndex);
    const double width = s->NativeValue(TQRPrintableSize::WidthIndex);
    const double height = s->NativeValue(TQRPrintableSize::HeightIndex);
    // The rectangle in twips of the recorder's canvas.
    const double dpiX = printer->XFactor() * NativePerInch, dpiY = printer->YFactor() * NativePerInch;
    auto twipsX = [&](double l, double w) {
        return (printer->XPos(l + w) - printer->XPos(l)) * TwipsPerInch / dpiX;
    };
    auto twipsY = [&](double t, double h) {
        return (printer->YPos(t + h) - printer->YPos(t)) * TwipsPerInch / dpiY;
    };
    m_layout->SetWidth(twipsX(left, width));

    m_stretched = 0;
    m_firstExpansionDone = false;
    const int from = NextPosition;
    const int end = m_layout->EndPosition();
    int upTo = m_layout->Fit(from, twipsY(top, height), continuing);
    TQRCustomBand *band = ParentBand();
    if (upTo < end && AutoStretch() && band && !m_layout->IsEmpty()) {
        PrintComplete = false;
        while (upTo < end && band->HasRoomToGrow(GrowStep)) {
            m_stretched = band->GrowBand(GrowStep, m_firstExpansionDone);
            upTo = m_layout->Fit(from, twipsY(top, height + m_stretched), continuing);
        }
        NextPosition = upTo;
        if (upTo >= end)
            PrintComplete = true;
    } else {
        PrintComplete = true;
    }

    const QRectF target(printer->XPos(left), printer->YPos(top),
                        printer->XPos(left + width) - printer->XPos(left),
                        printer->YPos(top + height + m_stretched) - printer->YPos(top));
    if (RenderingToCanvas() && printer->Canvas())
        m_layout->Render(printer->Canvas(), target, dpiX, dpiY, from, upTo, ToQColor(m_font->Color()));
    if (TQRExportFilter *filter = report ? report->RunFilter : nullptr)
        for (const auto &[lineTop, text] : m_layout->LineTexts(from, upTo))
            filter->WriteTextItem(left, top + lineTop * NativePerInch / TwipsPerInch, m_font, Color(),
                                  QR::taLeftJustify, text);
    TQRPrintable::PrintAt(offsetX, offsetY);
    if (PrintComplete)
        m_layout.reset(); // the layout is only kept while the text continues
}

void TQRCustomRichText::FinishRun()
{
    TQRPrintable::FinishRun();
    m_layout.reset();
    NextPosition = 0;
}
