#pragma once

// The border lines of a band, an element or the report page.

#include "common/colors.h"
#include "common/component.h"
#include "common/graphics.h"

#include <QRect>

class QPainter;

class TQRFrame : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(bool DrawTop READ DrawTop WRITE SetDrawTop)
    Q_PROPERTY(bool DrawBottom READ DrawBottom WRITE SetDrawBottom)
    Q_PROPERTY(bool DrawLeft READ DrawLeft WRITE SetDrawLeft)
    Q_PROPERTY(bool DrawRight READ DrawRight WRITE SetDrawRight)
    Q_PROPERTY(TPen::TPenStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_CLASSINFO("Default:Color", "clBlack")
    Q_CLASSINFO("Default:DrawTop", "False")
    Q_CLASSINFO("Default:DrawBottom", "False")
    Q_CLASSINFO("Default:DrawLeft", "False")
    Q_CLASSINFO("Default:DrawRight", "False")
    Q_CLASSINFO("Default:Style", "psSolid")
    Q_CLASSINFO("Default:Width", "1")

public:
    using TPersistent::TPersistent;

    TColor Color() const { return m_color; }
    void SetColor(TColor v);
    bool DrawTop() const { return m_top; }
    void SetDrawTop(bool v);
    bool DrawBottom() const { return m_bottom; }
    void SetDrawBottom(bool v);
    bool DrawLeft() const { return m_left; }
    void SetDrawLeft(bool v);
    bool DrawRight() const { return m_right; }
    void SetDrawRight(bool v);
    // Only used for the design-time outline of the report page.
    TPen::TPenStyle Style() const { return m_style; }
    void SetStyle(TPen::TPenStyle v);
    // Line width in points (1/72 in); -1 asks for the thinnest line.
    int Width() const { return m_width; }
    void SetWidth(int v);

    // At least one line is drawn.
    bool AnyFrame() const { return m_top || m_bottom || m_left || m_right; }

    // Device pixels of a line of width points at factor device pixels per
    // native unit: a positive width never vanishes, -1 gives one pixel,
    // 0 or less draws nothing.
    static int LineThickness(double factor, int width);

    // Draws the lines as filled rectangles inside rect, the left and right
    // ones thick by the horizontal factor, the top and bottom ones by the
    // vertical factor.
    void PaintIt(QPainter *painter, const QRect &rect, double xFactor, double yFactor) const;

Q_SIGNALS:
    void Changed();

private:
    TColor m_color = clBlack;
    bool m_top = false;
    bool m_bottom = false;
    bool m_left = false;
    bool m_right = false;
    TPen::TPenStyle m_style = TPen::psSolid;
    int m_width = 1;
};
