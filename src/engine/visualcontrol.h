#pragma once

// What every band, report and element publishes as a visual control: the
// pixel bounds (derived from the native sizes, see the subclasses), cursor,
// hint and help context. Engine objects are not widgets: the bounds are data
// the designer draws from.

#include "common/component.h"
#include "common/graphics.h"

class TQRVisualControl : public TControl
{
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(TCursors::TCursor Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)
    Q_CLASSINFO("Default:Cursor", "crDefault")
    Q_CLASSINFO("Default:HelpContext", "0")

public:
    explicit TQRVisualControl(TComponent *owner = nullptr);

    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor c) { m_cursor = c; }
    QString Hint() const { return m_hint; }
    void SetHint(const QString &h) { m_hint = h; }
    int HelpContext() const { return m_helpContext; }
    void SetHelpContext(int v) { m_helpContext = v; }

    bool IsLoading() const { return ComponentState() & csLoading; }
    bool IsDesigning() const { return ComponentState() & csDesigning; }

    // The font children with ParentFont take; null for controls without one.
    virtual TFont *ControlFont() const { return nullptr; }
    // Told when the parent's font changed or the control got a new parent.
    virtual void ParentFontChanged() {}

protected:
    // Tells every child that this control's font changed.
    void NotifyChildrenFontChanged();

private:
    TCursor m_cursor = TCursors::crDefault;
    QString m_hint;
    int m_helpContext = 0;
};
