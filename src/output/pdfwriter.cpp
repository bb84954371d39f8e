#include "pdfwriter.h"

#include "output/pages/qrpagesink.h"
#include "pdffile.h"
#include "pdffont.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <unordered_set>

namespace
{
// A picture's identity across pages: a logo on every page is embedded once.
struct ImageKey {
    quint64 hash = 0;
    qsizetype size = 0;
    bool bitmap = false;
    bool operator<(const ImageKey &o) const
    {
        return std::tie(hash, size, bitmap) < std::tie(o.hash, o.size, o.bitmap);
    }
    bool operator==(const ImageKey &o) const
    {
        return hash == o.hash && size == o.size && bitmap == o.bitmap;
    }
};

quint64 hashBytes(const QByteArray &b)
{
    quint64 h = 1469598103934665603ull;
    for (const char c : b)
        h = (h ^ uchar(c)) * 1099511628211ull;
    return h;
}

// A picture made ready for the file: its dictionary entries and data, and its soft mask.
struct EncodedImage {
    ImageKey key;
    bool ready = false;  // encoded here; else an earlier page's copy is used
    bool failed = false; // does not decode: left out
    double widthPx = 0, heightPx = 0;
    QByteArray dict, data;
    bool deflated = false;
    QByteArray maskDict, maskData; // the alpha channel, when there is one
};

// The hatch brushes, drawn as tiling patterns of the document.
enum Hatch { HatchHor, HatchVer, HatchCross, HatchBDiag, HatchFDiag, HatchDiagCross, HatchCount };

// Everything a page's encoding hands the writing thread.
struct PageResult {
    QByteArray content; // deflated
    double widthPt = 0, heightPt = 0;
    double scale = 0.75;                                             // points per page pixel
    std::vector<TQRPdfFace *> fonts;                                 // by page font name /F<i>
    std::vector<std::tuple<TQRPdfFace *, quint32, char32_t>> glyphs; // drawn, with what they stand for
    std::vector<EncodedImage> images;                                // by page picture name /I<i>
    std::vector<std::pair<double, double>> alphas;                   // by /G<i>: fill, stroke
    bool hatches[HatchCount] = {};
    QString error;
};

// The document-wide bookkeeping the encoding threads share.
struct Shared {
    TQRPdfFontRegistry fonts;
    std::mutex imageMutex;
    std::set<ImageKey> writtenImages; // pictures the file has already
};

void num(QByteArray &out, double v)
{
    PdfAppendNumber(out, v, 2);
}

void colourComponent(QByteArray &out, int v)
{
    PdfAppendNumber(out, v / 255.0, 3);
}

// The width, height and colour components of a JPEG file, from its frame header.
bool jpegFrame(const QByteArray &b, int *w, int *h, int *components, bool *adobe)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData());
    const qsizetype n = b.size();
    *adobe = false;
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return false;
    qsizetype i = 2;
    while (i + 4 <= n) {
        if (p[i] != 0xFF)
            return false;
        const uchar marker = p[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        const int length = (p[i + 2] << 8) | p[i + 3];
        if (length < 2 || i + 2 + length > n)
            return false;
        if (marker == 0xEE && length >= 7 && std::memcmp(p + i + 4, "Adobe", 5) == 0)
            *adobe = true;
        // Start of frame, baseline or progressive, Huffman coded.
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (length < 8)
                return false;
            *h = (p[i + 5] << 8) | p[i + 6];
            *w = (p[i + 7] << 8) | p[i + 8];
            *components = p[i + 9];
            return *w > 0 && *h > 0 && (*components == 1 || *components == 3 || *components == 4) &&
                   p[i + 4] == 8;
        }
        i += 2 + length;
    }
    return false;
}

