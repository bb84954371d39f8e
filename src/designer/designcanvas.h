#pragma once

// The designer's drawing surface: one widget (inside a scroll area) that
// paints the report page, its bands and elements at the report's zoom. The
// elements draw themselves through their own print code onto a recorded
// page picture, with their design-time texts, so that what the author sees
// is what prints; band names, component frames, the selection frame, the
// rubber band and drag outlines are drawn over it. Mouse and keys go to the
// controller in report pixels.

#include "common/graphics.h"
#include "output/pages/qrpagepicture.h"

#include <QPointer>
#include <QWidget>

class TQRepDesigner;
class TQRPrintable;
class TQRVisualControl;
class TQRDesignReport;

// The cursor shape of a component cursor.
Qt::CursorShape QtCursorShape(TCursor cursor);

class TDesignCanvas : public QWidget
{
    Q_OBJECT
public:
    // Grey space around the page, in widget pixels.
    static constexpr int Margin = 12;
    // The drag-and-drop format of a data field: "dataset\nfield".
    static QString DatafieldMimeType();

    explicit TDesignCanvas(TQRepDesigner *designer, QWidget *parent = nullptr);

    TQRepDesigner *Designer() const { return m_designer; }
    // Where report pixel (0, 0) is on the widget.
    QPoint ReportOrigin() const { return QPoint(Margin, Margin); }
    // A widget point in report pixels, and back.
    QPoint ToReport(const QPoint &widgetPoint) const { return widgetPoint - ReportOrigin(); }
    QPoint ToWidget(const QPoint &reportPoint) const { return reportPoint + ReportOrigin(); }
    // The report, band or element under a report point (topmost first).
    TQRVisualControl *ControlAt(const QPoint &reportPoint) const;

    // The design-time text of a text element: a data field its field, an
    // expression its expression or "(none)", a system field its text and kind.
    static QString DesignText(const TQRPrintable *element);

    // The page with bands and elements is drawn again at the next paint.
    void Invalidate();
    // Redraws the page picture now (what a model change costs).
    void RebuildPicture();
    // Paints everything on painter (what a paint event costs once the picture is current).
    void PaintDesign(QPainter *painter, const QRect &clip);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    TQRDesignReport *report() const;
    void recordElement(TQRPrintable *element, double offsetX, double offsetY);
    void paintOverlays(QPainter *painter);
    void updateCursor(const QPoint &reportPoint);

    TQRepDesigner *m_designer;
    TQRPagePicture m_picture;
    bool m_dirty = true;
    int m_pictureZoom = 0;
};
