#include "qr2text.h"

#include "common/codepage.h"
#include "common/colors.h"
#include "common/graphics.h"
#include "common/papersize.h"
#include "common/units.h"
#include "data/fieldtypes.h"
#include "definition/wizquery.h"
#include "engine/qrtypes.h"

#include <QLocale>
#include <QMetaEnum>
#include <bit>
#include <cmath>
#include <cstring>

EQR2TextError::EQR2TextError(const QString &message, int line)
    : std::runtime_error(QStringLiteral("line %1: %2").arg(line).arg(message).toStdString()),
      m_message(QStringLiteral("line %1: %2").arg(line).arg(message)), m_line(line)
{
}

namespace
{

// ---------------------------------------------------------------------------
// Record layouts, straight from the format's tables.

enum class FieldType { U8, Bool, I16, I32, Color, Ext, Fixed256, Enum, Set };

struct Field {
    const char *Name;
    int Offset;
    FieldType Type;
    QMetaEnum Enum = QMetaEnum();
    bool OmitIfZero = false;
};

const QList<Field> &printerFields()
{
    static const QList<Field> fields = {
        {"OutputBin", QR2::Printer::OutputBin, FieldType::Enum, QMetaEnum::fromType<QR::TQRBin>()},
        {"Copies", QR2::Printer::Copies, FieldType::I32},
        {"PrinterName", QR2::Printer::PrinterName, FieldType::Fixed256},
        {"Duplex", QR2::Printer::Duplex, FieldType::Bool},
    };
    return fields;
}

const QList<Field> &reportFields()
{
    using namespace QR2::Report;
    static const QList<Field> fields = {
        {"DatasetIndex", DatasetIndex, FieldType::I16},
        {"Frame.Color", FrameColor, FieldType::Color},
        {"Frame.DrawBottom", FrameDrawBottom, FieldType::Bool},
        {"Frame.DrawLeft", FrameDrawLeft, FieldType::Bool},
        {"Frame.DrawRight", FrameDrawRight, FieldType::Bool},
        {"Frame.DrawTop", FrameDrawTop, FieldType::Bool},
        {"Frame.Style", FrameStyle, FieldType::Enum, QMetaEnum::fromType<TPen::TPenStyle>()},
        {"Frame.Width", FrameWidth, FieldType::I16},
        {"Options", Options, FieldType::Set, QMetaEnum::fromType<QR::TQROptions>()},
        {"Page.BottomMargin", BottomMargin, FieldType::Ext},
        {"Page.Columns", Columns, FieldType::I16},
        {"Page.ColumnSpace", ColumnSpace, FieldType::Ext},
        {"Page.LeftMargin", LeftMargin, FieldType::Ext},
        {"Page.Length", Length, FieldType::Ext},
        {"Page.Orientation", Orientation, FieldType::Enum,
         QMetaEnum::fromType<QRPaper::TPrinterOrientation>()},
        {"Page.PaperSize", PaperSize, FieldType::Enum, QMetaEnum::fromType<QRPaper::TQRPaperSize>()},
        {"Page.RightMargin", RightMargin, FieldType::Ext},
        {"Page.Ruler", Ruler, FieldType::Bool},
        {"Page.TopMargin", TopMargin, FieldType::Ext},
        {"Page.Width", Width, FieldType::Ext},
        {"PrinterSettings.Copies", Copies, FieldType::I16},
        {"PrinterSettings.Duplex", Duplex, FieldType::Bool},
        {"PrinterSettings.OutputBin", OutputBin, FieldType::Enum, QMetaEnum::fromType<QR::TQRBin>()},
        {"ReportTitle", ReportTitle, FieldType::Fixed256},
        {"Reserved", Reserved, FieldType::U8, QMetaEnum(), true},
        {"SnapToGrid", SnapToGrid, FieldType::Bool},
        {"Units", Units, FieldType::Enum, QMetaEnum::fromType<QRUnits::TQRUnit>()},
        {"Zoom", Zoom, FieldType::I32},
        {"LabelSettings.FirstLabel", FirstLabel, FieldType::I32},
        {"LabelSettings.LabelCount", LabelCount, FieldType::I32},
    };
    return fields;
}

qint64 readLE(const QByteArray &r, int offset, int size, bool isSigned)
{
    quint64 v = 0;
    for (int i = 0; i < size; ++i)
        v |= quint64(quint8(r[offset + i])) << (8 * i);
    if (isSigned && size < 8 && (v >> (8 * size - 1)) & 1)
        v |= ~quint64(0) << (8 * size);
    return qint64(v);
}

void writeLE(QByteArray &r, int offset, int size, qint64 value)
{
    for (int i = 0; i < size; ++i)
        r[offset + i] = char((quint64(value) >> (8 * i)) & 0xFF);
}

TOSValue identOrInt(const QMetaEnum &e, int v)
{
    const char *key = e.isValid() ? e.valueToKey(v) : nullptr;
    return key ? TOSValue::Ident(QString::fromLatin1(key)) : TOSValue::Integer(v);
}

TOSValue setOrInt(const QMetaEnum &e, int v)
{
    TOSValue r;
    r.Tag = vaSet;
    int covered = 0;
    for (int i = 0; i < e.keyCount(); ++i) {
        const int bit = e.value(i);
        if (bit != 0 && (v & bit) == bit) {
            r.Idents.append(QByteArray(e.key(i)));
            covered |= bit;
        }
    }
    return covered == v ? r : TOSValue::Integer(v);
}

TOSValue decodeField(const QByteArray &r, const Field &f)
{
    switch (f.Type) {
    case FieldType::U8:
        return TOSValue::Integer(quint8(r[f.Offset]));
    case FieldType::Bool: {
        const int b = quint8(r[f.Offset]);
        return b <= 1 ? TOSValue::Boolean(b == 1) : TOSValue::Integer(b);
    }
    case FieldType::I16:
        return TOSValue::Integer(readLE(r, f.Offset, 2, true));
    case FieldType::I32:
        return TOSValue::Integer(readLE(r, f.Offset, 4, true));
    case FieldType::Color: {
        const auto c = TColor(qint32(readLE(r, f.Offset, 4, true)));
        const QString ident = ColorToIdent(c);
        return ident.isEmpty() ? TOSValue::Integer(qint32(c)) : TOSValue::Ident(ident);
    }
    case FieldType::Ext: {
        TOSValue v;
        v.Tag = vaExtended;
        v.Bytes = r.mid(f.Offset, 10);
        return v;
    }
    case FieldType::Fixed256: {
        TOSValue v;
        v.Tag = vaString;
        v.Bytes = FixedShortStringAt(r, f.Offset, 256);
        return v;
    }
    case FieldType::Enum:
        return identOrInt(f.Enum, quint8(r[f.Offset]));
    case FieldType::Set:
        return setOrInt(f.Enum, quint8(r[f.Offset]));
    }
    return TOSValue();
}

// False when the value does not fit the field.
bool encodeField(QByteArray &r, const Field &f, const TOSValue &v)
{
    auto integer = [&](qint64 *out) {
        if (v.IsInteger()) {
            *out = v.Int;
            return true;
        }
        return false;
    };
    qint64 n = 0;
    switch (f.Type) {
    case FieldType::U8:
        if (!integer(&n) || n < 0 || n > 255)
            return false;
        r[f.Offset] = char(n);
        return true;
    case FieldType::Bool:
        if (v.Tag == vaTrue || v.Tag == vaFalse)
            n = v.Tag == vaTrue;
        else if (!integer(&n) || n < 0 || n > 255)
            return false;
        r[f.Offset] = char(n);
        return true;
    case FieldType::I16:
        if (!integer(&n) || n < -32768 || n > 32767)
            return false;
        writeLE(r, f.Offset, 2, n);
        return true;
    case FieldType::I32:
        if (!integer(&n) || n < INT32_MIN || n > INT32_MAX)
            return false;
        writeLE(r, f.Offset, 4, n);
        return true;
    case FieldType::Color: {
        TColor c = clBlack;
        if (v.Tag == vaIdent) {
            if (!IdentToColor(v.ToText(), &c))
                return false;
            n = qint32(c);
        } else if (!integer(&n) || n < INT32_MIN || n > UINT32_MAX) {
            return false;
        }
        writeLE(r, f.Offset, 4, n);
        return true;
    }
    case FieldType::Ext:
        if (v.Tag == vaExtended && v.Bytes.size() == 10) {
            r.replace(f.Offset, 10, v.Bytes);
            return true;
        }
        if (v.IsInteger() || v.IsFloat()) {
            r.replace(f.Offset, 10, DoubleToExtended(v.ToDouble()));
            return true;
        }
        return false;
    case FieldType::Fixed256: {
        if (v.Tag != vaString && v.Tag != vaLString)
            return false;
        const QByteArray b = v.Bytes.left(255);
        r[f.Offset] = char(b.size());
        r.replace(f.Offset + 1, b.size(), b);
        return true;
    }
    case FieldType::Enum:
        if (v.Tag == vaIdent) {
            bool ok = false;
            n = f.Enum.keyToValue(v.ToText().toLatin1().constData(), &ok);
            if (!ok)
                return false;
        } else if (!integer(&n) || n < 0 || n > 255) {
            return false;
        }
        r[f.Offset] = char(n);
        return true;
    case FieldType::Set:
        if (v.Tag == vaSet) {
            n = 0;
            for (const QByteArray &ident : v.Idents) {
                bool ok = false;
                const int bit = f.Enum.keyToValue(ident.constData(), &ok);
                if (!ok)
                    return false;
                n |= bit;
            }
        } else if (!integer(&n) || n < 0 || n > 255) {
            return false;
        }
        r[f.Offset] = char(n);
        return true;
    }
    return false;
}

QList<TOSProperty> decodeRecord(const QByteArray &record, const QList<Field> &fields)
{
    QList<TOSProperty> out;
    for (const Field &f : fields) {
        TOSValue v = decodeField(record, f);
        if (f.OmitIfZero && v.IsInteger() && v.Int == 0)
            continue;
        out.append({QByteArray(f.Name), v});
    }
    return out;
}

// The text line of each property of a section, so that a bad value is
// reported where it stands; names not found give the section's line.
struct PropLines {
    int Section = 0;
    QHash<QByteArray, int> Lines;
    int operator()(const QByteArray &name) const { return Lines.value(name, Section); }
};

// Fields not given stay zero. Throws on a value that does not fit.
QByteArray encodeRecord(const QList<TOSProperty> &props, const QList<Field> &fields, int size,
                        const PropLines &at)
{
    QByteArray r(size, '\0');
    for (const TOSProperty &p : props) {
        auto it =
            std::find_if(fields.begin(), fields.end(), [&](const Field &f) { return p.Name == f.Name; });
        if (it == fields.end())
            throw EQR2TextError(QStringLiteral("unknown field %1").arg(QString::fromLatin1(p.Name)),
                                at(p.Name));
        if (!encodeField(r, *it, p.Value))
            throw EQR2TextError(
                QStringLiteral("value does not fit field %1").arg(QString::fromLatin1(p.Name)), at(p.Name));
    }
    return r;
}

// ---------------------------------------------------------------------------
// Writing text

const QStringList &reservedWords()
{
    static const QStringList words = {
        QStringLiteral("True"),   QStringLiteral("False"),    QStringLiteral("nil"),
        QStringLiteral("Null"),   QStringLiteral("int8"),     QStringLiteral("int16"),
        QStringLiteral("int32"),  QStringLiteral("int64"),    QStringLiteral("ext"),
        QStringLiteral("single"), QStringLiteral("currency"), QStringLiteral("date"),
        QStringLiteral("long"),   QStringLiteral("wide"),     QStringLiteral("ident"),
        QStringLiteral("item"),   QStringLiteral("end"),      QStringLiteral("object"),
        QStringLiteral("order"),  QStringLiteral("prefix"),   QStringLiteral("position")};
    return words;
}

bool isWord(const QByteArray &b, bool allowReserved = false)
{
    if (b.isEmpty())
        return false;
    const char c0 = b[0];
    if (!(c0 == '_' || (c0 >= 'A' && c0 <= 'Z') || (c0 >= 'a' && c0 <= 'z')))
        return false;
    for (char c : b)
        if (!(c == '_' || c == '.' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
              (c >= '0' && c <= '9')))
            return false;
    if (b.endsWith('.'))
        return false;
    if (!allowReserved)
        for (const QString &w : reservedWords())
            if (w.compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0)
                return false;
    return true;
}

QString quoteBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral("''");
    QString out;
    bool inQuote = false;
    for (char ch : bytes) {
        const quint8 b = quint8(ch);
        bool printable = b >= 32 && b != 127;
        QString text;
        if (printable) {
            text = DecodeCodePage(QByteArray(1, ch));
            printable = text.size() == 1 && text.at(0) != QChar(0xFFFD) && text.at(0).isPrint() &&
                        EncodeCodePage(text) == QByteArray(1, ch);
        }
        if (printable) {
            if (!inQuote) {
                out += QLatin1Char('\'');
                inQuote = true;
            }
            out += text == QLatin1String("'") ? QStringLiteral("''") : text;
        } else {
            if (inQuote) {
                out += QLatin1Char('\'');
                inQuote = false;
            }
            out += QLatin1Char('#') + QString::number(b);
        }
    }
    if (inQuote)
        out += QLatin1Char('\'');
    return out;
}