// Turns a page picture into the image objects' contents; false when it does not decode.
bool encodeImage(const TQRPageImage &image, TQRPdfDeflater &deflater, EncodedImage *out)
{
    int w = 0, h = 0, components = 0;
    bool adobe = false;
    if (!image.bitmap && jpegFrame(image.bytes, &w, &h, &components, &adobe)) {
        // A JPEG goes in as it stands.
        out->dict = "/Type/XObject/Subtype/Image/Width " + QByteArray::number(w) + "/Height " +
                    QByteArray::number(h) + "/BitsPerComponent 8/ColorSpace" +
                    (components == 1   ? "/DeviceGray"
                     : components == 3 ? "/DeviceRGB"
                                       : "/DeviceCMYK") +
                    (components == 4 && adobe ? "/Decode[1 0 1 0 1 0 1 0]" : "") + "/Filter/DCTDecode";
        out->data = image.bytes;
        out->deflated = false;
        return true;
    }
    const QImage decoded = image.Decoded();
    if (decoded.isNull())
        return false;
    w = decoded.width();
    h = decoded.height();
    const QByteArray size = "/Width " + QByteArray::number(w) + "/Height " + QByteArray::number(h);
    if (image.bitmap) {
        // Set bits are drawn in the pen colour, clear ones leave the page as it is.
        const QImage mono = decoded.convertToFormat(QImage::Format_ARGB32);
        const int stride = (w + 7) / 8;
        QByteArray bits(qsizetype(stride) * h, '\0');
        for (int y = 0; y < h; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(mono.constScanLine(y));
            for (int x = 0; x < w; ++x)
                if (qAlpha(line[x]) > 127 && qGray(line[x]) < 128)
                    bits[qsizetype(y) * stride + x / 8] =
                        char(bits[qsizetype(y) * stride + x / 8] | (0x80 >> (x % 8)));
        }
        out->dict = "/Type/XObject/Subtype/Image" + size + "/ImageMask true/BitsPerComponent 1/Decode[1 0]";
        out->data = deflater.Deflate(bits);
        out->deflated = true;
        return true;
    }
    const bool alpha = decoded.hasAlphaChannel();
    const QImage rgba = decoded.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const bool gray = rgba.allGray();
    const int channels = gray ? 1 : 3;
    QByteArray pixels(qsizetype(w) * h * channels, '\0');
    QByteArray mask;
    bool translucent = false;
    if (alpha)
        mask.resize(qsizetype(w) * h);
    char *px = pixels.data();
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgba.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x];
            if (gray) {
                *px++ = char(qRed(c));
            } else {
                *px++ = char(qRed(c));
                *px++ = char(qGreen(c));
                *px++ = char(qBlue(c));
            }
            if (alpha) {
                mask[qsizetype(y) * w + x] = char(qAlpha(c));
                translucent = translucent || qAlpha(c) != 255;
            }
        }
    }
    out->dict = "/Type/XObject/Subtype/Image" + size + "/BitsPerComponent 8/ColorSpace" +
                (gray ? "/DeviceGray" : "/DeviceRGB");
    out->data = deflater.Deflate(pixels);
    out->deflated = true;
    if (translucent) {
        out->maskDict = "/Type/XObject/Subtype/Image" + size + "/BitsPerComponent 8/ColorSpace/DeviceGray";
        out->maskData = deflater.Deflate(mask);
    }
    return true;
}

// --- a page's content ----------------------------------------------------------------------------

// Turns one page's commands into its content stream.
class PageEncoder : public TQRPageSink
{
public:
    PageEncoder(Shared *shared, TQRPdfShaper *shaper, TQRPdfDeflater *deflater, PageResult *result)
        : m_shared(shared), m_shaper(shaper), m_deflater(deflater), m_result(result)
    {
    }

    void Begin(const QSize &size, int dpi)
    {
        m_out.clear();
        m_scale = 72.0 / dpi;
        m_result->scale = m_scale;
        m_result->widthPt = size.width() * m_scale;
        m_result->heightPt = size.height() * m_scale;
        // Page pixels from the top left corner, as recorded.
        num(m_out, m_scale);
        m_out += " 0 0 ";
        num(m_out, -m_scale);
        m_out += " 0 ";
        num(m_out, m_result->heightPt);
        m_out += " cm\n";
    }
    void End()
    {
        endText();
        if (m_groupOpen)
            m_out += "Q\n";
        m_result->content = m_deflater->Deflate(m_out);
    }

