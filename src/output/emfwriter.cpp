#include "emfwriter.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>
#include <QtEndian>
#include <climits>
#include <cmath>
#include <cstring>

namespace
{
enum : quint32 {
    EMR_HEADER = 1,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_EOF = 14,
    EMR_SETBKMODE = 18,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
};
constexpr quint32 NullBrush = 0x80000005, NullPen = 0x80000008;

quint32 colorRef(const QColor &c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}
} // namespace

class TQREmfEngine : public QPaintEngine
{
public:
    TQREmfEngine(QSize size, int dpi) : QPaintEngine(AllFeatures), m_size(size), m_dpi(dpi) {}
    QByteArray data;

    bool begin(QPaintDevice *) override
    {
        m_body.clear();
        m_records = 0;
        record(EMR_SETBKMODE, {1});     // transparent
        record(EMR_SETTEXTALIGN, {24}); // baseline
        return true;
    }
    bool end() override
    {
        record(EMR_EOF, {0, 16, 20});
        QByteArray header;
        const qint32 wmm = qint32(std::lround(m_size.width() * 2540.0 / m_dpi));
        const qint32 hmm = qint32(std::lround(m_size.height() * 2540.0 / m_dpi));
        auto put = [&header](quint32 v) {
            char b[4];
            qToLittleEndian(v, b);
            header.append(b, 4);
        };
        put(EMR_HEADER);
        put(108);
        for (qint32 v : {0, 0, m_size.width() - 1, m_size.height() - 1, 0, 0, wmm - 1, hmm - 1})
            put(quint32(v));
        put(0x464D4520);
        put(0x10000);
        put(quint32(108 + m_body.size()));
        put(quint32(m_records + 1));
        put(quint32(m_handles + 1)); // nHandles (16 bit) and reserved
        put(0);
        put(0);
        put(0);
        // The reference device is the page itself: pixels and millimetres.
        put(quint32(m_size.width()));
        put(quint32(m_size.height()));
        put(quint32(std::lround(m_size.width() * 25.4 / m_dpi)));
        put(quint32(std::lround(m_size.height() * 25.4 / m_dpi)));
        put(0);
        put(0);
        put(0);
        put(quint32(std::lround(m_size.width() * 25400.0 / m_dpi)));
        put(quint32(std::lround(m_size.height() * 25400.0 / m_dpi)));
        data = header + m_body;
        return true;
    }
    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyPen)
            m_pen = state.pen();
        if (state.state() & DirtyBrush)
            m_brush = state.brush();
        if (state.state() & DirtyFont)
            m_font = state.font();
        if (state.state() & DirtyTransform)
            m_transform = state.transform();
    }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        shape(QPolygonF(QList<QPointF>(points, points + count)), mode != PolylineMode);
    }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            shape(QPolygonF(rects[i]), true);
    }
    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            shape(QPolygonF({lines[i].p1(), lines[i].p2()}), false);
    }
    void drawPath(const QPainterPath &path) override
    {
        if (m_brush.style() != Qt::NoBrush)
            for (const QPolygonF &p : path.toFillPolygons())
                shape(p, true);
        else
            for (const QPolygonF &p : path.toSubpathPolygons())
                shape(p, false);
    }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QString text = item.text();
        if (text.isEmpty())
            return;
        const QFont f = item.font();
        const double scale = std::sqrt(std::abs(m_transform.determinant()));
        const double pixels = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * m_dpi / 72.0;
        const quint32 font = ++m_handles;
        QList<quint32> logfont{font,
                               quint32(-qint32(std::lround(pixels * scale))),
                               0,
                               quint32(qint32(std::lround(m_transform.map(QLineF(0, 0, 1, 0)).angle() * 10))),
                               0,
                               quint32(f.bold() ? 700 : 400),
                               quint32(f.italic() ? 1 : 0) | quint32(f.underline() ? 1 : 0) << 8 |
                                   quint32(f.strikeOut() ? 1 : 0) << 16 | 1u << 24,
                               0};
        // lfEscapement and lfOrientation are the same angle.
        logfont[4] = logfont[3];
        QByteArray face(64, '\0');
        const QString family = f.family().left(31);
        for (int i = 0; i < family.size(); ++i)
            qToLittleEndian(quint16(family[i].unicode()), face.data() + 2 * i);
        record(EMR_EXTCREATEFONTINDIRECTW, logfont, face);
        record(EMR_SELECTOBJECT, {font});
        record(EMR_SETTEXTCOLOR, {colorRef(m_pen.color())});
        const QPoint at = m_transform.map(p).toPoint();
        QByteArray chars(text.size() * 2, '\0');
        for (int i = 0; i < text.size(); ++i)
            qToLittleEndian(quint16(text[i].unicode()), chars.data() + 2 * i);
        while (chars.size() % 4)
            chars.append('\0');
        const quint32 n = quint32(text.size());
        const quint32 offString = 76;
        const quint32 offDx = offString + quint32(chars.size());
        QByteArray dx;
        const QFontMetricsF fm(f);
        for (QChar c : text) {
            char b[4];
            qToLittleEndian(qint32(std::lround(fm.horizontalAdvance(c) * scale)), b);
            dx.append(b, 4);
        }
        record(EMR_EXTTEXTOUTW,
               {0, 0, quint32(m_size.width()), quint32(m_size.height()), 1, 0, 0, quint32(at.x()),
                quint32(at.y()), n, offString, 0, 0, 0, 0, 0, offDx},
               chars + dx, true);
        record(EMR_DELETEOBJECT, {font});
    }
    Type type() const override { return User; }

