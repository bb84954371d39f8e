#include "qrpagepicture.h"
#include "qrpagesink.h"

#include "common/jpegbytes.h"

#include <QBitmap>
#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QStringEncoder>
#include <QTextItem>
#include <QVarLengthArray>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace
{
// Command codes. Table definitions append to their table; state commands
// and drawing commands refer to table entries by index.
enum Op : quint8 {
    OpDefColor = 1, // u32 ARGB
    OpDefFont = 2,  // string (QFont::toString)
    OpDefPen = 3,   // style, cap, join, flags, width, colour or brush, [miter], [dashes]
    OpDefBrush = 4, // style, flags, colour, [image], [gradient], [transform]
    OpDefImage = 5, // kind, PNG (or a JPEG file as it came) bytes

    OpPen = 16,
    OpBrush = 17,
    OpFont = 18,
    OpBackground = 19,
    OpBackgroundMode = 20,
    OpTransform = 21,
    OpClipEnabled = 22,
    OpClipRegion = 23,
    OpClipPath = 24,
    OpHints = 25,
    OpComposition = 26,
    OpOpacity = 27,
    OpBrushOrigin = 28,

    OpRects = 32,
    OpRectsF = 33,
    OpLines = 34,
    OpLinesF = 35,
    OpEllipse = 36,
    OpEllipseF = 37,
    OpPath = 38,
    OpPolygon = 39,
    OpPolygonF = 40,
    OpPoints = 41,
    OpPointsF = 42,
    OpImage = 43,
    OpTiled = 44,
    OpText = 45,
    OpFill = 46, // colour, rectangle: filled without pen or brush
};

enum ImageKind : quint8 { KindImage = 0, KindPixmap = 1, KindBitmap = 2 };

// Pen flags.
constexpr quint8 PenCosmetic = 1, PenBrush = 2, PenDashes = 4, PenMiter = 8;
// Brush flags.
constexpr quint8 BrushTransform = 1;
// Text flags.
constexpr quint8 TextRightToLeft = 1;

// Geometry is kept in 1/64 pixel; anything beyond 16 million pixels is not a page.
constexpr double kFixed = 64.0;
constexpr qint64 kMaxFixed = qint64(1) << 30;
constexpr int kMaxCompositionMode = QPainter::RasterOp_NotDestination;
constexpr int kHintMask = 0xff;

const Qt::PenCapStyle kCaps[] = {Qt::FlatCap, Qt::SquareCap, Qt::RoundCap};
const Qt::PenJoinStyle kJoins[] = {Qt::MiterJoin, Qt::BevelJoin, Qt::RoundJoin, Qt::SvgMiterJoin};

quint8 capIndex(Qt::PenCapStyle c)
{
    return c == Qt::SquareCap ? 1 : c == Qt::RoundCap ? 2 : 0;
}

quint8 joinIndex(Qt::PenJoinStyle j)
{
    return j == Qt::BevelJoin ? 1 : j == Qt::RoundJoin ? 2 : j == Qt::SvgMiterJoin ? 3 : 0;
}

// --- writing -------------------------------------------------------------------------------

// The page buffer: grows geometrically and keeps its capacity between pages.
class Writer
{
public:
    void Clear() { m_size = 0; }
    const char *Data() const { return m_bytes.constData(); }
    qsizetype Size() const { return m_size; }

    char *Grow(qsizetype n)
    {
        if (m_size + n > m_bytes.size())
            m_bytes.resize(std::max<qsizetype>(m_size + n, m_bytes.size() * 2 + 4096));
        char *p = m_bytes.data() + m_size;
        m_size += n;
        return p;
    }
    void Byte(quint8 b) { *Grow(1) = char(b); }
    void Raw(const void *data, qsizetype n)
    {
        if (n > 0)
            std::memcpy(Grow(n), data, size_t(n));
    }
    void U(quint64 v)
    {
        char *p = Grow(10);
        qsizetype n = 0;
        while (v >= 0x80) {
            p[n++] = char(v | 0x80);
            v >>= 7;
        }
        p[n++] = char(v);
        m_size -= 10 - n;
    }
    void S(qint64 v) { U((quint64(v) << 1) ^ quint64(v >> 63)); }
    void Real(qreal v)
    {
        double f = std::isfinite(v) ? std::round(v * kFixed) : 0.0;
        f = std::clamp(f, double(-kMaxFixed), double(kMaxFixed));
        S(qint64(f));
    }
    void Double(double v)
    {
        if (!std::isfinite(v))
            v = 0;
        qToLittleEndian<double>(v, Grow(8));
    }
    void U32(quint32 v) { qToLittleEndian<quint32>(v, Grow(4)); }
    void Text(const QString &s)
    {
        // Encoded straight into the buffer behind room for the longest length
        // prefix (UTF-8 takes at most three bytes per UTF-16 unit), then moved
        // down behind the prefix it really needs.
        const qsizetype most = s.size() * 3;
        const qsizetype at = m_size;
        Grow(10 + most);
        char *start = m_bytes.data() + at + 10;
        const qsizetype used = m_encoder.appendToBuffer(start, s) - start;
        m_size = at;
        U(quint64(used)); // within the room grown above: the buffer does not move
        std::memmove(m_bytes.data() + m_size, m_bytes.data() + at + 10, size_t(used));
        m_size += used;
    }
    void Bytes(const QByteArray &b)
    {
        U(quint64(b.size()));
        Raw(b.constData(), b.size());
    }
    void Path(const QPainterPath &path)
    {
        Byte(path.fillRule() == Qt::WindingFill ? 1 : 0);
        const int n = path.elementCount();
        U(quint64(n));
        for (int i = 0; i < n; ++i) {
            const QPainterPath::Element &e = path.elementAt(i);
            Byte(quint8(e.type));
            Real(e.x);
            Real(e.y);
        }
    }
    void Transform(const QTransform &t)
    {
        if (t.isIdentity()) {
            Byte(0);
        } else if (t.isAffine()) {
            Byte(1);
            for (double v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()})
                Double(v);
        } else {
            Byte(2);
            for (double v : {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()})
                Double(v);
        }
    }

private:
    QByteArray m_bytes;
    qsizetype m_size = 0;
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
};

QByteArray encodePng(const QImage &image)
{
    // A JPEG is kept as it came: smaller than its pixels in PNG, and passed on as it is.
    const QByteArray jpeg = QRJpegBytes(image);
    if (!jpeg.isEmpty())
        return jpeg;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Lossless; a low compression level keeps recording fast.
    image.save(&buffer, "PNG", 80);
    return bytes;
}
} // namespace

// --- the recording paint engine ------------------------------------------------------------------

class TQRPageEngine : public QPaintEngine
{
public:
    TQRPageEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    void BeginPage(const QSize &size, int dpi)
    {
        m_size = size;
        m_dpi = dpi;
        m_out.Clear();
        char *h = m_out.Grow(TQRPagePicture::HeaderSize);
        std::memset(h, 0, TQRPagePicture::HeaderSize);
        std::memcpy(h, TQRPagePicture::Magic, 4);
        h[4] = char(TQRPagePicture::Version);
        qToLittleEndian<qint32>(size.width(), h + 6);
        qToLittleEndian<qint32>(size.height(), h + 10);
        qToLittleEndian<quint16>(quint16(dpi), h + 14);
        m_colors.clear();
        m_fonts.clear();
        m_pens.clear();
        m_brushes.clear();
        m_images.clear();
        m_pen = m_brush = m_font = -1;
        m_penDirty = m_brushDirty = true;
    }
    Writer &Out() { return m_out; }