    void Rects(const QRectF *rects, int count, const TQRPageState &state) override
    {
        const bool stroke = startStroke(state), fill = startFill(state);
        if (!stroke && !fill)
            return;
        for (int i = 0; i < count; ++i)
            rect(rects[i]);
        paint(fill, stroke, false);
    }
    void Fill(const QRectF &r, const QColor &colour, const TQRPageState &state) override
    {
        enter(state);
        endText();
        if (!fillColour(colour, state.opacity))
            return;
        rect(r);
        m_out += "f\n";
    }
    void Lines(const QLineF *lines, int count, const TQRPageState &state) override
    {
        if (!startStroke(state))
            return;
        for (int i = 0; i < count; ++i) {
            point(lines[i].p1(), " m ");
            point(lines[i].p2(), " l\n");
        }
        m_out += "S\n";
    }
    void Ellipse(const QRectF &r, const TQRPageState &state) override
    {
        const bool stroke = startStroke(state), fill = startFill(state);
        if (!stroke && !fill)
            return;
        QPainterPath path;
        path.addEllipse(r);
        pathElements(path);
        paint(fill, stroke, false);
    }
    void Path(const QPainterPath &path, const TQRPageState &state) override
    {
        const bool stroke = startStroke(state), fill = startFill(state);
        if (!stroke && !fill)
            return;
        pathElements(path);
        paint(fill, stroke, path.fillRule() == Qt::OddEvenFill);
    }
    void Polygon(const QPointF *points, int count, bool polyline, Qt::FillRule rule,
                 const TQRPageState &state) override
    {
        if (count < 2)
            return;
        const bool stroke = startStroke(state), fill = !polyline && startFill(state);
        if (!stroke && !fill)
            return;
        point(points[0], " m\n");
        for (int i = 1; i < count; ++i)
            point(points[i], " l\n");
        if (!polyline)
            m_out += "h\n";
        paint(fill, stroke, rule == Qt::OddEvenFill);
    }
    void Points(const QPointF *points, int count, const TQRPageState &state) override
    {
        TQRPageState dot = state;
        if (dot.pen.widthF() < 1)
            dot.pen.setWidthF(1);
        if (!startStroke(dot))
            return;
        for (int i = 0; i < count; ++i) {
            point(points[i], " m ");
            point(points[i], " l\n");
        }
        m_out += "S\n";
    }
    void Image(const QRectF &target, const TQRPageImage &image, const QRectF &source,
               const TQRPageState &state) override
    {
        const int index = imageIndex(image);
        if (index < 0)
            return;
        const EncodedImage &e = m_result->images[size_t(index)];
        const double w = e.widthPx, h = e.heightPx;
        enter(state);
        endText();
        if (image.bitmap) {
            if (!fillColour(state.pen.color(), state.opacity))
                return;
        } else {
            alpha(state.opacity, m_strokeAlpha);
        }
        QRectF src = source.isValid() ? source : QRectF(0, 0, w, h);
        if (src.width() <= 0 || src.height() <= 0 || w <= 0 || h <= 0)
            return;
        const bool whole = std::abs(src.x()) < 1e-6 && std::abs(src.y()) < 1e-6 &&
                           std::abs(src.width() - w) < 1e-6 && std::abs(src.height() - h) < 1e-6;
        m_out += "q\n";
        if (!whole) {
            rect(target);
            m_out += "W n\n";
        }
        // The picture's unit square, top row first, onto where its source part lands in target.
        const double sx = target.width() / src.width(), sy = target.height() / src.height();
        const double x = target.x() - src.x() * sx, y = target.y() - src.y() * sy;
        num(m_out, w * sx);
        m_out += " 0 0 ";
        num(m_out, -h * sy);
        m_out += ' ';
        num(m_out, x);
        m_out += ' ';
        num(m_out, y + h * sy);
        m_out += " cm /I" + QByteArray::number(index) + " Do Q\n";
    }
    void Tiled(const QRectF &target, const TQRPageImage &image, const QPointF &offset,
               const TQRPageState &state) override
    {
        const int index = imageIndex(image);
        if (index < 0)
            return;
        const EncodedImage &e = m_result->images[size_t(index)];
        const double w = e.widthPx, h = e.heightPx;
        if (w <= 0 || h <= 0 || target.width() <= 0 || target.height() <= 0)
            return;
        // Beyond this a tiling is a texture nobody reads tile by tile.
        const double tiles = std::ceil(target.width() / w + 1) * std::ceil(target.height() / h + 1);
        if (tiles > 4096)
            return;
        enter(state);
        endText();
        if (image.bitmap) {
            if (!fillColour(state.pen.color(), state.opacity))
                return;
        } else {
            alpha(state.opacity, m_strokeAlpha);
        }
        m_out += "q\n";
        rect(target);
        m_out += "W n\n";
        const double ox = std::fmod(offset.x(), w), oy = std::fmod(offset.y(), h);
        for (double y = target.y() - oy; y < target.bottom(); y += h)
            for (double x = target.x() - ox; x < target.right(); x += w) {
                m_out += "q ";
                num(m_out, w);
                m_out += " 0 0 ";
                num(m_out, -h);
                m_out += ' ';
                num(m_out, x);
                m_out += ' ';
                num(m_out, y + h);
                m_out += " cm /I" + QByteArray::number(index) + " Do Q\n";
            }
        m_out += "Q\n";
    }
    void Text(const QPointF &baseline, const QString &text, bool rightToLeft,
              const TQRPageState &state) override
    {
        if (text.isEmpty() || state.pen.style() == Qt::NoPen)
            return;
        const double advance = m_shaper->Shape(state.font, text, rightToLeft, &m_runs);
        if (m_runs.empty())
            return;
        enter(state);
        const QColor colour = state.pen.brush().color();
        if (!m_inText) {
            m_out += "BT\n";
            m_inText = true;
            m_lineValid = false;
        }
        if (!fillColour(colour, state.opacity))
            return;
        const bool span = !m_runs.front().actualText.isEmpty();
        if (span) {
            m_out += "/Span<</ActualText";
            PdfAppendTextString(m_out, m_runs.front().actualText);
            m_out += ">>BDC\n";
        }
        for (const TQRPdfGlyphRun &run : m_runs)
            glyphRun(run, baseline, colour);
        if (span)
            m_out += "EMC\n";
        const QFont &f = state.font;
        if (f.underline() || f.strikeOut() || f.overline())
            decorate(baseline, advance, state, colour);
    }

private:
    // Puts the drawing into the state's clip and transform, leaving them only when they change.
    void enter(const TQRPageState &state)
    {
        static const std::vector<QPainterPath> none;
        const std::vector<QPainterPath> &clip = state.clipping ? state.clip : none;
        if (m_groupKnown && state.transform == m_transform && clip == m_clip)
            return;
        endText();
        if (m_groupOpen)
            m_out += "Q\n";
        m_groupOpen = false;
        m_groupKnown = true;
        m_transform = state.transform;
        m_clip = clip;
        forget();
        if (clip.empty() && state.transform.isIdentity())
            return;
        m_out += "q\n";
        m_groupOpen = true;
        for (const QPainterPath &path : clip) {
            if (path.isEmpty())
                m_out += "0 0 0 0 re\n";
            else
                pathElements(path);
            m_out += path.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
        }
        if (!state.transform.isIdentity()) {
            const QTransform &t = state.transform;
            for (double v : {t.m11(), t.m12(), t.m21(), t.m22()}) {
                PdfAppendNumber(m_out, v, 5);
                m_out += ' ';
            }
            num(m_out, t.dx());
            m_out += ' ';
            num(m_out, t.dy());
            m_out += " cm\n";
        }
    }
    // What a restored graphics state has lost.
    void forget()
    {
        m_fillKnown = m_strokeKnown = m_lineKnown = false;
        m_fillAlpha = m_strokeAlpha = 1.0;
        m_lineValid = false;
        m_boldMode = false;
        m_faceIndex = -1;
    }
    void endText()
    {
        if (m_inText) {
            m_out += "ET\n";
            m_inText = false;
            m_faceIndex = -1;
        }
    }