QString quoteWide(const QByteArray &utf16)
{
    if (utf16.size() < 2)
        return QStringLiteral("''");
    QString out;
    bool inQuote = false;
    for (int i = 0; i + 1 < utf16.size(); i += 2) {
        const char16_t u = char16_t(quint8(utf16[i]) | (quint8(utf16[i + 1]) << 8));
        const QChar c(u);
        if (!c.isSurrogate() && c.isPrint()) {
            if (!inQuote) {
                out += QLatin1Char('\'');
                inQuote = true;
            }
            out += c == u'\'' ? QStringLiteral("''") : QString(c);
        } else {
            if (inQuote) {
                out += QLatin1Char('\'');
                inQuote = false;
            }
            out += QLatin1Char('#') + QString::number(u);
        }
    }
    if (inQuote)
        out += QLatin1Char('\'');
    return out;
}

QString nameText(const QByteArray &name)
{
    return isWord(name, true) ? QString::fromLatin1(name) : quoteBytes(name);
}

QString hexText(const QByteArray &b)
{
    return QString::fromLatin1(b.toHex().toUpper());
}

QString floatText(double d)
{
    QString s = QString::number(d, 'g', QLocale::FloatingPointShortest);
    if (!s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e')))
        s += QStringLiteral(".0");
    return s;
}

QString indentText(int indent)
{
    return QString(indent * 2, QLatin1Char(' '));
}

QString binaryText(const QByteArray &b, int indent)
{
    if (b.size() <= 32)
        return QLatin1Char('{') + hexText(b) + QLatin1Char('}');
    QString out = QStringLiteral("{");
    for (int i = 0; i < b.size(); i += 32)
        out += QLatin1Char('\n') + indentText(indent + 1) + hexText(b.mid(i, 32));
    return out + QLatin1Char('}');
}

// A wizard query's filter records, one line each:
// [old] [or] 'field' 'operator' 'value' type [case]; null when the bytes would
// not come back identical from that form.
QString filtersText(const TOSValue &v, int indent)
{
    QList<TWizFilter> filters;
    if (v.Tag != vaBinary || !ReadWizFilters(v.Bytes, &filters) || WriteWizFilters(filters) != v.Bytes)
        return QString();
    QString out = QStringLiteral("filters (");
    for (const TWizFilter &f : filters) {
        out += QLatin1Char('\n') + indentText(indent + 1);
        if (f.Version != TWizFilter::CurrentVersion)
            out += QStringLiteral("old ");
        if (f.OrFlag)
            out += QStringLiteral("or ");
        out += quoteBytes(EncodeCodePage(f.FieldName)) + QLatin1Char(' ') +
               quoteBytes(WizOperatorText(f.Operator).toLatin1()) + QLatin1Char(' ') +
               quoteBytes(EncodeCodePage(f.Value)) + QLatin1Char(' ');
        if (f.Version != TWizFilter::CurrentVersion)
            out += f.IsNumeric() ? QStringLiteral("numeric") : QStringLiteral("text");
        else
            out += FieldTypeIdent(TFieldType(f.FieldType));
        if (f.CaseSensitive)
            out += QStringLiteral(" case");
    }
    return out + QLatin1Char(')');
}

QString propertiesText(const QList<TOSProperty> &props, int indent, bool wizQuery = false)
{
    QString out;
    for (const TOSProperty &p : props) {
        QString value;
        if (wizQuery && p.Name == "Filters")
            value = filtersText(p.Value, indent);
        if (value.isNull())
            value = OSValueToText(p.Value, indent);
        out += indentText(indent) + nameText(p.Name) + QStringLiteral(" = ") + value + QLatin1Char('\n');
    }
    return out;
}

QString componentText(const TOSComponent &c, int indent)
{
    QString out = indentText(indent) + QStringLiteral("object ");
    if (!c.Name.isEmpty())
        out += nameText(c.Name) + QStringLiteral(": ");
    out += nameText(c.ClassName);
    if (c.HasPrefix) {
        out += QStringLiteral(" prefix ") + QString::number(c.Prefix);
        if (c.Prefix & 2)
            out += QStringLiteral(" position ") + OSValueToText(c.Position, indent);
    }
    out += QLatin1Char('\n');
    out += propertiesText(c.Properties, indent + 1, c.ClassName == "TWizQuery");
    for (const TOSComponent &child : c.Children)
        out += componentText(child, indent + 1);
    return out + indentText(indent) + QStringLiteral("end\n");
}

} // namespace

