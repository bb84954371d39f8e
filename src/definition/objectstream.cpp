#include "objectstream.h"

#include "common/classregistry.h"
#include "common/codepage.h"
#include "common/colors.h"
#include "common/component.h"
#include "common/definedproperties.h"
#include "common/properties.h"

#include <QMetaEnum>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

EQR2ReadError::EQR2ReadError(const QString &message, qint64 offset)
    : std::runtime_error(message.toStdString()), m_message(message), m_offset(offset)
{
}

// ---------------------------------------------------------------------------
// Extended floats

QByteArray DoubleToExtended(double value)
{
    const quint64 bits = std::bit_cast<quint64>(value);
    const bool negative = bits >> 63;
    const int exp = int((bits >> 52) & 0x7FF);
    const quint64 frac = bits & ((quint64(1) << 52) - 1);
    quint64 mantissa = 0;
    int e = 0;
    if (exp == 0x7FF) {
        e = 0x7FFF;
        mantissa = (quint64(1) << 63) | (frac << 11); // infinity, or NaN with its payload
    } else if (exp == 0) {
        if (frac != 0) {
            // Subnormal double: normalise, the extended range holds it.
            const int lz = std::countl_zero(frac);
            mantissa = frac << lz;
            e = 16383 - 1022 - (lz - 11);
        }
    } else {
        mantissa = (quint64(1) << 63) | (frac << 11);
        e = exp - 1023 + 16383;
    }
    QByteArray out(10, '\0');
    for (int i = 0; i < 8; ++i)
        out[i] = char((mantissa >> (8 * i)) & 0xFF);
    const quint16 se = quint16((negative ? 0x8000 : 0) | e);
    out[8] = char(se & 0xFF);
    out[9] = char(se >> 8);
    return out;
}

double ExtendedToDouble(const char *b)
{
    quint64 mantissa = 0;
    for (int i = 0; i < 8; ++i)
        mantissa |= quint64(quint8(b[i])) << (8 * i);
    const quint16 se = quint16(quint8(b[8]) | (quint8(b[9]) << 8));
    const bool negative = se & 0x8000;
    const int e = se & 0x7FFF;
    const double sign = negative ? -1.0 : 1.0;
    if (e == 0x7FFF) {
        if ((mantissa << 1) == 0)
            return sign * INFINITY;
        return std::copysign(NAN, sign);
    }
    if (mantissa == 0)
        return sign * 0.0;
    // value = mantissa * 2^(e' - 16383 - 63); e' = 1 for denormals.
    int exp2 = (e == 0 ? 1 : e) - 16383 - 63;
    const int lz = std::countl_zero(mantissa);
    mantissa <<= lz;
    exp2 -= lz;
    const int top = exp2 + 63; // value lies in [2^top, 2^(top+1))
    if (top > 1023)
        return sign * INFINITY;
    int keep = 53;
    if (top < -1022)
        keep = 53 - (-1022 - top);
    if (keep <= 0) {
        // Below half the smallest subnormal, or exactly half (ties to even: zero).
        if (keep == 0 && mantissa > (quint64(1) << 63))
            return sign * std::ldexp(1.0, -1074);
        return sign * 0.0;
    }
    const int shift = 64 - keep;
    quint64 q = shift >= 64 ? 0 : mantissa >> shift;
    if (shift > 0) {
        const quint64 rem = mantissa & ((quint64(1) << shift) - 1);
        const quint64 half = quint64(1) << (shift - 1);
        if (rem > half || (rem == half && (q & 1)))
            ++q;
    }
    return sign * std::ldexp(double(q), top - keep + 1);
}

bool ExtendedIsExactDouble(const char *tenBytes)
{
    const QByteArray back = DoubleToExtended(ExtendedToDouble(tenBytes));
    return std::memcmp(back.constData(), tenBytes, 10) == 0;
}

// ---------------------------------------------------------------------------
// Primitives

void TByteReader::Fail(const QString &message) const
{
    throw EQR2ReadError(message, m_pos);
}

