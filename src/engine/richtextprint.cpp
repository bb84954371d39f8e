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
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
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
        run.format.setProperty(QTextFormat::FontPixelSize,
                               std::max(1, int(std::lround(points * TwipsPerInch / 72.0))));
        QTextCursor cursor(doc);
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
}

// The layout takes paragraph spacing above and below as pixels of the screen and scales it to
// the device, as it does exact line heights; the document holds twips, which would come out
// fifteen times too large on the twips device.
void spacingToScreenPixels(QTextDocument *doc)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double perTwip = (screen ? screen->logicalDotsPerInchY() : 96.0) / TwipsPerInch;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (format.topMargin() == 0 && format.bottomMargin() == 0)
            continue;
        format.setTopMargin(format.topMargin() * perTwip);
        format.setBottomMargin(format.bottomMargin() * perTwip);
        QTextCursor(block).setBlockFormat(format);
    }
}
} // namespace

// --- TQRRichTextLayout ---------------------------------------------------------------------

namespace
{
// The most twips one laid-out piece may reach; Qt's layout breaks down at about four times this.
constexpr double PieceHeight = 2000000;

// Size in twips of a character format's font (source documents size fonts in points, or in
// pixels of a 96-dpi screen).
double fontTwips(const QTextCharFormat &format, double defaultTwips)
{
    if (format.hasProperty(QTextFormat::FontPointSize))
        return format.fontPointSize() * 20;
    if (format.hasProperty(QTextFormat::FontPixelSize))
        return format.intProperty(QTextFormat::FontPixelSize) * 15.0;
    return defaultTwips;
}

// An upper bound, in twips, of one line of the block, whatever its width.
double lineBound(const QTextBlock &block, double defaultTwips)
{
    double size = fontTwips(block.charFormat(), defaultTwips);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        size = std::max(size, fontTwips(format, defaultTwips));
        if (format.isImageFormat())
            size = std::max(size, format.toImageFormat().height() * 15.0);
    }
    double bound = 2 * size + 1;
    const QTextBlockFormat bf = block.blockFormat();
    // Exact heights are 96-dpi pixels, scaled to the twips of the layout device.
    switch (bf.lineHeightType()) {
    case QTextBlockFormat::FixedHeight:
    case QTextBlockFormat::MinimumHeight:
        bound = std::max(bound, std::abs(bf.lineHeight()) * 15 + 1);
        break;
    case QTextBlockFormat::ProportionalHeight:
        bound *= std::max(1.0, bf.lineHeight() / 100);
        break;
    case QTextBlockFormat::LineDistanceHeight:
        bound += std::abs(bf.lineHeight()) * 15;
        break;
    default:
        break;
    }
    return bound;
}
} // namespace

TQRRichTextLayout::TQRRichTextLayout(const QTextDocument &source, const QFont &defaultFont,
                                     Qt::Alignment defaultAlignment)
    : m_end(std::max(0, source.characterCount() - 1)), m_empty(source.isEmpty())
{
    const double defaultTwips =
        defaultFont.pixelSize() > 0 ? defaultFont.pixelSize() : defaultFont.pointSizeF() * 20;
    // Whole paragraphs go into one piece while the worst case (every character on a line of its
    // own) stays below the limit; a paragraph too long even for a piece of its own is cut.
    struct Span {
        int from, to;
    };
    std::vector<Span> pieces;
    double height = 0;
    int pieceStart = 0;
    for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat bf = block.blockFormat();
        const double line = lineBound(block, defaultTwips);
        const double margins = std::abs(bf.topMargin()) + std::abs(bf.bottomMargin());
        const double blockHeight = margins + (block.length() + 1) * line;
        if (height > 0 && height + blockHeight > PieceHeight) {
            pieces.push_back({pieceStart, block.position() - 1});
            pieceStart = block.position();
            height = 0;
        }
        if (blockHeight > PieceHeight) {
            const int perPiece = std::max(1, int((PieceHeight - margins) / line));
            const int blockEnd = block.position() + block.length() - 1;
            int from = block.position();
            while (blockEnd - from > perPiece) {
                pieces.push_back({from, from + perPiece});
                from += perPiece;
            }
            pieceStart = from;
            height = margins + (blockEnd - from + 1) * line;
        } else {
            height += blockHeight;
        }
    }
    if (pieces.empty()) {
        addChunk(source, -1, -1, defaultFont, defaultAlignment); // the usual case: all of it
        return;
    }
    pieces.push_back({pieceStart, m_end});
    for (const Span &piece : pieces)
        addChunk(source, piece.from, piece.to, defaultFont, defaultAlignment);
}

