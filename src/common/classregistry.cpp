#include "classregistry.h"

#include "component.h"

#include <QHash>
#include <QMetaObject>

namespace
{
QHash<QString, const QMetaObject *> &registry()
{
    static QHash<QString, const QMetaObject *> classes;
    return classes;
}
} // namespace

void RegisterComponentClass(const QMetaObject *metaObject)
{
    if (metaObject)
        registry().insert(QString::fromLatin1(metaObject->className()), metaObject);
}

const QMetaObject *FindComponentClass(const QString &className)
{
    return registry().value(className, nullptr);
}

QStringList RegisteredComponentClasses()
{
    QStringList names = registry().keys();
    names.sort();
    return names;
}

TComponent *CreateComponent(const QMetaObject *metaObject, TComponent *owner)
{
    if (!metaObject || !metaObject->inherits(&TComponent::staticMetaObject))
        return nullptr;
    QObject *o = metaObject->newInstance(Q_ARG(TComponent *, owner));
    return qobject_cast<TComponent *>(o);
}

TComponent *CreateComponent(const QString &className, TComponent *owner)
{
    return CreateComponent(FindComponentClass(className), owner);
}