void TByteReader::need(qint64 n, const char *what) const
{
    if (n < 0 || n > Remaining())
        Fail(QStringLiteral("unexpected end of data reading %1 (%2 bytes needed, %3 left)")
                 .arg(QLatin1String(what))
                 .arg(n)
                 .arg(Remaining()));
}

quint8 TByteReader::U8()
{
    need(1, "a byte");
    return quint8(m_data[m_pos++]);
}

template <class T> T TByteReader::next(const char *what)
{
    need(qint64(sizeof(T)), what);
    const T v = qFromLittleEndian<T>(m_data.constData() + m_pos);
    m_pos += qsizetype(sizeof(T));
    return v;
}

quint16 TByteReader::U16()
{
    return next<quint16>("a 16-bit value");
}

qint16 TByteReader::I16()
{
    return qint16(U16());
}

quint32 TByteReader::U32()
{
    return next<quint32>("a 32-bit value");
}

qint32 TByteReader::I32()
{
    return qint32(U32());
}

qint64 TByteReader::I64()
{
    return next<qint64>("a 64-bit value");
}

double TByteReader::Extended()
{
    need(10, "an extended float");
    const double v = ExtendedToDouble(m_data.constData() + m_pos);
    m_pos += 10;
    return v;
}

QByteArray TByteReader::Bytes(qint64 n, const char *what)
{
    need(n, what);
    const QByteArray b = m_data.mid(m_pos, n);
    m_pos += n;
    return b;
}

QByteArray TByteReader::ShortStringBytes()
{
    const int n = U8();
    return Bytes(n, "a short string");
}

QString TByteReader::ShortString()
{
    return DecodeCodePage(ShortStringBytes());
}

void TByteWriter::U16(quint16 v)
{
    m_data.append(char(v & 0xFF));
    m_data.append(char(v >> 8));
}

void TByteWriter::U32(quint32 v)
{
    for (int i = 0; i < 4; ++i)
        m_data.append(char((v >> (8 * i)) & 0xFF));
}

void TByteWriter::I64(qint64 v)
{
    const quint64 u = quint64(v);
    for (int i = 0; i < 8; ++i)
        m_data.append(char((u >> (8 * i)) & 0xFF));
}

void TByteWriter::ShortStringBytes(const QByteArray &b)
{
    const QByteArray cut = b.left(255);
    U8(quint8(cut.size()));
    m_data.append(cut);
}

void TByteWriter::ShortString(const QString &s)
{
    ShortStringBytes(EncodeCodePage(s.left(255)));
}

void TByteWriter::FixedShortString(const QString &s, int size)
{
    QByteArray b = EncodeCodePage(s.left(qMin(255, size - 1))).left(qMin(255, size - 1));
    U8(quint8(b.size()));
    b.append(QByteArray(size - 1 - b.size(), '\0'));
    m_data.append(b);
}

void TByteWriter::PatchU32(qint64 pos, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        m_data[pos + i] = char((v >> (8 * i)) & 0xFF);
}

// ---------------------------------------------------------------------------
// Values

double TOSValue::ToDouble() const
{
    switch (Tag) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        return double(Int);
    case vaExtended:
        return Bytes.size() == 10 ? ExtendedToDouble(Bytes.constData()) : 0.0;
    case vaSingle: {
        if (Bytes.size() != 4)
            return 0.0;
        quint32 u = 0;
        for (int i = 0; i < 4; ++i)
            u |= quint32(quint8(Bytes[i])) << (8 * i);
        return double(std::bit_cast<float>(u));
    }
    case vaCurrency:
    case vaDate: {
        if (Bytes.size() != 8)
            return 0.0;
        quint64 u = 0;
        for (int i = 0; i < 8; ++i)
            u |= quint64(quint8(Bytes[i])) << (8 * i);
        if (Tag == vaCurrency)
            return double(qint64(u)) / 10000.0;
        return std::bit_cast<double>(u);
    }
    default:
        return 0.0;
    }
}

QString TOSValue::ToText() const
{
    switch (Tag) {
    case vaString:
    case vaLString:
    case vaIdent:
        return DecodeCodePage(Bytes);
    case vaWString:
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(Bytes.constData()), Bytes.size() / 2);
    default:
        return QString();
    }
}