    void point(const QPointF &p, const char *op)
    {
        num(m_out, p.x());
        m_out += ' ';
        num(m_out, p.y());
        m_out += op;
    }
    void rect(const QRectF &r)
    {
        num(m_out, r.x());
        m_out += ' ';
        num(m_out, r.y());
        m_out += ' ';
        num(m_out, r.width());
        m_out += ' ';
        num(m_out, r.height());
        m_out += " re\n";
    }
    void pathElements(const QPainterPath &path)
    {
        const int n = path.elementCount();
        for (int i = 0; i < n; ++i) {
            const QPainterPath::Element &e = path.elementAt(i);
            if (e.type == QPainterPath::MoveToElement) {
                point(e, " m\n");
            } else if (e.type == QPainterPath::LineToElement) {
                point(e, " l\n");
            } else if (e.type == QPainterPath::CurveToElement && i + 2 < n) {
                point(e, " ");
                point(path.elementAt(i + 1), " ");
                point(path.elementAt(i + 2), " c\n");
                i += 2;
            }
        }
    }
    void paint(bool fill, bool stroke, bool evenOdd)
    {
        if (fill && stroke)
            m_out += evenOdd ? "B*\n" : "B\n";
        else if (fill)
            m_out += evenOdd ? "f*\n" : "f\n";
        else
            m_out += "S\n";
        if (m_patternFill)
            m_fillKnown = false;
        m_patternFill = false;
    }

    void alpha(double fill, double stroke)
    {
        fill = std::clamp(fill, 0.0, 1.0);
        stroke = std::clamp(stroke, 0.0, 1.0);
        if (std::abs(fill - m_fillAlpha) < 0.002 && std::abs(stroke - m_strokeAlpha) < 0.002)
            return;
        auto &alphas = m_result->alphas;
        size_t i = 0;
        while (i < alphas.size() &&
               (std::abs(alphas[i].first - fill) >= 0.002 || std::abs(alphas[i].second - stroke) >= 0.002))
            ++i;
        if (i == alphas.size())
            alphas.emplace_back(fill, stroke);
        m_out += "/G" + QByteArray::number(qsizetype(i)) + " gs\n";
        m_fillAlpha = fill;
        m_strokeAlpha = stroke;
    }
    // Sets the fill colour; false when it is fully transparent and nothing need be drawn.
    bool fillColour(const QColor &c, double opacity)
    {
        const double a = c.alphaF() * opacity;
        if (a <= 0)
            return false;
        alpha(a, m_strokeAlpha);
        const QRgb rgb = c.rgb() & 0xffffff;
        if (m_fillKnown && rgb == m_fill)
            return true;
        colour(c, "g\n", "rg\n");
        m_fill = rgb;
        m_fillKnown = true;
        return true;
    }
    bool strokeColour(const QColor &c, double opacity)
    {
        const double a = c.alphaF() * opacity;
        if (a <= 0)
            return false;
        alpha(m_fillAlpha, a);
        const QRgb rgb = c.rgb() & 0xffffff;
        if (m_strokeKnown && rgb == m_stroke)
            return true;
        colour(c, "G\n", "RG\n");
        m_stroke = rgb;
        m_strokeKnown = true;
        return true;
    }
    void colour(const QColor &c, const char *grayOp, const char *rgbOp)
    {
        const int r = c.red(), g = c.green(), b = c.blue();
        colourComponent(m_out, r);
        if (r == g && g == b) {
            m_out += ' ';
            m_out += grayOp;
            return;
        }
        m_out += ' ';
        colourComponent(m_out, g);
        m_out += ' ';
        colourComponent(m_out, b);
        m_out += ' ';
        m_out += rgbOp;
    }

