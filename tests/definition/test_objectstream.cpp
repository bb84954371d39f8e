#include "qr2bytes.h"

#include "common/properties.h"
#include "definition/objectstream.h"
#include "engine/band.h"
#include "engine/printable.h"

#include <QMetaEnum>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>

namespace
{
double ext(const char *hex)
{
    return ExtendedToDouble(QByteArray::fromHex(hex).constData());
}

TOSValue readValue(const QByteArray &bytes)
{
    TByteReader in(bytes);
    TOSValue v = ReadOSValue(in);
    EXPECT_TRUE(in.AtEnd());
    return v;
}

QByteArray writeValue(const TOSValue &v)
{
    TByteWriter out;
    WriteOSValue(out, v);
    return out.Data();
}
} // namespace

TEST(Extended, KnownValuesBothWays)
{
    EXPECT_EQ(ext("0000000000000080FF3F"), 1.0);
    EXPECT_EQ(ext("00000000000000A00240"), 10.0);
    EXPECT_EQ(ext("00000000000000A000C0"), -2.5);
    EXPECT_EQ(DoubleToExtended(1.0).toHex(), QByteArray("0000000000000080ff3f"));
    EXPECT_EQ(DoubleToExtended(-2.5).toHex(), QByteArray("00000000000000a000c0"));
    EXPECT_EQ(DoubleToExtended(0.0), QByteArray(10, '\0'));
    // 0.1 as an 80-bit value has more mantissa than a double: nearest double.
    EXPECT_EQ(ext("CDCCCCCCCCCCCCCCFB3F"), 0.1);
    EXPECT_EQ(DoubleToExtended(0.1).toHex(), QByteArray("00d0ccccccccccccfb3f"));
    EXPECT_TRUE(std::isinf(ext("0000000000000080FF7F")));
    EXPECT_TRUE(std::isnan(ext("00000000000000C0FF7F")));
}

TEST(Extended, RoundsTiesToEvenAndHandlesRangeEdges)
{
    // 1 + 2^-53 is half way between 1 and the next double: ties go to even (1).
    EXPECT_EQ(ext("0004000000000080FF3F"), 1.0);
    // 1 + 3*2^-53 ties between an odd and an even neighbour: up to the even one.
    EXPECT_EQ(ext("000C000000000080FF3F"), 1.0 + std::ldexp(1.0, -51));
    // 2^1024 overflows a double.
    EXPECT_TRUE(std::isinf(ext("0000000000000080FF43")));
    // The smallest subnormal double and back.
    const double tiny = std::ldexp(1.0, -1074);
    EXPECT_EQ(ExtendedToDouble(DoubleToExtended(tiny).constData()), tiny);
    EXPECT_EQ(ext("0000000000000080CD3B"), tiny);
    // Far below the double range: zero with its sign.
    EXPECT_EQ(ext("00000000000000800100"), 0.0);
    for (double d : {3.14159, -1e300, 1e-310, 123456789.125, -0.0})
        EXPECT_EQ(std::bit_cast<quint64>(ExtendedToDouble(DoubleToExtended(d).constData())),
                  std::bit_cast<quint64>(d));
}

