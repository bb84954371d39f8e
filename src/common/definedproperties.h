#pragma once

// Extra named data a persistent object stores besides its published
// properties: a size object's "Values" list, a label's "FontSize", a
// picture's "Data". Readers and writers of stored components look for this
// interface (DefinedPropertiesOf) on every component and embedded object and
// store each name under the object's dotted path ("Size.Values",
// "Picture.Data").
//
// Values are exchanged as QVariant:
//   QVariantList of doubles  a list of floating-point values
//   int                      an integer
//   QByteArray               binary data
//   QStringList              a list of strings

#include <QStringList>
#include <QVariant>

class QObject;

class TDefinedProperties
{
public:
    virtual ~TDefinedProperties() = default;
    // The extra names this object stores, in writing order.
    virtual QStringList DefinedPropertyNames() const = 0;
    // The value to store under name; an invalid QVariant means "nothing to store".
    virtual QVariant DefinedProperty(const QString &name) const = 0;
    // Applies a stored value; false when the name is unknown or the value is
    // unusable, in which case nothing changes.
    virtual bool SetDefinedProperty(const QString &name, const QVariant &value) = 0;
};

// The interface of object, or null when it stores no extra data.
inline TDefinedProperties *DefinedPropertiesOf(QObject *object)
{
    return dynamic_cast<TDefinedProperties *>(object);
}
inline const TDefinedProperties *DefinedPropertiesOf(const QObject *object)
{
    return dynamic_cast<const TDefinedProperties *>(object);
}
