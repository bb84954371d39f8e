// Text elements at run time: measuring and wrapping, printing the wrapped
// lines with fills, frames and alignment, stretching the band, continuing on
// the next page, and the text items an export filter receives.

#include "common/layoutmath.h"
#include "common/units.h"
#include "engine/band.h"
#include "engine/exportfilter.h"
#include "engine/printable.h"
#include "engine/report.h"
#include "output/pages/qrprinter.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <vector>

namespace
{
// The screen-compatible reference context text is measured on.
const QImage &measureDevice()
{
    static const QImage device = [] {
        QImage img(1, 1, QImage::Format_ARGB32);
        const int dpm = int(std::lround(ScreenPixelsPerInch() / 0.0254));
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        return img;
    }();
    return device;
}

// A font of an element at one resolution, with its metrics and the widths
// of texts measured with it. Building fonts and metrics is dear, and a report
// prints the same few fonts and many of the same texts over and over, so
// they are kept for as long as an element's font has these values.
struct FontSlot {
    QString name;
    int height = 0;
    int style = 0;
    int pitch = 0;
    double dpi = 0;
    QFont font;
    std::unique_ptr<QFontMetricsF> metrics;
    qreal lineHeight = 0;
    QHash<QString, qreal> advances;
    // Printable ASCII: each character's advance alone (negative until
    // measured), and per pair whether it is as wide as its two characters
    // (-1 until measured). Kerning pairs and ligatures fail that check.
    static constexpr int kFirst = 0x20, kChars = 0x7f - kFirst;
    std::array<qreal, kChars> charAdvances;
    std::vector<qint8> additivePairs;

    bool matches(const TFont *f, double d) const
    {
        return height == f->Height() && style == int(f->Style()) && pitch == int(f->Pitch()) && dpi == d &&
               name == f->Name();
    }
    qreal advance(const QString &text)
    {
        qreal summed = 0;
        if (summedAdvance(text, &summed))
            return summed;
        auto it = advances.constFind(text);
        if (it != advances.constEnd())
            return *it;
        // Bounded: most texts of a long report are printed once.
        if (advances.size() >= 4096)
            advances.clear();
        const qreal a = metrics->horizontalAdvance(text);
        advances.insert(text, a);
        return a;
    }
    // The advance of text as the sum of its characters' advances, which is
    // exact when every neighbouring pair adds up: laying out text is by far
    // the dearest step of printing a short field. False for other text.
    bool summedAdvance(const QString &text, qreal *width)
    {
        if (additivePairs.empty()) {
            charAdvances.fill(-1);
            additivePairs.assign(size_t(kChars) * kChars, qint8(-1));
        }
        // Whole 1/64 pixels, so the sum is exact.
        qreal sum = 0;
        int previous = -1;
        for (const QChar ch : text) {
            const int c = int(ch.unicode()) - kFirst;
            if (c < 0 || c >= kChars)
                return false;
            if (charAdvances[size_t(c)] < 0)
                charAdvances[size_t(c)] = metrics->horizontalAdvance(QString(ch));
            if (previous >= 0) {
                qint8 &pair = additivePairs[size_t(previous) * kChars + size_t(c)];
                if (pair < 0) {
                    const QChar two[2] = {QChar(char16_t(previous + kFirst)), ch};
                    pair = metrics->horizontalAdvance(QString(two, 2)) ==
                           charAdvances[size_t(previous)] + charAdvances[size_t(c)];
                }
                if (!pair)
                    return false;
            }
            sum += charAdvances[size_t(c)];
            previous = c;
        }
        *width = sum;
        return true;
    }
};

// The slot of font f at dpi; device is what the metrics are taken on (the
// measuring device when null).
FontSlot &fontSlot(const TFont *f, double dpi, const QPaintDevice *device = nullptr)
{
    static std::vector<std::unique_ptr<FontSlot>> fonts;
    for (size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i]->matches(f, dpi)) {
            // The most recent first: a band's elements share their fonts.
            if (i > 0)
                std::swap(fonts[i], fonts[0]);
            return *fonts[0];
        }
    if (fonts.size() >= 16)
        fonts.pop_back();
    auto slot = std::make_unique<FontSlot>();
    slot->name = f->Name();
    slot->height = f->Height();
    slot->style = int(f->Style());
    slot->pitch = int(f->Pitch());
    slot->dpi = dpi;
    slot->font = f->ToQFont(dpi);
    slot->metrics = std::make_unique<QFontMetricsF>(slot->font, device ? device : &measureDevice());
    slot->lineHeight = slot->metrics->height();
    fonts.insert(fonts.begin(), std::move(slot));
    return *fonts[0];
}