    // Sets up the pen for the next path; false when it draws nothing.
    bool startStroke(const TQRPageState &state)
    {
        const QPen &pen = state.pen;
        enter(state);
        endText();
        if (pen.style() == Qt::NoPen || pen.brush().style() == Qt::NoBrush)
            return false;
        if (!strokeColour(pen.brush().color(), state.opacity))
            return false;
        const double width = pen.widthF();
        const int cap = pen.capStyle() == Qt::RoundCap ? 1 : pen.capStyle() == Qt::SquareCap ? 2 : 0;
        const int join = pen.joinStyle() == Qt::RoundJoin ? 1 : pen.joinStyle() == Qt::BevelJoin ? 2 : 0;
        QList<qreal> dashes;
        if (pen.style() != Qt::SolidLine)
            dashes = pen.dashPattern();
        if (m_lineKnown && width == m_lineWidth && cap == m_cap && join == m_join && dashes == m_dashes &&
            pen.dashOffset() == m_dashOffset)
            return true;
        // A cosmetic pen of no width is the thinnest line the device draws, as PDF's width 0.
        num(m_out, width);
        m_out += " w " + QByteArray::number(cap) + " J " + QByteArray::number(join) + " j\n";
        // Qt's dashes are in pen widths, at least one pixel long.
        const double unit = std::max(width, 1.0);
        bool any = false;
        for (qreal d : dashes)
            any = any || d > 0;
        m_out += '[';
        for (qreal d : any ? dashes : QList<qreal>()) {
            num(m_out, d * unit);
            m_out += ' ';
        }
        m_out += "] ";
        num(m_out, any ? pen.dashOffset() * unit : 0);
        m_out += " d\n";
        m_lineKnown = true;
        m_lineWidth = width;
        m_cap = cap;
        m_join = join;
        m_dashes = dashes;
        m_dashOffset = pen.dashOffset();
        return true;
    }
    // Sets up the brush for the next path; false when it fills nothing.
    bool startFill(const TQRPageState &state)
    {
        const QBrush &brush = state.brush;
        enter(state);
        endText();
        const Qt::BrushStyle style = brush.style();
        // Texture brushes are not drawn: their colour would paint a solid block instead.
        if (style == Qt::NoBrush || style == Qt::TexturePattern)
            return false;
        double coverage = 1.0;
        int hatch = -1;
        switch (style) {
        case Qt::Dense1Pattern:
            coverage = 0.94;
            break;
        case Qt::Dense2Pattern:
            coverage = 0.88;
            break;
        case Qt::Dense3Pattern:
            coverage = 0.63;
            break;
        case Qt::Dense4Pattern:
            coverage = 0.5;
            break;
        case Qt::Dense5Pattern:
            coverage = 0.37;
            break;
        case Qt::Dense6Pattern:
            coverage = 0.12;
            break;
        case Qt::Dense7Pattern:
            coverage = 0.06;
            break;
        case Qt::HorPattern:
            hatch = HatchHor;
            break;
        case Qt::VerPattern:
            hatch = HatchVer;
            break;
        case Qt::CrossPattern:
            hatch = HatchCross;
            break;
        case Qt::BDiagPattern:
            hatch = HatchBDiag;
            break;
        case Qt::FDiagPattern:
            hatch = HatchFDiag;
            break;
        case Qt::DiagCrossPattern:
            hatch = HatchDiagCross;
            break;
        default:
            break;
        }
        QColor c = brush.color();
        if (const QGradient *g = brush.gradient(); g && !g->stops().isEmpty())
            c = g->stops().first().second; // a gradient is drawn in its first colour
        if (hatch < 0)
            return fillColour(c, state.opacity * coverage);
        const double a = c.alphaF() * state.opacity;
        if (a <= 0)
            return false;
        alpha(a, m_strokeAlpha);
        m_result->hatches[hatch] = true;
        m_out += "/PC cs ";
        colourComponent(m_out, c.red());
        m_out += ' ';
        colourComponent(m_out, c.green());
        m_out += ' ';
        colourComponent(m_out, c.blue());
        m_out += " /H" + QByteArray::number(hatch) + " scn\n";
        m_patternFill = true;
        m_fillKnown = false;
        return true;
    }

    int imageIndex(const TQRPageImage &image)
    {
        ImageKey key{hashBytes(image.bytes), image.bytes.size(), image.bitmap};
        auto &images = m_result->images;
        for (size_t i = 0; i < images.size(); ++i)
            if (images[i].key == key)
                return images[i].failed ? -1 : int(i);
        EncodedImage e;
        e.key = key;
        bool known;
        {
            std::lock_guard<std::mutex> lock(m_shared->imageMutex);
            known = m_shared->writtenImages.count(key) > 0;
        }
        // The size is needed either way, to place it.
        const QImage decoded = image.Decoded();
        int jw = 0, jh = 0, jc = 0;
        bool adobe = false;
        if (!decoded.isNull()) {
            e.widthPx = decoded.width();
            e.heightPx = decoded.height();
        } else if (jpegFrame(image.bytes, &jw, &jh, &jc, &adobe)) {
            e.widthPx = jw;
            e.heightPx = jh;
        } else {
            e.failed = true;
        }
        if (!e.failed && !known) {
            e.ready = encodeImage(image, *m_deflater, &e);
            e.failed = !e.ready;
        }
        images.push_back(std::move(e));
        return images.back().failed ? -1 : int(images.size() - 1);
    }