TOSValue TOSValue::Integer(qint64 v)
{
    TOSValue r;
    r.Int = v;
    if (v >= -128 && v <= 127)
        r.Tag = vaInt8;
    else if (v >= -32768 && v <= 32767)
        r.Tag = vaInt16;
    else if (v >= INT32_MIN && v <= INT32_MAX)
        r.Tag = vaInt32;
    else
        r.Tag = vaInt64;
    return r;
}

TOSValue TOSValue::Float(double v)
{
    TOSValue r;
    r.Tag = vaExtended;
    r.Bytes = DoubleToExtended(v);
    return r;
}

TOSValue TOSValue::String(const QString &s)
{
    TOSValue r;
    r.Bytes = EncodeCodePage(s);
    r.Tag = r.Bytes.size() <= 255 ? vaString : vaLString;
    return r;
}

TOSValue TOSValue::Ident(const QString &s)
{
    // These four words stand for values of their own, never for identifiers.
    if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return Boolean(false);
    if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return Boolean(true);
    if (s.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0)
        return Nil();
    TOSValue r;
    if (s.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0)
        return r;
    r.Tag = vaIdent;
    r.Bytes = EncodeCodePage(s).left(255);
    return r;
}

TOSValue TOSValue::Boolean(bool b)
{
    TOSValue r;
    r.Tag = b ? vaTrue : vaFalse;
    return r;
}

TOSValue TOSValue::Binary(const QByteArray &b)
{
    TOSValue r;
    r.Tag = vaBinary;
    r.Bytes = b;
    return r;
}

TOSValue TOSValue::Nil()
{
    TOSValue r;
    r.Tag = vaNil;
    return r;
}

QString TOSComponent::NameText() const
{
    return DecodeCodePage(Name);
}

const TOSProperty *TOSComponent::FindProperty(const QByteArray &name) const
{
    for (const TOSProperty &p : Properties)
        if (qstricmp(p.Name.constData(), name.constData()) == 0)
            return &p;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Parsing

namespace
{
quint8 peek(TByteReader &in)
{
    const qint64 pos = in.Pos();
    const quint8 b = in.U8();
    in.SetPos(pos);
    return b;
}

void checkDepth(const TByteReader &in, int depth)
{
    if (depth > MaxObjectNesting)
        in.Fail(QStringLiteral("nesting deeper than %1 levels").arg(MaxObjectNesting));
}
} // namespace

TOSValue ReadOSValue(TByteReader &in, int depth)
{
    checkDepth(in, depth);
    TOSValue v;
    const qint64 at = in.Pos();
    const quint8 tag = in.U8();
    if (tag > vaInt64) {
        in.SetPos(at);
        in.Fail(QStringLiteral("unknown value tag %1").arg(tag));
    }
    v.Tag = TOSTag(tag);
    switch (v.Tag) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        break;
    case vaList:
        while (peek(in) != vaNull)
            v.Items.append(ReadOSValue(in, depth + 1));
        in.U8();
        break;
    case vaInt8:
        v.Int = qint8(in.U8());
        break;
    case vaInt16:
        v.Int = in.I16();
        break;
    case vaInt32:
        v.Int = in.I32();
        break;
    case vaInt64:
        v.Int = in.I64();
        break;
    case vaExtended:
        v.Bytes = in.Bytes(10, "an extended float");
        break;
    case vaSingle:
        v.Bytes = in.Bytes(4, "a single float");
        break;
    case vaCurrency:
    case vaDate:
        v.Bytes = in.Bytes(8, "an 8-byte value");
        break;
    case vaString:
    case vaIdent:
        v.Bytes = in.ShortStringBytes();
        break;
    case vaLString:
    case vaBinary: {
        const quint32 n = in.U32();
        v.Bytes = in.Bytes(qint64(n), v.Tag == vaBinary ? "binary data" : "a long string");
        break;
    }
    case vaWString: {
        const quint32 n = in.U32();
        v.Bytes = in.Bytes(qint64(n) * 2, "a wide string");
        break;
    }
    case vaSet:
        for (;;) {
            QByteArray ident = in.ShortStringBytes();
            if (ident.isEmpty())
                break;
            v.Idents.append(ident);
        }
        break;
    case vaCollection:
        while (peek(in) != vaNull) {
            TOSCollectionItem item;
            const quint8 t = peek(in);
            if (t == vaInt8 || t == vaInt16 || t == vaInt32) {
                item.HasOrder = true;
                item.Order = ReadOSValue(in, depth + 1);
            }
            if (in.U8() != vaList) {
                in.SetPos(in.Pos() - 1);
                in.Fail(QStringLiteral("collection item does not start with a list tag"));
            }
            item.Properties = ReadOSProperties(in, depth + 1);
            v.Collection.append(item);
        }
        in.U8();
        break;
    }
    return v;
}

