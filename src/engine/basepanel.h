#pragma once

// The common container of the report page and its bands: a frame, a zoom
// percentage and the ruler's font size.

#include "engine/frame.h"
#include "engine/visualcontrol.h"

class TQRBasePanel : public TQRVisualControl
{
    Q_OBJECT
    Q_PROPERTY(TQRFrame *Frame READ Frame CONSTANT)

public:
    explicit TQRBasePanel(TComponent *owner = nullptr);

    TQRFrame *Frame() const { return m_frame; }

    int Zoom() const { return m_zoom; }
    // Ignored when 0; passes the zoom to every child element's size and
    // every child panel, then recomputes the pixel bounds (ApplyZoom).
    void SetPanelZoom(int percent);
    int RulerFontSize() const { return m_rulerFontSize; }
    void SetRulerFontSize(int v) { m_rulerFontSize = v; }

    TColor PanelColor() const { return m_color; }
    void SetPanelColor(TColor c) { m_color = c; }

protected:
    // Recomputes pixel bounds for a new zoom.
    virtual void ApplyZoom(int percent);

    int m_zoom = 100;
    int m_rulerFontSize = 12;
    TColor m_color = clWhite;

private:
    TQRFrame *m_frame;
};