QString OSValueToText(const TOSValue &v, int indent)
{
    switch (v.Tag) {
    case vaNull:
        return QStringLiteral("Null");
    case vaFalse:
        return QStringLiteral("False");
    case vaTrue:
        return QStringLiteral("True");
    case vaNil:
        return QStringLiteral("nil");
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: {
        const QString number = QString::number(v.Int);
        if (TOSValue::Integer(v.Int).Tag == v.Tag)
            return number;
        const char *type = v.Tag == vaInt8    ? "int8 "
                           : v.Tag == vaInt16 ? "int16 "
                           : v.Tag == vaInt32 ? "int32 "
                                              : "int64 ";
        return QLatin1String(type) + number;
    }
    case vaExtended: {
        if (v.Bytes.size() == 10 && ExtendedIsExactDouble(v.Bytes.constData())) {
            const double d = ExtendedToDouble(v.Bytes.constData());
            if (std::isfinite(d) && DoubleToExtended(floatText(d).toDouble()) == v.Bytes)
                return floatText(d);
        }
        return QStringLiteral("ext $") + hexText(v.Bytes);
    }
    case vaSingle: {
        const float f = float(v.ToDouble());
        quint32 u = std::bit_cast<quint32>(f);
        QByteArray back(4, '\0');
        for (int i = 0; i < 4; ++i)
            back[i] = char((u >> (8 * i)) & 0xFF);
        const QString text = floatText(double(f));
        if (std::isfinite(f) && back == v.Bytes && float(text.toDouble()) == f)
            return QStringLiteral("single ") + text;
        return QStringLiteral("single $") + hexText(v.Bytes);
    }
    case vaCurrency: {
        const qint64 n = readLE(v.Bytes, 0, 8, true);
        const quint64 mag = n < 0 ? quint64(0) - quint64(n) : quint64(n);
        return QStringLiteral("currency ") + (n < 0 ? QStringLiteral("-") : QString()) +
               QString::number(mag / 10000) + QLatin1Char('.') +
               QStringLiteral("%1").arg(mag % 10000, 4, 10, QLatin1Char('0'));
    }
    case vaDate: {
        const double d = v.ToDouble();
        if (std::isfinite(d))
            return QStringLiteral("date ") + floatText(d);
        return QStringLiteral("date $") + hexText(v.Bytes);
    }
    case vaString:
        return quoteBytes(v.Bytes);
    case vaLString:
        return v.Bytes.size() <= 255 ? QStringLiteral("long ") + quoteBytes(v.Bytes) : quoteBytes(v.Bytes);
    case vaWString:
        return QStringLiteral("wide ") + quoteWide(v.Bytes);
    case vaIdent:
        return isWord(v.Bytes) ? QString::fromLatin1(v.Bytes)
                               : QStringLiteral("ident ") + quoteBytes(v.Bytes);
    case vaBinary:
        return binaryText(v.Bytes, indent);
    case vaSet: {
        QStringList items;
        for (const QByteArray &i : v.Idents)
            items << (isWord(i, true) ? QString::fromLatin1(i) : quoteBytes(i));
        return QLatin1Char('[') + items.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    case vaList: {
        if (v.Items.isEmpty())
            return QStringLiteral("()");
        QString out = QStringLiteral("(");
        for (const TOSValue &item : v.Items)
            out += QLatin1Char('\n') + indentText(indent + 1) + OSValueToText(item, indent + 1);
        return out + QLatin1Char(')');
    }
    case vaCollection: {
        if (v.Collection.isEmpty())
            return QStringLiteral("<>");
        QString out = QStringLiteral("<");
        for (const TOSCollectionItem &item : v.Collection) {
            out += QLatin1Char('\n') + indentText(indent + 1) + QStringLiteral("item");
            if (item.HasOrder)
                out += QStringLiteral(" order ") + OSValueToText(item.Order, indent + 1);
            out += QLatin1Char('\n') + propertiesText(item.Properties, indent + 2) + indentText(indent + 1) +
                   QStringLiteral("end");
        }
        return out + QLatin1Char('>');
    }
    }
    return QString();
}

QString OSComponentsToText(const QList<TOSComponent> &components, int indent)
{
    QString out;
    for (const TOSComponent &c : components)
        out += componentText(c, indent);
    return out;
}

namespace
{
QString rawSection(const QString &name, const QByteArray &data, const QString &field = QStringLiteral("Raw"))
{
    return name + QLatin1Char('\n') + indentText(1) + field + QStringLiteral(" = ") + binaryText(data, 1) +
           QStringLiteral("\nend\n");
}

TOSValue bytesList(const QList<QByteArray> &lines, bool binary = false)
{
    TOSValue list;
    list.Tag = vaList;
    for (const QByteArray &l : lines) {
        TOSValue s;
        s.Tag = binary ? vaBinary : vaString;
        s.Bytes = l;
        list.Items.append(s);
    }
    return list;
}

QString linesSection(const QString &header, const QByteArray &data)
{
    QList<QByteArray> lines;
    if (!SplitCrLfLines(data, &lines) ||
        std::any_of(lines.begin(), lines.end(), [](const QByteArray &l) { return l.size() > 255; }))
        return rawSection(header, data);
    return header + QStringLiteral("\n  Lines = ") + OSValueToText(bytesList(lines), 1) +
           QStringLiteral("\nend\n");
}

QString recordSection(const QString &header, const QByteArray &data, const QList<Field> &fields, int size,
                      const QString &rawField)
{
    if (data.size() == size) {
        const QList<TOSProperty> props = decodeRecord(data, fields);
        if (encodeRecord(props, fields, size, PropLines{}) == data)
            return header + QLatin1Char('\n') + propertiesText(props, 1);
    }
    return header + QLatin1Char('\n') + indentText(1) + rawField + QStringLiteral(" = ") +
           binaryText(data, 1) + QLatin1Char('\n');
}

TOSValue bytesValue(const QByteArray &b)
{
    TOSValue v;
    v.Tag = vaString;
    v.Bytes = b;
    return v;
}

QString extrasText(const TQR2ReportExtras &x)
{
    QList<TOSProperty> p;
    if (x.HasDatasetName)
        p.append({"DatasetName", bytesValue(x.DatasetName)});
    p.append({"Description", bytesList(x.Description)});
    const TQR2Font &f = x.Font;
    const TColor color = TColor(f.Color);
    p.append({"Font.Color", ColorToIdent(color).isEmpty() ? TOSValue::Integer(f.Color)
                                                          : TOSValue::Ident(ColorToIdent(color))});
    p.append({"Font.Height", TOSValue::Integer(f.Height)});
    p.append({"Font.Pitch", identOrInt(QMetaEnum::fromType<TFont::TFontPitch>(), f.Pitch)});
    p.append({"Font.Size", TOSValue::Integer(f.Size)});
    p.append({"Font.Style", setOrInt(QMetaEnum::fromType<TFont::TFontStyles>(), f.Style)});
    p.append({"Font.Name", bytesValue(f.Name)});
    if (f.HasCharset)
        p.append({"Font.Charset", identOrInt(QMetaEnum::fromType<TFont::TFontCharset>(), f.Charset)});
    p.append({"Hint", bytesValue(x.Hint)});
    if (x.NameState == TQR2ReportExtras::NamePresent)
        p.append({"Name", bytesValue(x.Name)});
    else if (x.NameState == TQR2ReportExtras::NameTruncated)
        p.append({"NameRaw", TOSValue::Binary(x.Name)});
    return propertiesText(p, 1);
}
} // namespace

QString QR2ToText(const TQR2File &file)
{
    QString out = QStringLiteral("version $%1\n").arg(file.Version, 4, 16, QLatin1Char('0'));
    for (const TQR2Block &b : file.Blocks) {
        switch (b.Tag) {
        case QR2::TitleBlock: {
            const QByteArray title = FixedShortStringAt(b.Data, 0, QR2::TitleLength);
            QByteArray again(QR2::TitleLength, '\0');
            again[0] = char(title.size());
            again.replace(1, title.size(), title);
            if (b.Data.size() == QR2::TitleLength && again == b.Data)
                out +=
                    QStringLiteral("title\n  ReportTitle = ") + quoteBytes(title) + QStringLiteral("\nend\n");
            else
                out += rawSection(QStringLiteral("title"), b.Data);
            break;
        }
        case QR2::AppDataBlock:
            out += rawSection(QStringLiteral("appdata"), b.Data, QStringLiteral("Data"));
            break;
        case QR2::PrinterBlock:
            out += recordSection(QStringLiteral("printer"), b.Data, printerFields(), QR2::PrinterRecordLength,
                                 QStringLiteral("Raw")) +
                   QStringLiteral("end\n");
            break;
        case QR2::DatasetBlock: {
            bool structured = false;
            QList<TOSComponent> list;
            try {
                TByteReader in(b.Data);
                list = ReadOSComponentList(in);
                TByteWriter again;
                WriteOSComponentList(again, list);
                structured = again.Data() == b.Data;
            } catch (const EQR2ReadError &) {
                structured = false;
            }
            if (structured)
                out += QStringLiteral("datasets\n") + OSComponentsToText(list, 1) + QStringLiteral("end\n");
            else
                out += rawSection(QStringLiteral("datasets"), b.Data);
            break;
        }
        case QR2::ReportBlock:
            out += recordSection(QStringLiteral("report"), b.Data, reportFields(), QR2::ReportRecordLength,
                                 QStringLiteral("Record")) +
                   extrasText(b.Extras) + QStringLiteral("end\n");
            break;
        case QR2::ScriptBlock:
            out += linesSection(QStringLiteral("script"), b.Data);
            break;
        case QR2::ParamMarkBlock:
            out += QStringLiteral("parammarks\n  Marks = ") + OSValueToText(bytesList(b.Marks), 1) +
                   QStringLiteral("\nend\n");
            break;
        case QR2::RichTextBlock:
            out += linesSection(QStringLiteral("richtext ") + quoteBytes(b.Name), b.Data);
            break;
        case QR2::LegacyBlock:
            out += QStringLiteral("legacy\n  Entries = ") + OSValueToText(bytesList(b.Entries, true), 1) +
                   QStringLiteral("\nend\n");
            break;
        }
    }
    if (file.HasEndTag) {
        out += QStringLiteral("bands\n") + OSComponentsToText(file.Bands, 1) + QStringLiteral("end\n");
        if (!file.Trailing.isEmpty())
            out += rawSection(QStringLiteral("trailing"), file.Trailing);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Reading text

namespace
{
struct Piece {
    bool Raw = false; // #n
    uint Code = 0;
    QString Text;
};

struct Token {
    enum Kind { Word, String, Punct, Hex, End } Kind = End;
    QString Text;        // word, punctuation or hex digits
    QList<Piece> Pieces; // strings
    int Line = 1;
};

QList<Token> tokenize(const QString &text)
{
    QList<Token> tokens;
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isWordChar = [](QChar c) {
        return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'$' || c == u'+' || c == u'-';
    };
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'\n') {
            ++line;
            ++i;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.Line = line;
        if (c == u'\'' || c == u'#') {
            t.Kind = Token::String;
            while (i < n && (text.at(i) == u'\'' || text.at(i) == u'#')) {
                Piece p;
                if (text.at(i) == u'#') {
                    ++i;
                    const qsizetype start = i;
                    while (i < n && text.at(i).isDigit())
                        ++i;
                    bool ok = false;
                    p.Raw = true;
                    p.Code = text.mid(start, i - start).toUInt(&ok);
                    if (!ok || p.Code > 0xFFFF)
                        throw EQR2TextError(QStringLiteral("bad character code after #"), line);
                } else {
                    ++i;
                    for (;;) {
                        if (i >= n || text.at(i) == u'\n')
                            throw EQR2TextError(QStringLiteral("unterminated string"), line);
                        if (text.at(i) == u'\'') {
                            if (i + 1 < n && text.at(i + 1) == u'\'') {
                                p.Text += u'\'';
                                i += 2;
                                continue;
                            }
                            ++i;
                            break;
                        }
                        p.Text += text.at(i++);
                    }
                }
                t.Pieces.append(p);
            }
        } else if (c == u'{') {
            t.Kind = Token::Hex;
            ++i;
            while (i < n && text.at(i) != u'}') {
                if (text.at(i) == u'\n')
                    ++line;
                else if (!text.at(i).isSpace())
                    t.Text += text.at(i);
                ++i;
            }
            if (i >= n)
                throw EQR2TextError(QStringLiteral("unterminated binary data"), t.Line);
            ++i;
        } else if (isWordChar(c)) {
            t.Kind = Token::Word;
            while (i < n && isWordChar(text.at(i)))
                t.Text += text.at(i++);
        } else if (QStringLiteral("=()[]<>,:").contains(c)) {
            t.Kind = Token::Punct;
            t.Text = c;
            ++i;
        } else {
            throw EQR2TextError(QStringLiteral("unexpected character '%1'").arg(c), line);
        }
        tokens.append(t);
    }
    Token end;
    end.Line = line;
    tokens.append(end);
    return tokens;
}

class Parser
{
public:
    explicit Parser(const QString &text) : m_tokens(tokenize(text)) {}

    const Token &peek(int ahead = 0) const
    {
        return m_tokens.at(qMin(m_pos + ahead, int(m_tokens.size()) - 1));
    }
    Token next()
    {
        Token t = peek();
        if (m_pos < m_tokens.size() - 1)
            ++m_pos;
        return t;
    }
    [[noreturn]] void fail(const QString &message) const { throw EQR2TextError(message, peek().Line); }
    bool isWord(const char *word, int ahead = 0) const
    {
        return peek(ahead).Kind == Token::Word && peek(ahead).Text == QLatin1String(word);
    }
    bool isPunct(char p, int ahead = 0) const
    {
        return peek(ahead).Kind == Token::Punct && peek(ahead).Text == QLatin1Char(p);
    }
    void expectPunct(char p)
    {
        if (!isPunct(p))
            fail(QStringLiteral("'%1' expected").arg(QLatin1Char(p)));
        next();
    }
    void expectWord(const char *word)
    {
        if (!isWord(word))
            fail(QStringLiteral("'%1' expected").arg(QLatin1String(word)));
        next();
    }
    // A keyword, not a property of the same name ("end = 1").
    bool atKeyword(const char *word) const { return isWord(word) && !isPunct('=', 1); }

    QByteArray stringBytes(const Token &t)
    {
        QByteArray out;
        for (const Piece &p : t.Pieces) {
            if (p.Raw) {
                if (p.Code > 255)
                    throw EQR2TextError(QStringLiteral("byte code %1 out of range").arg(p.Code), t.Line);
                out.append(char(p.Code));
            } else {
                const QByteArray enc = EncodeCodePage(p.Text);
                if (DecodeCodePage(enc) != p.Text)
                    throw EQR2TextError(QStringLiteral("text not in the report code page: %1").arg(p.Text),
                                        t.Line);
                out.append(enc);
            }
        }
        return out;
    }
    QByteArray wideBytes(const Token &t)
    {
        QByteArray out;
        auto add = [&out](char16_t u) {
            out.append(char(u & 0xFF));
            out.append(char(u >> 8));
        };
        for (const Piece &p : t.Pieces) {
            if (p.Raw)
                add(char16_t(p.Code));
            else
                for (QChar c : p.Text)
                    add(c.unicode());
        }
        return out;
    }
    QByteArray nameToken()
    {
        const Token t = next();
        if (t.Kind == Token::Word)
            return t.Text.toLatin1();
        if (t.Kind == Token::String)
            return stringBytes(t);
        throw EQR2TextError(QStringLiteral("name expected"), t.Line);
    }
    QByteArray hexOf(const QString &digits, int size, int line)
    {
        const QByteArray b = QByteArray::fromHex(digits.toLatin1());
        if (b.toHex().toUpper() != digits.toUpper().toLatin1() || (size >= 0 && b.size() != size))
            throw EQR2TextError(QStringLiteral("bad hexadecimal bytes"), line);
        return b;
    }
    qint64 integerWord(const Token &t)
    {
        bool ok = false;
        qint64 v = 0;
        if (t.Text.startsWith(u'$'))
            v = qint64(t.Text.mid(1).toULongLong(&ok, 16));
        else
            v = t.Text.toLongLong(&ok);
        if (t.Kind != Token::Word || !ok)
            throw EQR2TextError(QStringLiteral("integer expected"), t.Line);
        return v;
    }
    double floatWord(const Token &t)
    {
        bool ok = false;
        const double d = t.Text.toDouble(&ok);
        if (t.Kind != Token::Word || !ok)
            throw EQR2TextError(QStringLiteral("number expected"), t.Line);
        return d;
    }

    TOSValue value()
    {
        // Lists and collections nest through here; hostile text must not exhaust the stack.
        struct DepthGuard {
            int &depth;
            explicit DepthGuard(int &d) : depth(++d) {}
            ~DepthGuard() { --depth; }
        } guard(m_depth);
        if (m_depth > MaxObjectNesting)
            fail(QStringLiteral("values nested too deeply"));
        const Token t = next();
        TOSValue v;
        switch (t.Kind) {
        case Token::String:
            v.Bytes = stringBytes(t);
            v.Tag = v.Bytes.size() <= 255 ? vaString : vaLString;
            return v;
        case Token::Hex:
            return TOSValue::Binary(hexOf(t.Text, -1, t.Line));
        case Token::Punct:
            if (t.Text == QLatin1String("["))
                return setValue();
            if (t.Text == QLatin1String("("))
                return listValue();
            if (t.Text == QLatin1String("<"))
                return collectionValue();
            throw EQR2TextError(QStringLiteral("value expected"), t.Line);
        case Token::End:
            throw EQR2TextError(QStringLiteral("value expected"), t.Line);
        case Token::Word:
            break;
        }
        const QString &w = t.Text;
        if (w == QLatin1String("True"))
            return TOSValue::Boolean(true);
        if (w == QLatin1String("False"))
            return TOSValue::Boolean(false);
        if (w == QLatin1String("nil"))
            return TOSValue::Nil();
        if (w == QLatin1String("Null"))
            return v;
        if (w == QLatin1String("filters") && isPunct('('))
            return filtersValue();
        static const QStringList intTypes = {QStringLiteral("int8"), QStringLiteral("int16"),
                                             QStringLiteral("int32"), QStringLiteral("int64")};
        if (const int k = int(intTypes.indexOf(w)); k >= 0) {
            const Token num = next();
            v.Int = integerWord(num);
            static const qint64 lo[] = {-128, -32768, INT32_MIN, INT64_MIN};
            static const qint64 hi[] = {127, 32767, INT32_MAX, INT64_MAX};
            if (v.Int < lo[k] || v.Int > hi[k])
                throw EQR2TextError(QStringLiteral("%1 out of range").arg(w), num.Line);
            v.Tag = TOSTag(k == 3 ? vaInt64 : vaInt8 + k);
            return v;
        }
        if (w == QLatin1String("ext") || w == QLatin1String("single") || w == QLatin1String("currency") ||
            w == QLatin1String("date")) {
            const Token num = next();
            const int size = w == QLatin1String("ext") ? 10 : w == QLatin1String("single") ? 4 : 8;
            v.Tag = w == QLatin1String("ext")      ? vaExtended
                    : w == QLatin1String("single") ? vaSingle
                    : w == QLatin1String("date")   ? vaDate
                                                   : vaCurrency;
            if (num.Kind == Token::Word && num.Text.startsWith(u'$')) {
                v.Bytes = hexOf(num.Text.mid(1), size, num.Line);
                return v;
            }
            TByteWriter b;
            if (v.Tag == vaExtended) {
                b.Extended(floatWord(num));
            } else if (v.Tag == vaSingle) {
                b.U32(std::bit_cast<quint32>(float(floatWord(num))));
            } else if (v.Tag == vaDate) {
                b.I64(std::bit_cast<qint64>(floatWord(num)));
            } else {
                // Exact fixed-point: digits before and up to four after the point.
                QString s = num.Text;
                const bool neg = s.startsWith(u'-');
                if (neg || s.startsWith(u'+'))
                    s = s.mid(1);
                const QStringList parts = s.split(u'.');
                bool ok1 = false, ok2 = true;
                const qint64 whole = parts.value(0).toLongLong(&ok1);
                QString frac = parts.value(1);
                if (parts.size() > 2 || frac.size() > 4)
                    ok2 = false;
                frac = frac.leftJustified(4, u'0');
                const qint64 f = frac.toLongLong(&ok2);
                if (!ok1 || !ok2)
                    throw EQR2TextError(QStringLiteral("currency value expected"), num.Line);
                const qint64 units = whole * 10000 + f;
                b.I64(neg ? -units : units);
            }
            v.Bytes = b.Data();
            return v;
        }
        if (w == QLatin1String("long") || w == QLatin1String("wide") || w == QLatin1String("ident")) {
            const Token s = next();
            if (s.Kind != Token::String)
                throw EQR2TextError(QStringLiteral("string expected after %1").arg(w), s.Line);
            if (w == QLatin1String("wide")) {
                v.Tag = vaWString;
                v.Bytes = wideBytes(s);
            } else {
                v.Tag = w == QLatin1String("long") ? vaLString : vaIdent;
                v.Bytes = stringBytes(s);
                if (v.Tag == vaIdent && v.Bytes.size() > 255)
                    throw EQR2TextError(QStringLiteral("identifier longer than 255 bytes"), s.Line);
            }
            return v;
        }
        const QChar c0 = w.at(0);
        if (c0.isDigit() || c0 == u'-' || c0 == u'+' || c0 == u'$') {
            if (!c0.isDigit() && c0 != u'$' && (w.size() < 2 || !(w.at(1).isDigit() || w.at(1) == u'.')))
                throw EQR2TextError(QStringLiteral("bad number %1").arg(w), t.Line);
            if (c0 != u'$' && (w.contains(u'.') || w.contains(u'e') || w.contains(u'E')))
                return TOSValue::Float(floatWord(t));
            return TOSValue::Integer(integerWord(t));
        }
        v.Tag = vaIdent;
        v.Bytes = w.toLatin1();
        if (v.Bytes.size() > 255)
            throw EQR2TextError(QStringLiteral("identifier longer than 255 bytes"), t.Line);
        return v;
    }

    // The filter lines of a wizard query (see filtersText) as the stored bytes.
    TOSValue filtersValue()
    {
        expectPunct('(');
        QList<TWizFilter> filters;
        while (!isPunct(')')) {
            if (peek().Kind == Token::End)
                fail(QStringLiteral("')' expected"));
            TWizFilter f;
            if (isWord("old")) {
                f.Version = 0;
                next();
            }
            if (isWord("or")) {
                f.OrFlag = true;
                next();
            }
            const Token nameToken = peek();
            const QByteArray name = stringToken("field name");
            // The older layout tells itself by a first byte below the version byte.
            if (f.Version != TWizFilter::CurrentVersion && name.size() >= TWizFilter::CurrentVersion)
                throw EQR2TextError(QStringLiteral("an old filter's field name must be shorter than 101 bytes"),
                                    nameToken.Line);
            f.FieldName = DecodeCodePage(name);
            const Token opToken = peek();
            f.Operator = WizOperatorFromText(QString::fromLatin1(stringToken("operator")));
            if (f.Operator < 0)
                throw EQR2TextError(QStringLiteral("unknown filter operator"), opToken.Line);
            f.Value = DecodeCodePage(stringToken("filter value"));
            const Token type = next();
            if (f.Version != TWizFilter::CurrentVersion) {
                if (type.Kind != Token::Word ||
                    (type.Text != QLatin1String("numeric") && type.Text != QLatin1String("text")))
                    throw EQR2TextError(QStringLiteral("'numeric' or 'text' expected"), type.Line);
                f.FieldType = type.Text == QLatin1String("numeric") ? ftInteger : ftString;
            } else {
                bool ok = false;
                const int known = QMetaEnum::fromType<TFieldType>().keyToValue(type.Text.toLatin1(), &ok);
                if (type.Kind == Token::Word && ok) {
                    f.FieldType = known;
                } else {
                    const qint64 n = integerWord(type);
                    if (n < 0 || n > 255)
                        throw EQR2TextError(QStringLiteral("field type must be 0 to 255"), type.Line);
                    f.FieldType = int(n);
                }
            }
            if (isWord("case")) {
                f.CaseSensitive = true;
                next();
            }
            filters << f;
            if (filters.size() > 255)
                fail(QStringLiteral("more than 255 filters"));
        }
        next();
        return TOSValue::Binary(WriteWizFilters(filters));
    }

    QByteArray stringToken(const char *what)
    {
        const Token t = next();
        if (t.Kind != Token::String)
            throw EQR2TextError(QStringLiteral("%1 expected").arg(QLatin1String(what)), t.Line);
        const QByteArray b = stringBytes(t);
        if (b.size() > 255)
            throw EQR2TextError(QStringLiteral("%1 longer than 255 bytes").arg(QLatin1String(what)), t.Line);
        return b;
    }

    TOSValue setValue()
    {
        TOSValue v;
        v.Tag = vaSet;
        while (!isPunct(']')) {
            const QByteArray ident = nameToken();
            if (ident.isEmpty() || ident.size() > 255)
                fail(QStringLiteral("set element must be 1 to 255 bytes"));
            v.Idents.append(ident);
            if (isPunct(','))
                next();
            else if (!isPunct(']'))
                fail(QStringLiteral("',' or ']' expected"));
        }
        next();
        return v;
    }

    TOSValue listValue()
    {
        TOSValue v;
        v.Tag = vaList;
        while (!isPunct(')')) {
            if (peek().Kind == Token::End)
                fail(QStringLiteral("')' expected"));
            v.Items.append(value());
        }
        next();
        return v;
    }

    TOSValue collectionValue()
    {
        TOSValue v;
        v.Tag = vaCollection;
        while (!isPunct('>')) {
            expectWord("item");
            TOSCollectionItem item;
            if (atKeyword("order")) {
                next();
                item.HasOrder = true;
                item.Order = value();
                if (item.Order.Tag != vaInt8 && item.Order.Tag != vaInt16 && item.Order.Tag != vaInt32)
                    fail(QStringLiteral("order must be an integer"));
            }
            item.Properties = properties();
            expectWord("end");
            v.Collection.append(item);
        }
        next();
        return v;
    }

    // name = value lines up to a keyword.
    // lines, when given, receives the line of each property.
    QList<TOSProperty> properties(PropLines *lines = nullptr)
    {
        QList<TOSProperty> props;
        while ((peek().Kind == Token::Word || peek().Kind == Token::String) && isPunct('=', 1)) {
            TOSProperty p;
            const int line = peek().Line;
            p.Name = nameToken();
            if (lines && !lines->Lines.contains(p.Name))
                lines->Lines.insert(p.Name, line);
            if (p.Name.isEmpty() || p.Name.size() > 255)
                fail(QStringLiteral("property names must be 1 to 255 bytes"));
            next();
            p.Value = value();
            props.append(p);
        }
        return props;
    }

    TOSComponent component(int depth)
    {
        if (depth > MaxObjectNesting)
            fail(QStringLiteral("objects nested too deeply"));
        expectWord("object");
        TOSComponent c;
        QByteArray first = nameToken();
        if (isPunct(':')) {
            next();
            c.Name = first;
            c.ClassName = nameToken();
        } else {
            c.ClassName = first;
        }
        if (c.ClassName.isEmpty())
            fail(QStringLiteral("class name expected"));
        if (atKeyword("prefix")) {
            next();
            const qint64 prefix = integerWord(next());
            if (prefix < 0xF0 || prefix > 0xFF)
                fail(QStringLiteral("prefix must be 240 to 255"));
            c.HasPrefix = true;
            c.Prefix = quint8(prefix);
            if (c.Prefix & 2) {
                expectWord("position");
                c.Position = value();
                if (!c.Position.IsInteger())
                    fail(QStringLiteral("position must be an integer"));
            }
        }
        c.Properties = properties();
        while (atKeyword("object"))
            c.Children.append(component(depth + 1));
        expectWord("end");
        return c;
    }

    QList<TOSComponent> components()
    {
        QList<TOSComponent> list;
        while (atKeyword("object"))
            list.append(component(0));
        return list;
    }

    int m_pos = 0;

private:
    int m_depth = 0;
    QList<Token> m_tokens;
};

const TOSProperty *findProp(const QList<TOSProperty> &props, const char *name)
{
    for (const TOSProperty &p : props)
        if (p.Name == name)
            return &p;
    return nullptr;
}

QByteArray textField(const QList<TOSProperty> &props, const char *name, const PropLines &at)
{
    const TOSProperty *p = findProp(props, name);
    if (!p)
        return QByteArray();
    if (p->Value.Tag != vaString && p->Value.Tag != vaLString)
        throw EQR2TextError(QStringLiteral("%1 must be a text").arg(QLatin1String(name)), at(name));
    return p->Value.Bytes;
}

QList<QByteArray> listField(const QList<TOSProperty> &props, const char *name, const PropLines &at,
                            bool binary = false)
{
    const TOSProperty *p = findProp(props, name);
    QList<QByteArray> out;
    if (!p)
        return out;
    if (p->Value.Tag != vaList)
        throw EQR2TextError(QStringLiteral("%1 must be a list").arg(QLatin1String(name)), at(name));
    for (const TOSValue &item : p->Value.Items) {
        if (binary ? item.Tag != vaBinary : (item.Tag != vaString && item.Tag != vaLString))
            throw EQR2TextError(QStringLiteral("%1 holds a value of the wrong kind").arg(QLatin1String(name)),
                                at(name));
        out.append(item.Bytes);
    }
    return out;
}

qint64 intField(const QList<TOSProperty> &props, const char *name, qint64 lo, qint64 hi, const PropLines &at)
{
    const TOSProperty *p = findProp(props, name);
    if (!p)
        return 0;
    if (!p->Value.IsInteger() || p->Value.Int < lo || p->Value.Int > hi)
        throw EQR2TextError(
            QStringLiteral("%1 must be an integer from %2 to %3").arg(QLatin1String(name)).arg(lo).arg(hi),
            at(name));
    return p->Value.Int;
}

qint64 enumField(const QList<TOSProperty> &props, const char *name, const QMetaEnum &e, bool isSet,
                 const PropLines &at)
{
    const TOSProperty *p = findProp(props, name);
    if (!p)
        return 0;
    const Field f{name, 0, isSet ? FieldType::Set : FieldType::Enum, e};
    QByteArray r(1, '\0');
    if (isSet && p->Value.IsInteger()) {
        if (p->Value.Int < 0 || p->Value.Int > 0xFFFF)
            throw EQR2TextError(QStringLiteral("bad value for %1").arg(QLatin1String(name)), at(name));
        return p->Value.Int;
    }
    if (!encodeField(r, f, p->Value))
        throw EQR2TextError(QStringLiteral("bad value for %1").arg(QLatin1String(name)), at(name));
    return quint8(r[0]);
}
} // namespace

TQR2File QR2FromText(const QString &text)
{
    Parser p(text);
    TQR2File file;
    p.expectWord("version");
    const qint64 version = p.integerWord(p.next());
    if (version < 0 || version > 0xFFFF)
        p.fail(QStringLiteral("version must be a 16-bit value"));
    file.Version = quint16(version);
    file.HasEndTag = false;
    while (p.peek().Kind != Token::End) {
        const Token head = p.next();
        if (head.Kind != Token::Word)
            throw EQR2TextError(QStringLiteral("section name expected"), head.Line);
        const QString &w = head.Text;
        const int line = head.Line;
        static const QStringList sections = {
            QStringLiteral("title"),      QStringLiteral("appdata"),  QStringLiteral("printer"),
            QStringLiteral("datasets"),   QStringLiteral("report"),   QStringLiteral("script"),
            QStringLiteral("parammarks"), QStringLiteral("richtext"), QStringLiteral("legacy"),
            QStringLiteral("bands"),      QStringLiteral("trailing")};
        if (!sections.contains(w))
            throw EQR2TextError(QStringLiteral("unknown section %1").arg(w), line);
        TQR2Block b;
        if (w == QLatin1String("bands") || w == QLatin1String("datasets")) {
            if (w == QLatin1String("bands") && file.HasEndTag)
                throw EQR2TextError(QStringLiteral("a second band list"), line);
            const QList<TOSProperty> props = p.properties();
            const QList<TOSComponent> list = p.components();
            p.expectWord("end");
            if (w == QLatin1String("bands")) {
                if (!props.isEmpty())
                    throw EQR2TextError(QStringLiteral("the band list holds objects only"), line);
                file.HasEndTag = true;
                file.Bands = list;
                continue;
            }
            b.Tag = QR2::DatasetBlock;
            if (const TOSProperty *raw = findProp(props, "Raw")) {
                if (raw->Value.Tag != vaBinary || !list.isEmpty())
                    throw EQR2TextError(QStringLiteral("Raw must be binary data alone"), line);
                b.Data = raw->Value.Bytes;
            } else {
                TByteWriter out;
                WriteOSComponentList(out, list);
                b.Data = out.Data();
            }
            file.Blocks.append(b);
            continue;
        }
        if (file.HasEndTag && w != QLatin1String("trailing"))
            throw EQR2TextError(QStringLiteral("blocks must come before the band list"), line);
        QByteArray richName;
        if (w == QLatin1String("richtext")) {
            const Token name = p.next();
            if (name.Kind != Token::String)
                throw EQR2TextError(QStringLiteral("rich-text name expected"), name.Line);
            richName = p.stringBytes(name);
        }
        PropLines at{line, {}};
        const QList<TOSProperty> props = p.properties(&at);
        p.expectWord("end");
        const TOSProperty *raw = findProp(props, "Raw");
        if (raw && raw->Value.Tag != vaBinary)
            throw EQR2TextError(QStringLiteral("Raw must be binary data"), at("Raw"));
        if (w == QLatin1String("trailing")) {
            if (!file.HasEndTag || !raw)
                throw EQR2TextError(QStringLiteral("trailing bytes follow the band list only"), line);
            file.Trailing = raw->Value.Bytes;
            continue;
        }
        if (w == QLatin1String("title")) {
            b.Tag = QR2::TitleBlock;
            if (raw) {
                b.Data = raw->Value.Bytes;
            } else {
                TByteWriter out;
                out.FixedShortString(QString(), QR2::TitleLength);
                b.Data = out.Data();
                const QByteArray title = textField(props, "ReportTitle", at).left(255);
                b.Data[0] = char(title.size());
                b.Data.replace(1, title.size(), title);
            }
        } else if (w == QLatin1String("appdata")) {
            b.Tag = QR2::AppDataBlock;
            const TOSProperty *data = findProp(props, "Data");
            if (!data || data->Value.Tag != vaBinary)
                throw EQR2TextError(QStringLiteral("appdata needs Data = {...}"), at("Data"));
            b.Data = data->Value.Bytes;
        } else if (w == QLatin1String("printer")) {
            b.Tag = QR2::PrinterBlock;
            b.Data =
                raw ? raw->Value.Bytes : encodeRecord(props, printerFields(), QR2::PrinterRecordLength, at);
        } else if (w == QLatin1String("report")) {
            b.Tag = QR2::ReportBlock;
            QList<TOSProperty> recordProps;
            static const QList<QByteArray> extras = {
                "Record",     "DatasetName", "Description", "Font.Color", "Font.Height",
                "Font.Pitch", "Font.Size",   "Font.Style",  "Font.Name",  "Font.Charset",
                "Hint",       "Name",        "NameRaw"};
            for (const TOSProperty &prop : props)
                if (!extras.contains(prop.Name))
                    recordProps.append(prop);
            if (const TOSProperty *rec = findProp(props, "Record")) {
                if (rec->Value.Tag != vaBinary || !recordProps.isEmpty())
                    throw EQR2TextError(QStringLiteral("Record must be binary data alone"), at("Record"));
                b.Data = rec->Value.Bytes;
            } else {
                b.Data = encodeRecord(recordProps, reportFields(), QR2::ReportRecordLength, at);
            }
            TQR2ReportExtras &x = b.Extras;
            x.HasDatasetName = findProp(props, "DatasetName") != nullptr;
            x.DatasetName = textField(props, "DatasetName", at);
            x.Description = listField(props, "Description", at);
            if (x.Description.size() > 0xFFFF)
                throw EQR2TextError(QStringLiteral("too many description lines"), at("Description"));
            if (const TOSProperty *c = findProp(props, "Font.Color")) {
                QByteArray r(4, '\0');
                if (!encodeField(r, Field{"Font.Color", 0, FieldType::Color}, c->Value))
                    throw EQR2TextError(QStringLiteral("bad value for Font.Color"), at("Font.Color"));
                x.Font.Color = qint32(readLE(r, 0, 4, true));
            }
            x.Font.Height = qint16(intField(props, "Font.Height", -32768, 32767, at));
            x.Font.Pitch =
                quint8(enumField(props, "Font.Pitch", QMetaEnum::fromType<TFont::TFontPitch>(), false, at));
            x.Font.Size = qint16(intField(props, "Font.Size", -32768, 32767, at));
            x.Font.Style =
                quint16(enumField(props, "Font.Style", QMetaEnum::fromType<TFont::TFontStyles>(), true, at));
            x.Font.Name = textField(props, "Font.Name", at);
            x.Font.HasCharset = findProp(props, "Font.Charset") != nullptr;
            x.Font.Charset = quint8(
                enumField(props, "Font.Charset", QMetaEnum::fromType<TFont::TFontCharset>(), false, at));
            x.Hint = textField(props, "Hint", at);
            if (const TOSProperty *nr = findProp(props, "NameRaw")) {
                x.NameState = TQR2ReportExtras::NameTruncated;
                x.Name = nr->Value.Bytes;
            } else if (findProp(props, "Name")) {
                x.NameState = TQR2ReportExtras::NamePresent;
                x.Name = textField(props, "Name", at);
            } else {
                x.NameState = TQR2ReportExtras::NameMissing;
            }
        } else if (w == QLatin1String("script") || w == QLatin1String("richtext")) {
            b.Tag = w == QLatin1String("script") ? QR2::ScriptBlock : QR2::RichTextBlock;
            b.Name = richName;
            b.Data = raw ? raw->Value.Bytes : JoinCrLfLines(listField(props, "Lines", at));
        } else if (w == QLatin1String("parammarks")) {
            b.Tag = QR2::ParamMarkBlock;
            b.Marks = listField(props, "Marks", at);
            if (b.Marks.contains(QByteArray("\\")))
                throw EQR2TextError(QStringLiteral("a mark cannot be the terminator \\"), at("Marks"));
        } else if (w == QLatin1String("legacy")) {
            b.Tag = QR2::LegacyBlock;
            b.Entries = listField(props, "Entries", at, true);
        } else {
            throw EQR2TextError(QStringLiteral("unknown section %1").arg(w), line);
        }
        file.Blocks.append(b);
    }
    return file;
}

// ---------------------------------------------------------------------------
// Summary

namespace
{
QString valuesText(const TOSComponent &c, const QStringList &names)
{
    const TOSProperty *p = c.FindProperty("Size.Values");
    if (!p || p->Value.Tag != vaList)
        return QString();
    QStringList parts;
    for (int i = 0; i < p->Value.Items.size() && i < names.size(); ++i)
        parts << QStringLiteral("%1=%2")
                     .arg(names.at(i))
                     .arg(p->Value.Items.at(i).ToDouble() / 10.0, 0, 'f', 1);
    return parts.join(QLatin1Char(' ')) + QStringLiteral(" mm");
}

QString textOf(const TOSComponent &c)
{
    for (const char *name : {"Caption", "Expression", "DataField", "Data", "Shape", "BandType"}) {
        if (const TOSProperty *p = c.FindProperty(name)) {
            if (p->Value.IsText())
                return QStringLiteral("%1 '%2'").arg(QLatin1String(name), p->Value.ToText());
            return QStringLiteral("%1 %2").arg(QLatin1String(name), OSValueToText(p->Value));
        }
    }
    if (const TOSProperty *p = c.FindProperty("Lines.Strings"); p && p->Value.Tag == vaList)
        return QStringLiteral("%1 lines").arg(p->Value.Items.size());
    return QString();
}
} // namespace

QString QR2Summary(const TQR2File &file)
{
    QString out;
    for (const TOSComponent &band : file.Bands) {
        QStringList parts = {QStringLiteral("band"),
                             band.NameText().isEmpty() ? QStringLiteral("-") : band.NameText(),
                             band.ClassNameText()};
        const QString what = textOf(band);
        if (!what.isEmpty())
            parts << what;
        const QString size = valuesText(band, {QStringLiteral("height"), QStringLiteral("width")});
        if (!size.isEmpty())
            parts << size;
        out += parts.join(QLatin1Char(' ')) + QLatin1Char('\n');
        for (const TOSComponent &e : band.Children) {
            QStringList ep = {QStringLiteral("  element"),
                              e.NameText().isEmpty() ? QStringLiteral("-") : e.NameText(), e.ClassNameText()};
            const QString text = textOf(e);
            if (!text.isEmpty())
                ep << text;
            const QString esize = valuesText(e, {QStringLiteral("height"), QStringLiteral("left"),
                                                 QStringLiteral("top"), QStringLiteral("width")});
            if (!esize.isEmpty())
                ep << esize;
            out += ep.join(QLatin1Char(' ')) + QLatin1Char('\n');
        }
    }
    return out;
}