QList<TOSProperty> ReadOSProperties(TByteReader &in, int depth)
{
    QList<TOSProperty> props;
    while (peek(in) != 0) {
        TOSProperty p;
        p.Name = in.ShortStringBytes();
        p.Value = ReadOSValue(in, depth + 1);
        props.append(p);
    }
    in.U8();
    return props;
}

TOSComponent ReadOSComponent(TByteReader &in, int depth)
{
    checkDepth(in, depth);
    TOSComponent c;
    const quint8 first = peek(in);
    if ((first & 0xF0) == 0xF0) {
        c.HasPrefix = true;
        c.Prefix = in.U8();
        if (c.Prefix & 2) {
            c.Position = ReadOSValue(in, depth + 1);
            if (!c.Position.IsInteger())
                in.Fail(QStringLiteral("child position is not an integer"));
        }
    }
    c.ClassName = in.ShortStringBytes();
    if (c.ClassName.isEmpty())
        in.Fail(QStringLiteral("component record without a class name"));
    c.Name = in.ShortStringBytes();
    c.Properties = ReadOSProperties(in, depth);
    while (peek(in) != 0)
        c.Children.append(ReadOSComponent(in, depth + 1));
    in.U8();
    return c;
}

QList<TOSComponent> ReadOSComponentList(TByteReader &in)
{
    QList<TOSComponent> list;
    while (peek(in) != 0) {
        if (in.Bytes(4, "a component signature") != QByteArrayLiteral("TPF0")) {
            in.SetPos(in.Pos() - 4);
            in.Fail(QStringLiteral("component record without the TPF0 signature"));
        }
        list.append(ReadOSComponent(in, 0));
    }
    in.U8();
    return list;
}

void WriteOSValue(TByteWriter &out, const TOSValue &v)
{
    out.U8(v.Tag);
    switch (v.Tag) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        break;
    case vaList:
        for (const TOSValue &item : v.Items)
            WriteOSValue(out, item);
        out.U8(vaNull);
        break;
    case vaInt8:
        out.U8(quint8(qint8(v.Int)));
        break;
    case vaInt16:
        out.I16(qint16(v.Int));
        break;
    case vaInt32:
        out.I32(qint32(v.Int));
        break;
    case vaInt64:
        out.I64(v.Int);
        break;
    case vaExtended:
    case vaSingle:
    case vaCurrency:
    case vaDate:
        out.Bytes(v.Bytes);
        break;
    case vaString:
    case vaIdent:
        out.ShortStringBytes(v.Bytes);
        break;
    case vaLString:
    case vaBinary:
        out.U32(quint32(v.Bytes.size()));
        out.Bytes(v.Bytes);
        break;
    case vaWString:
        out.U32(quint32(v.Bytes.size() / 2));
        out.Bytes(v.Bytes.left(v.Bytes.size() / 2 * 2));
        break;
    case vaSet:
        for (const QByteArray &ident : v.Idents)
            out.ShortStringBytes(ident);
        out.U8(0);
        break;
    case vaCollection:
        for (const TOSCollectionItem &item : v.Collection) {
            if (item.HasOrder)
                WriteOSValue(out, item.Order);
            out.U8(vaList);
            WriteOSProperties(out, item.Properties);
        }
        out.U8(vaNull);
        break;
    }
}