    bool begin(QPaintDevice *) override
    {
        m_penDirty = m_brushDirty = true;
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState &s) override
    {
        const DirtyFlags f = s.state();
        if (f & DirtyPen)
            m_penDirty = true;
        if (f & DirtyBrush)
            m_brushDirty = true;
        if (f & DirtyBrushOrigin) {
            m_out.Byte(OpBrushOrigin);
            m_out.Real(s.brushOrigin().x());
            m_out.Real(s.brushOrigin().y());
        }
        if (f & DirtyBackground) {
            const int b = brushIndex(s.backgroundBrush());
            m_out.Byte(OpBackground);
            m_out.U(quint64(b));
        }
        if (f & DirtyBackgroundMode) {
            m_out.Byte(OpBackgroundMode);
            m_out.Byte(s.backgroundMode() == Qt::OpaqueMode ? 1 : 0);
        }
        if (f & DirtyTransform) {
            m_out.Byte(OpTransform);
            m_out.Transform(s.transform());
        }
        if (f & DirtyClipEnabled) {
            m_out.Byte(OpClipEnabled);
            m_out.Byte(s.isClipEnabled() ? 1 : 0);
        }
        if (f & DirtyClipRegion) {
            m_out.Byte(OpClipRegion);
            m_out.Byte(quint8(s.clipOperation()));
            const QRegion r = s.clipRegion();
            m_out.U(quint64(r.rectCount()));
            for (const QRect &rect : r) {
                m_out.S(rect.x());
                m_out.S(rect.y());
                m_out.S(rect.width());
                m_out.S(rect.height());
            }
        }
        if (f & DirtyClipPath) {
            m_out.Byte(OpClipPath);
            m_out.Byte(quint8(s.clipOperation()));
            m_out.Path(s.clipPath());
        }
        if (f & DirtyHints) {
            m_out.Byte(OpHints);
            m_out.U(quint64(int(s.renderHints()) & kHintMask));
        }
        if (f & DirtyCompositionMode) {
            m_out.Byte(OpComposition);
            m_out.U(quint64(s.compositionMode()));
        }
        if (f & DirtyOpacity) {
            m_out.Byte(OpOpacity);
            m_out.Double(s.opacity());
        }
    }

    void drawRects(const QRect *rects, int count) override
    {
        flush(true, true);
        m_out.Byte(OpRects);
        m_out.U(quint64(count));
        for (int i = 0; i < count; ++i) {
            m_out.S(rects[i].x());
            m_out.S(rects[i].y());
            m_out.S(rects[i].width());
            m_out.S(rects[i].height());
        }
    }
    void drawRects(const QRectF *rects, int count) override
    {
        flush(true, true);
        m_out.Byte(OpRectsF);
        m_out.U(quint64(count));
        for (int i = 0; i < count; ++i) {
            m_out.Real(rects[i].x());
            m_out.Real(rects[i].y());
            m_out.Real(rects[i].width());
            m_out.Real(rects[i].height());
        }
    }
    void drawLines(const QLine *lines, int count) override
    {
        flush(true, false);
        m_out.Byte(OpLines);
        m_out.U(quint64(count));
        for (int i = 0; i < count; ++i) {
            m_out.S(lines[i].x1());
            m_out.S(lines[i].y1());
            m_out.S(lines[i].x2());
            m_out.S(lines[i].y2());
        }
    }
    void drawLines(const QLineF *lines, int count) override
    {
        flush(true, false);
        m_out.Byte(OpLinesF);
        m_out.U(quint64(count));
        for (int i = 0; i < count; ++i) {
            m_out.Real(lines[i].x1());
            m_out.Real(lines[i].y1());
            m_out.Real(lines[i].x2());
            m_out.Real(lines[i].y2());
        }
    }
    void drawEllipse(const QRect &r) override
    {
        flush(true, true);
        m_out.Byte(OpEllipse);
        m_out.S(r.x());
        m_out.S(r.y());
        m_out.S(r.width());
        m_out.S(r.height());
    }
    void drawEllipse(const QRectF &r) override
    {
        flush(true, true);
        m_out.Byte(OpEllipseF);
        m_out.Real(r.x());
        m_out.Real(r.y());
        m_out.Real(r.width());
        m_out.Real(r.height());
    }
    void drawPath(const QPainterPath &path) override
    {
        flush(true, true);
        m_out.Byte(OpPath);
        m_out.Path(path);
    }
    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override
    {
        flush(true, mode != PolylineMode);
        m_out.Byte(OpPolygon);
        m_out.Byte(quint8(mode));
        m_out.U(quint64(count));
        for (int i = 0; i < count; ++i) {
            m_out.S(points[i].x());
            m_out.S(points[i].y());
        }
    }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        flush(true, mode != PolylineMode);
        m_out.Byte(OpPolygonF);
        m_out.Byte(quint8(mode));
        m_out.U(quint64(count));
        for (int i = 0; i < count; ++i) {
            m_out.Real(points[i].x());
            m_out.Real(points[i].y());
        }
    }
    void drawPoints(const QPoint *points, int count) override
    {
        if (m_swallow) {
            m_swallowed = true;
            return;
        }
        flush(true, false);
        m_out.Byte(OpPoints);
        m_out.U(quint64(count));
        for (int i = 0; i < count; ++i) {
            m_out.S(points[i].x());
            m_out.S(points[i].y());
        }
    }
    void drawPoints(const QPointF *points, int count) override
    {
        if (m_swallow) {
            m_swallowed = true;
            return;
        }
        flush(true, false);
        m_out.Byte(OpPointsF);
        m_out.U(quint64(count));
        for (int i = 0; i < count; ++i) {
            m_out.Real(points[i].x());
            m_out.Real(points[i].y());
        }
    }
    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override
    {
        // A bitmap is painted in the pen's colour.
        const bool bitmap = pm.depth() == 1;
        flush(bitmap, false);
        const int index =
            imageIndex(pm.cacheKey(), bitmap ? KindBitmap : KindPixmap, [&pm] { return pm.toImage(); });
        drawImageCommand(index, r, sr, 0);
    }
    void drawImage(const QRectF &r, const QImage &image, const QRectF &sr,
                   Qt::ImageConversionFlags flags) override
    {
        const int index = imageIndex(image.cacheKey(), KindImage, [&image] { return image; });
        drawImageCommand(index, r, sr, quint64(flags));
    }
    void drawTiledPixmap(const QRectF &r, const QPixmap &pm, const QPointF &p) override
    {
        const bool bitmap = pm.depth() == 1;
        flush(bitmap, false);
        const int index =
            imageIndex(pm.cacheKey(), bitmap ? KindBitmap : KindPixmap, [&pm] { return pm.toImage(); });
        m_out.Byte(OpTiled);
        m_out.U(quint64(index));
        m_out.Real(r.x());
        m_out.Real(r.y());
        m_out.Real(r.width());
        m_out.Real(r.height());
        m_out.Real(p.x());
        m_out.Real(p.y());
    }
    void drawTextItem(const QPointF &p, const QTextItem &ti) override
    {
        flush(true, false);
        QFont font = ti.font();
        // The painter draws underline, overline and strike-out lines itself.
        if (font.underline() || font.overline() || font.strikeOut()) {
            font.setUnderline(false);
            font.setOverline(false);
            font.setStrikeOut(false);
        }
        selectFont(font);
        m_out.Byte(OpText);
        m_out.Byte((ti.renderFlags() & QTextItem::RightToLeft) ? TextRightToLeft : 0);
        m_out.Real(p.x());
        m_out.Real(p.y());
        m_out.Text(ti.text());
    }

    // Makes font the current one of the page, recording the change when it is one.
    void selectFont(const QFont &font)
    {
        if (m_font >= 0 && m_fonts[m_font].font == font)
            return;
        const int f = fontIndex(font);
        if (f != m_font) {
            m_out.Byte(OpFont);
            m_out.U(quint64(f));
            m_font = f;
        }
    }

    // Records text as it is, laid out only by the replay: measuring and
    // shaping it here as well would double the dearest part of recording.
    // False when the painter's state could not be brought up to date; then
    // nothing was recorded.
    bool RecordText(QPainter *painter, const QPointF &p, const QString &text)
    {
        if (!syncPainter(painter))
            return false;
        flush(true, false);
        const QFont &font = state->font();
        selectFont(font);
        m_out.Byte(OpText);
        m_out.Byte(painter->layoutDirection() == Qt::RightToLeft ? TextRightToLeft : 0);
        m_out.Real(p.x());
        m_out.Real(p.y());
        m_out.Text(text);
        return true;
    }

    // Records a rectangle filled with a colour, leaving pen and brush as
    // they are: QPainter::fillRect would switch both there and back.
    bool RecordFill(QPainter *painter, const QRect &r, const QColor &colour)
    {
        if (!syncPainter(painter))
            return false;
        const int c = colorIndex(colour);
        m_out.Byte(OpFill);
        m_out.U(quint64(c));
        m_out.S(r.x());
        m_out.S(r.y());
        m_out.S(r.width());
        m_out.S(r.height());
        return true;
    }

