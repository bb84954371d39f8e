#include "qr2bytes.h"

#include "definition/qr2format.h"
#include "definition/qr2text.h"

#include <gtest/gtest.h>

namespace
{
QByteArray rebuild(const QByteArray &bytes, QString *text = nullptr)
{
    const QString t = QR2ToText(ParseQR2(bytes));
    if (text)
        *text = t;
    return SerializeQR2(QR2FromText(t));
}

// A file exercising every block and every value tag, with encodings our
// writer would never choose.
QByteArray oddFile()
{
    Bytes b;
    b.hex("0504");
    b.u16(254).u16(256).str("Title").raw(QByteArray(249, '\0')).u8(7); // garbage in the padding
    b.u16(58).u16(3).hex("000102");
    b.u16(102).u16(262).u8(7).u32(2).fixed("Printer \x01", 256).u8(2); // Duplex byte 2
    b.u16(257).u32(4).raw("junk");                                     // not a component list
    Bytes rec;
    rec.raw(ReportRecord(3, QByteArray::fromHex("CDCCCCCCCCCCCCCCFB3F"), Ext10(), -1, "R"));
    b.u16(255).u16(364).raw(rec.d);
    b.str("DataSetName").u16(1).str("d'quote").raw(ReportExtras({}, false).mid(2, 11)).u8(3).raw("Abc");
    b.str("hint").u8(9).raw("Trunc"); // name shorter than its length byte
    return b.d;
}
} // namespace

TEST(Qr2Text, OddBlocksRebuildIdentically)
{
    const QByteArray file = oddFile();
    QString text;
    EXPECT_EQ(rebuild(file, &text).toHex(), file.toHex());
    // Records the named fields cannot reproduce are shown raw, the rest by name.
    EXPECT_TRUE(text.contains(QStringLiteral("title\n  Raw = {")));
    EXPECT_TRUE(text.contains(QStringLiteral("printer\n  OutputBin = Auto")));
    EXPECT_TRUE(text.contains(QStringLiteral("Duplex = 2")));
    EXPECT_TRUE(text.contains(QStringLiteral("PrinterName = 'Printer '#1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Page.LeftMargin = ext $CDCCCCCCCCCCCCCCFB3F")));
    EXPECT_TRUE(text.contains(QStringLiteral("Page.TopMargin = 10.0")));
    EXPECT_TRUE(text.contains(QStringLiteral("Units = Characters")));
    EXPECT_TRUE(text.contains(QStringLiteral("DatasetName = 'DataSetName'")));
    EXPECT_TRUE(text.contains(QStringLiteral("'d''quote'")));
    EXPECT_TRUE(text.contains(QStringLiteral("NameRaw = {")));
    EXPECT_FALSE(text.contains(QStringLiteral("Font.Charset")));
}