void WriteOSProperties(TByteWriter &out, const QList<TOSProperty> &properties)
{
    for (const TOSProperty &p : properties) {
        out.ShortStringBytes(p.Name);
        WriteOSValue(out, p.Value);
    }
    out.U8(0);
}

void WriteOSComponent(TByteWriter &out, const TOSComponent &c)
{
    if (c.HasPrefix) {
        out.U8(c.Prefix);
        if (c.Prefix & 2)
            WriteOSValue(out, c.Position);
    }
    out.ShortStringBytes(c.ClassName);
    out.ShortStringBytes(c.Name);
    WriteOSProperties(out, c.Properties);
    for (const TOSComponent &child : c.Children)
        WriteOSComponent(out, child);
    out.U8(0);
}

void WriteOSComponentList(TByteWriter &out, const QList<TOSComponent> &components)
{
    for (const TOSComponent &c : components) {
        out.Bytes(QByteArrayLiteral("TPF0"));
        WriteOSComponent(out, c);
    }
    out.U8(0);
}

// ---------------------------------------------------------------------------
// Variants

bool VariantToOSValue(const QVariant &v, TOSValue *out)
{
    if (!v.isValid())
        return false;
    if (v.userType() == qMetaTypeId<TOSIdent>()) {
        *out = TOSValue::Ident(v.value<TOSIdent>().Name);
        return true;
    }
    // Registered enumerations (a parameter's DataType) are stored by their identifier.
    if (const QMetaType type = v.metaType(); (type.flags() & QMetaType::IsEnumeration) && type.metaObject()) {
        const QMetaObject *mo = type.metaObject();
        const char *enumName = type.name();
        if (const char *colon = std::strrchr(enumName, ':'))
            enumName = colon + 1;
        const int index = mo->indexOfEnumerator(enumName);
        if (index >= 0) {
            bool ok = false;
            const int value = v.toInt(&ok);
            if (const char *key = mo->enumerator(index).valueToKey(value); ok && key) {
                *out = TOSValue::Ident(QString::fromLatin1(key));
                return true;
            }
        }
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
        *out = TOSValue::Boolean(v.toBool());
        return true;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        *out = TOSValue::Integer(v.toLongLong());
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        *out = TOSValue::Float(v.toDouble());
        return true;
    case QMetaType::QString:
        *out = TOSValue::String(v.toString());
        return true;
    case QMetaType::QByteArray:
        *out = TOSValue::Binary(v.toByteArray());
        return true;
    case QMetaType::QStringList: {
        TOSValue list;
        list.Tag = vaList;
        for (const QString &s : v.toStringList())
            list.Items.append(TOSValue::String(s));
        *out = list;
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList items = v.toList();
        const bool collection =
            !items.isEmpty() && std::all_of(items.begin(), items.end(), [](const QVariant &i) {
                return i.typeId() == QMetaType::QVariantMap;
            });
        TOSValue r;
        if (collection) {
            r.Tag = vaCollection;
            for (const QVariant &i : items) {
                TOSCollectionItem item;
                const QVariantMap map = i.toMap();
                for (auto it = map.begin(); it != map.end(); ++it) {
                    TOSProperty p;
                    p.Name = it.key().toLatin1();
                    if (!VariantToOSValue(it.value(), &p.Value))
                        continue;
                    item.Properties.append(p);
                }
                r.Collection.append(item);
            }
        } else {
            r.Tag = vaList;
            for (const QVariant &i : items) {
                TOSValue item;
                if (!VariantToOSValue(i, &item))
                    return false;
                r.Items.append(item);
            }
        }
        *out = r;
        return true;
    }
    default:
        return false;
    }
}

namespace
{
// Lets readers outside this library take an identifier as plain text (QVariant::toString()).
void registerIdentConversion()
{
    static const bool registered =
        QMetaType::registerConverter<TOSIdent, QString>([](const TOSIdent &ident) { return ident.Name; });
    Q_UNUSED(registered);
}
} // namespace

