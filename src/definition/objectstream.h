#pragma once

// The object-stream encoding of stored components: tagged values, component
// records and component lists, plus the little-endian primitives and the
// 80-bit extended floats that the report file is made of.
//
// Reading goes in two steps: the bytes are parsed into a tree of
// TOSComponent records (every fault raises EQR2ReadError, so that bad bytes
// never crash or hang), and TObjectReader turns the tree into live
// components through the class registry and the published properties.
// Writing is the mirror image. The tree keeps every encoding detail (which
// tag, which raw bytes), so that a tree written back gives identical bytes.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <stdexcept>

class TComponent;
class TControl;

// A fault in stored bytes: truncation, an unknown tag, a length past the end,
// an absurd count or nesting. Offset is the byte position of the fault.
class EQR2ReadError : public std::runtime_error
{
public:
    EQR2ReadError(const QString &message, qint64 offset);
    // The fault, with its byte offset.
    QString Message() const { return m_message; }
    // Byte position where the fault was found.
    qint64 Offset() const { return m_offset; }

private:
    QString m_message;
    qint64 m_offset;
};

// 80-bit extended floats (64-bit mantissa with explicit integer bit, then
// sign and 15-bit exponent, little-endian), converted by bit arithmetic.
// Every double converts exactly; an extended value converts to the nearest
// double (ties to even), overflowing to infinity.
QByteArray DoubleToExtended(double value);
double ExtendedToDouble(const char *tenBytes);
// True when the 10 bytes come back unchanged through a double.
bool ExtendedIsExactDouble(const char *tenBytes);

// Bounds-checked little-endian reading over a byte array.
class TByteReader
{
public:
    explicit TByteReader(const QByteArray &data, qint64 pos = 0) : m_data(data), m_pos(pos) {}

    // Position of the next byte to read.
    qint64 Pos() const { return m_pos; }
    void SetPos(qint64 pos) { m_pos = pos; }
    // Size of the whole data.
    qint64 Size() const { return m_data.size(); }
    bool AtEnd() const { return m_pos >= m_data.size(); }
    // Bytes left after the position.
    qint64 Remaining() const { return m_data.size() - m_pos; }
    // The whole data being read.
    const QByteArray &Data() const { return m_data; }

    // Integers of the named size and sign; raise when the data ends first.
    quint8 U8();
    quint16 U16();
    qint16 I16();
    quint32 U32();
    qint32 I32();
    qint64 I64();
    // A 10-byte extended float as the nearest double.
    double Extended();
    // n raw bytes; raises when fewer remain (what names the thing being read).
    QByteArray Bytes(qint64 n, const char *what = "data");
    void Skip(qint64 n, const char *what = "data") { Bytes(n, what); }
    // u8 length and that many bytes.
    QByteArray ShortStringBytes();
    // The same, decoded from the report code page.
    QString ShortString();

    // Raises EQR2ReadError at the current position.
    [[noreturn]] void Fail(const QString &message) const;

private:
    void need(qint64 n, const char *what) const;
    // The next little-endian integer of type T, described by what when the data ends first.
    template <class T> T next(const char *what);
    QByteArray m_data;
    qint64 m_pos;
};

// Little-endian writing into a growing byte array.
class TByteWriter
{
public:
    // The bytes written so far.
    QByteArray &Data() { return m_data; }
    // Where the next byte goes.
    qint64 Pos() const { return m_data.size(); }
    // Integers of the named size, little-endian.
    void U8(quint8 v) { m_data.append(char(v)); }
    void U16(quint16 v);
    void I16(qint16 v) { U16(quint16(v)); }
    void U32(quint32 v);
    void I32(qint32 v) { U32(quint32(v)); }
    void I64(qint64 v);
    // A double as a 10-byte extended float (exact).
    void Extended(double v) { m_data.append(DoubleToExtended(v)); }
    // Raw bytes.
    void Bytes(const QByteArray &b) { m_data.append(b); }
    // u8 length and the bytes, cut to 255.
    void ShortStringBytes(const QByteArray &b);
    // Encoded in the report code page, cut to 255 characters.
    void ShortString(const QString &s);
    // A short string padded with zeros to size bytes (text cut to size - 1).
    void FixedShortString(const QString &s, int size);
    // Overwrites a u32 at pos (lengths written before their content).
    void PatchU32(qint64 pos, quint32 v);

private:
    QByteArray m_data;
};

