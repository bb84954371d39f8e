#include "properties.h"

#include "colors.h"
#include "component.h"

#include <QHash>
#include <QLocale>
#include <QMetaEnum>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>

namespace
{

bool isComponentClass(const QMetaObject *mo)
{
    return mo && mo->inherits(&TComponent::staticMetaObject);
}

QMetaEnum enumOf(const QMetaProperty &p)
{
    return p.enumerator();
}

// Enumeration value by identifier: exact spelling first, then without regard to case.
bool enumValueFromKey(const QMetaEnum &e, const QString &key, int *value)
{
    const QByteArray k = key.trimmed().toLatin1();
    bool ok = false;
    const int v = e.keyToValue(k.constData(), &ok);
    if (ok) {
        *value = v;
        return true;
    }
    for (int i = 0; i < e.keyCount(); ++i) {
        if (qstricmp(e.key(i), k.constData()) == 0) {
            *value = e.value(i);
            return true;
        }
    }
    return false;
}

bool isEnumValue(const QMetaEnum &e, int v)
{
    for (int i = 0; i < e.keyCount(); ++i)
        if (e.value(i) == v)
            return true;
    return false;
}

bool setFromText(const QMetaEnum &e, const QString &text, int *value)
{
    QString t = text.trimmed();
    if (t.startsWith(u'[') && t.endsWith(u']'))
        t = t.mid(1, t.size() - 2);
    int result = 0;
    const QStringList parts = t.split(QRegularExpression(QStringLiteral("[,|]")), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        int v = 0;
        if (!enumValueFromKey(e, part, &v))
            return false;
        result |= v;
    }
    *value = result;
    return true;
}

QString setToText(const QMetaEnum &e, int value)
{
    QStringList names;
    for (int i = 0; i < e.keyCount(); ++i) {
        const int v = e.value(i);
        if (v != 0 && (value & v) == v)
            names << QString::fromLatin1(e.key(i));
    }
    return QLatin1Char('[') + names.join(QLatin1Char(',')) + QLatin1Char(']');
}

bool boolFromText(const QString &text, bool *value)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1")) {
        *value = true;
        return true;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0")) {
        *value = false;
        return true;
    }
    return false;
}

QVariant componentVariant(const QMetaProperty &p, TComponent *component)
{
    QObject *o = component;
    return QVariant(p.metaType(), &o);
}

} // namespace

TPropKind PropertyKind(const QMetaProperty &p)
{
    if (p.isFlagType())
        return TPropKind::Set;
    if (p.isEnumType())
        return TPropKind::Enumeration;
    const QMetaType mt = p.metaType();
    switch (mt.id()) {
    case QMetaType::Bool:
        return TPropKind::Boolean;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return TPropKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return TPropKind::Float;
    case QMetaType::QString:
        return TPropKind::String;
    case QMetaType::QStringList:
        return TPropKind::StringList;
    default:
        break;
    }
    if (qstrcmp(p.typeName(), "TColor") == 0)
        return TPropKind::Color;
    if (mt.flags() & QMetaType::PointerToQObject)
        return isComponentClass(mt.metaObject()) ? TPropKind::Component : TPropKind::Object;
    return TPropKind::Other;
}

QList<TPropInfo> PublishedProperties(const QMetaObject *mo)
{
    static QMutex mutex;
    static QHash<const QMetaObject *, QList<TPropInfo>> cache;
    QMutexLocker lock(&mutex);
    auto it = cache.constFind(mo);
    if (it != cache.constEnd())
        return *it;
    QList<TPropInfo> list;
    // QMetaObject numbers the properties of base classes first, each class's
    // own in declaration order: exactly the published order.
    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
        TPropInfo info;
        info.Property = mo->property(i);
        info.Kind = PropertyKind(info.Property);
        list.append(info);
    }
    cache.insert(mo, list);
    return list;
}

QList<TPropInfo> PublishedProperties(const QObject *object)
{
    return PublishedProperties(object->metaObject());
}

bool FindPublishedProperty(const QMetaObject *mo, const QString &name, TPropInfo *info)
{
    const QList<TPropInfo> props = PublishedProperties(mo);
    for (const TPropInfo &p : props) {
        if (name.compare(QLatin1String(p.Property.name()), Qt::CaseInsensitive) == 0) {
            if (info)
                *info = p;
            return true;
        }
    }
    return false;
}

bool DeclaredDefaultText(const QMetaObject *mo, const QString &propertyName, QString *text)
{
    // indexOfClassInfo searches the most derived class first, so a subclass
    // may redeclare a default.
    const QByteArray key = "Default:" + propertyName.toLatin1();
    const int index = mo->indexOfClassInfo(key.constData());
    if (index < 0)
        return false;
    if (text)
        *text = QString::fromUtf8(mo->classInfo(index).value());
    return true;
}

