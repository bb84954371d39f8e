#pragma once

// Component classes creatable by name, as readers of stored reports and the
// designer's palette need them. A registered class declares
//     Q_INVOKABLE explicit TFoo(TComponent *owner = nullptr);

#include <QString>
#include <QStringList>

class QMetaObject;
class TComponent;

void RegisterComponentClass(const QMetaObject *metaObject);
template <class T> void RegisterComponentClass()
{
    RegisterComponentClass(&T::staticMetaObject);
}
// The registered class of that name (exact spelling), or null.
const QMetaObject *FindComponentClass(const QString &className);
QStringList RegisteredComponentClasses();
// A new component of the named class owned by owner; null for an unknown class.
TComponent *CreateComponent(const QString &className, TComponent *owner);
TComponent *CreateComponent(const QMetaObject *metaObject, TComponent *owner);
