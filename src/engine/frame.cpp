#include "frame.h"

#include "output/pages/qrpagepicture.h"

#include <QPainter>
#include <cmath>

#define FRAME_SETTER(Name, member)                                                                           \
    void TQRFrame::Set##Name(decltype(member) v)                                                             \
    {                                                                                                        \
        if (member != v) {                                                                                   \
            member = v;                                                                                      \
            Q_EMIT Changed();                                                                                \
        }                                                                                                    \
    }

FRAME_SETTER(Color, m_color)
FRAME_SETTER(DrawTop, m_top)
FRAME_SETTER(DrawBottom, m_bottom)
FRAME_SETTER(DrawLeft, m_left)
FRAME_SETTER(DrawRight, m_right)
FRAME_SETTER(Style, m_style)
FRAME_SETTER(Width, m_width)

int TQRFrame::LineThickness(double factor, int width)
{
    if (width == -1)
        return 1;
    if (width <= 0)
        return 0;
    const long t = std::lround(factor / 72 * 254 * width);
    return t <= 0 ? 1 : int(t);
}

void TQRFrame::PaintIt(QPainter *painter, const QRect &rect, double xFactor, double yFactor) const
{
    if (!painter || !AnyFrame())
        return;
    const int tx = LineThickness(xFactor, m_width);
    const int ty = LineThickness(yFactor, m_width);
    const QColor c = ToQColor(m_color);
    const int l = rect.left(), t = rect.top();
    const int r = l + rect.width(), b = t + rect.height();
    if (m_top && ty > 0)
        QRFillRect(painter, QRect(l, t, r - l, ty), c);
    if (m_bottom && ty > 0)
        QRFillRect(painter, QRect(l, b - ty, r - l, ty), c);
    if (m_left && tx > 0)
        QRFillRect(painter, QRect(l, t, tx, b - t), c);
    if (m_right && tx > 0)
        QRFillRect(painter, QRect(r - tx, t, tx, b - t), c);
}