TComponent *OwningComponent(const QObject *holder)
{
    for (const QObject *o = holder; o; o = o->parent())
        if (auto *c = qobject_cast<const TComponent *>(o))
            return const_cast<TComponent *>(c);
    return nullptr;
}

bool PropertyValueFromText(const TPropInfo &info, const QObject *holder, const QString &text, QVariant *value)
{
    const QMetaProperty &p = info.Property;
    switch (info.Kind) {
    case TPropKind::Integer: {
        bool ok = false;
        const qlonglong v = text.trimmed().toLongLong(&ok);
        if (!ok)
            return false;
        *value = QVariant(v);
        return value->convert(p.metaType());
    }
    case TPropKind::Float: {
        bool ok = false;
        const double v = text.trimmed().toDouble(&ok);
        if (!ok)
            return false;
        *value = QVariant(v);
        return value->convert(p.metaType());
    }
    case TPropKind::String:
        *value = QVariant(text);
        return true;
    case TPropKind::StringList:
        *value = QVariant(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
        return true;
    case TPropKind::Boolean: {
        bool b = false;
        if (!boolFromText(text, &b))
            return false;
        *value = QVariant(b);
        return true;
    }
    case TPropKind::Enumeration: {
        int v = 0;
        if (!enumValueFromKey(enumOf(p), text, &v)) {
            bool ok = false;
            v = text.trimmed().toInt(&ok);
            if (!ok || !isEnumValue(enumOf(p), v))
                return false;
        }
        *value = QVariant(p.metaType(), &v);
        return true;
    }
    case TPropKind::Set: {
        int v = 0;
        if (!setFromText(enumOf(p), text, &v))
            return false;
        *value = QVariant(p.metaType(), &v);
        return true;
    }
    case TPropKind::Color: {
        TColor c = clBlack;
        if (!IdentToColor(text, &c))
            return false;
        *value = QVariant(p.metaType(), &c);
        return true;
    }
    case TPropKind::Component: {
        const QString name = text.trimmed();
        if (name.isEmpty()) {
            *value = componentVariant(p, nullptr);
            return true;
        }
        TComponent *self = OwningComponent(holder);
        TComponent *owner = self ? self->Owner() : nullptr;
        TComponent *target = owner ? owner->FindComponent(name) : nullptr;
        if (!target || !target->metaObject()->inherits(p.metaType().metaObject()))
            return false;
        *value = componentVariant(p, target);
        return true;
    }
    case TPropKind::Object:
    case TPropKind::Other:
        break;
    }
    return false;
}

QString PropertyValueToText(const TPropInfo &info, const QVariant &value)
{
    const QMetaProperty &p = info.Property;
    switch (info.Kind) {
    case TPropKind::Integer:
        return QString::number(value.toLongLong());
    case TPropKind::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case TPropKind::String:
        return value.toString();
    case TPropKind::StringList:
        return value.toStringList().join(QLatin1Char('\n'));
    case TPropKind::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case TPropKind::Enumeration: {
        const int v = value.toInt();
        const char *key = enumOf(p).valueToKey(v);
        return key ? QString::fromLatin1(key) : QString::number(v);
    }
    case TPropKind::Set:
        return setToText(enumOf(p), value.toInt());
    case TPropKind::Color:
        return ColorToString(TColor(value.toInt()));
    case TPropKind::Component: {
        auto *c = qobject_cast<TComponent *>(value.value<QObject *>());
        return c ? c->Name() : QString();
    }
    case TPropKind::Object:
    case TPropKind::Other:
        break;
    }
    return value.toString();
}

bool IsDefaultValue(const QObject *object, const TPropInfo &info)
{
    const QVariant current = info.Property.read(object);
    QString defText;
    if (DeclaredDefaultText(object->metaObject(), info.Name(), &defText)) {
        QVariant def;
        if (!PropertyValueFromText(info, object, defText, &def))
            return false;
        switch (info.Kind) {
        case TPropKind::Float:
            return current.toDouble() == def.toDouble();
        case TPropKind::Enumeration:
        case TPropKind::Set:
        case TPropKind::Color:
            return current.toInt() == def.toInt();
        default:
            return current == def;
        }
    }
    switch (info.Kind) {
    case TPropKind::String:
        return current.toString().isEmpty();
    case TPropKind::StringList:
        return current.toStringList().isEmpty();
    case TPropKind::Float:
        return current.toDouble() == 0.0;
    case TPropKind::Component:
        return current.value<QObject *>() == nullptr;
    default:
        return false;
    }
}

QObject *ResolvePropertyPath(QObject *root, const QString &path, TPropInfo *leaf)
{
    if (!root || path.isEmpty())
        return nullptr;
    const QStringList parts = path.split(QLatin1Char('.'));
    QObject *holder = root;
    for (int i = 0; i < parts.size(); ++i) {
        TPropInfo info;
        if (!FindPublishedProperty(holder->metaObject(), parts.at(i), &info))
            return nullptr;
        if (i == parts.size() - 1) {
            if (leaf)
                *leaf = info;
            return holder;
        }
        if (info.Kind != TPropKind::Object)
            return nullptr;
        holder = info.Property.read(holder).value<QObject *>();
        if (!holder)
            return nullptr;
    }
    return nullptr;
}

QVariant GetPropertyValue(const QObject *root, const QString &path)
{
    TPropInfo info;
    QObject *holder = ResolvePropertyPath(const_cast<QObject *>(root), path, &info);
    if (!holder)
        return {};
    return info.Property.read(holder);
}

bool SetPropertyValue(QObject *root, const QString &path, const QVariant &value)
{
    TPropInfo info;
    QObject *holder = ResolvePropertyPath(root, path, &info);
    if (!holder)
        return false;
    if (info.Kind == TPropKind::Object) {
        // Assigning an embedded object copies its values (the holder keeps its own).
        auto *target = qobject_cast<TPersistent *>(info.Property.read(holder).value<QObject *>());
        auto *source = qobject_cast<TPersistent *>(value.value<QObject *>());
        if (!target || !source)
            return false;
        target->Assign(source);
        return true;
    }
    if (!info.Property.isWritable())
        return false;
    QVariant v;
    switch (info.Kind) {
    case TPropKind::Component: {
        if (value.typeId() == QMetaType::QString) {
            if (!PropertyValueFromText(info, holder, value.toString(), &v))
                return false;
            break;
        }
        QObject *o = value.value<QObject *>();
        if (!value.isNull() && !o && !(value.metaType().flags() & QMetaType::PointerToQObject))
            return false;
        if (o && !o->metaObject()->inherits(info.Property.metaType().metaObject()))
            return false;
        v = QVariant(info.Property.metaType(), &o);
        break;
    }
    case TPropKind::Enumeration:
    case TPropKind::Set:
    case TPropKind::Color:
        if (value.typeId() == QMetaType::QString) {
            if (!PropertyValueFromText(info, holder, value.toString(), &v))
                return false;
        } else {
            bool ok = false;
            int n = value.toInt(&ok);
            if (!ok || (info.Kind == TPropKind::Enumeration && !isEnumValue(enumOf(info.Property), n)))
                return false;
            v = QVariant(info.Property.metaType(), &n);
        }
        break;
    case TPropKind::Boolean:
        if (value.typeId() == QMetaType::QString) {
            if (!PropertyValueFromText(info, holder, value.toString(), &v))
                return false;
        } else {
            v = QVariant(value.toBool());
        }
        break;
    default:
        if (value.typeId() == QMetaType::QString && info.Kind != TPropKind::String &&
            info.Kind != TPropKind::StringList) {
            if (!PropertyValueFromText(info, holder, value.toString(), &v))
                return false;
        } else {
            v = value;
            if (!v.convert(info.Property.metaType()))
                return false;
        }
        break;
    }
    return info.Property.write(holder, v);
}

QString GetPropertyText(const QObject *root, const QString &path, bool *ok)
{
    TPropInfo info;
    QObject *holder = ResolvePropertyPath(const_cast<QObject *>(root), path, &info);
    if (ok)
        *ok = holder != nullptr && info.Kind != TPropKind::Object;
    if (!holder)
        return {};
    return PropertyValueToText(info, info.Property.read(holder));
}

bool SetPropertyText(QObject *root, const QString &path, const QString &text)
{
    TPropInfo info;
    QObject *holder = ResolvePropertyPath(root, path, &info);
    if (!holder || !info.Property.isWritable())
        return false;
    QVariant v;
    if (!PropertyValueFromText(info, holder, text, &v))
        return false;
    return info.Property.write(holder, v);
}

void AssignProperties(QObject *target, const QObject *source)
{
    const QList<TPropInfo> props = PublishedProperties(source);
    const bool isComponent = qobject_cast<const TComponent *>(source) != nullptr;
    for (const TPropInfo &sp : props) {
        // A component's name is its identity within its owner, not a value.
        if (isComponent && qstrcmp(sp.Property.name(), "Name") == 0)
            continue;
        TPropInfo tp;
        if (!FindPublishedProperty(target->metaObject(), sp.Name(), &tp) || tp.Kind != sp.Kind)
            continue;
        if (sp.Kind == TPropKind::Object) {
            QObject *so = sp.Property.read(source).value<QObject *>();
            QObject *to = tp.Property.read(target).value<QObject *>();
            if (so && to && so != to) {
                auto *tpers = qobject_cast<TPersistent *>(to);
                auto *spers = qobject_cast<TPersistent *>(so);
                if (tpers && spers)
                    tpers->Assign(spers);
                else
                    AssignProperties(to, so);
            }
            continue;
        }
        if (tp.Property.isWritable())
            tp.Property.write(target, sp.Property.read(source));
    }
}