    void glyphRun(const TQRPdfGlyphRun &run, const QPointF &origin, const QColor &colour)
    {
        if (run.glyphs.empty() || !run.face)
            return;
        // The page's name for the face.
        auto &fonts = m_result->fonts;
        const auto found = std::find(fonts.begin(), fonts.end(), run.face);
        const int face = int(found - fonts.begin());
        if (found == fonts.end())
            fonts.push_back(run.face);
        const double size = run.pixelSize;
        if (face != m_faceIndex || size != m_fontSize) {
            m_out += "/F" + QByteArray::number(face) + ' ';
            PdfAppendNumber(m_out, size, 3);
            m_out += " Tf\n";
            m_faceIndex = face;
            m_fontSize = size;
        }
        if (run.syntheticBold != m_boldMode) {
            if (run.syntheticBold) {
                // Qt thickens the outlines of a face that has no bold: stroked as well as filled.
                strokeColour(colour, m_fillAlpha);
                num(m_out, size / 30.0);
                m_out += " w 2 Tr\n";
                m_lineKnown = false;
            } else {
                m_out += "0 Tr\n";
            }
            m_boldMode = run.syntheticBold;
        }
        for (size_t i = 0; i < run.glyphs.size(); ++i)
            m_result->glyphs.emplace_back(run.face, run.glyphs[i], run.unicodes[i]);

        const double scale = 1000.0 / size;
        size_t i = 0;
        while (i < run.glyphs.size()) {
            // A piece of glyphs on one baseline, set from one text position.
            const QPointF start = origin + run.positions[i];
            moveTo(start, run.syntheticItalic);
            double pdfX = start.x(); // where the reader puts the next glyph
            QByteArray &glyphs = m_glyphBytes, &array = m_array;
            glyphs.resize(0);
            array.resize(0);
            bool adjusted = false;
            size_t k = i;
            for (; k < run.glyphs.size(); ++k) {
                const QPointF at = origin + run.positions[k];
                if (k > i && std::abs(at.y() - start.y()) > 0.01)
                    break;
                // Qt's advances differ from the font's widths by hinting's fractions of a pixel;
                // moves are written once they add up to something one could see.
                const double diff = at.x() - pdfX;
                const int adjust = std::abs(diff) < 0.04 ? 0 : int(std::lround(-diff * scale));
                if (adjust != 0) {
                    if (!glyphs.isEmpty())
                        PdfAppendLiteral(array, glyphs.constData(), glyphs.size());
                    glyphs.resize(0);
                    array += QByteArray::number(adjust);
                    adjusted = true;
                    pdfX -= adjust / scale;
                }
                const quint32 g = run.glyphs[k];
                glyphs.append(char((g >> 8) & 0xff));
                glyphs.append(char(g & 0xff));
                pdfX += run.face->Width(g) / scale;
            }
            if (adjusted) {
                if (!glyphs.isEmpty())
                    PdfAppendLiteral(array, glyphs.constData(), glyphs.size());
                m_out += '[';
                m_out += array;
                m_out += "]TJ\n";
            } else {
                PdfAppendLiteral(m_out, glyphs.constData(), glyphs.size());
                m_out += "Tj\n";
            }
            i = k;
        }
    }
    // Starts the next glyphs at p: relative to the last start where that is known.
    void moveTo(const QPointF &p, bool slanted)
    {
        if (m_lineValid && !slanted && !m_lineSlanted) {
            num(m_out, p.x() - m_line.x());
            m_out += ' ';
            num(m_out, m_line.y() - p.y());
            m_out += " Td\n";
        } else {
            // Text space upright on the page's downward axis; slanted as Qt slants a face without italics.
            m_out += slanted ? "1 0 -0.2 -1 " : "1 0 0 -1 ";
            num(m_out, p.x());
            m_out += ' ';
            num(m_out, p.y());
            m_out += " Tm\n";
        }
        // Td works on the rounded numbers written, so the next move starts from those.
        m_line = QPointF(std::round(p.x() * 100) / 100, std::round(p.y() * 100) / 100);
        m_lineValid = true;
        m_lineSlanted = slanted;
    }
    // Underline, overline and strike-out lines, as the painter draws them.
    void decorate(const QPointF &baseline, double width, const TQRPageState &state, const QColor &colour)
    {
        const QFontMetricsF m(m_shaper->Resolved(state.font));
        const double thickness = std::max(m.lineWidth(), 1.0);
        endText();
        if (!fillColour(colour, state.opacity))
            return;
        const QFont &f = state.font;
        auto line = [&](double y) {
            rect(QRectF(baseline.x(), baseline.y() + y, width, thickness));
            m_out += "f\n";
        };
        if (f.underline())
            line(m.underlinePos());
        if (f.strikeOut())
            line(-m.strikeOutPos());
        if (f.overline())
            line(-m.overlinePos());
    }

    Shared *m_shared;
    TQRPdfShaper *m_shaper;
    TQRPdfDeflater *m_deflater;
    PageResult *m_result;
    QByteArray m_out;
    double m_scale = 0.75;
    std::vector<TQRPdfGlyphRun> m_runs;
    QByteArray m_glyphBytes, m_array; // a run's glyphs and its TJ array, kept for their room
    // The clip and transform the drawing is in.
    bool m_groupKnown = false, m_groupOpen = false;
    QTransform m_transform;
    std::vector<QPainterPath> m_clip;
    // Graphics state written since the last restore.
    bool m_fillKnown = false, m_strokeKnown = false, m_lineKnown = false, m_patternFill = false;
    QRgb m_fill = 0, m_stroke = 0;
    double m_fillAlpha = 1.0, m_strokeAlpha = 1.0;
    double m_lineWidth = 1;
    int m_cap = 0, m_join = 0;
    QList<qreal> m_dashes;
    double m_dashOffset = 0;
    // The text object.
    bool m_inText = false, m_lineValid = false, m_lineSlanted = false, m_boldMode = false;
    QPointF m_line;
    int m_faceIndex = -1;
    double m_fontSize = 0;
};

// One page picture's encoding, and the page's number in the document.
struct Job {
    int n = 0;
    TQRPagePicture page;
    PageResult result;
    bool done = false;
};

// The threads that encode pages, each with its own layout caches and compressor.
class Encoders
{
public:
    Encoders(Shared *shared, int threads, bool directText) : m_shared(shared), m_directText(directText)
    {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { run(); });
    }
    ~Encoders()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        for (std::thread &t : m_threads)
            t.join();
    }
    // Hands job to the next free thread; with no threads it is encoded here and now.
    void Submit(Job *job)
    {
        if (m_threads.empty()) {
            encode(job, local());
            job->done = true;
            return;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(job);
        }
        m_wake.notify_one();
    }
    // Waits until job is encoded.
    void Wait(Job *job)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_doneSignal.wait(lock, [job] { return job->done; });
    }

