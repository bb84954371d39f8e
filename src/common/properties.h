#pragma once

// Generic access to published properties.
//
// Published properties are the Q_PROPERTYs of a class (QObject's own
// objectName excepted), in declaration order, inherited ones first. The report
// file, the report-bound functions and the property dialogs all go through
// these functions; none of them lists a class's properties by hand.
//
// Declared defaults live beside the declaration as class info:
//     Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
//     Q_CLASSINFO("Default:Alignment", "taLeftJustify")
// The value text is read as the property's kind reads text (see
// SetPropertyText). A subclass may redeclare a default; the most derived wins.
// A property without a declared default has none and is always written.
//
// Colour properties are declared with the type TColor (see colors.h) so that
// they can be told from plain integers.

#include <QList>
#include <QMetaProperty>
#include <QString>
#include <QVariant>

class QObject;
class TComponent;

enum class TPropKind {
    Integer,     // int, qint64, short ...
    Float,       // double
    String,      // QString
    Boolean,     // bool
    Enumeration, // Q_ENUM
    Set,         // Q_FLAG
    Color,       // TColor
    Object,      // embedded object (QObject* that is not a component)
    Component,   // reference to another component, by name in the file
    StringList,  // QStringList
    Other,       // anything else (binary data, variants)
};

// One published property of a class.
struct TPropInfo {
    QMetaProperty Property;
    TPropKind Kind = TPropKind::Other;
    QString Name() const { return QString::fromLatin1(Property.name()); }
    bool Writable() const { return Property.isWritable(); }
    bool Stored() const { return Property.isStored(); }
};

// Published properties of a class in declaration order, inherited ones first.
QList<TPropInfo> PublishedProperties(const QMetaObject *metaObject);
QList<TPropInfo> PublishedProperties(const QObject *object);
// One published property by name (case ignored); false when absent.
bool FindPublishedProperty(const QMetaObject *metaObject, const QString &name, TPropInfo *info);

TPropKind PropertyKind(const QMetaProperty &property);

// The declared default of a property, as text, when there is one.
bool DeclaredDefaultText(const QMetaObject *metaObject, const QString &propertyName, QString *text);
// True when the object's current value equals the declared default.
bool IsDefaultValue(const QObject *object, const TPropInfo &info);

// Resolves a dotted path ("Font.Name", "Frame.DrawTop") to the object that
// holds the last property and that property. Path parts are compared without
// regard to letter case. Returns null when any part is missing or an
// intermediate part is not an embedded object.
QObject *ResolvePropertyPath(QObject *root, const QString &path, TPropInfo *leaf);

// Reads a property by dotted path; an invalid QVariant when the path does not resolve.
QVariant GetPropertyValue(const QObject *root, const QString &path);
// Writes a property by dotted path. Values are converted to the property's
// type: enumerations and sets from their identifiers or ordinals, component
// references from a component pointer or from a name looked up in the owner
// of the object. Returns false when the path does not resolve, the property is
// read-only, or the value cannot be converted (nothing is changed then).
bool SetPropertyValue(QObject *root, const QString &path, const QVariant &value);

// Text forms, as shown and as the report file writes identifiers:
// integers in decimal, floats in the shortest round-trip form with '.',
// booleans "True"/"False", enumerations by identifier, sets as
// "[fsBold,fsItalic]", colours by identifier when they have one, component
// references by name (empty for none), string lists joined by line feeds.
QString GetPropertyText(const QObject *root, const QString &path, bool *ok = nullptr);
bool SetPropertyText(QObject *root, const QString &path, const QString &text);
// The same conversions for a property already resolved.
QString PropertyValueToText(const TPropInfo &info, const QVariant &value);
bool PropertyValueFromText(const TPropInfo &info, const QObject *holder, const QString &text,
                           QVariant *value);

// The component whose owner resolves references written on holder: the
// holder itself when it is a component, else its nearest component parent.
TComponent *OwningComponent(const QObject *holder);

// Copies every writable published property of source onto target (same
// class or a related one; properties missing on target are skipped),
// recursing into embedded objects.
void AssignProperties(QObject *target, const QObject *source);
