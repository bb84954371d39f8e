#pragma once

// The selection frame of the designer: the ordered list of selected
// controls (all on one parent), the frame around them, the zones under the
// pointer that resize instead of move, and the arithmetic of a drag. It is a
// model object: the canvas draws it and feeds it the pointer.

#include "common/component.h"
#include "common/graphics.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>

class TQRVisualControl;

class TStretch_Handle : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TColor SecondaryColor READ SecondaryColor WRITE SetSecondaryColor)
    Q_PROPERTY(bool Locked READ Locked WRITE SetLocked)
    Q_PROPERTY(TCursors::TCursor DragCursor READ DragCursor WRITE SetDragCursor)
    Q_CLASSINFO("Default:Color", "clBlack")
    Q_CLASSINFO("Default:SecondaryColor", "clGray")
    Q_CLASSINFO("Default:Locked", "False")

public:
    // Where the pointer is on the frame; the order is the order zones are tested in.
    enum TZone { zMove, zTopLeft, zBottomRight, zTopRight, zBottomLeft, zTop, zBottom, zLeft, zRight };
    Q_ENUM(TZone)

    // What a drag is computed with.
    struct TDragSettings {
        int GridX = 1; // snapping steps
        int GridY = 1;
        int MinWidth = 5; // smallest result
        int MinHeight = 5;
        double Ratio = 1; // width : height of the first selected control (Shift on the corner)
    };

    Q_INVOKABLE explicit TStretch_Handle(TComponent *owner = nullptr);

    // Frame colour of a single selection, and of a multiple one.
    TColor Color() const { return m_color; }
    void SetColor(TColor c) { m_color = c; }
    TColor SecondaryColor() const { return m_secondaryColor; }
    void SetSecondaryColor(TColor c) { m_secondaryColor = c; }
    // A locked frame neither moves nor resizes (the pointer shows "no drop").
    bool Locked() const { return m_locked; }
    void SetLocked(bool v) { m_locked = v; }
    // The cursor over the frame's body.
    TCursor DragCursor() const { return m_dragCursor; }
    void SetDragCursor(TCursor c) { m_dragCursor = c; }

    // --- selection ----------------------------------------------------------------------
    // The selected controls in the order they were selected (freed ones drop out).
    QList<TQRVisualControl *> Children() const;
    int ChildCount() const { return int(Children().size()); }
    bool Contains(const TQRVisualControl *control) const;
    // Adds control (after the others); a control of another parent first clears the list.
    void Attach(TQRVisualControl *control);
    // Empties the selection; the frame is hidden, 24 x 24 on the owner.
    void Detach();
    // The parent of the selected controls (null without a selection).
    TControl *SelectionParent() const;

    // --- geometry -----------------------------------------------------------------------
    // The frame in its parent's pixels: the union of the selected controls,
    // 2 pixels wider to the left and top, 3 to the right and bottom.
    QRect Bounds() const;
    bool Visible() const { return ChildCount() > 0; }
    // The zone of a point given relative to the frame's top-left corner
    // (only a single selection has resize zones).
    TZone ZoneAt(const QPoint &p) const;
    // The cursor the zone shows.
    TCursor ZoneCursor(TZone zone) const;
    // The cursor at a point relative to the frame's top-left corner, with the mouse not pressed.
    TCursor CursorAt(const QPoint &p) const;

    // The frame after a drag of zone by delta, from frame (pure arithmetic).
    static QRect DragResult(const QRect &frame, TZone zone, const QPoint &delta,
                            Qt::KeyboardModifiers modifiers, const TDragSettings &settings);

    // --- dragging (points in the frame parent's pixels) ----------------------------------
    // Starts a drag at p unless locked; false when no drag starts.
    bool BeginDrag(const QPoint &p, TZone zone);
    bool Dragging() const { return m_dragging; }
    TZone DragZone() const { return m_dragZone; }
    // The would-be frame for the pointer at p, clamped to limit (the parent's area).
    QRect DragFrame(const QPoint &p, const QRect &limit, Qt::KeyboardModifiers modifiers,
                    const TDragSettings &settings) const;
    // The inverted outline shown while dragging: the would-be frame inset by 2 at top-left and 3 at
    // bottom-right.
    static QRect Outline(const QRect &frame);
    // Ends the drag; true with *result when the pointer moved.
    bool EndDrag(const QPoint &p, const QRect &limit, Qt::KeyboardModifiers modifiers,
                 const TDragSettings &settings, QRect *result);
    // Drops a drag without applying it.
    void CancelDrag() { m_dragging = false; }

private:
    TColor m_color = clBlack;
    TColor m_secondaryColor = clGray;
    bool m_locked = false;
    TCursor m_dragCursor = TCursors::crDrag;
    QList<QPointer<TQRVisualControl>> m_children;
    bool m_dragging = false;
    TZone m_dragZone = zMove;
    QPoint m_dragStart;
};