bool isWordEnd(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('\r');
}

int roundi(double v)
{
    return LayoutInt(v);
}
} // namespace

// --- measuring -------------------------------------------------------------------------

int TQRCustomLabel::TextWidth(const QString &text) const
{
    const int width = int(std::lround(fontSlot(Font(), ScreenPixelsPerInch()).advance(text))) + 1;
    if (!OwningReport())
        return width;
    return int(std::lround(width * Size()->Zoom() / 100.0));
}

int TQRCustomLabel::LineHeightPixels() const
{
    const int height = int(std::lround(fontSlot(Font(), ScreenPixelsPerInch()).lineHeight));
    if (!OwningReport())
        return height;
    return height * int(Size()->Zoom()) / 100;
}

double TQRCustomLabel::LineHeightNative() const
{
    // Measured unzoomed: the zoom only changes how the design is shown, never the print.
    return int(std::lround(fontSlot(Font(), ScreenPixelsPerInch()).lineHeight)) /
           (ScreenPixelsPerInch() / 254.0);
}

// --- wrapping ------------------------------------------------------------------------------

void TQRCustomLabel::wrapParagraph(const QString &text)
{
    if (AutoSize()) {
        WrappedLines.append(text);
        return;
    }
    const int limit = Width();
    QString lineSoFar;
    bool finished = false;
    auto addWord = [&](QString word) {
        if (finished)
            return;
        if (TextWidth(lineSoFar + word) <= limit) {
            lineSoFar += word;
            return;
        }
        if (lineSoFar.isEmpty()) {
            // The word alone is too wide: keep what fits of it, drop the rest.
            qsizetype i = 0;
            while (i < word.size()) {
                const qsizetype step = word[i].isHighSurrogate() && i + 1 < word.size() ? 2 : 1;
                if (TextWidth(lineSoFar + word.mid(i, step)) >= limit)
                    break;
                lineSoFar += word.mid(i, step);
                i += step;
            }
            WrappedLines.append(lineSoFar);
            lineSoFar.clear();
            word.clear();
        } else {
            WrappedLines.append(lineSoFar);
            lineSoFar.clear();
            if (TextWidth(word) > limit) {
                if (limit == 0) {
                    word.clear();
                } else {
                    while (!word.isEmpty() && TextWidth(word) > limit)
                        word.chop(word.size() >= 2 && word[word.size() - 1].isLowSurrogate() ? 2 : 1);
                    WrappedLines.append(word);
                    word.clear();
                }
            }
        }
        if (!WordWrap()) {
            finished = true;
            return;
        }
        lineSoFar += word;
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isWordEnd(text[i])) {
            addWord(text.mid(start, i + 1 - start));
            start = i + 1;
        }
    if (start < text.size())
        addWord(text.mid(start));
    if (!finished)
        WrappedLines.append(lineSoFar);
}

void TQRCustomLabel::wrapText(const QString &source)
{
    QString text = source;
    text.remove(QLatin1Char('\n'));
    if (text.contains(QLatin1Char('\r'))) {
        for (const QString &piece : text.split(QLatin1Char('\r')))
            wrapParagraph(piece);
        return;
    }
    wrapParagraph(text);
}