QVariant OSValueToVariant(const TOSValue &v)
{
    switch (v.Tag) {
    case vaNull:
    case vaNil:
        return QVariant();
    case vaFalse:
        return QVariant(false);
    case vaTrue:
        return QVariant(true);
    case vaInt8:
    case vaInt16:
    case vaInt32:
        return QVariant(int(v.Int));
    case vaInt64:
        return QVariant(v.Int);
    case vaExtended:
    case vaSingle:
    case vaCurrency:
    case vaDate:
        return QVariant(v.ToDouble());
    case vaString:
    case vaLString:
    case vaWString:
        return QVariant(v.ToText());
    case vaIdent:
        registerIdentConversion();
        return QVariant::fromValue(TOSIdent{v.ToText()});
    case vaBinary:
        return QVariant(v.Bytes);
    case vaSet: {
        QStringList names;
        for (const QByteArray &i : v.Idents)
            names << QString::fromLatin1(i);
        return QVariant(QLatin1Char('[') + names.join(QLatin1Char(',')) + QLatin1Char(']'));
    }
    case vaList: {
        const bool strings =
            std::all_of(v.Items.begin(), v.Items.end(), [](const TOSValue &i) { return i.IsText(); });
        if (strings && !v.Items.isEmpty()) {
            QStringList list;
            for (const TOSValue &i : v.Items)
                list << i.ToText();
            return QVariant(list);
        }
        QVariantList list;
        for (const TOSValue &i : v.Items)
            list << OSValueToVariant(i);
        return QVariant(list);
    }
    case vaCollection: {
        QVariantList list;
        for (const TOSCollectionItem &item : v.Collection) {
            QVariantMap map;
            for (const TOSProperty &p : item.Properties)
                map.insert(QString::fromLatin1(p.Name), OSValueToVariant(p.Value));
            list << QVariant(map);
        }
        return QVariant(list);
    }
    }
    return QVariant();
}

// ---------------------------------------------------------------------------
// Writing live components

namespace
{
TOSValue enumValue(const TPropInfo &info, int v)
{
    const char *key = info.Property.enumerator().valueToKey(v);
    return key ? TOSValue::Ident(QString::fromLatin1(key)) : TOSValue::Integer(v);
}

TOSValue setValue(const TPropInfo &info, int v)
{
    TOSValue r;
    r.Tag = vaSet;
    const QMetaEnum e = info.Property.enumerator();
    for (int i = 0; i < e.keyCount(); ++i) {
        const int bit = e.value(i);
        if (bit != 0 && (v & bit) == bit)
            r.Idents.append(QByteArray(e.key(i)));
    }
    return r;
}
} // namespace

TOSComponent TObjectWriter::WriteComponent(TComponent *component)
{
    TOSComponent rec;
    rec.ClassName = ClassNameOf(component);
    rec.Name = EncodeCodePage(component->Name());
    WriteProperties(component, QString(), rec.Properties);
    QList<TComponent *> children;
    if (Children) {
        children = Children(component);
    } else if (auto *control = qobject_cast<TControl *>(component)) {
        for (TControl *c : control->ControlList())
            children << c;
    }
    for (TComponent *child : children)
        if (!ClassNameOf(child).isEmpty())
            rec.Children.append(WriteComponent(child));
    return rec;
}

QByteArray TObjectWriter::ClassNameOf(TComponent *component) const
{
    return StoredClassName ? StoredClassName(component) : QByteArray(component->metaObject()->className());
}