TEST(ObjectStream, ReadsEveryValueTag)
{
    EXPECT_EQ(readValue(QByteArray::fromHex("00")).Tag, vaNull);
    const TOSValue list = readValue(QByteArray::fromHex("010602414200"));
    EXPECT_EQ(list.Tag, vaList);
    ASSERT_EQ(list.Items.size(), 1);
    EXPECT_EQ(list.Items[0].ToText(), QStringLiteral("AB"));
    EXPECT_EQ(readValue(QByteArray::fromHex("02FE")).Int, -2);
    EXPECT_EQ(readValue(QByteArray::fromHex("0300FF")).Int, -256);
    EXPECT_EQ(readValue(QByteArray::fromHex("0470110100")).Int, 70000);
    EXPECT_EQ(readValue(QByteArray::fromHex("0500000000000000A00240")).ToDouble(), 10.0);
    EXPECT_EQ(readValue(QByteArray::fromHex("0603616263")).ToText(), QStringLiteral("abc"));
    const TOSValue ident = readValue(QByteArray::fromHex("0705636C526564"));
    EXPECT_EQ(ident.Tag, vaIdent);
    EXPECT_EQ(ident.ToText(), QStringLiteral("clRed"));
    EXPECT_EQ(readValue(QByteArray::fromHex("08")).Tag, vaFalse);
    EXPECT_EQ(readValue(QByteArray::fromHex("09")).Tag, vaTrue);
    EXPECT_EQ(readValue(QByteArray::fromHex("0A03000000010203")).Bytes, QByteArray::fromHex("010203"));
    const TOSValue set = readValue(QByteArray::fromHex("0B066673426F6C640866734974616C696300"));
    EXPECT_EQ(set.Idents, (QList<QByteArray>{"fsBold", "fsItalic"}));
    EXPECT_EQ(readValue(QByteArray::fromHex("0C020000007879")).ToText(), QStringLiteral("xy"));
    EXPECT_EQ(readValue(QByteArray::fromHex("0D")).Tag, vaNil);
    EXPECT_EQ(readValue(QByteArray::fromHex("0E00")).Collection.size(), 0);
    EXPECT_EQ(readValue(QByteArray::fromHex("0F0000C03F")).ToDouble(), 1.5);
    EXPECT_EQ(readValue(QByteArray::fromHex("10"
                                            "A086010000000000"))
                  .ToDouble(),
              10.0);
    EXPECT_EQ(readValue(QByteArray::fromHex("11"
                                            "0000000000002440"))
                  .ToDouble(),
              10.0);
    EXPECT_EQ(readValue(QByteArray::fromHex("12020000001F043004")).ToText(), QStringLiteral("Па"));
}

TEST(ObjectStream, WriterPicksTheSmallestTag)
{
    EXPECT_EQ(writeValue(TOSValue::Integer(5)).toHex(), QByteArray("0205"));
    EXPECT_EQ(writeValue(TOSValue::Integer(-129)).toHex(), QByteArray("037fff"));
    EXPECT_EQ(writeValue(TOSValue::Integer(32768)).toHex(), QByteArray("0400800000"));
    EXPECT_EQ(writeValue(TOSValue::Integer(qint64(1) << 40)).toHex(), QByteArray("130000000000010000"));
    EXPECT_EQ(writeValue(TOSValue::String(QString(255, u'x'))).at(0), char(vaString));
    const QByteArray longText = writeValue(TOSValue::String(QString(256, u'x')));
    EXPECT_EQ(longText.left(5).toHex(), QByteArray("0c00010000"));
    // The four reserved words are never identifiers.
    EXPECT_EQ(TOSValue::Ident(QStringLiteral("True")).Tag, vaTrue);
    EXPECT_EQ(TOSValue::Ident(QStringLiteral("False")).Tag, vaFalse);
    EXPECT_EQ(TOSValue::Ident(QStringLiteral("nil")).Tag, vaNil);
    EXPECT_EQ(TOSValue::Ident(QStringLiteral("Null")).Tag, vaNull);
}

TEST(ObjectStream, CollectionsWithAndWithoutOrder)
{
    // ParamData: two items, the second with an order value.
    Bytes b;
    b.u8(14);
    b.u8(1)
        .prop("DataType")
        .ident("ftInteger")
        .prop("Name")
        .string("A")
        .prop("ParamType")
        .ident("ptInput")
        .u8(0);
    b.int8(3).u8(1).prop("Name").string("B").u8(0);
    b.u8(0);
    const TOSValue v = readValue(b.d);
    ASSERT_EQ(v.Collection.size(), 2);
    EXPECT_FALSE(v.Collection[0].HasOrder);
    EXPECT_TRUE(v.Collection[1].HasOrder);
    EXPECT_EQ(v.Collection[1].Order.Int, 3);
    EXPECT_EQ(writeValue(v), b.d);
    const QVariantList items = OSValueToVariant(v).toList();
    ASSERT_EQ(items.size(), 2);
    const QVariantMap first = items[0].toMap();
    EXPECT_EQ(first.value(QStringLiteral("Name")).toString(), QStringLiteral("A"));
    EXPECT_EQ(first.value(QStringLiteral("ParamType")).value<TOSIdent>().Name, QStringLiteral("ptInput"));
    // And back: identifiers stay identifiers, keys in order.
    TOSValue again;
    ASSERT_TRUE(VariantToOSValue(QVariant(items.mid(0, 1)), &again));
    ASSERT_EQ(again.Collection.size(), 1);
    EXPECT_EQ(again.Collection[0].Properties[2].Value.Tag, vaIdent);
}