private:
    struct FontEntry {
        QFont font;
    };
    struct ImageEntry {
        qint64 key;
        quint8 kind;
    };
    // Encoded pictures of earlier pages, so that a logo on every page is
    // compressed once.
    struct EncodedImage {
        qint64 key;
        quint8 kind;
        QByteArray png;
    };

    // Brings the page up to the painter's state, as its own drawing would.
    // State set on the painter since it last drew is passed on, and kept
    // track of for save and restore, only when the painter draws: so it
    // draws a point that is not recorded.
    bool syncPainter(QPainter *painter)
    {
        if (!state->state())
            return true;
        m_swallow = true;
        m_swallowed = false;
        const QPointF none;
        painter->drawPoints(&none, 1);
        m_swallow = false;
        return m_swallowed && !state->state();
    }

    void drawImageCommand(int index, const QRectF &r, const QRectF &sr, quint64 flags)
    {
        m_out.Byte(OpImage);
        m_out.U(quint64(index));
        m_out.Real(r.x());
        m_out.Real(r.y());
        m_out.Real(r.width());
        m_out.Real(r.height());
        m_out.Real(sr.x());
        m_out.Real(sr.y());
        m_out.Real(sr.width());
        m_out.Real(sr.height());
        m_out.U(flags);
    }

    // Passes on the pen and brush that a drawing command uses, when they changed.
    void flush(bool pen, bool brush)
    {
        if (pen && m_penDirty) {
            m_penDirty = false;
            const int p = penIndex(state->pen());
            if (p != m_pen) {
                m_out.Byte(OpPen);
                m_out.U(quint64(p));
                m_pen = p;
            }
        }
        if (brush && m_brushDirty) {
            m_brushDirty = false;
            const int b = brushIndex(state->brush());
            if (b != m_brush) {
                m_out.Byte(OpBrush);
                m_out.U(quint64(b));
                m_brush = b;
            }
        }
    }

    int colorIndex(const QColor &c)
    {
        const QRgb rgba = c.rgba();
        for (size_t i = 0; i < m_colors.size(); ++i)
            if (m_colors[i] == rgba)
                return int(i);
        m_out.Byte(OpDefColor);
        m_out.U32(rgba);
        m_colors.push_back(rgba);
        return int(m_colors.size() - 1);
    }

    int fontIndex(const QFont &f)
    {
        for (size_t i = 0; i < m_fonts.size(); ++i)
            if (m_fonts[i].font == f)
                return int(i);
        m_out.Byte(OpDefFont);
        m_out.Text(f.toString());
        m_fonts.push_back({f});
        return int(m_fonts.size() - 1);
    }

    int penIndex(const QPen &pen)
    {
        if (m_pen >= 0 && m_pens[m_pen] == pen)
            return m_pen;
        for (size_t i = 0; i < m_pens.size(); ++i)
            if (m_pens[i] == pen)
                return int(i);
        const QBrush brush = pen.brush();
        const bool plain = brush.style() == Qt::SolidPattern && brush.transform().isIdentity();
        // Referenced entries are defined before the pen itself.
        const int ref = plain ? colorIndex(brush.color()) : brushIndex(brush);
        const bool dashes = pen.style() == Qt::CustomDashLine;
        const bool miter = pen.joinStyle() == Qt::MiterJoin || pen.joinStyle() == Qt::SvgMiterJoin;
        m_out.Byte(OpDefPen);
        m_out.Byte(quint8(std::clamp(int(pen.style()), 0, int(Qt::CustomDashLine))));
        m_out.Byte(capIndex(pen.capStyle()));
        m_out.Byte(joinIndex(pen.joinStyle()));
        m_out.Byte(quint8((pen.isCosmetic() ? PenCosmetic : 0) | (plain ? 0 : PenBrush) |
                          (dashes ? PenDashes : 0) | (miter ? PenMiter : 0)));
        m_out.Real(pen.widthF());
        m_out.U(quint64(ref));
        if (miter)
            m_out.Real(pen.miterLimit());
        if (dashes) {
            const QList<qreal> pattern = pen.dashPattern();
            m_out.U(quint64(pattern.size()));
            for (qreal v : pattern)
                m_out.Real(v);
            m_out.Real(pen.dashOffset());
        }
        m_pens.push_back(pen);
        return int(m_pens.size() - 1);
    }

    void gradient(const QGradient *g)
    {
        m_out.Byte(quint8(g->type()));
        m_out.Byte(quint8(g->spread()));
        m_out.Byte(quint8(g->coordinateMode()));
        m_out.Byte(quint8(g->interpolationMode()));
        switch (g->type()) {
        case QGradient::LinearGradient: {
            auto *l = static_cast<const QLinearGradient *>(g);
            for (double v : {l->start().x(), l->start().y(), l->finalStop().x(), l->finalStop().y()})
                m_out.Double(v);
            break;
        }
        case QGradient::RadialGradient: {
            auto *r = static_cast<const QRadialGradient *>(g);
            for (double v : {r->center().x(), r->center().y(), r->centerRadius(), r->focalPoint().x(),
                             r->focalPoint().y(), r->focalRadius()})
                m_out.Double(v);
            break;
        }
        case QGradient::ConicalGradient: {
            auto *c = static_cast<const QConicalGradient *>(g);
            for (double v : {c->center().x(), c->center().y(), c->angle()})
                m_out.Double(v);
            break;
        }
        default:
            break;
        }
        const QGradientStops stops = g->stops();
        m_out.U(quint64(stops.size()));
        for (const QGradientStop &s : stops) {
            m_out.Double(s.first);
            m_out.U32(s.second.rgba());
        }
    }

    int brushIndex(const QBrush &brush)
    {
        if (m_brush >= 0 && m_brushes[m_brush] == brush)
            return m_brush;
        for (size_t i = 0; i < m_brushes.size(); ++i)
            if (m_brushes[i] == brush)
                return int(i);
        const Qt::BrushStyle style = brush.style();
        const bool gradientStyle = style == Qt::LinearGradientPattern || style == Qt::RadialGradientPattern ||
                                   style == Qt::ConicalGradientPattern;
        const int colour = colorIndex(brush.color());
        int image = -1;
        if (style == Qt::TexturePattern) {
            const QImage texture = brush.textureImage();
            image = imageIndex(texture.cacheKey(), KindImage, [&texture] { return texture; });
        }
        const bool transformed = !brush.transform().isIdentity();
        m_out.Byte(OpDefBrush);
        m_out.Byte(quint8(style));
        m_out.Byte(transformed ? BrushTransform : 0);
        m_out.U(quint64(colour));
        if (style == Qt::TexturePattern)
            m_out.U(quint64(image));
        if (gradientStyle)
            gradient(brush.gradient());
        if (transformed)
            m_out.Transform(brush.transform());
        m_brushes.push_back(brush);
        return int(m_brushes.size() - 1);
    }

    template <class ToImage> int imageIndex(qint64 key, quint8 kind, ToImage toImage)
    {
        for (size_t i = 0; i < m_images.size(); ++i)
            if (m_images[i].key == key && m_images[i].kind == kind)
                return int(i);
        const QByteArray *png = nullptr;
        for (const EncodedImage &e : m_encoded)
            if (e.key == key && e.kind == kind)
                png = &e.png;
        if (!png) {
            if (m_encoded.size() >= 16)
                m_encoded.erase(m_encoded.begin());
            m_encoded.push_back({key, kind, encodePng(toImage())});
            png = &m_encoded.back().png;
        }
        m_out.Byte(OpDefImage);
        m_out.Byte(kind);
        m_out.Bytes(*png);
        m_images.push_back({key, kind});
        return int(m_images.size() - 1);
    }

    Writer m_out;
    QSize m_size;
    int m_dpi = 96;
    std::vector<QRgb> m_colors;
    std::vector<FontEntry> m_fonts;
    std::vector<QPen> m_pens;
    std::vector<QBrush> m_brushes;
    std::vector<ImageEntry> m_images;
    std::vector<EncodedImage> m_encoded;
    int m_pen = -1, m_brush = -1, m_font = -1;
    bool m_penDirty = true, m_brushDirty = true;
    // Set while RecordText has the painter pass on its state.
    bool m_swallow = false, m_swallowed = false;
};