void TQRCustomLabel::FormatLines()
{
    if (!Parent())
        return;
    WrappedLines.clear();
    TQRCustomReport *report = OwningReport();
    const int lineHeight = LineHeightPixels();
    if (IsCaptionBased()) {
        wrapText(OutputText);
        if (report && Height() < lineHeight + 1)
            SetHeight(lineHeight + 1);
    } else if (m_lines.isEmpty()) {
        if (IsDesigning())
            wrapText(Name());
    } else if (AutoSize()) {
        WrappedLines = m_lines;
    } else {
        for (const QString &line : m_lines)
            wrapText(line);
    }

    if (AutoSize() && !m_resizing && report) {
        m_resizing = true;
        int newWidth = 0;
        for (const QString &line : WrappedLines)
            newWidth = std::max(newWidth, TextWidth(line));
        if (Frame()->DrawLeft())
            newWidth += Frame()->Width();
        if (Frame()->DrawRight())
            newWidth += Frame()->Width();
        QR::TAlignment a = Alignment();
        if (BiDiMode() == QR::bdRightToLeft && a != QR::taCenter)
            a = a == QR::taLeftJustify ? QR::taRightJustify : QR::taLeftJustify;
        int left = Left();
        if (a == QR::taRightJustify)
            left += Width() - newWidth;
        else if (a == QR::taCenter)
            left += (Width() - newWidth) / 2;
        int height = Height();
        if ((IsDesigning() && m_lines.isEmpty() && !IsCaptionBased()) || height < lineHeight + 1)
            height = lineHeight + 1;
        SetBounds(left, Top(), newWidth, height);
        m_resizing = false;
    }
    Formatted = true;
}

// --- printing ----------------------------------------------------------------------------------