// Value tags of the object stream.
enum TOSTag : quint8 {
    vaNull = 0, // end of a list; as a property value: Null
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
};

struct TOSProperty;
struct TOSCollectionItem;

// One stored value exactly as the bytes hold it.
struct TOSValue {
    TOSTag Tag = vaNull;                 // how the value is stored
    qint64 Int = 0;                      // vaInt8 .. vaInt32, vaInt64
    QByteArray Bytes;                    // raw float bytes, text bytes, binary data, UTF-16LE of vaWString
    QList<QByteArray> Idents;            // vaSet
    QList<TOSValue> Items;               // vaList
    QList<TOSCollectionItem> Collection; // vaCollection

    bool IsInteger() const { return Tag == vaInt8 || Tag == vaInt16 || Tag == vaInt32 || Tag == vaInt64; }
    bool IsFloat() const
    {
        return Tag == vaExtended || Tag == vaSingle || Tag == vaCurrency || Tag == vaDate;
    }
    bool IsText() const { return Tag == vaString || Tag == vaLString || Tag == vaWString; }
    // Numeric value of an integer or float tag (currency scaled by 1/10000).
    double ToDouble() const;
    // Text of a string, long string, wide string or identifier.
    QString ToText() const;

    // Builders that pick the tag the writer uses for the value.
    static TOSValue Integer(qint64 v);
    static TOSValue Float(double v);
    static TOSValue String(const QString &s);
    static TOSValue Ident(const QString &s);
    static TOSValue Boolean(bool b);
    static TOSValue Binary(const QByteArray &b);
    static TOSValue Nil();
};

// A property name and its value.
struct TOSProperty {
    QByteArray Name; // dotted path ("Font.Name") or extra data name ("Size.Values")
    TOSValue Value;  // the stored value
};

// One item of a collection (tag 14).
struct TOSCollectionItem {
    bool HasOrder = false;         // an order value precedes the item
    TOSValue Order;                // an integer value when HasOrder
    QList<TOSProperty> Properties; // the item's properties
};

// A component record; the top-level ones of a list carry the "TPF0" signature.
struct TOSComponent {
    bool HasPrefix = false;        // a flags byte precedes the class name
    quint8 Prefix = 0;             // 0xF0 .. 0xFF; flag bit 1 means a position follows
    TOSValue Position;             // when (Prefix & 2)
    QByteArray ClassName;          // the registered class to create
    QByteArray Name;               // the component name (may be empty)
    QList<TOSProperty> Properties; // stored properties in file order
    QList<TOSComponent> Children;  // child records (a band's elements)

    // The class name and name as text.
    QString ClassNameText() const { return QString::fromLatin1(ClassName); }
    QString NameText() const;
    // The property of that name (case ignored), or null.
    const TOSProperty *FindProperty(const QByteArray &name) const;
};

// Limits that keep hostile bytes from exhausting memory or the stack.
constexpr int MaxObjectNesting = 64;

// Parsing of the byte layout (no classes needed).
TOSValue ReadOSValue(TByteReader &in, int depth = 0);
QList<TOSProperty> ReadOSProperties(TByteReader &in, int depth = 0);
TOSComponent ReadOSComponent(TByteReader &in, int depth = 0);
// "TPF0" + record entries up to a single zero byte.
QList<TOSComponent> ReadOSComponentList(TByteReader &in);

