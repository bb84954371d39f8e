#include "metafilewriter.h"

#include "emfwriter.h"
#include "wmfwriter.h"

#include "output/pages/qrpagepicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <QtEndian>
#include <climits>
#include <cmath>

void TQRMetafileBytes::U16(quint32 v)
{
    char b[2];
    qToLittleEndian(quint16(v), b);
    bytes.append(b, 2);
}

void TQRMetafileBytes::U32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    bytes.append(b, 4);
}

TQRMetafileEngine::TQRMetafileEngine(QSize size, int dpi)
    : QPaintEngine(AllFeatures), m_size(size), m_dpi(dpi)
{
}

quint32 TQRMetafileEngine::ColorRef(const QColor &c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

quint32 TQRMetafileEngine::PenStyle(Qt::PenStyle style)
{
    switch (style) {
    case Qt::DashLine:
        return 1;
    case Qt::DotLine:
        return 2;
    case Qt::DashDotLine:
        return 3;
    case Qt::DashDotDotLine:
        return 4;
    case Qt::NoPen:
        return 5;
    default:
        return 0;
    }
}

QByteArray TQRMetafileEngine::DeviceIndependentBitmap(const QImage &image, int *headerSize)
{
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    const int stride = (flat.width() * 3 + 3) & ~3;
    TQRMetafileBytes b;
    b.U32(40);
    b.U32(quint32(flat.width()));
    b.U32(quint32(flat.height())); // positive: bottom-up rows
    b.U16(1);
    b.U16(24);
    b.U32(0); // BI_RGB
    b.U32(quint32(stride * flat.height()));
    b.U32(0);
    b.U32(0);
    b.U32(0);
    b.U32(0);
    *headerSize = int(b.bytes.size());
    QByteArray row(stride, '\0');
    for (int y = flat.height() - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(flat.constScanLine(y));
        for (int x = 0; x < flat.width(); ++x) {
            row[3 * x] = char(qBlue(line[x]));
            row[3 * x + 1] = char(qGreen(line[x]));
            row[3 * x + 2] = char(qRed(line[x]));
        }
        b.bytes += row;
    }
    return b.bytes;
}

bool TQRMetafileEngine::begin(QPaintDevice *)
{
    m_pen = QPen();
    m_brush = QBrush();
    m_transform = QTransform();
    Begin();
    return true;
}

bool TQRMetafileEngine::end()
{
    data = End();
    return true;
}

void TQRMetafileEngine::updateState(const QPaintEngineState &state)
{
    if (state.state() & DirtyPen)
        m_pen = state.pen();
    if (state.state() & DirtyBrush)
        m_brush = state.brush();
    if (state.state() & DirtyTransform)
        m_transform = state.transform();
}

void TQRMetafileEngine::drawPixmap(const QRectF &target, const QPixmap &pixmap, const QRectF &source)
{
    drawImage(target, pixmap.toImage(), source, Qt::AutoColor);
}

void TQRMetafileEngine::drawImage(const QRectF &target, const QImage &image, const QRectF &source,
                                  Qt::ImageConversionFlags)
{
    const QRect part = source.toAlignedRect() & image.rect();
    const QRect to = m_transform.mapRect(target).toAlignedRect();
    if (part.isEmpty() || to.isEmpty())
        return;
    Picture(to, part == image.rect() ? image : image.copy(part));
}

void TQRMetafileEngine::drawPolygon(const QPointF *points, int count, PolygonDrawMode mode)
{
    shape(QPolygonF(QList<QPointF>(points, points + count)), mode != PolylineMode);
}

void TQRMetafileEngine::drawRects(const QRectF *rects, int count)
{
    for (int i = 0; i < count; ++i)
        shape(QPolygonF(rects[i]), true);
}

void TQRMetafileEngine::drawLines(const QLineF *lines, int count)
{
    for (int i = 0; i < count; ++i)
        shape(QPolygonF({lines[i].p1(), lines[i].p2()}), false);
}

void TQRMetafileEngine::drawPath(const QPainterPath &path)
{
    if (m_brush.style() != Qt::NoBrush)
        for (const QPolygonF &p : path.toFillPolygons())
            shape(p, true);
    else
        for (const QPolygonF &p : path.toSubpathPolygons())
            shape(p, false);
}

void TQRMetafileEngine::shape(const QPolygonF &polygon, bool closed)
{
    if (polygon.size() < 2)
        return;
    const bool pen = m_pen.style() != Qt::NoPen;
    const bool brush = closed && m_brush.style() != Qt::NoBrush;
    if (!pen && !brush)
        return;
    // Pens are as wide in page pixels as the painter's scale makes them; cosmetic ones keep their width.
    QPen scaled = m_pen;
    if (pen && !m_pen.isCosmetic())
        scaled.setWidthF(m_pen.widthF() * std::sqrt(std::abs(m_transform.determinant())));
    Shape(m_transform.map(polygon).toPolygon(), closed, pen ? &scaled : nullptr, brush ? &m_brush : nullptr);
}

void TQRMetafileEngine::drawTextItem(const QPointF &p, const QTextItem &item)
{
    TQRMetafileText t;
    t.text = item.text();
    if (t.text.isEmpty())
        return;
    const QFont f = item.font();
    const double scale = std::sqrt(std::abs(m_transform.determinant()));
    const double pixels = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * m_dpi / 72.0;
    t.at = m_transform.map(p).toPoint();
    t.family = f.family();
    t.height = int(std::lround(pixels * scale));
    t.angle = int(std::lround(m_transform.map(QLineF(0, 0, 1, 0)).angle() * 10)) % 3600;
    t.bold = f.bold();
    t.italic = f.italic();
    t.underline = f.underline();
    t.strikeOut = f.strikeOut();
    t.color = m_pen.color();
    const QFontMetricsF fm(f);
    t.advances.reserve(t.text.size());
    for (QChar c : t.text)
        t.advances << int(std::lround(fm.horizontalAdvance(c) * scale));
    Text(t);
}

TQRMetafileDevice::TQRMetafileDevice(Format format, const QSize &size, int dpi) : m_size(size), m_dpi(dpi)
{
    if (format == Emf)
        m_engine = std::make_unique<TQREmfEngine>(size, dpi);
    else
        m_engine = std::make_unique<TQRWmfEngine>(size, dpi);
}

TQRMetafileDevice::~TQRMetafileDevice() = default;

QByteArray TQRMetafileDevice::Data() const
{
    return m_engine->data;
}

QPaintEngine *TQRMetafileDevice::paintEngine() const
{
    return m_engine.get();
}

int TQRMetafileDevice::metric(PaintDeviceMetric metric) const
{
    return QRVectorDeviceMetric(metric, m_size, m_dpi);
}
