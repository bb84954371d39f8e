#include "basepanel.h"

#include "engine/printable.h"

TQRBasePanel::TQRBasePanel(TComponent *owner) : TQRVisualControl(owner), m_frame(new TQRFrame(this)) {}

void TQRBasePanel::SetPanelZoom(int percent)
{
    if (percent <= 0)
        return;
    m_zoom = percent;
    const auto children = ControlList();
    for (TControl *c : children) {
        if (auto *p = qobject_cast<TQRPrintable *>(c))
            p->SetElementZoom(percent);
        else if (auto *panel = qobject_cast<TQRBasePanel *>(c))
            panel->SetPanelZoom(percent);
    }
    ApplyZoom(percent);
}

void TQRBasePanel::ApplyZoom(int) {}
