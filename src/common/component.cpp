#include "component.h"

#include "properties.h"

EComponentError::EComponentError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

TPersistent::TPersistent(QObject *parent) : QObject(parent) {}

void TPersistent::Assign(const TPersistent *source)
{
    if (!source || source == this)
        return;
    AssignProperties(this, source);
}

// --- TComponent -------------------------------------------------------------

TComponent::TComponent(TComponent *owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    m_state |= csDestroying;
    // Whoever holds a reference to this component drops it now.
    const auto notifies = m_freeNotifies;
    m_freeNotifies.clear();
    for (TComponent *c : notifies) {
        c->m_freeNotifies.removeAll(this);
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (m_owner)
        m_owner->RemoveComponent(this);
}

bool TComponent::IsValidIdent(const QString &name)
{
    if (name.isEmpty())
        return false;
    auto isStart = [](QChar c) { return c == u'_' || (c.unicode() < 128 && c.isLetter()); };
    if (!isStart(name.at(0)))
        return false;
    for (QChar c : name)
        if (!(isStart(c) || (c >= u'0' && c <= u'9')))
            return false;
    return true;
}

void TComponent::ValidateRename(const QString &oldName, const QString &newName)
{
    if (!newName.isEmpty() && !IsValidIdent(newName))
        throw EComponentError(QStringLiteral("\"%1\" is not a valid component name").arg(newName));
    if (m_owner && !newName.isEmpty() && oldName.compare(newName, Qt::CaseInsensitive) != 0) {
        if (TComponent *other = m_owner->FindComponent(newName); other && other != this)
            throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
    }
}

void TComponent::SetName(const QString &name)
{
    if (name == m_name)
        return;
    ValidateRename(m_name, name);
    m_name = name;
    setObjectName(name);
}

int TComponent::ComponentIndex() const
{
    return m_owner ? int(m_owner->m_components.indexOf(const_cast<TComponent *>(this))) : -1;
}

TComponent *TComponent::FindComponent(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TComponent *c : m_components)
        if (c->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

QString TComponent::UniqueName(const QString &base) const
{
    if (!FindComponent(base))
        return base;
    for (int i = 1;; ++i) {
        const QString candidate = base + QString::number(i);
        if (!FindComponent(candidate))
            return candidate;
    }
}

void TComponent::InsertComponent(TComponent *component)
{
    if (!component || component->m_owner == this)
        return;
    if (!component->m_name.isEmpty() && FindComponent(component->m_name))
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(component->m_name));
    if (component->m_owner)
        component->m_owner->RemoveComponent(component);
    m_components.append(component);
    component->m_owner = this;
    notifyOwnerTree(component, opInsert);
}

void TComponent::RemoveComponent(TComponent *component)
{
    if (!component || component->m_owner != this)
        return;
    notifyOwnerTree(component, opRemove);
    m_components.removeOne(component);
    component->m_owner = nullptr;
}

void TComponent::notifyOwnerTree(TComponent *component, TOperation operation)
{
    // The owner and its other components hear about arrivals and departures,
    // so that references between siblings never dangle.
    if (!(m_state & csDestroying))
        Notification(component, operation);
    const auto siblings = m_components;
    for (TComponent *c : siblings)
        if (c != component && !(c->m_state & csDestroying))
            c->Notification(component, operation);
}

void TComponent::DestroyComponents()
{
    while (!m_components.isEmpty()) {
        TComponent *c = m_components.takeLast();
        c->m_owner = nullptr;
        notifyOwnerTree(c, opRemove);
        delete c;
    }
}

void TComponent::FreeNotification(TComponent *component)
{
    if (!component || component == this)
        return;
    if (!m_freeNotifies.contains(component))
        m_freeNotifies.append(component);
    if (!component->m_freeNotifies.contains(this))
        component->m_freeNotifies.append(this);
}

void TComponent::RemoveFreeNotification(TComponent *component)
{
    if (!component)
        return;
    m_freeNotifies.removeAll(component);
    component->m_freeNotifies.removeAll(this);
}

void TComponent::Notification(TComponent *, TOperation) {}

void TComponent::SetDesigning(bool on)
{
    m_state.setFlag(csDesigning, on);
    for (TComponent *c : m_components)
        c->SetDesigning(on);
}

void TComponent::BeginLoading()
{
    m_state |= csLoading | csReading;
}

void TComponent::EndLoading()
{
    m_state &= ~TComponentState(csLoading | csReading);
    Loaded();
}

// --- TControl ---------------------------------------------------------------

TControl::TControl(TComponent *owner) : TComponent(owner) {}

TControl::~TControl()
{
    // A parent takes its child controls with it, whoever owns them.
    while (!m_children.isEmpty())
        delete m_children.takeLast();
    SetParent(nullptr);
}

int TControl::ChildIndex() const
{
    return m_parent ? int(m_parent->m_children.indexOf(const_cast<TControl *>(this))) : -1;
}

bool TControl::SetParent(TControl *newParent)
{
    if (newParent == m_parent)
        return true;
    for (TControl *p = newParent; p; p = p->m_parent)
        if (p == this)
            return false;
    if (m_parent) {
        m_parent->m_children.removeOne(this);
        m_parent->ChildrenChanged();
    }
    m_parent = newParent;
    if (newParent) {
        newParent->m_children.append(this);
        newParent->ChildrenChanged();
    }
    return true;
}

void TControl::BringToFront()
{
    if (!m_parent)
        return;
    m_parent->m_children.removeOne(this);
    m_parent->m_children.append(this);
    m_parent->ChildrenChanged();
}

void TControl::SendToBack()
{
    if (!m_parent)
        return;
    m_parent->m_children.removeOne(this);
    m_parent->m_children.prepend(this);
    m_parent->ChildrenChanged();
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    const QRect r(left, top, width, height);
    if (r == m_bounds)
        return;
    m_bounds = r;
    BoundsChanged();
}
