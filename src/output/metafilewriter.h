#pragma once

// What the Enhanced Metafile and the placeable Windows Metafile writers share:
// a paint engine that keeps the painter's state and turns every drawing call
// into one of three primitives in page pixels (a shape, a text run, a
// picture), which each format then writes as its own records; and the paint
// device both are written through.

#include <QBrush>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QPolygon>
#include <QSize>
#include <QTransform>
#include <memory>

// A run of text as both formats write it, mapped to page pixels.
struct TQRMetafileText {
    QPoint at;              // start of the baseline
    QString text;           // the characters
    QString family;         // font family
    int height = 0;         // character height in pixels
    int angle = 0;          // escapement in tenths of a degree, counter-clockwise
    bool bold = false;      // weight 700 instead of 400
    bool italic = false;    // italic face
    bool underline = false; // underlined
    bool strikeOut = false; // struck out
    QColor color;           // text colour
    QList<int> advances;    // pixels from each character to the next
};

// Little-endian record bytes.
class TQRMetafileBytes
{
public:
    // The bytes written so far.
    QByteArray bytes;
    // Appends a 16-bit value.
    void U16(quint32 v);
    // Appends a 32-bit value.
    void U32(quint32 v);
    // Appends v zero bytes.
    void Zeros(int count) { bytes.append(count, '\0'); }
};

class TQRMetafileEngine : public QPaintEngine
{
public:
    TQRMetafileEngine(QSize size, int dpi);
    // The finished file's bytes; set when the painter ends.
    QByteArray data;

    bool begin(QPaintDevice *) override;
    bool end() override;
    void updateState(const QPaintEngineState &state) override;
    void drawPixmap(const QRectF &target, const QPixmap &pixmap, const QRectF &source) override;
    void drawImage(const QRectF &target, const QImage &image, const QRectF &source,
                   Qt::ImageConversionFlags flags) override;
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override;
    void drawRects(const QRectF *rects, int count) override;
    void drawLines(const QLineF *lines, int count) override;
    void drawPath(const QPainterPath &path) override;
    void drawTextItem(const QPointF &p, const QTextItem &item) override;
    Type type() const override { return User; }

    // The colour as a Windows COLORREF (0x00BBGGRR).
    static quint32 ColorRef(const QColor &c);
    // The Windows pen style of a Qt pen style (PS_SOLID … PS_DASHDOTDOT).
    static quint32 PenStyle(Qt::PenStyle style);
    // The image as a bottom-up 24-bit DIB: BITMAPINFOHEADER then the rows,
    // transparent parts on white.
    static QByteArray DeviceIndependentBitmap(const QImage &image, int *headerSize);

protected:
    // Called when painting starts and ends; End returns the finished file.
    virtual void Begin() = 0;
    virtual QByteArray End() = 0;
    // A polygon (closed) or polyline in page pixels; pen and brush are null when not drawn. The
    // pen's width is in page pixels too.
    virtual void Shape(const QPolygon &points, bool closed, const QPen *pen, const QBrush *brush) = 0;
    virtual void Text(const TQRMetafileText &text) = 0;
    // An image stretched over target (page pixels).
    virtual void Picture(const QRect &target, const QImage &image) = 0;

    QSize m_size;
    int m_dpi;

private:
    void shape(const QPolygonF &polygon, bool closed);

    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
};

// A page that is written as a metafile while a QPainter paints on it.
class TQRMetafileDevice : public QPaintDevice
{
public:
    // Enhanced Metafile (.emf) or placeable Windows Metafile (.wmf).
    enum Format { Emf, Wmf };
    // A page of size pixels at dpi pixels per inch.
    TQRMetafileDevice(Format format, const QSize &size, int dpi);
    ~TQRMetafileDevice() override;
    // The finished file's bytes; valid after the painter has ended.
    QByteArray Data() const;

    QPaintEngine *paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    int m_dpi;
    std::unique_ptr<TQRMetafileEngine> m_engine;
};
