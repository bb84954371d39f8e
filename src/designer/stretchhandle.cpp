#include "designer/stretchhandle.h"

#include "engine/visualcontrol.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{
// Snapping truncates toward zero, as integer division does.
int snap(int v, int grid)
{
    return grid > 1 ? (v / grid) * grid : v;
}

bool movesLeft(TStretch_Handle::TZone z)
{
    return z == TStretch_Handle::zTopLeft || z == TStretch_Handle::zBottomLeft || z == TStretch_Handle::zLeft;
}
bool movesRight(TStretch_Handle::TZone z)
{
    return z == TStretch_Handle::zTopRight || z == TStretch_Handle::zBottomRight ||
           z == TStretch_Handle::zRight;
}
bool movesTop(TStretch_Handle::TZone z)
{
    return z == TStretch_Handle::zTopLeft || z == TStretch_Handle::zTopRight || z == TStretch_Handle::zTop;
}
bool movesBottom(TStretch_Handle::TZone z)
{
    return z == TStretch_Handle::zBottomLeft || z == TStretch_Handle::zBottomRight ||
           z == TStretch_Handle::zBottom;
}
} // namespace

TStretch_Handle::TStretch_Handle(TComponent *owner) : TComponent(owner) {}

QList<TQRVisualControl *> TStretch_Handle::Children() const
{
    QList<TQRVisualControl *> list;
    for (const auto &c : m_children)
        if (c)
            list.append(c);
    return list;
}

bool TStretch_Handle::Contains(const TQRVisualControl *control) const
{
    return control && std::any_of(m_children.begin(), m_children.end(),
                                  [control](const auto &c) { return c.data() == control; });
}

void TStretch_Handle::Attach(TQRVisualControl *control)
{
    if (!control || Contains(control))
        return;
    if (Visible() && control->Parent() != SelectionParent())
        Detach();
    m_children.append(control);
}

void TStretch_Handle::Detach()
{
    m_children.clear();
    m_dragging = false;
}

TControl *TStretch_Handle::SelectionParent() const
{
    const auto list = Children();
    return list.isEmpty() ? nullptr : list.first()->Parent();
}

QRect TStretch_Handle::Bounds() const
{
    const auto list = Children();
    if (list.isEmpty())
        return QRect(0, 0, 24, 24);
    QRect r = list.first()->BoundsRect();
    for (TQRVisualControl *c : list)
        r = r.united(c->BoundsRect());
    return QRect(r.left() - 2, r.top() - 2, r.width() + 5, r.height() + 5);
}

TStretch_Handle::TZone TStretch_Handle::ZoneAt(const QPoint &p) const
{
    if (ChildCount() != 1)
        return zMove;
    const QRect b = Bounds();
    const int w = b.width(), h = b.height();
    const struct {
        TZone zone;
        int x, y;
    } anchors[] = {{zTopLeft, 0, 0}, {zBottomRight, w, h}, {zTopRight, w, 0}, {zBottomLeft, 0, h},
                   {zTop, w / 2, 0}, {zBottom, w / 2, h},  {zLeft, 0, h / 2}, {zRight, w, h / 2}};
    TZone found = zMove;
    for (const auto &a : anchors)
        if (std::abs(p.x() - a.x) < 6 && std::abs(p.y() - a.y) < 6)
            found = a.zone; // a later hit wins
    return found;
}

TCursor TStretch_Handle::ZoneCursor(TZone zone) const
{
    switch (zone) {
    case zTopLeft:
    case zBottomRight:
        return TCursors::crSizeNWSE;
    case zTopRight:
    case zBottomLeft:
        return TCursors::crSizeNESW;
    case zTop:
    case zBottom:
        return TCursors::crSizeNS;
    case zLeft:
    case zRight:
        return TCursors::crSizeWE;
    case zMove:
        break;
    }
    return m_dragCursor;
}

TCursor TStretch_Handle::CursorAt(const QPoint &p) const
{
    if (m_locked)
        return TCursors::crNoDrop;
    return ZoneCursor(ZoneAt(p));
}

QRect TStretch_Handle::DragResult(const QRect &frame, TZone zone, const QPoint &delta,
                                  Qt::KeyboardModifiers modifiers, const TDragSettings &s)
{
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const int gx = shift ? 1 : std::max(1, s.GridX);
    const int gy = shift ? 1 : std::max(1, s.GridY);
    const int dx = delta.x(), dy = delta.y();
    int left = frame.left(), top = frame.top(), width = frame.width(), height = frame.height();

    if (zone == zMove) {
        left = snap(left + dx - 2, gx) + 2;
        top = snap(top + dy - 2, gy) + 2;
    } else if (shift && zone == zBottomRight) {
        // Keeps the first control's proportions.
        const double ratio = s.Ratio > 0 ? s.Ratio : 1;
        width += std::max(dx, int(std::lround(dy * ratio)));
        height += std::max(dy, int(std::lround(dx / ratio)));
    } else if (ctrl && zone != zTopLeft) {
        // Symmetric: the opposite edge goes the other way by the raw travel.
        if (movesLeft(zone)) {
            left += dx;
            width -= 2 * dx;
        } else if (movesRight(zone)) {
            left -= dx;
            width += 2 * dx;
        }
        if (movesTop(zone)) {
            top += dy;
            height -= 2 * dy;
        } else if (movesBottom(zone)) {
            top -= dy;
            height += 2 * dy;
        }
    } else {
        const int factor = ctrl ? 2 : 1; // Ctrl on the top-left corner mirrors the snapped edges
        if (movesLeft(zone)) {
            const int newLeft = snap(left + dx - 2, gx) + 2;
            width -= factor * (newLeft - left);
            left = newLeft;
        } else if (movesRight(zone)) {
            width = snap(width + dx + 3, gx) - 3;
        }
        if (movesTop(zone)) {
            const int newTop = snap(top + dy - 2, gy) + 2;
            height -= factor * (newTop - top);
            top = newTop;
        } else if (movesBottom(zone)) {
            height = snap(height + dy + 3, gy) - 3;
        }
    }
    width = std::max(width, s.MinWidth);
    height = std::max(height, s.MinHeight);
    return QRect(left, top, width, height);
}

bool TStretch_Handle::BeginDrag(const QPoint &p, TZone zone)
{
    if (m_locked || !Visible())
        return false;
    m_dragging = true;
    m_dragZone = zone;
    m_dragStart = p;
    return true;
}

QRect TStretch_Handle::DragFrame(const QPoint &p, const QRect &limit, Qt::KeyboardModifiers modifiers,
                                 const TDragSettings &settings) const
{
    QPoint clamped = p;
    if (limit.isValid()) {
        clamped.setX(std::clamp(p.x(), limit.left(), limit.right()));
        clamped.setY(std::clamp(p.y(), limit.top(), limit.bottom()));
    }
    return DragResult(Bounds(), m_dragZone, clamped - m_dragStart, modifiers, settings);
}

QRect TStretch_Handle::Outline(const QRect &frame)
{
    return QRect(frame.left() + 2, frame.top() + 2, frame.width() - 5, frame.height() - 5);
}

bool TStretch_Handle::EndDrag(const QPoint &p, const QRect &limit, Qt::KeyboardModifiers modifiers,
                              const TDragSettings &settings, QRect *result)
{
    if (!m_dragging)
        return false;
    m_dragging = false;
    if (p == m_dragStart)
        return false;
    *result = DragFrame(p, limit, modifiers, settings);
    return *result != Bounds();
}