void TQRRichTextLayout::addChunk(const QTextDocument &source, int from, int to, const QFont &defaultFont,
                                 Qt::Alignment defaultAlignment)
{
    Chunk chunk;
    if (from < 0) {
        chunk.doc.reset(source.clone());
    } else {
        chunk.offset = from;
        chunk.doc = std::make_unique<QTextDocument>();
        QTextCursor selection(const_cast<QTextDocument *>(&source));
        selection.setPosition(from);
        selection.setPosition(to, QTextCursor::KeepAnchor);
        QTextCursor cursor(chunk.doc.get());
        cursor.insertFragment(selection.selection());
        // Paragraph formats as in the source (the first one is not carried by a fragment), and
        // the pictures the piece shows.
        QTextBlock target = chunk.doc->begin();
        for (QTextBlock block = source.findBlock(from);
             block.isValid() && target.isValid() && block.position() <= to;
             block = block.next(), target = target.next()) {
            QTextCursor(target).setBlockFormat(block.blockFormat());
            for (auto it = target.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (!format.isImageFormat())
                    continue;
                const QUrl name(format.toImageFormat().name());
                const QVariant image = source.resource(QTextDocument::ImageResource, name);
                if (image.isValid())
                    chunk.doc->addResource(QTextDocument::ImageResource, name, image);
            }
        }
    }
    QTextDocument *doc = chunk.doc.get();
    doc->setUndoRedoEnabled(false);
    doc->setDocumentMargin(0);
    doc->setDefaultFont(defaultFont);
    fontsToTwips(doc);
    spacingToScreenPixels(doc);
    QTextOption option = doc->defaultTextOption();
    option.setAlignment(defaultAlignment);
    doc->setDefaultTextOption(option);
    doc->documentLayout()->setPaintDevice(&twipDevice());
    m_chunks.push_back(std::move(chunk));
}

TQRRichTextLayout::~TQRRichTextLayout() = default;

void TQRRichTextLayout::SetWidth(double twips)
{
    if (twips == m_width)
        return;
    m_width = twips;
    for (Chunk &chunk : m_chunks)
        chunk.doc->setTextWidth(std::max(1.0, twips));
    layOut();
}

void TQRRichTextLayout::layOut()
{
    m_lines.clear();
    double top = 0;
    for (size_t c = 0; c < m_chunks.size(); ++c) {
        Chunk &chunk = m_chunks[c];
        chunk.top = top;
        const QTextDocument *doc = chunk.doc.get();
        top += doc->size().height(); // lays out the whole piece
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            const QTextLayout *layout = block.layout();
            if (!layout)
                continue;
            const double blockTop = chunk.top + layout->position().y();
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                const int start = chunk.offset + block.position() + line.textStart();
                m_lines.push_back({start, start + line.textLength(), blockTop + line.y(),
                                   blockTop + line.y() + line.height(), int(c)});
            }
        }
    }
}

int TQRRichTextLayout::EndPosition() const
{
    return m_end;
}

bool TQRRichTextLayout::IsEmpty() const
{
    return m_empty;
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
    int last = first;
    while (last + 1 < int(m_lines.size()) && m_lines[last + 1].start < to)
        ++last;
    painter->save();
    painter->translate(target.topLeft());
    painter->scale(dpiX / TwipsPerInch, dpiY / TwipsPerInch);
    painter->translate(0, -top);
    // Only whole lines from..to: the lines around them are clipped away.
    const QRectF clip(-m_width, top, 3 * std::max(m_width, 1.0), height);
    painter->setClipRect(clip, Qt::IntersectClip);
    // Line by line: the document's own drawing also draws the line above the clip of every
    // paragraph it enters, which a page that continues a text would then hold twice.
    painter->setPen(textColor);
    for (int k = first; k <= last; ++k) {
        const Line &line = m_lines[k];
        const Chunk &chunk = m_chunks[line.chunk];
        const QTextBlock block = chunk.doc->findBlock(line.start - chunk.offset);
        const QTextLayout *layout = block.layout();
        if (!layout)
            continue;
        const QTextLine textLine = layout->lineForTextPosition(line.start - chunk.offset - block.position());
        if (textLine.isValid())
            textLine.draw(painter, layout->position() + QPointF(0, chunk.top));
    }
    painter->restore();
}

std::vector<std::pair<double, QString>> TQRRichTextLayout::LineTexts(int from, int to) const
{
    std::vector<std::pair<double, QString>> texts;
    const int first = lineAt(from);
    const double top = topOf(first);
    for (int k = first; k < int(m_lines.size()) && m_lines[k].start < to; ++k) {
        const Chunk &chunk = m_chunks[m_lines[k].chunk];
        const int start = m_lines[k].start - chunk.offset;
        const QTextBlock block = chunk.doc->findBlock(start);
        QString text = block.text().mid(start - block.position(), m_lines[k].end - m_lines[k].start);
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