private:
    void record(quint32 type, const QList<quint32> &words, const QByteArray &tail = {}, bool floats = false)
    {
        QByteArray r;
        auto put = [&r](quint32 v) {
            char b[4];
            qToLittleEndian(v, b);
            r.append(b, 4);
        };
        put(type);
        put(quint32(8 + 4 * words.size() + tail.size()));
        for (qsizetype i = 0; i < words.size(); ++i) {
            // The text record's two scale factors are floats.
            if (floats && (i == 5 || i == 6)) {
                float one = 0;
                quint32 bits;
                std::memcpy(&bits, &one, 4);
                put(bits);
            } else {
                put(words[i]);
            }
        }
        r += tail;
        m_body += r;
        ++m_records;
    }
    void shape(const QPolygonF &polygon, bool closed)
    {
        if (polygon.size() < 2)
            return;
        const bool pen = m_pen.style() != Qt::NoPen;
        const bool brush = closed && m_brush.style() != Qt::NoBrush;
        if (!pen && !brush)
            return;
        const quint32 p = pen ? ++m_handles : NullPen;
        if (pen)
            record(EMR_CREATEPEN, {p, 0, quint32(std::max(1, int(std::lround(m_pen.widthF())))), 0,
                                   colorRef(m_pen.color())});
        const quint32 b = brush ? ++m_handles : NullBrush;
        if (brush)
            record(EMR_CREATEBRUSHINDIRECT, {b, 0, colorRef(m_brush.color()), 0});
        record(EMR_SELECTOBJECT, {p});
        record(EMR_SELECTOBJECT, {b});
        const QPolygon mapped = m_transform.map(polygon).toPolygon();
        const QRect box = mapped.boundingRect();
        QList<quint32> words{quint32(box.left()), quint32(box.top()), quint32(box.right()),
                             quint32(box.bottom()), quint32(mapped.size())};
        for (const QPoint &pt : mapped)
            words << quint32(pt.x()) << quint32(pt.y());
        record(closed ? EMR_POLYGON : EMR_POLYLINE, words);
        if (pen)
            record(EMR_DELETEOBJECT, {p});
        if (brush)
            record(EMR_DELETEOBJECT, {b});
    }

    QSize m_size;
    int m_dpi;
    QByteArray m_body;
    quint32 m_records = 0;
    quint32 m_handles = 0;
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
    QTransform m_transform;
};

TQREmfDevice::TQREmfDevice(const QSize &size, int dpi)
    : m_size(size), m_dpi(dpi), m_engine(std::make_unique<TQREmfEngine>(size, dpi))
{
}

TQREmfDevice::~TQREmfDevice() = default;

QByteArray TQREmfDevice::Data() const
{
    return m_engine->data;
}

QPaintEngine *TQREmfDevice::paintEngine() const
{
    return m_engine.get();
}

int TQREmfDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return qRound(m_size.width() * 25.4 / m_dpi);
    case PdmHeightMM:
        return qRound(m_size.height() * 25.4 / m_dpi);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return m_dpi;
    case PdmDepth:
        return 32;
    case PdmNumColors:
        return INT_MAX;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
}