TEST(ObjectStream, DamagedBytesRaiseReadErrors)
{
    const QList<QByteArray> bad = {
        QByteArray::fromHex("14"),           // unknown tag 20
        QByteArray::fromHex("06"),           // string without length
        QByteArray::fromHex("0605414243"),   // string shorter than its length
        QByteArray::fromHex("0AFFFFFFFF00"), // binary length past the end
        QByteArray::fromHex("12FFFFFF7F"),   // wide string count past the end
        QByteArray::fromHex("0102"),         // list ends inside a value
        QByteArray::fromHex("010203"),       // list without its end
        QByteArray::fromHex("0B03616263"),   // set cut short
        QByteArray::fromHex("0E0205"),       // collection item without list tag
    };
    for (const QByteArray &b : bad) {
        TByteReader in(b);
        EXPECT_THROW(ReadOSValue(in), EQR2ReadError) << b.toHex().constData();
    }
    // Nesting deeper than the limit stops with an error, not a stack overflow.
    QByteArray deep(100000, char(vaList));
    TByteReader in(deep);
    EXPECT_THROW(ReadOSValue(in), EQR2ReadError);
    // A component list without the signature.
    TByteReader noSig(QByteArray("XPF0\x06TQRBand\x00\x00\x00\x00", 15));
    EXPECT_THROW(ReadOSComponentList(noSig), EQR2ReadError);
}

class ObjectReaderTest : public ::testing::Test, public Qr2Fixture
{
};

TEST_F(ObjectReaderTest, WritesOnlyValuesThatDifferFromDefaults)
{
    auto *band = new TQRBand(form.get());
    band->SetName(QStringLiteral("Detail"));
    band->SetParent(report);
    band->SetBandType(QR::rbDetail);
    band->Frame()->SetDrawTop(true);
    TObjectWriter writer;
    const TOSComponent rec = writer.WriteComponent(band);
    EXPECT_EQ(rec.ClassName, QByteArray("TQRBand"));
    EXPECT_EQ(rec.Name, QByteArray("Detail"));
    ASSERT_NE(rec.FindProperty("Frame.DrawTop"), nullptr);
    EXPECT_EQ(rec.FindProperty("Frame.DrawTop")->Value.Tag, vaTrue);
    // Declared defaults are skipped: Frame.DrawBottom False, ForceNewPage False, Enabled True.
    EXPECT_EQ(rec.FindProperty("Frame.DrawBottom"), nullptr);
    EXPECT_EQ(rec.FindProperty("ForceNewPage"), nullptr);
    EXPECT_EQ(rec.FindProperty("Enabled"), nullptr);
    EXPECT_EQ(rec.FindProperty("BandType")->Value.ToText(), QStringLiteral("rbDetail"));
    // The size object's values as a list of extended floats.
    const TOSProperty *values = rec.FindProperty("Size.Values");
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values->Value.Tag, vaList);
    EXPECT_EQ(values->Value.Items.value(0).Tag, vaExtended);
    EXPECT_DOUBLE_EQ(values->Value.Items.value(0).ToDouble(),
                     band->Size()->NativeValue(TQRBandSize::HeightIndex));
}