void WriteOSValue(TByteWriter &out, const TOSValue &value);
void WriteOSProperties(TByteWriter &out, const QList<TOSProperty> &properties);
void WriteOSComponent(TByteWriter &out, const TOSComponent &component);
void WriteOSComponentList(TByteWriter &out, const QList<TOSComponent> &components);

// Identifier values inside collections (an enumeration such as ptInput),
// kept apart from plain strings when exchanged as QVariant.
struct TOSIdent {
    QString Name; // the identifier
    bool operator==(const TOSIdent &o) const { return Name == o.Name; }
};
Q_DECLARE_METATYPE(TOSIdent)

// Extra data (see common/definedproperties.h) to stored values and back:
//   QVariantList of doubles  <-> list of extended values
//   QStringList              <-> list of strings
//   QByteArray               <-> binary data
//   integers, doubles, bools, QString <-> the matching tags
//   QVariantList of QVariantMap <-> collection (property name -> value, in key order;
//                                    TOSIdent for identifiers)
bool VariantToOSValue(const QVariant &v, TOSValue *out);
QVariant OSValueToVariant(const TOSValue &v);

// Live components to records: published properties (embedded objects under
// dotted paths, string lists as "<name>.Strings"), values equal to their
// declared defaults skipped, extra data from TDefinedProperties, and the
// child controls as child records.
class TObjectWriter
{
public:
    // Children written for a control; by default its child controls.
    std::function<QList<TComponent *>(TComponent *)> Children;
    // The name written for a referenced component; by default its name.
    std::function<QString(TComponent *)> ReferenceName;
    // The class name a component is stored under; by default its own. An
    // empty name leaves the component (and its children) out of the list.
    std::function<QByteArray(TComponent *)> StoredClassName;

    // The record of component with its children (children stored under no
    // class name are left out).
    TOSComponent WriteComponent(TComponent *component);
    // The class name component is stored under; empty when it is not stored.
    QByteArray ClassNameOf(TComponent *component) const;
    // The stored properties of object, names prefixed with prefix ("Font.").
    void WriteProperties(QObject *object, const QString &prefix, QList<TOSProperty> &out);
};

// Records to live components: created by class name through the class
// registry, names made unique in the owner (a taken name gets 1, 2, 3 ...),
// references resolved by name once the whole list is read (references to a
// renamed component follow its new name). A property that cannot be applied
// is skipped and noted in Skipped.
class TObjectReader
{
public:
    // owner owns every component read; parent receives the top-level
    // records as child controls (may be null).
    TObjectReader(TComponent *owner, TControl *parent) : m_owner(owner), m_parent(parent) {}

    // Called for every component after its properties were applied (before references resolve).
    std::function<void(TComponent *)> OnComponentRead;
    // Called once references are resolved, before the components finish loading.
    std::function<void()> BeforeLoaded;
    // Class names that are skipped with their children instead of read.
    QStringList IgnoredClasses;
    // When not empty, the only class names a record may carry; any other is
    // read as an unknown class.
    QStringList AllowedClasses;

    // Reads the records and resolves references; returns the top-level components.
    // Raises EQR2ReadError for an unknown class.
    QList<TComponent *> Read(const QList<TOSComponent> &records);
    // Every component created by the last Read, in reading order.
    const QList<TComponent *> &Created() const { return m_created; }
    // "Name.Property: reason" for each property that was skipped.
    const QStringList &Skipped() const { return m_skipped; }

    // Applies one stored property to object (and embedded objects by path).
    bool ApplyProperty(QObject *object, const QString &path, const TOSValue &value);

private:
    TComponent *readOne(const TOSComponent &record, TControl *parent, int depth);
    void resolveReferences();

    struct Pending {
        QObject *Object;
        QString Path;
        QString Target;
    };
    TComponent *m_owner;
    TControl *m_parent;
    QList<TComponent *> m_created;
    QList<Pending> m_pending;
    QHash<QString, TComponent *> m_renamed; // stored name (lower case) -> component read under it
    QStringList m_skipped;
};
