#pragma once

// Page pictures handed command by command to writers of other formats that
// draw without a painter (the PDF writer).

#include "qrpagepicture.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <vector>

// The drawing state a page's command is drawn in, as a QPainter would hold it.
struct TQRPageState {
    QPen pen{Qt::black};            // outlines and text colour
    QBrush brush;                   // fills of shapes
    QFont font;                     // as recorded: point sizes are at the page's resolution
    QTransform transform;           // page pixels as drawn to page pixels of the paper
    std::vector<QPainterPath> clip; // on page pixels of the paper; all of them intersected
    bool clipping = false;          // the clip applies
    qreal opacity = 1.0;            // 0 … 1, applied to everything drawn
    bool opaqueBackground = false;  // hatch brushes and dashed pens have their gaps filled
    QBrush background{Qt::white};   // what fills those gaps
    QPointF brushOrigin;            // where patterns start
    QPainter::CompositionMode composition = QPainter::CompositionMode_SourceOver; // how ink meets paper
    bool antialiasing = false; // the antialiasing hint is on
};

// A picture of a page as the page picture keeps it.
struct TQRPageImage {
    QByteArray bytes;    // its file's bytes (PNG or JPEG)
    bool bitmap = false; // a monochrome bitmap: ones are drawn in the pen colour, zeros left out
    // The picture decoded; null when it does not decode.
    QImage Decoded() const;
};

// Receives a page's commands decoded, with the state each is drawn in, for
// writers that turn a page into another format without a painter. Every
// geometry is in page pixels before state.transform.
class TQRPageSink
{
public:
    virtual ~TQRPageSink() = default;
    // Rectangles outlined with the pen and filled with the brush.
    virtual void Rects(const QRectF *rects, int count, const TQRPageState &state) = 0;
    // A rectangle filled with colour, neither pen nor brush used.
    virtual void Fill(const QRectF &rect, const QColor &colour, const TQRPageState &state) = 0;
    // Lines drawn with the pen.
    virtual void Lines(const QLineF *lines, int count, const TQRPageState &state) = 0;
    // An ellipse in rect, outlined and filled.
    virtual void Ellipse(const QRectF &rect, const TQRPageState &state) = 0;
    // A path, outlined and filled.
    virtual void Path(const QPainterPath &path, const TQRPageState &state) = 0;
    // A polygon (closed and filled with the fill rule) or a polyline (open, not filled).
    virtual void Polygon(const QPointF *points, int count, bool polyline, Qt::FillRule rule,
                         const TQRPageState &state) = 0;
    // Points drawn with the pen.
    virtual void Points(const QPointF *points, int count, const TQRPageState &state) = 0;
    // The source part of image drawn into target.
    virtual void Image(const QRectF &target, const TQRPageImage &image, const QRectF &source,
                       const TQRPageState &state) = 0;
    // image repeated over target, a copy starting offset into it at the target's corner.
    virtual void Tiled(const QRectF &target, const TQRPageImage &image, const QPointF &offset,
                       const TQRPageState &state) = 0;
    // Text drawn as QPainter::drawText(baseline, text) draws it, in the state's font and pen.
    virtual void Text(const QPointF &baseline, const QString &text, bool rightToLeft,
                      const TQRPageState &state) = 0;
};

// Hands every command of page to sink, in order. With blankPage, white fills
// where nothing was drawn yet are left out, as on ReplayPage. False (with
// error) when a command is damaged.
bool VisitPage(const TQRPagePicture &page, TQRPageSink *sink, QString *error = nullptr,
               bool blankPage = false);