private:
    struct Tools {
        std::unique_ptr<TQRPdfShaper> shaper;
        int dpi = 0;
        TQRPdfDeflater deflater{6};
    };
    Tools &local()
    {
        if (!m_local)
            m_local = std::make_unique<Tools>();
        return *m_local;
    }
    void encode(Job *job, Tools &tools)
    {
        const int dpi = job->page.Dpi();
        if (!tools.shaper || tools.dpi != dpi) {
            tools.shaper = std::make_unique<TQRPdfShaper>(&m_shared->fonts, dpi);
            tools.shaper->SetDirect(m_directText);
            tools.dpi = dpi;
        }
        PageEncoder encoder(m_shared, tools.shaper.get(), &tools.deflater, &job->result);
        encoder.Begin(job->page.Size(), dpi);
        QString error;
        if (!VisitPage(job->page, &encoder, &error, true))
            job->result.error = error;
        encoder.End();
        job->page = TQRPagePicture(); // its bytes are not needed any more
    }
    void run()
    {
        Tools tools;
        for (;;) {
            Job *job = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                job = m_queue.front();
                m_queue.pop_front();
            }
            encode(job, tools);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                job->done = true;
            }
            m_doneSignal.notify_all();
        }
    }

    Shared *m_shared;
    bool m_directText;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_doneSignal;
    std::deque<Job *> m_queue;
    bool m_stop = false;
    std::unique_ptr<Tools> m_local;
};

// The hatch pattern cells, 8 page pixels square, lines one pixel wide.
QByteArray hatchCell(int hatch)
{
    switch (hatch) {
    case HatchHor:
        return "0 3.5 m 8 3.5 l S";
    case HatchVer:
        return "3.5 0 m 3.5 8 l S";
    case HatchCross:
        return "0 3.5 m 8 3.5 l S 3.5 0 m 3.5 8 l S";
    case HatchBDiag:
        return "-1 9 m 9 -1 l S -1 1 m 1 -1 l S 7 9 m 9 7 l S";
    case HatchFDiag:
        return "-1 -1 m 9 9 l S -1 7 m 1 9 l S 7 -1 m 9 1 l S";
    default:
        return "-1 -1 m 9 9 l S -1 7 m 1 9 l S 7 -1 m 9 1 l S -1 9 m 9 -1 l S -1 1 m 1 -1 l S 7 9 m 9 7 l S";
    }
}
} // namespace

TQRPdfWriter::TQRPdfWriter(QIODevice *device) : m_device(device) {}