TEST(Qr2Text, EveryValueTagRebuildsIdentically)
{
    Bytes b;
    b.hex("0604")
        .u16(253)
        .u32(6)
        .raw("a\r\n\r\nb")
        .u16(104)
        .str("Q\\P")
        .str("\\")
        .u16(103)
        .str("R")
        .u32(4)
        .raw("x\r\n\r");
    b.u16(252).u32(2).u32(1).raw("z").u32(0);
    b.u16(256).raw("TPF0").u8(0xF2).u8(2).u8(3).str("TQRBand").str("");
    b.prop("Null").u8(0);
    b.prop("L")
        .u8(1)
        .u8(2)
        .u8(1)
        .u8(3)
        .hex("0100")
        .u8(4)
        .hex("01000000")
        .u8(19)
        .hex("0100000000000000")
        .u8(0);
    b.prop("E").u8(5).hex("0100000000000080FF3F"); // not a double
    b.prop("S").u8(6).str("caf\xe9 \x09!");
    b.prop("I").u8(7).str("end"); // a reserved word as identifier
    b.prop("J").u8(7).str("two words");
    b.prop("F").u8(8).prop("T").u8(9).prop("N").u8(13);
    b.prop("Bin").u8(10).u32(40).raw(QByteArray(40, '\x5a'));
    b.prop("Set").u8(11).str("fsBold").str("odd one").u8(0);
    b.prop("Long").u8(12).u32(3).raw("abc");
    b.prop("VeryLong").u8(12).u32(300).raw(QByteArray(300, 'q'));
    b.prop("Coll").u8(14).u8(1).prop("Name").u8(6).str("A").u8(0).u8(2).u8(5).u8(1).u8(0).u8(0);
    b.prop("Sgl").u8(15).hex("0000C03F").prop("Sgl2").u8(15).hex("0100807F");
    b.prop("Cur").u8(16).hex("F6FFFFFFFFFFFFFF").prop("Dt").u8(17).hex("000000000000F87F");
    b.prop("W").u8(18).u32(3).hex("1F04300400D8");
    b.prop("end").u8(2).u8(1); // a property named like a keyword
    b.u8(0);
    b.str("TQRLabel").str("Child").u8(0).u8(0);
    b.u8(0);
    b.u8(0).raw("tail");
    const QByteArray file = b.d;
    QString text;
    ASSERT_EQ(rebuild(file, &text).toHex(), file.toHex()) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("object TQRBand prefix 242 position 3")));
    EXPECT_TRUE(text.contains(QStringLiteral("int16 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("I = ident 'end'")));
    EXPECT_TRUE(text.contains(QStringLiteral("Long = long 'abc'")));
    EXPECT_TRUE(text.contains(QStringLiteral("Sgl = single 1.5")));
    EXPECT_TRUE(text.contains(QStringLiteral("Cur = currency -0.0010")));
    EXPECT_TRUE(text.contains(QStringLiteral("W = wide 'Па'#55296")));
    EXPECT_TRUE(text.contains(QStringLiteral("Set = [fsBold, 'odd one']")));
    // Text in the report code page (windows-1251: 0xE9 is a Cyrillic letter), control bytes as #n.
    EXPECT_TRUE(text.contains(QStringLiteral("S = 'caf\u0439 '#9'!'")));
    EXPECT_TRUE(text.contains(QStringLiteral("trailing")));
}

TEST(Qr2Text, WrittenByHandTextBuildsAFile)
{
    const QString text = QStringLiteral("version $0406\n"
                                        "report\n"
                                        "  Page.LeftMargin = 12.5\n"
                                        "  Units = Inches\n"
                                        "  Options = [FirstPageHeader, Compression]\n"
                                        "  Description = ('one')\n"
                                        "  Font.Name = 'Arial'\n"
                                        "  Font.Charset = RUSSIAN_CHARSET\n"
                                        "  Name = 'Rep'\n"
                                        "end\n"
                                        "bands\n"
                                        "  object Detail: TQRBand\n"
                                        "    BandType = rbDetail\n"
                                        "    Size.Values = (100.0 1900.0)\n"
                                        "    object Lbl: TQRLabel\n"
                                        "      Caption = 'Total:'\n"
                                        "    end\n"
                                        "  end\n"
                                        "end\n");
    const TQR2File f = QR2FromText(text);
    const QByteArray bytes = SerializeQR2(f);
    const TQR2File back = ParseQR2(bytes);
    const TQR2Block *report = back.FindBlock(QR2::ReportBlock);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->Data.size(), 364);
    EXPECT_EQ(quint8(report->Data[QR2::Report::Units]), 1);
    EXPECT_EQ(quint8(report->Data[QR2::Report::Options]), 5);
    EXPECT_EQ(ExtendedToDouble(report->Data.constData() + QR2::Report::LeftMargin), 12.5);
    EXPECT_EQ(report->Extras.Font.Charset, 204);
    EXPECT_TRUE(report->Extras.Font.HasCharset);
    ASSERT_EQ(back.Bands.size(), 1);
    EXPECT_EQ(back.Bands[0].Children.value(0).Name, QByteArray("Lbl"));
    EXPECT_EQ(QR2Summary(back),
              QStringLiteral("band Detail TQRBand BandType rbDetail height=10.0 width=190.0 mm\n"
                             "  element Lbl TQRLabel Caption 'Total:'\n"));
}

TEST(Qr2Text, BadTextNamesTheLine)
{
    const QList<QPair<QString, int>> bad = {
        // A bad value is named at its own line, not at its section's.
        {QStringLiteral("version $0406\nreport\n  Units = Parsecs\nend\n"), 3},
        {QStringLiteral("version $0406\nbands\n  object X: TQRBand\n    A = 'open\n"), 4},
        {QStringLiteral("version $0406\nbands\n  object X: TQRBand\n    A = int8 300\n  end\nend\n"), 4},
        {QStringLiteral("version $0406\nwhatever\nend\n"), 2},
        {QStringLiteral("version $0406\nbands\nend\ntitle\nend\n"), 4},
        {QStringLiteral("version $0406\nbands\n  object X: TQRBand\n    A = ('a'\n"), 5},
        {QStringLiteral("version $0406\nbands\n  object X: TQRBand\n    A = ") + QString(100000, u'('), 4},
    };
    for (const auto &[text, line] : bad) {
        try {
            QR2FromText(text);
            ADD_FAILURE() << "accepted: " << text.toStdString();
        } catch (const EQR2TextError &e) {
            EXPECT_EQ(e.Line(), line) << e.Message().toStdString();
        }
    }
}