TEST_F(ObjectReaderTest, ResolvesForwardReferencesAndStringLists)
{
    // A child band that names its parent before the parent is read.
    Bytes b;
    b.raw("TPF0").str("TQRChildBand").str("Child").prop("ParentBand").ident("Group").u8(0).u8(0);
    b.raw("TPF0")
        .str("TQRGroup")
        .str("Group")
        .prop("Expression")
        .string("A")
        .prop("FooterBand")
        .ident("Foot")
        .u8(0)
        .u8(0);
    b.raw("TPF0").str("TQRBand").str("Foot").prop("BandType").ident("rbGroupFooter").u8(0);
    b.str("TQRMemo")
        .str("Memo")
        .prop("Lines.Strings")
        .u8(1)
        .string("one")
        .string("two")
        .u8(0)
        .u8(0)
        .u8(0)
        .u8(0);
    b.u8(0);
    TByteReader in(b.d);
    const QList<TOSComponent> records = ReadOSComponentList(in);
    ASSERT_EQ(records.size(), 3);
    TObjectReader reader(form.get(), report);
    const QList<TComponent *> top = reader.Read(records);
    ASSERT_EQ(top.size(), 3);
    auto *child = qobject_cast<TQRChildBand *>(top[0]);
    auto *group = qobject_cast<TQRGroup *>(top[1]);
    auto *foot = qobject_cast<TQRBand *>(top[2]);
    ASSERT_TRUE(child && group && foot);
    EXPECT_EQ(child->ParentBand(), group);
    EXPECT_EQ(group->FooterBand(), foot);
    EXPECT_EQ(group->Expression(), QStringLiteral("A"));
    auto *memo = qobject_cast<TQRMemo *>(form->FindComponent(QStringLiteral("Memo")));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Parent(), foot);
    EXPECT_EQ(memo->Lines(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_TRUE(reader.Skipped().isEmpty()) << reader.Skipped().join(QLatin1Char(' ')).toStdString();
}

TEST_F(ObjectReaderTest, TakenNamesGetNumbersAndReferencesFollow)
{
    new TComponent(form.get());
    form->Components(form->ComponentCount() - 1)->SetName(QStringLiteral("Group"));
    Bytes b;
    b.raw("TPF0").str("TQRGroup").str("Group").prop("Expression").string("A").u8(0).u8(0);
    b.raw("TPF0")
        .str("TQRChildBand")
        .str("Kid")
        .prop("ParentBand")
        .ident("Group")
        .prop("NoSuchProperty")
        .int8(1)
        .prop("Name")
        .string("not a name")
        .u8(0)
        .u8(0);
    b.u8(0);
    TByteReader in(b.d);
    TObjectReader reader(form.get(), report);
    const QList<TComponent *> top = reader.Read(ReadOSComponentList(in));
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->Name(), QStringLiteral("Group1"));
    EXPECT_EQ(qobject_cast<TQRChildBand *>(top[1])->ParentBand(), top[0]);
    // The unknown property was skipped, the rest applied.
    ASSERT_EQ(reader.Skipped().size(), 2);
    EXPECT_TRUE(reader.Skipped().first().contains(QStringLiteral("NoSuchProperty")));
    EXPECT_EQ(top[1]->Name(), QStringLiteral("Kid"));
}

TEST_F(ObjectReaderTest, UnknownClassIsAReadError)
{
    Bytes b;
    b.raw("TPF0").str("TNoSuchClass").str("X").u8(0).u8(0).u8(0);
    TByteReader in(b.d);
    TObjectReader reader(form.get(), report);
    EXPECT_THROW(reader.Read(ReadOSComponentList(in)), EQR2ReadError);
}

TEST_F(ObjectReaderTest, PicturesTravelAsBinaryData)
{
    auto *band = new TQRBand(form.get());
    band->SetParent(report);
    auto *image = new TQRImage(form.get());
    image->SetName(QStringLiteral("Logo"));
    image->SetParent(band);
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    image->Picture()->SetImage(picture);
    TObjectWriter writer;
    const TOSComponent rec = writer.WriteComponent(image);
    const TOSProperty *data = rec.FindProperty("Picture.Data");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Value.Tag, vaBinary);
    EXPECT_EQ(data->Value.Bytes.left(8), QByteArray("\x07TBitmap"));
    EXPECT_EQ(data->Value.Bytes.mid(12, 2), QByteArray("BM")); // after the u32 count, the bitmap file

    Qr2Fixture other;
    TObjectReader reader(other.form.get(), nullptr);
    const QList<TComponent *> read = reader.Read({rec});
    ASSERT_EQ(read.size(), 1);
    auto *copy = qobject_cast<TQRImage *>(read[0]);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Picture()->Image().size(), QSize(3, 2));
    EXPECT_EQ(copy->Picture()->Image().pixelColor(1, 1), QColor(Qt::red));
}
