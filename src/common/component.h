#pragma once

// The component tree every report, band, element, dataset and window owner
// is built from.
//
// A component has an owner (which frees it) and a name unique within that
// owner. A control adds a visual parent with an ordered child list, which is a
// different relation: a band owned by a form is the child of a report panel.
// Published properties are Q_PROPERTYs; see properties.h for generic access.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <stdexcept>

// Raised on misuse of the component tree (duplicate or invalid names).
class EComponentError : public std::runtime_error
{
public:
    explicit EComponentError(const QString &message);
    QString Message() const { return m_message; }

private:
    QString m_message;
};

// Base of embedded objects (fonts, frames, sizes): published properties, no
// name, no owner of its own. Assign copies the published properties.
class TPersistent : public QObject
{
    Q_OBJECT
public:
    explicit TPersistent(QObject *parent = nullptr);

    // Copies every writable published property of source, recursing into
    // embedded objects. Classes with unpublished state override it.
    virtual void Assign(const TPersistent *source);
};

class TComponent : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_CLASSINFO("Default:Tag", "0")

public:
    enum TOperation { opInsert, opRemove };
    Q_ENUM(TOperation)

    enum TComponentStateFlag {
        csLoading = 0x1,
        csReading = 0x2,
        csDesigning = 0x4,
        csDestroying = 0x8,
    };
    Q_DECLARE_FLAGS(TComponentState, TComponentStateFlag)
    Q_FLAG(TComponentState)

    explicit TComponent(TComponent *owner = nullptr);
    ~TComponent() override;

    QString Name() const { return m_name; }
    // Renames the component; raises EComponentError when another component of
    // the same owner already has the name (compared without regard to case)
    // or when the name is not a valid identifier. An empty name is allowed.
    void SetName(const QString &name);
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }

    TComponent *Owner() const { return m_owner; }
    int ComponentCount() const { return int(m_components.size()); }
    TComponent *Components(int index) const { return m_components.at(index); }
    const QList<TComponent *> &ComponentList() const { return m_components; }
    int ComponentIndex() const;

    // Owned component by name, without regard to letter case; null when absent.
    TComponent *FindComponent(const QString &name) const;
    // base if no owned component bears it, else base + the first free number 1, 2, 3 ...
    QString UniqueName(const QString &base) const;

    // Moves a component into this owner's list (at the end).
    void InsertComponent(TComponent *component);
    // Takes a component out of this owner's list without freeing it.
    void RemoveComponent(TComponent *component);
    // Frees every owned component, the last created first.
    void DestroyComponents();

    // Asks to be told (Notification with opRemove) when component is freed.
    void FreeNotification(TComponent *component);
    void RemoveFreeNotification(TComponent *component);

    TComponentState ComponentState() const { return m_state; }
    void SetDesigning(bool on);
    // Called by readers around loading a component's stored properties.
    void BeginLoading();
    void EndLoading(); // clears csLoading and calls Loaded()

    static bool IsValidIdent(const QString &name);

protected:
    // Told about components inserted into or removed from the owner, and about
    // freed components this one asked to be notified of. Clear references here.
    virtual void Notification(TComponent *component, TOperation operation);
    // Called once all stored properties of a component have been read.
    virtual void Loaded() {}
    // Lets subclasses refuse names (for example reserved prefixes).
    virtual void ValidateRename(const QString &oldName, const QString &newName);

private:
    void notifyOwnerTree(TComponent *component, TOperation operation);

    QString m_name;
    int m_tag = 0;
    TComponent *m_owner = nullptr;
    QList<TComponent *> m_components;
    QList<TComponent *> m_freeNotifies;
    TComponentState m_state;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TComponent::TComponentState)

// A visual component: a parent control, an ordered child list (drawing
// order, first drawn first) and pixel bounds. No widget behind it; the GUI
// draws controls from this data.
class TControl : public TComponent
{
    Q_OBJECT
public:
    explicit TControl(TComponent *owner = nullptr);
    ~TControl() override;

    TControl *Parent() const { return m_parent; }
    // Moves the control to the end of newParent's children (null: no parent).
    // Setting a parent that is the control itself or one of its descendants is refused.
    bool SetParent(TControl *newParent);
    int ControlCount() const { return int(m_children.size()); }
    TControl *Controls(int index) const { return m_children.at(index); }
    const QList<TControl *> &ControlList() const { return m_children; }
    int ChildIndex() const;

    void BringToFront(); // last in the parent's drawing order
    void SendToBack();   // first in the parent's drawing order

    int Left() const { return m_bounds.x(); }
    int Top() const { return m_bounds.y(); }
    int Width() const { return m_bounds.width(); }
    int Height() const { return m_bounds.height(); }
    QRect BoundsRect() const { return m_bounds; }
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    // All bound changes come through here; subclasses react in BoundsChanged.
    void SetBounds(int left, int top, int width, int height);

    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }

protected:
    virtual void BoundsChanged() {}
    virtual void ChildrenChanged() {}

private:
    QPointer<TControl> m_parent;
    QList<TControl *> m_children;
    QRect m_bounds;
    bool m_visible = true;
};