void TObjectWriter::WriteProperties(QObject *object, const QString &prefix, QList<TOSProperty> &out)
{
    // Embedded objects nest only a few levels; the bound guards against cycles.
    if (prefix.count(QLatin1Char('.')) > 8)
        return;
    for (const TPropInfo &info : PublishedProperties(object)) {
        // The component's own name is its record's name; an embedded object's
        // Name (Font.Name) is a property like any other.
        if (!info.Stored() || (prefix.isEmpty() && info.Name() == QLatin1String("Name")))
            continue;
        const QString path = prefix + info.Name();
        const QVariant value = info.Property.read(object);
        if (info.Kind == TPropKind::Object) {
            if (QObject *sub = value.value<QObject *>())
                WriteProperties(sub, path + QLatin1Char('.'), out);
            continue;
        }
        if (!info.Writable() || IsDefaultValue(object, info))
            continue;
        TOSProperty p;
        p.Name = path.toLatin1();
        switch (info.Kind) {
        case TPropKind::Integer:
            p.Value = TOSValue::Integer(value.toLongLong());
            break;
        case TPropKind::Float:
            p.Value = TOSValue::Float(value.toDouble());
            break;
        case TPropKind::String:
            p.Value = TOSValue::String(value.toString());
            break;
        case TPropKind::Boolean:
            p.Value = TOSValue::Boolean(value.toBool());
            break;
        case TPropKind::Enumeration:
            p.Value = enumValue(info, value.toInt());
            break;
        case TPropKind::Set:
            p.Value = setValue(info, value.toInt());
            break;
        case TPropKind::Color: {
            const QString ident = ColorToIdent(TColor(value.toInt()));
            p.Value = ident.isEmpty() ? TOSValue::Integer(value.toInt()) : TOSValue::Ident(ident);
            break;
        }
        case TPropKind::Component: {
            auto *target = qobject_cast<TComponent *>(value.value<QObject *>());
            const QString name = !target ? QString() : ReferenceName ? ReferenceName(target) : target->Name();
            if (name.isEmpty())
                continue;
            p.Value = TOSValue::Ident(name);
            break;
        }
        case TPropKind::StringList:
            p.Name = (path + QLatin1String(".Strings")).toLatin1();
            VariantToOSValue(QVariant(value.toStringList()), &p.Value);
            break;
        case TPropKind::Other:
            if (!VariantToOSValue(value, &p.Value))
                continue;
            break;
        case TPropKind::Object:
            continue;
        }
        out.append(p);
    }
    if (const TDefinedProperties *defined = DefinedPropertiesOf(object)) {
        for (const QString &name : defined->DefinedPropertyNames()) {
            TOSProperty p;
            if (!VariantToOSValue(defined->DefinedProperty(name), &p.Value))
                continue;
            p.Name = (prefix + name).toLatin1();
            out.append(p);
        }
    }
}

// ---------------------------------------------------------------------------
// Reading live components

QList<TComponent *> TObjectReader::Read(const QList<TOSComponent> &records)
{
    m_created.clear();
    m_pending.clear();
    m_renamed.clear();
    m_skipped.clear();
    QList<TComponent *> top;
    try {
        for (const TOSComponent &rec : records)
            if (TComponent *c = readOne(rec, m_parent, 0))
                top.append(c);
    } catch (...) {
        // Whatever was read stays; it must not stay half loaded.
        for (TComponent *c : m_created)
            c->EndLoading();
        throw;
    }
    resolveReferences();
    if (BeforeLoaded)
        BeforeLoaded();
    for (TComponent *c : m_created)
        c->EndLoading();
    return top;
}

TComponent *TObjectReader::readOne(const TOSComponent &rec, TControl *parent, int depth)
{
    const QString className = rec.ClassNameText();
    if (IgnoredClasses.contains(className))
        return nullptr;
    if (!AllowedClasses.isEmpty() && !AllowedClasses.contains(className))
        throw EQR2ReadError(QStringLiteral("unknown component class %1").arg(className), -1);
    TComponent *c = CreateComponent(className, m_owner);
    if (!c)
        throw EQR2ReadError(QStringLiteral("unknown component class %1").arg(className), -1);
    c->BeginLoading();
    m_created.append(c);
    const QString stored = rec.NameText();
    if (!stored.isEmpty()) {
        try {
            c->SetName(m_owner ? m_owner->UniqueName(stored) : stored);
        } catch (const EComponentError &e) {
            m_skipped << QStringLiteral("%1: %2").arg(stored, e.Message());
        }
        if (!m_renamed.contains(stored.toLower()))
            m_renamed.insert(stored.toLower(), c);
    }
    if (auto *control = qobject_cast<TControl *>(c); control && parent)
        control->SetParent(parent);
    for (const TOSProperty &p : rec.Properties) {
        const QString path = QString::fromLatin1(p.Name);
        bool applied = false;
        try {
            applied = ApplyProperty(c, path, p.Value);
        } catch (const std::exception &) {
            // A setter refused the value (a taken or invalid name, say): skip it like any other.
            applied = false;
        }
        if (!applied)
            m_skipped << QStringLiteral("%1.%2").arg(c->Name().isEmpty() ? className : c->Name(), path);
    }
    if (OnComponentRead)
        OnComponentRead(c);
    auto *asControl = qobject_cast<TControl *>(c);
    for (const TOSComponent &child : rec.Children)
        readOne(child, asControl, depth + 1);
    return c;
}