bool TQRPdfWriter::Write(int count, const PageSource &source, QString *error)
{
    auto failed = [error](const QString &what) {
        if (error)
            *error = what;
        return false;
    };
    if (count < 1)
        return failed(QStringLiteral("there are no pages to write"));
    Shared shared;
    shared.fonts.SetSubsetting(m_subset);
    TQRPdfFile file(m_device);
    file.Begin();
    const int catalog = file.Reserve(), pagesObject = file.Reserve(), info = file.Reserve();
    std::vector<int> pageObjects;
    pageObjects.reserve(size_t(count));
    std::map<ImageKey, int> imageObjects;
    int hatchObjects[HatchCount] = {};
    double pageHeightPt = 0, pageScale = 0; // of the pages the hatch patterns were made for

    const int threads = m_threads > 0 ? m_threads : std::max(1, QThread::idealThreadCount());
    // Pages in flight: enough to keep every thread busy, few enough to keep memory flat.
    const size_t window = size_t(threads) * 3;
    std::deque<std::unique_ptr<Job>> jobs;
    QString problem;
    {
        Encoders encoders(&shared, count > 1 && threads > 1 ? threads : 0, m_directText);
        int next = 1;
        for (int written = 1; written <= count && problem.isEmpty();) {
            while (next <= count && jobs.size() < window && problem.isEmpty()) {
                auto job = std::make_unique<Job>();
                job->n = next;
                QString e;
                if (!source(next, &job->page, &e)) {
                    problem = e.isEmpty() ? QStringLiteral("page %1 cannot be read").arg(next) : e;
                    break;
                }
                encoders.Submit(job.get());
                jobs.push_back(std::move(job));
                ++next;
            }
            if (jobs.empty())
                break;
            Job *job = jobs.front().get();
            encoders.Wait(job);
            PageResult &r = job->result;
            if (!r.error.isEmpty()) {
                problem = QStringLiteral("page %1: %2").arg(job->n).arg(r.error);
                break;
            }
            for (const auto &[face, glyph, unicode] : r.glyphs)
                face->Use(glyph, unicode);
            QByteArray resources("/Resources<<");
            if (!r.fonts.empty()) {
                resources += "/Font<<";
                for (size_t i = 0; i < r.fonts.size(); ++i)
                    resources += "/F" + QByteArray::number(qsizetype(i)) + ' ' +
                                 QByteArray::number(r.fonts[i]->ObjectNumber(&file)) + " 0 R";
                resources += ">>";
            }
            if (!r.images.empty()) {
                resources += "/XObject<<";
                for (size_t i = 0; i < r.images.size(); ++i) {
                    EncodedImage &e = r.images[i];
                    if (e.failed)
                        continue;
                    auto it = imageObjects.find(e.key);
                    if (it == imageObjects.end()) {
                        if (!e.ready) {
                            problem = QStringLiteral("page %1: a picture was lost").arg(job->n);
                            break;
                        }
                        const int object = file.Reserve();
                        QByteArray dict = e.dict;
                        if (!e.maskDict.isEmpty()) {
                            const int mask = file.Reserve();
                            file.Stream(mask, e.maskDict, e.maskData, false, true);
                            dict += "/SMask " + QByteArray::number(mask) + " 0 R";
                        }
                        file.Stream(object, dict, e.data, false, e.deflated);
                        it = imageObjects.emplace(e.key, object).first;
                        std::lock_guard<std::mutex> lock(shared.imageMutex);
                        shared.writtenImages.insert(e.key);
                    }
                    resources += "/I" + QByteArray::number(qsizetype(i)) + ' ' +
                                 QByteArray::number(it->second) + " 0 R";
                }
                resources += ">>";
            }
            if (!r.alphas.empty()) {
                resources += "/ExtGState<<";
                for (size_t i = 0; i < r.alphas.size(); ++i) {
                    resources += "/G" + QByteArray::number(qsizetype(i)) + "<</ca ";
                    PdfAppendNumber(resources, r.alphas[i].first, 3);
                    resources += "/CA ";
                    PdfAppendNumber(resources, r.alphas[i].second, 3);
                    resources += ">>";
                }
                resources += ">>";
            }
            bool anyHatch = false;
            for (int h = 0; h < HatchCount; ++h)
                anyHatch = anyHatch || r.hatches[h];
            if (anyHatch) {
                resources += "/ColorSpace<</PC[/Pattern/DeviceRGB]>>/Pattern<<";
                for (int h = 0; h < HatchCount; ++h) {
                    if (!r.hatches[h])
                        continue;
                    if (!hatchObjects[h] || pageHeightPt != r.heightPt || pageScale != r.scale) {
                        // The cell is in page pixels from the top left, like the page's drawing.
                        hatchObjects[h] = file.Reserve();
                        QByteArray dict("/Type/Pattern/PatternType 1/PaintType 2/TilingType 1/BBox[0 0 8 8]"
                                        "/XStep 8/YStep 8/Resources<<>>/Matrix[");
                        const double s = r.scale;
                        PdfAppendNumber(dict, s, 5);
                        dict += " 0 0 ";
                        PdfAppendNumber(dict, -s, 5);
                        dict += " 0 ";
                        PdfAppendNumber(dict, r.heightPt, 2);
                        dict += ']';
                        file.Stream(hatchObjects[h], dict, "1 w " + hatchCell(h), true);
                    }
                    resources +=
                        "/H" + QByteArray::number(h) + ' ' + QByteArray::number(hatchObjects[h]) + " 0 R";
                }
                resources += ">>";
                pageHeightPt = r.heightPt;
                pageScale = r.scale;
            }
            resources += ">>";
            if (!problem.isEmpty())
                break;
            const int content = file.Reserve(), page = file.Reserve();
            file.Stream(content, QByteArray(), r.content, false, true);
            QByteArray dict("<</Type/Page/Parent ");
            dict += QByteArray::number(pagesObject) + " 0 R/MediaBox[0 0 ";
            PdfAppendNumber(dict, r.widthPt, 2);
            dict += ' ';
            PdfAppendNumber(dict, r.heightPt, 2);
            dict += "]/Contents " + QByteArray::number(content) + " 0 R" + resources + ">>";
            file.Object(page, dict);
            pageObjects.push_back(page);
            jobs.pop_front();
            ++written;
            if (!file.Ok())
                problem = QStringLiteral("the file cannot be written");
        }
        // Pages still being encoded are finished before their buffers go.
        for (auto &job : jobs)
            if (job->n < next)
                encoders.Wait(job.get());
    }
    if (!problem.isEmpty())
        return failed(problem);

    for (const auto &face : shared.fonts.Faces())
        if (face->Referenced() && face->Valid())
            face->WriteObjects(&file);
    QByteArray kids("<</Type/Pages/Kids[");
    for (size_t i = 0; i < pageObjects.size(); ++i) {
        if (i)
            kids += ' ';
        kids += QByteArray::number(pageObjects[i]) + " 0 R";
    }
    kids += "]/Count " + QByteArray::number(qsizetype(pageObjects.size())) + ">>";
    file.Object(pagesObject, kids);
    QByteArray cat("<</Type/Catalog/Pages ");
    cat += QByteArray::number(pagesObject) + " 0 R>>";
    file.Object(catalog, cat);
    QByteArray meta("<<");
    if (!m_title.isEmpty()) {
        meta += "/Title";
        PdfAppendTextString(meta, m_title);
    }
    meta += "/Producer";
    PdfAppendTextString(meta, m_producer);
    meta += "/Creator";
    PdfAppendTextString(meta, m_producer);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    meta += "/CreationDate(D:" + now.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + "Z)>>";
    file.Object(info, meta);
    if (!file.Finish(catalog, info))
        return failed(QStringLiteral("the file cannot be written"));
    return true;
}