// --- the device ---------------------------------------------------------------------------------

TQRPageDevice::TQRPageDevice() : m_engine(std::make_unique<TQRPageEngine>())
{
    BeginPage(QSize(1, 1), 96);
}

TQRPageDevice::~TQRPageDevice() = default;

void TQRPageDevice::BeginPage(const QSize &size, int dpi)
{
    m_engine->BeginPage(size, std::clamp(dpi, 1, 65535));
    m_size = size;
    m_dpi = std::clamp(dpi, 1, 65535);
}

const char *TQRPageDevice::Data() const
{
    return m_engine->Out().Data();
}

qsizetype TQRPageDevice::DataSize() const
{
    return m_engine->Out().Size();
}

QPaintEngine *TQRPageDevice::paintEngine() const
{
    return m_engine.get();
}

int QRVectorDeviceMetric(QPaintDevice::PaintDeviceMetric metric, QSize size, int dpi)
{
    switch (metric) {
    case QPaintDevice::PdmWidth:
        return size.width();
    case QPaintDevice::PdmHeight:
        return size.height();
    case QPaintDevice::PdmWidthMM:
        return int(std::lround(size.width() * 25.4 / dpi));
    case QPaintDevice::PdmHeightMM:
        return int(std::lround(size.height() * 25.4 / dpi));
    case QPaintDevice::PdmNumColors:
        return INT_MAX;
    case QPaintDevice::PdmDepth:
        return 32;
    case QPaintDevice::PdmDpiX:
    case QPaintDevice::PdmDpiY:
    case QPaintDevice::PdmPhysicalDpiX:
    case QPaintDevice::PdmPhysicalDpiY:
        return dpi;
    case QPaintDevice::PdmDevicePixelRatio:
        return 1;
    case QPaintDevice::PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

int TQRPageDevice::metric(PaintDeviceMetric metric) const
{
    return QRVectorDeviceMetric(metric, m_size, m_dpi);
}

void QRDrawText(QPainter *painter, const QPointF &baseline, const QString &text)
{
    auto *engine = painter->isActive() ? dynamic_cast<TQRPageEngine *>(painter->paintEngine()) : nullptr;
    if (!engine) {
        painter->drawText(baseline, text);
        return;
    }
    // What drawText leaves out, the recording leaves out too.
    if (text.isEmpty() || painter->pen().style() == Qt::NoPen)
        return;
    if (!engine->RecordText(painter, baseline, text))
        painter->drawText(baseline, text);
}

void QRFillRect(QPainter *painter, const QRect &rect, const QColor &colour)
{
    auto *engine = painter->isActive() ? dynamic_cast<TQRPageEngine *>(painter->paintEngine()) : nullptr;
    if (!engine || !engine->RecordFill(painter, rect, colour))
        painter->fillRect(rect, colour);
}

// --- reading and replaying ------------------------------------------------------------------------

namespace
{
class Reader
{
public:
    Reader(const char *data, qsizetype size) : m_p(reinterpret_cast<const uchar *>(data)), m_end(m_p + size)
    {
    }
    bool Ok() const { return m_ok; }
    bool AtEnd() const { return m_p >= m_end; }
    qsizetype Left() const { return m_end - m_p; }
    void Fail() { m_ok = false; }

    quint8 Byte()
    {
        if (m_p >= m_end) {
            m_ok = false;
            return 0;
        }
        return *m_p++;
    }
    quint64 U()
    {
        quint64 v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_p >= m_end) {
                m_ok = false;
                return 0;
            }
            const uchar b = *m_p++;
            v |= quint64(b & 0x7f) << shift;
            if (!(b & 0x80))
                return v;
        }
        m_ok = false;
        return 0;
    }
    qint64 S()
    {
        const quint64 u = U();
        return qint64(u >> 1) ^ -qint64(u & 1);
    }
    // An integer coordinate of a page.
    int Int()
    {
        const qint64 v = S();
        if (v < -kMaxFixed || v > kMaxFixed) {
            m_ok = false;
            return 0;
        }
        return int(v);
    }
    qreal Real()
    {
        const qint64 v = S();
        if (v < -kMaxFixed || v > kMaxFixed) {
            m_ok = false;
            return 0;
        }
        return qreal(v) / kFixed;
    }
    double Double()
    {
        if (m_end - m_p < 8) {
            m_ok = false;
            m_p = m_end;
            return 0;
        }
        const double v = qFromLittleEndian<double>(m_p);
        m_p += 8;
        if (!std::isfinite(v) || std::fabs(v) > 1e12) {
            m_ok = false;
            return 0;
        }
        return v;
    }
    quint32 U32()
    {
        if (m_end - m_p < 4) {
            m_ok = false;
            m_p = m_end;
            return 0;
        }
        const quint32 v = qFromLittleEndian<quint32>(m_p);
        m_p += 4;
        return v;
    }
    // A count of items each taking at least perItem bytes.
    int Count(int perItem)
    {
        const quint64 n = U();
        if (!m_ok || n > quint64(Left() / perItem) || n > quint64(INT_MAX)) {
            m_ok = false;
            return 0;
        }
        return int(n);
    }
    QByteArray Bytes()
    {
        const int n = Count(1);
        if (!m_ok)
            return {};
        QByteArray b(reinterpret_cast<const char *>(m_p), n);
        m_p += n;
        return b;
    }
    QString Text()
    {
        const int n = Count(1);
        if (!m_ok)
            return {};
        const QString s = QString::fromUtf8(reinterpret_cast<const char *>(m_p), n);
        m_p += n;
        return s;
    }
    QRectF RectF()
    {
        const qreal x = Real(), y = Real(), w = Real(), h = Real();
        return QRectF(x, y, w, h);
    }
    QRect Rect()
    {
        const int x = Int(), y = Int(), w = Int(), h = Int();
        return QRect(x, y, w, h);
    }
    QPainterPath Path()
    {
        QPainterPath path;
        const quint8 rule = Byte();
        if (rule > 1)
            m_ok = false;
        path.setFillRule(rule ? Qt::WindingFill : Qt::OddEvenFill);
        const int n = Count(3);
        for (int i = 0; i < n && m_ok; ++i) {
            const quint8 type = Byte();
            const qreal x = Real(), y = Real();
            switch (type) {
            case QPainterPath::MoveToElement:
                path.moveTo(x, y);
                break;
            case QPainterPath::LineToElement:
                path.lineTo(x, y);
                break;
            case QPainterPath::CurveToElement: {
                // Two control-data elements complete a curve.
                if (i + 2 >= n) {
                    m_ok = false;
                    break;
                }
                const quint8 t1 = Byte();
                const qreal x1 = Real(), y1 = Real();
                const quint8 t2 = Byte();
                const qreal x2 = Real(), y2 = Real();
                if (t1 != QPainterPath::CurveToDataElement || t2 != QPainterPath::CurveToDataElement)
                    m_ok = false;
                path.cubicTo(x, y, x1, y1, x2, y2);
                i += 2;
                break;
            }
            default:
                m_ok = false;
                break;
            }
        }
        return m_ok ? path : QPainterPath();
    }
    QTransform Transform()
    {
        const quint8 kind = Byte();
        if (kind == 0)
            return QTransform();
        if (kind == 1) {
            double v[6];
            for (double &d : v)
                d = Double();
            return QTransform(v[0], v[1], v[2], v[3], v[4], v[5]);
        }
        if (kind == 2) {
            double v[9];
            for (double &d : v)
                d = Double();
            return QTransform(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
        }
        m_ok = false;
        return QTransform();
    }

private:
    const uchar *m_p;
    const uchar *m_end;
    bool m_ok = true;
};

struct ImageSlot {
    quint8 kind = KindImage;
    QByteArray png;
    bool decoded = false;
    QImage image;
    QPixmap pixmap;
};

// Where a page has been drawn on: the rectangles inked, filed under the strips of the page
// they cross. Asking whether a rectangle touches ink looks only at the rectangles of its own
// strips, so a page's bookkeeping grows with its items, not with their square.
class InkGrid
{
public:
    void Reset(const QRectF &area)
    {
        for (std::vector<QRectF> &strip : m_strips)
            strip.clear(); // keeps their room for the next page
        m_top = area.top();
        m_scale = area.height() > 0 ? Strips / area.height() : 0;
    }
    void Mark(const QRectF &r)
    {
        int first, last;
        strips(r, &first, &last);
        for (int s = first; s <= last; ++s)
            m_strips[size_t(s)].push_back(r);
    }
    bool Touches(const QRectF &r) const
    {
        int first, last;
        strips(r, &first, &last);
        for (int s = first; s <= last; ++s)
            for (const QRectF &inked : m_strips[size_t(s)])
                if (inked.intersects(r))
                    return true;
        return false;
    }

private:
    static constexpr int Strips = 256;

    static int clampStrip(double v)
    {
        // Clamping keeps overlapping rectangles in a common strip; NaN lands in strip 0.
        return v >= Strips - 1 ? Strips - 1 : v > 0 ? int(v) : 0;
    }
    void strips(const QRectF &r, int *first, int *last) const
    {
        *first = clampStrip(std::floor((r.top() - m_top) * m_scale));
        *last = clampStrip(std::floor((r.bottom() - m_top) * m_scale));
        if (*last < *first)
            std::swap(*first, *last);
    }

    std::vector<std::vector<QRectF>> m_strips = std::vector<std::vector<QRectF>>(Strips);
    double m_top = 0, m_scale = 0;
};

// Walks a page's commands; with a painter it draws them, with a sink it hands
// them on decoded, with neither it only checks them. Tables are rebuilt
// either way, so that every index is checked against what is defined at that point.
class Player
{
public:
    Player(const QByteArray &bytes, QPainter *painter, bool blankPage = false, TQRPageSink *sink = nullptr)
        : m_r(bytes.constData() + TQRPagePicture::HeaderSize, bytes.size() - TQRPagePicture::HeaderSize),
          m_painter(painter), m_sink(painter ? nullptr : sink), m_blankPage(blankPage && (painter || sink))
    {
        if (bytes.size() >= TQRPagePicture::HeaderSize)
            m_pageSize = QSize(qFromLittleEndian<qint32>(bytes.constData() + 6),
                               qFromLittleEndian<qint32>(bytes.constData() + 10));
    }

    bool Run(int dpi, QString *error);
    int Draws() const { return m_draws; }

private:
    bool fail(const char *what)
    {
        if (m_error.isEmpty())
            m_error = QString::fromLatin1(what);
        m_r.Fail();
        return false;
    }
    int index(size_t tableSize, const char *what)
    {
        const quint64 i = m_r.U();
        if (!m_r.Ok() || i >= tableSize) {
            fail(what);
            return -1;
        }
        return int(i);
    }
    bool defPen();
    bool defBrush();
    bool gradient(QBrush *brush);
    bool image(int index, bool asPixmap);
    bool step(int dpi);
    // Where a text may put ink, in device coordinates; false when that is not known.
    bool textBox(qreal x, qreal y, const QString &text, bool rightToLeft, QRectF *box);
    // True when a fill of colour over rect cannot change a blank white page.
    bool fillChangesNothing(const QRect &rect, const QColor &colour) const;
    // The transform and composition the next command is drawn with, whoever draws it.
    QTransform worldTransform() const { return m_painter ? m_painter->worldTransform() : m_state.transform; }
    QPainter::CompositionMode composition() const
    {
        return m_painter ? m_painter->compositionMode() : m_state.composition;
    }
    // Sets the sink's clip from a path on the page pixels before the current transform.
    void clipTo(const QPainterPath &path, Qt::ClipOperation op);
    // The picture of table entry i as a sink gets it.
    TQRPageImage sinkImage(int i) const;

    // What a font's texts can cover, in page pixels, for the blank page bookkeeping.
    struct FontBox {
        qreal ascent = 0, descent = 0, margin = 0, widest = 0;
        qreal latin1[256] = {};
    };

    Reader m_r;
    QPainter *m_painter;
    TQRPageSink *m_sink;
    TQRPageState m_state; // what the sink draws with
    QSize m_pageSize;
    QImage m_metricsDevice; // stands for the paper at the page's resolution for a sink's font metrics
    // On a blank white page, white fills where nothing was drawn yet are left out: label and
    // band backgrounds cost a PDF two graphics state changes each and change nothing there.
    bool m_blankPage = false;
    bool m_allInked = false;                           // something of unknown extent was drawn
    InkGrid m_inked;                                   // device areas drawn on so far
    int m_font = -1;                                   // the table font in use; -1 the page's default
    std::vector<std::shared_ptr<FontBox>> m_fontBoxes; // by table font index + 1
    QString m_error;
    int m_draws = 0;
    QTransform m_base;
    std::vector<QColor> m_colors;
    std::vector<QFont> m_fonts;
    std::vector<QPen> m_pens;
    std::vector<QBrush> m_brushes;
    std::vector<ImageSlot> m_images;
};

bool Player::defPen()
{
    const quint8 style = m_r.Byte(), cap = m_r.Byte(), join = m_r.Byte(), flags = m_r.Byte();
    const qreal width = m_r.Real();
    if (!m_r.Ok() || style > Qt::CustomDashLine || cap > 2 || join > 3 || flags > 15)
        return fail("a pen is damaged");
    QPen pen;
    if (flags & PenBrush) {
        const int b = index(m_brushes.size(), "a pen refers to a brush that is not defined");
        if (b < 0)
            return false;
        pen.setBrush(m_brushes[size_t(b)]);
    } else {
        const int c = index(m_colors.size(), "a pen refers to a colour that is not defined");
        if (c < 0)
            return false;
        pen.setColor(m_colors[size_t(c)]);
    }
    pen.setWidthF(std::max<qreal>(0, width));
    pen.setCapStyle(kCaps[cap]);
    pen.setJoinStyle(kJoins[join]);
    pen.setCosmetic(flags & PenCosmetic);
    if (flags & PenMiter)
        pen.setMiterLimit(m_r.Real());
    if (flags & PenDashes) {
        const int n = m_r.Count(1);
        QList<qreal> pattern;
        pattern.reserve(n);
        for (int i = 0; i < n; ++i)
            pattern.append(std::max<qreal>(0, m_r.Real()));
        const qreal offset = m_r.Real();
        // Qt wants an even number of entries, and a pattern of nothing but
        // zeros would never advance.
        bool any = false;
        for (qreal v : pattern)
            any = any || v > 0;
        if (pattern.size() % 2 == 0 && any) {
            pen.setDashPattern(pattern);
            pen.setDashOffset(offset);
        } else {
            pen.setStyle(Qt::SolidLine);
        }
    } else {
        pen.setStyle(style == Qt::CustomDashLine ? Qt::SolidLine : Qt::PenStyle(style));
    }
    if (!m_r.Ok())
        return fail("a pen is cut short");
    m_pens.push_back(pen);
    return true;
}

bool Player::gradient(QBrush *brush)
{
    const quint8 type = m_r.Byte(), spread = m_r.Byte(), mode = m_r.Byte(), interpolation = m_r.Byte();
    if (!m_r.Ok() || type > QGradient::ConicalGradient || spread > QGradient::RepeatSpread ||
        mode > QGradient::ObjectMode || interpolation > QGradient::ComponentInterpolation)
        return fail("a gradient is damaged");
    std::unique_ptr<QGradient> g;
    if (type == QGradient::LinearGradient) {
        const double x1 = m_r.Double(), y1 = m_r.Double(), x2 = m_r.Double(), y2 = m_r.Double();
        g = std::make_unique<QLinearGradient>(x1, y1, x2, y2);
    } else if (type == QGradient::RadialGradient) {
        const double cx = m_r.Double(), cy = m_r.Double(), cr = m_r.Double();
        const double fx = m_r.Double(), fy = m_r.Double(), fr = m_r.Double();
        g = std::make_unique<QRadialGradient>(QPointF(cx, cy), std::fabs(cr), QPointF(fx, fy), std::fabs(fr));
    } else {
        const double cx = m_r.Double(), cy = m_r.Double(), angle = m_r.Double();
        g = std::make_unique<QConicalGradient>(cx, cy, angle);
    }
    const int n = m_r.Count(12);
    QGradientStops stops;
    for (int i = 0; i < n && m_r.Ok(); ++i) {
        const double at = m_r.Double();
        const QRgb colour = m_r.U32();
        stops.append({std::clamp(at, 0.0, 1.0), QColor::fromRgba(colour)});
    }
    if (!m_r.Ok())
        return fail("a gradient is cut short");
    g->setSpread(QGradient::Spread(spread));
    g->setCoordinateMode(QGradient::CoordinateMode(mode));
    g->setInterpolationMode(QGradient::InterpolationMode(interpolation));
    std::stable_sort(stops.begin(), stops.end(),
                     [](const QGradientStop &a, const QGradientStop &b) { return a.first < b.first; });
    g->setStops(stops);
    *brush = QBrush(*g);
    return true;
}

bool Player::defBrush()
{
    const quint8 style = m_r.Byte(), flags = m_r.Byte();
    if (!m_r.Ok() || style > Qt::TexturePattern || flags > BrushTransform)
        return fail("a brush is damaged");
    const int c = index(m_colors.size(), "a brush refers to a colour that is not defined");
    if (c < 0)
        return false;
    const bool gradientStyle = style == Qt::LinearGradientPattern || style == Qt::RadialGradientPattern ||
                               style == Qt::ConicalGradientPattern;
    // Gradient and texture brushes get their style from what is set below.
    QBrush brush(m_colors[size_t(c)],
                 gradientStyle || style == Qt::TexturePattern ? Qt::SolidPattern : Qt::BrushStyle(style));
    if (style == Qt::TexturePattern) {
        const int i = index(m_images.size(), "a brush refers to a picture that is not defined");
        if (i < 0)
            return false;
        if (m_painter || m_sink) {
            if (!image(i, false))
                return false;
            brush.setTextureImage(m_images[size_t(i)].image);
        }
    } else if (gradientStyle) {
        if (!gradient(&brush))
            return false;
    }
    if (flags & BrushTransform) {
        const QTransform t = m_r.Transform();
        if (!m_r.Ok())
            return fail("a brush is cut short");
        brush.setTransform(t);
    }
    m_brushes.push_back(brush);
    return true;
}

// Decodes picture index on first use.
bool Player::image(int i, bool asPixmap)
{
    ImageSlot &slot = m_images[size_t(i)];
    if (!slot.decoded) {
        slot.decoded = true;
        slot.image.loadFromData(slot.png);
        if (!m_sink)
            slot.png.clear();
    }
    if (slot.image.isNull()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("a picture on the page cannot be decoded");
        return false;
    }
    if (asPixmap && slot.pixmap.isNull())
        slot.pixmap =
            slot.kind == KindBitmap ? QBitmap::fromImage(slot.image) : QPixmap::fromImage(slot.image);
    return true;
}

// One command; false at the end of the page or on damage.
bool Player::step(int dpi)
{
    QPainter *p = m_painter;
    const quint8 op = m_r.Byte();
    switch (op) {
    case OpDefColor: {
        const QRgb c = m_r.U32();
        if (!m_r.Ok())
            return fail("a colour is cut short");
        m_colors.push_back(QColor::fromRgba(c));
        return true;
    }
    case OpDefFont: {
        const QString text = m_r.Text();
        QFont font;
        if (!m_r.Ok() || !font.fromString(text))
            return fail("a font is damaged");
        // Point sizes were resolved at the recording resolution.
        if (font.pixelSize() <= 0 && font.pointSizeF() > 0 && p && p->device()) {
            const int target = p->device()->logicalDpiY();
            if (target > 0 && target != dpi)
                font.setPointSizeF(font.pointSizeF() * dpi / target);
        }
        m_fonts.push_back(font);
        return true;
    }
    case OpDefPen:
        return defPen();
    case OpDefBrush:
        return defBrush();
    case OpDefImage: {
        ImageSlot slot;
        slot.kind = m_r.Byte();
        slot.png = m_r.Bytes();
        if (!m_r.Ok() || slot.kind > KindBitmap)
            return fail("a picture definition is damaged");
        if (!p && !m_sink)
            slot.png.clear();
        m_images.push_back(std::move(slot));
        return true;
    }
    case OpPen: {
        const int i = index(m_pens.size(), "a pen is used that is not defined");
        if (i >= 0 && p)
            p->setPen(m_pens[size_t(i)]);
        if (i >= 0)
            m_state.pen = m_pens[size_t(i)];
        return i >= 0;
    }
    case OpBrush:
    case OpBackground: {
        const int i = index(m_brushes.size(), "a brush is used that is not defined");
        if (i >= 0 && p) {
            if (op == OpBrush)
                p->setBrush(m_brushes[size_t(i)]);
            else
                p->setBackground(m_brushes[size_t(i)]);
        } else if (i >= 0 && m_sink) {
            (op == OpBrush ? m_state.brush : m_state.background) = m_brushes[size_t(i)];
        }
        return i >= 0;
    }
    case OpFont: {
        const int i = index(m_fonts.size(), "a font is used that is not defined");
        if (i >= 0 && p) {
            p->setFont(m_fonts[size_t(i)]);
            m_font = i;
        } else if (i >= 0 && m_sink) {
            m_state.font = m_fonts[size_t(i)];
            m_font = i;
        }
        return i >= 0;
    }
    case OpBackgroundMode: {
        const quint8 mode = m_r.Byte();
        if (!m_r.Ok() || mode > 1)
            return fail("a background mode is damaged");
        if (p)
            p->setBackgroundMode(mode ? Qt::OpaqueMode : Qt::TransparentMode);
        m_state.opaqueBackground = mode;
        return true;
    }
    case OpTransform: {
        const QTransform t = m_r.Transform();
        if (!m_r.Ok())
            return fail("a transformation is damaged");
        if (p)
            p->setWorldTransform(t * m_base);
        m_state.transform = t;
        return true;
    }
    case OpClipEnabled: {
        const quint8 on = m_r.Byte();
        if (!m_r.Ok() || on > 1)
            return fail("a clip switch is damaged");
        if (p)
            p->setClipping(on);
        m_state.clipping = on && !m_state.clip.empty();
        return true;
    }
    case OpClipRegion: {
        const quint8 clipOp = m_r.Byte();
        const int n = m_r.Count(4);
        QList<QRect> rects;
        rects.reserve(n);
        for (int i = 0; i < n && m_r.Ok(); ++i) {
            const QRect r = m_r.Rect();
            if (r.width() < 0 || r.height() < 0)
                return fail("a clip region is damaged");
            rects.append(r);
        }
        if (!m_r.Ok() || clipOp > Qt::IntersectClip)
            return fail("a clip region is damaged");
        if (p) {
            // United one by one: a forged list need not be sorted or disjoint.
            QRegion region;
            for (const QRect &r : rects)
                region += r;
            p->setClipRegion(region, Qt::ClipOperation(clipOp));
        } else if (m_sink) {
            QPainterPath path;
            for (const QRect &r : rects)
                path.addRect(r);
            clipTo(path, Qt::ClipOperation(clipOp));
        }
        return true;
    }
    case OpClipPath: {
        const quint8 clipOp = m_r.Byte();
        const QPainterPath path = m_r.Path();
        if (!m_r.Ok() || clipOp > Qt::IntersectClip)
            return fail("a clip path is damaged");
        if (p)
            p->setClipPath(path, Qt::ClipOperation(clipOp));
        else if (m_sink)
            clipTo(path, Qt::ClipOperation(clipOp));
        return true;
    }
    case OpHints: {
        const quint64 hints = m_r.U();
        if (!m_r.Ok() || hints > quint64(kHintMask))
            return fail("render hints are damaged");
        if (p) {
            p->setRenderHints(QPainter::RenderHints(int(hints)), true);
            p->setRenderHints(QPainter::RenderHints(kHintMask & ~int(hints)), false);
        }
        m_state.antialiasing = hints & QPainter::Antialiasing;
        return true;
    }
    case OpComposition: {
        const quint64 mode = m_r.U();
        if (!m_r.Ok() || mode > quint64(kMaxCompositionMode))
            return fail("a composition mode is damaged");
        if (p)
            p->setCompositionMode(QPainter::CompositionMode(mode));
        m_state.composition = QPainter::CompositionMode(mode);
        return true;
    }
    case OpOpacity: {
        const double o = m_r.Double();
        if (!m_r.Ok())
            return fail("an opacity is damaged");
        if (p)
            p->setOpacity(std::clamp(o, 0.0, 1.0));
        m_state.opacity = std::clamp(o, 0.0, 1.0);
        return true;
    }
    case OpBrushOrigin: {
        const qreal x = m_r.Real(), y = m_r.Real();
        if (!m_r.Ok())
            return fail("a brush origin is damaged");
        if (p)
            p->setBrushOrigin(QPointF(x, y));
        m_state.brushOrigin = QPointF(x, y);
        return true;
    }
    case OpRects:
    case OpRectsF: {
        const int n = m_r.Count(4);
        QVarLengthArray<QRectF, 8> all;
        for (int i = 0; i < n && m_r.Ok(); ++i) {
            if (op == OpRects) {
                const QRect r = m_r.Rect();
                if (p && m_r.Ok())
                    p->drawRect(r);
                else if (m_sink && m_r.Ok())
                    all.append(QRectF(r));
            } else {
                const QRectF r = m_r.RectF();
                if (p && m_r.Ok())
                    p->drawRect(r);
                else if (m_sink && m_r.Ok())
                    all.append(r);
            }
        }
        if (m_sink && m_r.Ok())
            m_sink->Rects(all.constData(), int(all.size()), m_state);
        break;
    }
    case OpFill: {
        const int c = index(m_colors.size(), "a fill refers to a colour that is not defined");
        if (c < 0)
            return false;
        const QRect r = m_r.Rect();
        if ((p || m_sink) && m_r.Ok()) {
            const QColor &colour = m_colors[size_t(c)];
            ++m_draws;
            if (m_blankPage && fillChangesNothing(r, colour))
                return true;
            if (p)
                p->fillRect(r, colour);
            else
                m_sink->Fill(QRectF(r), colour, m_state);
            if (m_blankPage)
                m_inked.Mark(worldTransform().mapRect(QRectF(r)));
            return true;
        }
        break;
    }
    case OpLines:
    case OpLinesF: {
        const int n = m_r.Count(4);
        QVarLengthArray<QLineF, 8> all;
        for (int i = 0; i < n && m_r.Ok(); ++i) {
            if (op == OpLines) {
                const int x1 = m_r.Int(), y1 = m_r.Int(), x2 = m_r.Int(), y2 = m_r.Int();
                if (p && m_r.Ok())
                    p->drawLine(x1, y1, x2, y2);
                else if (m_sink && m_r.Ok())
                    all.append(QLineF(x1, y1, x2, y2));
            } else {
                const qreal x1 = m_r.Real(), y1 = m_r.Real(), x2 = m_r.Real(), y2 = m_r.Real();
                if (p && m_r.Ok())
                    p->drawLine(QLineF(x1, y1, x2, y2));
                else if (m_sink && m_r.Ok())
                    all.append(QLineF(x1, y1, x2, y2));
            }
        }
        if (m_sink && m_r.Ok())
            m_sink->Lines(all.constData(), int(all.size()), m_state);
        break;
    }
    case OpEllipse: {
        const QRect r = m_r.Rect();
        if (p && m_r.Ok())
            p->drawEllipse(r);
        else if (m_sink && m_r.Ok())
            m_sink->Ellipse(QRectF(r), m_state);
        break;
    }
    case OpEllipseF: {
        const QRectF r = m_r.RectF();
        if (p && m_r.Ok())
            p->drawEllipse(r);
        else if (m_sink && m_r.Ok())
            m_sink->Ellipse(r, m_state);
        break;
    }
    case OpPath: {
        const QPainterPath path = m_r.Path();
        if (p && m_r.Ok())
            p->drawPath(path);
        else if (m_sink && m_r.Ok())
            m_sink->Path(path, m_state);
        break;
    }
    case OpPolygon:
    case OpPolygonF:
    case OpPoints:
    case OpPointsF: {
        const bool polygon = op == OpPolygon || op == OpPolygonF;
        const quint8 mode = polygon ? m_r.Byte() : 0;
        if (mode > QPaintEngine::PolylineMode)
            return fail("a polygon is damaged");
        const int n = m_r.Count(2);
        QPolygonF points;
        points.reserve(n);
        for (int i = 0; i < n && m_r.Ok(); ++i) {
            if (op == OpPolygon || op == OpPoints) {
                const int x = m_r.Int(), y = m_r.Int();
                points.append(QPointF(x, y));
            } else {
                const qreal x = m_r.Real(), y = m_r.Real();
                points.append(QPointF(x, y));
            }
        }
        if (p && m_r.Ok()) {
            if (!polygon)
                p->drawPoints(points);
            else if (mode == QPaintEngine::PolylineMode)
                p->drawPolyline(points);
            else if (mode == QPaintEngine::ConvexMode)
                p->drawConvexPolygon(points);
            else
                p->drawPolygon(points, mode == QPaintEngine::WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        } else if (m_sink && m_r.Ok()) {
            if (!polygon)
                m_sink->Points(points.constData(), int(points.size()), m_state);
            else
                m_sink->Polygon(points.constData(), int(points.size()), mode == QPaintEngine::PolylineMode,
                                mode == QPaintEngine::WindingMode ? Qt::WindingFill : Qt::OddEvenFill,
                                m_state);
        }
        break;
    }
    case OpImage: {
        const int i = index(m_images.size(), "a picture is drawn that is not defined");
        if (i < 0)
            return false;
        const QRectF target = m_r.RectF(), source = m_r.RectF();
        const quint64 flags = m_r.U();
        if (!m_r.Ok() || flags > 0xffffffffu)
            return fail("a picture command is damaged");
        if (p) {
            const quint8 kind = m_images[size_t(i)].kind;
            if (!image(i, kind != KindImage))
                return false;
            if (kind == KindImage)
                p->drawImage(target, m_images[size_t(i)].image, source, Qt::ImageConversionFlags(int(flags)));
            else
                p->drawPixmap(target, m_images[size_t(i)].pixmap, source);
        } else if (m_sink) {
            m_sink->Image(target, sinkImage(i), source, m_state);
        }
        break;
    }
    case OpTiled: {
        const int i = index(m_images.size(), "a picture is drawn that is not defined");
        if (i < 0)
            return false;
        const QRectF target = m_r.RectF();
        const qreal x = m_r.Real(), y = m_r.Real();
        if (!m_r.Ok())
            return fail("a tiled picture is damaged");
        if (p) {
            if (!image(i, true))
                return false;
            p->drawTiledPixmap(target, m_images[size_t(i)].pixmap, QPointF(x, y));
        } else if (m_sink) {
            m_sink->Tiled(target, sinkImage(i), QPointF(x, y), m_state);
        }
        break;
    }
    case OpText: {
        const quint8 flags = m_r.Byte();
        const qreal x = m_r.Real(), y = m_r.Real();
        const QString text = m_r.Text();
        if (!m_r.Ok() || flags > TextRightToLeft)
            return fail("a text is damaged");
        if (p || m_sink) {
            const Qt::LayoutDirection direction = flags & TextRightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
            if (!p) {
                m_sink->Text(QPointF(x, y), text, direction == Qt::RightToLeft, m_state);
            } else {
                if (p->layoutDirection() != direction)
                    p->setLayoutDirection(direction);
                p->drawText(QPointF(x, y), text);
            }
            if (m_blankPage) {
                QRectF box;
                if (textBox(x, y, text, direction == Qt::RightToLeft, &box))
                    m_inked.Mark(box);
                else
                    m_allInked = true;
            }
            ++m_draws;
            return true;
        }
        break;
    }
    default:
        return fail("an unknown command");
    }
    if (!m_r.Ok())
        return fail("a drawing command is cut short");
    ++m_draws;
    // Lines, shapes and pictures: their extent is not worked out, so no later fill is left out.
    if (p || m_sink)
        m_allInked = true;
    return true;
}

bool Player::textBox(qreal x, qreal y, const QString &text, bool rightToLeft, QRectF *box)
{
    if (rightToLeft)
        return false;
    const size_t slot = size_t(m_font + 1);
    if (m_fontBoxes.size() <= slot)
        m_fontBoxes.resize(slot + 1);
    if (!m_fontBoxes[slot]) {
        // Metrics at the device, as the text is drawn: the fonts were scaled for it.
        const QFont &font = m_painter ? m_painter->font() : m_state.font;
        QPaintDevice *device = m_painter ? m_painter->device() : &m_metricsDevice;
        // Pages of one report share their fonts: each thread keeps the boxes of the fonts it met
        // (at the resolution they were drawn at) from page to page.
        thread_local std::unordered_map<QString, std::shared_ptr<FontBox>> known;
        const QString key = font.key() + QLatin1Char('@') + QString::number(device->logicalDpiX()) +
                            QLatin1Char('x') + QString::number(device->logicalDpiY());
        if (auto it = known.find(key); it != known.end()) {
            m_fontBoxes[slot] = it->second;
        } else {
            const QFontMetricsF metrics(font, device);
            auto fb = std::make_shared<FontBox>();
            fb->ascent = metrics.ascent();
            fb->descent = metrics.descent();
            fb->widest = metrics.maxWidth();
            // Italic overhang and side bearings reach past the advances.
            fb->margin = metrics.height() * 0.5;
            for (int c = 0; c < 256; ++c)
                fb->latin1[c] = std::max(metrics.horizontalAdvance(QChar(c)), 0.0);
            if (known.size() >= 256)
                known.clear();
            known.emplace(key, fb);
            m_fontBoxes[slot] = std::move(fb);
        }
    }
    const FontBox &fb = *m_fontBoxes[slot];
    qreal width = 0;
    for (const QChar ch : text)
        width += ch.unicode() < 256 ? fb.latin1[ch.unicode()] : fb.widest;
    const QRectF local(x - fb.margin, y - fb.ascent, width + 2 * fb.margin, fb.ascent + fb.descent);
    *box = worldTransform().mapRect(local);
    return true;
}

bool Player::fillChangesNothing(const QRect &rect, const QColor &colour) const
{
    if (m_allInked || (colour.rgb() & 0xffffff) != 0xffffff ||
        composition() != QPainter::CompositionMode_SourceOver)
        return false;
    // A device unit more, for antialiased edges.
    return !m_inked.Touches(worldTransform().mapRect(QRectF(rect)).adjusted(-1, -1, 1, 1));
}

void Player::clipTo(const QPainterPath &path, Qt::ClipOperation op)
{
    // As QPainter: intersecting with no clip replaces it.
    if (op == Qt::IntersectClip && !m_state.clipping)
        op = Qt::ReplaceClip;
    if (op == Qt::NoClip) {
        m_state.clip.clear();
        m_state.clipping = false;
        return;
    }
    if (op == Qt::ReplaceClip)
        m_state.clip.clear();
    m_state.clip.push_back(m_state.transform.map(path));
    m_state.clipping = true;
}

TQRPageImage Player::sinkImage(int i) const
{
    const ImageSlot &slot = m_images[size_t(i)];
    TQRPageImage image;
    image.bytes = slot.png;
    image.bitmap = slot.kind == KindBitmap;
    return image;
}

bool Player::Run(int dpi, QString *error)
{
    if (m_painter) {
        m_painter->save();
        m_base = m_painter->worldTransform();
        // Each page starts from the painter's defaults, whatever drew before.
        m_painter->setPen(QPen(Qt::black));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->setFont(QFont());
        m_painter->setBackgroundMode(Qt::TransparentMode);
        m_painter->setBackground(Qt::white);
        m_painter->setBrushOrigin(0, 0);
        m_painter->setOpacity(1.0);
        m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_painter->setLayoutDirection(Qt::LeftToRight);
    }
    if (m_sink) {
        m_metricsDevice = QImage(1, 1, QImage::Format_Mono);
        m_metricsDevice.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
        m_metricsDevice.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    }
    if (m_blankPage)
        m_inked.Reset(worldTransform().mapRect(QRectF(QPointF(0, 0), QSizeF(m_pageSize))));
    bool ok = true;
    while (!m_r.AtEnd()) {
        if (!step(dpi)) {
            ok = false;
            break;
        }
    }
    if (m_painter)
        m_painter->restore();
    if (!ok && error)
        *error = m_error.isEmpty() ? QStringLiteral("the page is damaged") : m_error;
    return ok;
}

bool checkHeader(const QByteArray &bytes, QSize *size, int *dpi, QString *error)
{
    auto bad = [error](const char *what) {
        if (error)
            *error = QString::fromLatin1(what);
        return false;
    };
    if (bytes.size() < TQRPagePicture::HeaderSize)
        return bad("the page is too short for a page picture");
    const char *h = bytes.constData();
    if (std::memcmp(h, TQRPagePicture::Magic, 4) != 0)
        return bad("the page is not a page picture");
    if (quint8(h[4]) != TQRPagePicture::Version)
        return bad("the page picture has an unknown version");
    const qint32 w = qFromLittleEndian<qint32>(h + 6);
    const qint32 hgt = qFromLittleEndian<qint32>(h + 10);
    const quint16 d = qFromLittleEndian<quint16>(h + 14);
    if (w <= 0 || hgt <= 0 || w > 1000000 || hgt > 1000000 || d == 0)
        return bad("the page picture has an impossible page size");
    *size = QSize(w, hgt);
    *dpi = d;
    return true;
}
} // namespace

bool TQRPagePicture::SetData(const QByteArray &bytes, QString *error)
{
    m_data.clear();
    m_size = QSize();
    m_draws = 0;
    QSize size;
    int dpi = 96;
    if (!checkHeader(bytes, &size, &dpi, error))
        return false;
    Player check(bytes, nullptr);
    QString problem;
    if (!check.Run(dpi, &problem)) {
        if (error)
            *error = problem;
        return false;
    }
    m_data = bytes;
    m_size = size;
    m_dpi = dpi;
    m_draws = check.Draws();
    return true;
}

bool ReplayPage(const TQRPagePicture &page, QPainter *painter, QString *error, bool blankPage)
{
    if (page.IsNull()) {
        if (error)
            *error = QStringLiteral("there is no page to draw");
        return false;
    }
    if (!painter || !painter->isActive()) {
        if (error)
            *error = QStringLiteral("the painter is not active");
        return false;
    }
    Player player(page.Data(), painter, blankPage);
    return player.Run(page.Dpi(), error);
}

bool VisitPage(const TQRPagePicture &page, TQRPageSink *sink, QString *error, bool blankPage)
{
    if (page.IsNull() || !sink) {
        if (error)
            *error = QStringLiteral("there is no page to draw");
        return false;
    }
    Player player(page.Data(), nullptr, blankPage, sink);
    return player.Run(page.Dpi(), error);
}

QImage TQRPageImage::Decoded() const
{
    QImage image;
    image.loadFromData(bytes);
    return image;
}