bool TObjectReader::ApplyProperty(QObject *object, const QString &path, const TOSValue &v)
{
    TPropInfo info;
    QObject *holder = ResolvePropertyPath(object, path, &info);
    if (holder) {
        QVariant qv;
        switch (info.Kind) {
        case TPropKind::Enumeration:
        case TPropKind::Color:
            if (v.Tag == vaIdent)
                qv = v.ToText();
            else if (v.IsInteger())
                qv = int(v.Int);
            else
                return false;
            break;
        case TPropKind::Set:
            if (v.Tag != vaSet)
                return false;
            qv = OSValueToVariant(v);
            break;
        case TPropKind::Boolean:
            if (v.Tag != vaTrue && v.Tag != vaFalse)
                return false;
            qv = v.Tag == vaTrue;
            break;
        case TPropKind::Integer:
            if (!v.IsInteger())
                return false;
            qv = QVariant(v.Int);
            break;
        case TPropKind::Float:
            if (!v.IsInteger() && !v.IsFloat())
                return false;
            qv = v.ToDouble();
            break;
        case TPropKind::String:
            if (!v.IsText() && v.Tag != vaIdent)
                return false;
            qv = v.ToText();
            break;
        case TPropKind::StringList:
            if (v.Tag != vaList)
                return false;
            qv = OSValueToVariant(v).toStringList();
            break;
        case TPropKind::Component: {
            if (v.Tag == vaNil)
                return SetPropertyValue(object, path, QVariant::fromValue<QObject *>(nullptr));
            if (v.Tag != vaIdent && !v.IsText())
                return false;
            auto *component = qobject_cast<TComponent *>(object);
            if (!component)
                return false;
            m_pending.append({object, path, v.ToText()});
            return true;
        }
        case TPropKind::Object:
            return false;
        case TPropKind::Other:
            qv = OSValueToVariant(v);
            break;
        }
        return SetPropertyValue(object, path, qv);
    }
    // String lists: "Lines.Strings".
    if (path.endsWith(QLatin1String(".Strings"), Qt::CaseInsensitive)) {
        const QString base = path.left(path.size() - 8);
        if (ResolvePropertyPath(object, base, &info) && info.Kind == TPropKind::StringList) {
            if (v.Tag != vaList)
                return false;
            QStringList lines;
            for (const TOSValue &item : v.Items) {
                if (!item.IsText())
                    return false;
                lines << item.ToText();
            }
            return SetPropertyValue(object, base, QVariant(lines));
        }
    }
    // Extra data of the object or of an embedded object ("Size.Values").
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    QObject *target = object;
    if (dot >= 0) {
        if (!ResolvePropertyPath(object, path.left(dot), &info) || info.Kind != TPropKind::Object)
            return false;
        target = GetPropertyValue(object, path.left(dot)).value<QObject *>();
    }
    TDefinedProperties *defined = target ? DefinedPropertiesOf(target) : nullptr;
    if (!defined)
        return false;
    return defined->SetDefinedProperty(path.mid(dot + 1), OSValueToVariant(v));
}

void TObjectReader::resolveReferences()
{
    for (const Pending &p : m_pending) {
        TComponent *target = m_renamed.value(p.Target.toLower(), nullptr);
        if (!target && m_owner)
            target = m_owner->FindComponent(p.Target);
        if (!target || !SetPropertyValue(p.Object, p.Path, QVariant::fromValue<QObject *>(target)))
            m_skipped << QStringLiteral("%1.%2 -> %3")
                             .arg(qobject_cast<TComponent *>(p.Object)->Name(), p.Path, p.Target);
    }
    m_pending.clear();
}
