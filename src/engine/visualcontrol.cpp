#include "visualcontrol.h"

TQRVisualControl::TQRVisualControl(TComponent *owner) : TControl(owner) {}

void TQRVisualControl::NotifyChildrenFontChanged()
{
    const auto children = ControlList();
    for (TControl *c : children)
        if (auto *v = qobject_cast<TQRVisualControl *>(c))
            v->ParentFontChanged();
}