void TQRCustomLabel::PrintAt(double offsetX, double offsetY)
{
    TQRCustomReport *report = OwningReport();
    TQRPrinter *printer = ParentPrinter ? ParentPrinter : (report ? report->RunPrinter() : nullptr);
    if (!IsPrintable() || !printer)
        return;
    const bool render = RenderingToCanvas();
    TQRExportFilter *filter = report ? report->RunFilter : nullptr;
    QPainter *canvas = printer->Canvas();
    const double lineHeight = LineHeightNative();

    // An OnPrint handler changes the text of this print only.
    QString savedText;
    bool restoreText = false;
    if (!OutputText.isEmpty() && OnPrint) {
        QString value = OutputText;
        OnPrint(this, value);
        if (value != OutputText) {
            savedText = OutputText;
            restoreText = true;
            OutputText = value;
            Formatted = false;
        }
    }
    FormatLines();

    // Taken after wrapping, which may have moved and resized an AutoSize element.
    double left = offsetX + Size()->NativeValue(TQRPrintableSize::LeftIndex);
    double top = offsetY + Size()->NativeValue(TQRPrintableSize::TopIndex);
    const double sizeWidth = Size()->NativeValue(TQRPrintableSize::WidthIndex);
    const double height = Size()->NativeValue(TQRPrintableSize::HeightIndex);
    const double width =
        AutoSize() ? PixelsToNative(Width(), Size()->Resolution(), Size()->Zoom()) : sizeWidth;

    if (render && canvas && !Transparent())
        QRFillRect(canvas,
                   QRect(printer->XPos(left), printer->YPos(top),
                         printer->XPos(left + width) - printer->XPos(left),
                         printer->YPos(top + height) - printer->YPos(top)),
                   ToQColor(Color()));
    if (Frame()->AnyFrame()) {
        const int inset = roundi(Frame()->Width() / 72.0 * 254);
        if (Frame()->DrawTop())
            top += inset;
        if (Frame()->DrawLeft())
            left += inset;
    }
    double bottom = top + height + 1;
    double y = top;
    double x = left;
    QR::TAlignment alignment = Alignment();
    if (AutoSize()) {
        if (alignment == QR::taRightJustify)
            x = left - (width - sizeWidth);
        else if (alignment == QR::taCenter)
            x = left - (width - sizeWidth) / 2;
    }
    if (BiDiMode() == QR::bdRightToLeft && alignment != QR::taCenter)
        alignment = alignment == QR::taLeftJustify ? QR::taRightJustify : QR::taLeftJustify;
    const double anchor = alignment == QR::taRightJustify ? x + width
                          : alignment == QR::taCenter     ? x + width / 2
                                                          : x;

    FontSlot *canvasSlot = nullptr;
    double ascent = 0;
    if (render && canvas) {
        const double dpi = canvas->device() ? canvas->device()->logicalDpiY() : ScreenPixelsPerInch();
        canvasSlot = &fontSlot(Font(), dpi, canvas->device());
        // A recorded page stores every state change; most elements of a band
        // share font and colour, so only real changes are passed on.
        if (canvas->font() != canvasSlot->font)
            canvas->setFont(canvasSlot->font);
        const QColor textColor = ToQColor(Font()->Color());
        const QPen &pen = canvas->pen();
        if (pen.color() != textColor || pen.style() != Qt::SolidLine || pen.widthF() != 1 ||
            pen.brush().style() != Qt::SolidPattern || pen.capStyle() != Qt::SquareCap ||
            pen.joinStyle() != Qt::BevelJoin || pen.isCosmetic())
            canvas->setPen(textColor);
        if (canvas->backgroundMode() != Qt::TransparentMode)
            canvas->setBackgroundMode(Qt::TransparentMode);
        ascent = canvasSlot->metrics->ascent();
        const Qt::LayoutDirection direction =
            BiDiMode() == QR::bdRightToLeft || BiDiMode() == QR::bdRightToLeftReadingOnly ? Qt::RightToLeft
                                                                                          : Qt::LeftToRight;
        if (canvas->layoutDirection() != direction)
            canvas->setLayoutDirection(direction);
    }

    m_stretched = 0;
    m_firstExpansionDone = false;
    TQRCustomBand *band = ParentBand();
    auto fits = [&]() {
        if (bottom >= y + lineHeight)
            return true;
        if (AutoStretch() && band && band->HasRoomToGrow(lineHeight)) {
            const double oldStretched = m_stretched;
            m_stretched = band->GrowBand(lineHeight, m_firstExpansionDone);
            bottom = top + height + 1 + m_stretched;
            if (render && canvas && !Transparent()) {
                const int l = printer->XPos(left), t = printer->YPos(top + height + oldStretched);
                QRFillRect(canvas,
                           QRect(l, t, printer->XPos(left + width) - l,
                                 printer->YPos(top + height + m_stretched) - t),
                           ToQColor(Color()));
            }
            return true;
        }
        return false;
    };
    auto printLine = [&](const QString &line) {
        if (render && canvas && !line.isEmpty()) {
            double px = printer->XPos(anchor);
            if (alignment != QR::taLeftJustify) {
                const double advance = canvasSlot->advance(line);
                px -= alignment == QR::taRightJustify ? advance : advance / 2;
            }
            QRDrawText(canvas, QPointF(px, printer->YPos(y) + ascent), line);
        }
        if (filter) {
            filter->SetNumberFormat(NumberFormat);
            filter->WriteTextItem(anchor, y, Font(), Color(), alignment, line);
            filter->SetNumberFormat(QString());
        }
        y += lineHeight;
    };

    const bool continuing = !PrintComplete;
    if (PrintComplete)
        NextLine = 0;
    const int firstLine = NextLine;
    while (NextLine < WrappedLines.size() && fits()) {
        printLine(WrappedLines[NextLine]);
        ++NextLine;
    }
    // A continuation at the top of a fresh page that still fits nothing
    // prints one line anyway, so that the band cannot loop forever.
    if (continuing && NextLine == firstLine && NextLine < WrappedLines.size()) {
        printLine(WrappedLines[NextLine]);
        ++NextLine;
    }
    PrintComplete = !(NextLine < WrappedLines.size() && AutoStretch());

    if (canvas && canvas->hasClipping())
        canvas->setClipping(false);
    if (restoreText) {
        OutputText = savedText;
        Formatted = false;
    }
    if (render && canvas && Frame()->AnyFrame()) {
        const int l = printer->XPos(left), t = printer->YPos(top);
        Frame()->PaintIt(
            canvas,
            QRect(l, t, printer->XPos(left + width) - l, printer->YPos(top + height + m_stretched) - t),
            printer->XFactor(), printer->YFactor());
    }
}
