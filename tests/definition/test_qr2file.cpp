#include "qr2bytes.h"

#include "common/properties.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/query.h"
#include "data/table.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/objectstream.h"
#include "definition/qr2format.h"
#include "definition/qr2reader.h"
#include "definition/qr2text.h"
#include "definition/qr2writer.h"
#include "engine/band.h"
#include "engine/printable.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
class Qr2FileTest : public ::testing::Test, public Qr2Fixture
{
protected:
    TQR2Context context;

    QByteArray write(bool withData = true)
    {
        QByteArray out;
        EXPECT_TRUE(WriteReport(out, context, report, form.get(), withData))
            << context.LastError.toStdString();
        return out;
    }
    bool read(const QByteArray &data, bool withData = true)
    {
        return ReadReport(data, context, QString(), report, form.get(), withData);
    }
    TQRBand *addBand(QR::TQRBandType type, const QString &name)
    {
        // Files hold the design classes only.
        auto *band = new TQRDesignBand(form.get());
        band->SetName(name);
        band->SetParent(report);
        band->SetBandType(type);
        return band;
    }
    template <class T> T *addElement(TControl *band, const QString &name)
    {
        auto *e = new T(form.get());
        if (!name.isEmpty())
            e->SetName(name);
        e->SetParent(band);
        return e;
    }
};

} // namespace

TEST_F(Qr2FileTest, MinimalFileHasExactlyTheTableBlocks)
{
    report->SetReportTitle(QStringLiteral("T"));
    const QByteArray d = write();
    EXPECT_EQ(d.left(2).toHex(), QByteArray("0604"));
    // 254 with 256 bytes, title as a fixed short string.
    EXPECT_EQ(d.mid(2, 4).toHex(), QByteArray("fe000001"));
    EXPECT_EQ(d.mid(6, 2), QByteArray("\x01T", 2));
    EXPECT_EQ(d.mid(8, 254), QByteArray(254, '\0'));
    // 257 whose list is the end byte alone.
    EXPECT_EQ(d.mid(262, 7).toHex(), QByteArray("01010100000000"));
    // 255 with 364 bytes.
    EXPECT_EQ(d.mid(269, 4).toHex(), QByteArray("ff006c01"));
    const qsizetype record = 273;
    EXPECT_EQ(d.mid(record, 2).toHex(), QByteArray("0000")); // no dataset
    EXPECT_EQ(quint8(d[record + QR2::Report::Options]) & 3, 3);
    EXPECT_EQ(d.mid(record + QR2::Report::ReportTitle, 2), QByteArray("\x01T", 2));
    // Extras: no description, the font, hint, name.
    qsizetype at = record + 364;
    EXPECT_EQ(d.mid(at, 2).toHex(), QByteArray("0000"));
    at += 2 + 11;
    const int nameLength = quint8(d[at]);
    const QByteArray fontName = report->Font()->Name().toLatin1();
    EXPECT_EQ(nameLength, fontName.size() + 1);
    EXPECT_EQ(d.mid(at + 1, nameLength), fontName + QByteArray(1, '\0'));
    at += 1 + nameLength + 1; // charset
    EXPECT_EQ(d.at(at), 0);   // empty hint
    EXPECT_EQ(d.mid(at + 1, 10), QByteArray("\x09QuickRep1"));
    at += 11;
    // 253 with length 0, 104 with the terminator alone, 256, an empty band list.
    EXPECT_EQ(d.mid(at).toHex(), QByteArray("fd0000000000"
                                            "6800015c"
                                            "0001"
                                            "00"));
}

TEST_F(Qr2FileTest, OldVersionWordAndMissingEndTagAreRead)
{
    addBand(QR::rbDetail, QStringLiteral("Old"));
    report->SetUnits(QRUnits::MM);
    Bytes b;
    b.hex("0504");
    b.u16(254).u16(256).fixed("Title", 256);
    b.u16(252).u32(2).u32(1).raw("x").u32(0); // legacy entries are skipped
    b.u16(255).u16(364).raw(ReportRecord(0, Ext20(), Ext10(), 0, "Sales")).raw(ReportExtras({"line"}, true));
    // The file ends right after block 255: no tag 256, no band list.
    ASSERT_TRUE(read(b.d)) << context.LastError.toStdString();
    EXPECT_TRUE(report->ChildBands().isEmpty());
    EXPECT_EQ(form->FindComponent(QStringLiteral("Old")), nullptr);
    EXPECT_EQ(report->ReportTitle(), QStringLiteral("Sales"));
    EXPECT_EQ(report->Description(), QStringList{QStringLiteral("line")});
    EXPECT_EQ(report->Page()->NativeValue(TQRPage::LeftMarginIndex), 200.0);
    EXPECT_EQ(report->Page()->NativeValue(TQRPage::TopMarginIndex), 100.0);
    EXPECT_EQ(report->Page()->Columns(), 2);
    EXPECT_EQ(report->Page()->Orientation(), QRPaper::poLandscape);
    EXPECT_EQ(report->Page()->PaperSize(), QRPaper::A4);
    EXPECT_EQ(report->PrinterSettings()->Copies(), 3);
    EXPECT_TRUE(report->Frame()->DrawBottom());
    EXPECT_EQ(report->Font()->Charset(), TFont::RUSSIAN_CHARSET);
    EXPECT_EQ(report->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(report->Font()->Color(), clRed);
    EXPECT_EQ(report->Hint(), QStringLiteral("a hint"));
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(Qr2FileTest, MeasuresAreReadInTheFileUnitsAndUnitsStay)
{
    report->SetUnits(QRUnits::Inches);
    Bytes b;
    b.hex("0604");
    b.u16(255).u16(364).raw(ReportRecord(0 /* MM */, Ext10(), Ext20())).raw(ReportExtras({}, true));
    b.u16(256).u8(0);
    ASSERT_TRUE(read(b.d));
    EXPECT_EQ(report->Units(), QRUnits::Inches);
    EXPECT_EQ(report->Page()->Units(), QRUnits::Inches);
    EXPECT_DOUBLE_EQ(report->Page()->NativeValue(TQRPage::LeftMarginIndex), 100.0);
    EXPECT_DOUBLE_EQ(report->Page()->NativeValue(TQRPage::TopMarginIndex), 200.0);
    // A failed read leaves the units alone too.
    report->SetUnits(QRUnits::Pixels);
    Bytes bad;
    bad.hex("0604").u16(255).u16(364).raw(ReportRecord(1, Ext10(), Ext20()));
    EXPECT_FALSE(read(bad.d));
    EXPECT_EQ(report->Units(), QRUnits::Pixels);
}

TEST_F(Qr2FileTest, FontRecordWithoutCharsetIsRead)
{
    report->Font()->SetCharset(TFont::GREEK_CHARSET);
    Bytes b;
    b.hex("0604");
    b.u16(255).u16(364).raw(ReportRecord(0, Ext10(), Ext10()));
    b.raw(ReportExtras({}, false, "Courier New", "next"));
    b.u16(256).u8(0);
    ASSERT_TRUE(read(b.d)) << context.LastError.toStdString();
    EXPECT_EQ(report->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(report->Font()->Charset(), TFont::GREEK_CHARSET);
    EXPECT_EQ(report->Hint(), QStringLiteral("next")); // no byte taken for a charset
    EXPECT_EQ(report->Font()->Style(), TFont::fsBold);
}

TEST_F(Qr2FileTest, DuplicateNamesGetNumbersAndReferencesFollow)
{
    // Components of the owner that already carry the stored names.
    for (const char *name : {"Group", "Foot"})
        (new TComponent(form.get()))->SetName(QLatin1String(name));
    Bytes b;
    b.hex("0604").u16(255).u16(364).raw(ReportRecord(0, Ext10(), Ext10())).raw(ReportExtras({}, true));
    b.u16(256);
    b.raw("TPF0")
        .str("TQRDesignGroup")
        .str("Group")
        .prop("Expression")
        .string("X")
        .prop("FooterBand")
        .ident("Foot")
        .u8(0)
        .u8(0);
    b.raw("TPF0").str("TQRDesignBand").str("Foot").prop("BandType").ident("rbGroupFooter").u8(0).u8(0);
    b.raw("TPF0").str("TQRDesignChildBand").str("Kid").prop("ParentBand").ident("Group").u8(0).u8(0);
    b.u8(0);
    ASSERT_TRUE(read(b.d)) << context.LastError.toStdString();
    auto *group = qobject_cast<TQRGroup *>(form->FindComponent(QStringLiteral("Group1")));
    auto *foot = qobject_cast<TQRBand *>(form->FindComponent(QStringLiteral("Foot1")));
    auto *kid = qobject_cast<TQRChildBand *>(form->FindComponent(QStringLiteral("Kid")));
    ASSERT_TRUE(group && foot && kid);
    EXPECT_EQ(group->FooterBand(), foot);
    EXPECT_EQ(kid->ParentBand(), group);
    EXPECT_EQ(report->ChildBands().size(), 3);
}

TEST_F(Qr2FileTest, LongDescriptionLineIsCutTo255)
{
    report->SetDescription({QString(300, u'd'), QStringLiteral("short")});
    const QByteArray d = write();
    auto *other = new TQRReport(form.get());
    TQR2Context c2;
    ASSERT_TRUE(ReadReport(d, c2, QString(), other, form.get(), true));
    ASSERT_EQ(other->Description().size(), 2);
    EXPECT_EQ(other->Description().at(0), QString(255, u'd'));
    EXPECT_EQ(other->Description().at(1), QStringLiteral("short"));
}

TEST_F(Qr2FileTest, UnnamedRichTextIsStoredUnderATemporaryName)
{
    TQRBand *band = addBand(QR::rbDetail, QStringLiteral("Detail"));
    auto *rich = addElement<TQRDesignRichtext>(band, QString());
    rich->SetLines({QStringLiteral("{\\rtf1 a}"), QStringLiteral("b")});
    const QByteArray d = write();
    EXPECT_TRUE(rich->Name().isEmpty());
    const TQR2File file = ParseQR2(d);
    const TQR2Block *block = file.FindBlock(QR2::RichTextBlock);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->Name, QByteArray("___Richtext1"));
    EXPECT_EQ(block->Data, QByteArray("{\\rtf1 a}\r\nb\r\n"));
    ASSERT_EQ(file.Bands.size(), 1);
    ASSERT_EQ(file.Bands[0].Children.size(), 1);
    EXPECT_EQ(file.Bands[0].Children[0].Name, QByteArray("___Richtext1"));

    // Read into a fresh owner: contents from block 103, the name empty again.
    Qr2Fixture other;
    TQR2Context c2;
    ASSERT_TRUE(ReadReport(d, c2, QString(), other.report, other.form.get(), true));
    QList<TQRRichText *> found;
    for (TComponent *c : other.form->ComponentList())
        if (auto *r = qobject_cast<TQRRichText *>(c))
            found << r;
    ASSERT_EQ(found.size(), 1);
    EXPECT_TRUE(found[0]->Name().isEmpty());
    EXPECT_EQ(found[0]->Lines(), rich->Lines());
}

TEST_F(Qr2FileTest, WriteReadWriteGivesIdenticalBytes)
{
    report->SetReportTitle(QStringLiteral("Отчёт"));
    report->SetDescription({QStringLiteral("first"), QStringLiteral("second")});
    report->Page()->SetColumns(2);
    report->Frame()->SetDrawTop(true);
    report->Font()->SetName(QStringLiteral("Times New Roman"));
    TQRBand *title = addBand(QR::rbTitle, QStringLiteral("TitleBand"));
    auto *label = addElement<TQRDesignLabel>(title, QStringLiteral("Caption"));
    label->SetCaption(QStringLiteral("Hello, 'world'"));
    label->Font()->SetStyle(TFont::fsBold | TFont::fsItalic);
    label->Font()->SetColor(TColor(0x123456));
    TQRBand *detail = addBand(QR::rbDetail, QStringLiteral("DetailBand"));
    auto *memo = addElement<TQRDesignMemo>(detail, QStringLiteral("Memo"));
    memo->SetLines({QStringLiteral("a"), QString(300, u'z')});
    auto *shape = addElement<TQRDesignShape>(detail, QStringLiteral("Line"));
    shape->SetShape(QR::qrsHorLine);
    auto *group = new TQRDesignGroup(form.get());
    group->SetName(QStringLiteral("Group"));
    group->SetParent(report);
    group->SetExpression(QStringLiteral("CUSTNO"));
    TQRBand *footer = addBand(QR::rbGroupFooter, QStringLiteral("GroupFooter"));
    group->SetFooterBand(footer);
    auto *child = new TQRDesignChildBand(form.get());
    child->SetName(QStringLiteral("ChildBand"));
    child->SetParent(report);
    child->SetParentBand(detail);

    auto *table = new TTable(form.get());
    table->SetTableName(QStringLiteral("customer"));
    auto *source = new TDataSource(form.get());
    source->SetDataSet(table);
    auto *query = new TQuery(form.get());
    query->SetName(QStringLiteral("Orders"));
    query->SetSQL({QStringLiteral("select * from orders where id = :ID and x = :X")});
    auto *qsource = new TDataSource(form.get());
    qsource->SetName(QStringLiteral("OrdersSource"));
    qsource->SetDataSet(query);
    auto *field = new TStringField(form.get());
    field->SetName(QStringLiteral("OrdersName"));
    field->SetFieldName(QStringLiteral("NAME"));
    field->SetDataSet(query);
    ASSERT_NE(query->FindParam(QStringLiteral("ID")), nullptr);
    query->FindParam(QStringLiteral("ID"))->SetBound(true);
    report->SetDataSet(query);

    QStringList script = {QStringLiteral("BEGIN"), QStringLiteral("END")};
    context.GetScript = [&script] { return script; };
    context.SetScript = [&script](const QStringList &l) { script = l; };

    const QByteArray first = write();
    // Unnamed data components got their class-based names.
    EXPECT_EQ(table->Name(), QStringLiteral("Table1"));
    EXPECT_EQ(source->Name(), QStringLiteral("DataSource1"));

    const TQR2File parsed = ParseQR2(first);
    QList<int> tags;
    for (const TQR2Block &b : parsed.Blocks)
        tags << b.Tag;
    EXPECT_EQ(tags, (QList<int>{254, 257, 255, 253, 104}));
    EXPECT_EQ(parsed.FindBlock(QR2::ParamMarkBlock)->Marks, QList<QByteArray>{"Orders\\ID"});
    // The report's dataset is the second stored data source's.
    EXPECT_EQ(quint8(parsed.FindBlock(QR2::ReportBlock)->Data[0]), 2);

    script.clear();
    ASSERT_TRUE(read(first)) << context.LastError.toStdString();
    EXPECT_EQ(script, (QStringList{QStringLiteral("BEGIN"), QStringLiteral("END")}));
    EXPECT_TRUE(context.SkippedProperties.isEmpty())
        << context.SkippedProperties.join(QLatin1Char(' ')).toStdString();
    auto *query2 = qobject_cast<TQuery *>(form->FindComponent(QStringLiteral("Orders")));
    ASSERT_NE(query2, nullptr);
    EXPECT_TRUE(query2->FindParam(QStringLiteral("ID"))->Bound());
    EXPECT_FALSE(query2->FindParam(QStringLiteral("X"))->Bound());
    EXPECT_EQ(report->DataSet(), query2);
    auto *group2 = qobject_cast<TQRGroup *>(form->FindComponent(QStringLiteral("Group")));
    ASSERT_NE(group2, nullptr);
    EXPECT_EQ(group2->FooterBand(), form->FindComponent(QStringLiteral("GroupFooter")));
    auto *memo2 = qobject_cast<TQRMemo *>(form->FindComponent(QStringLiteral("Memo")));
    ASSERT_NE(memo2, nullptr);
    EXPECT_EQ(memo2->Lines().value(1), QString(300, u'z'));
    EXPECT_EQ(report->ReportTitle(), QStringLiteral("Отчёт"));

    const QByteArray second = write();
    EXPECT_EQ(second.toHex(), first.toHex());

    // And the text form builds the same bytes again.
    EXPECT_EQ(SerializeQR2(QR2FromText(QR2ToText(ParseQR2(first)))), first);
}

TEST_F(Qr2FileTest, ApplicationDataAndPrinterGoThroughTheContext)
{
    context.OnSaveReport = [](QByteArray &data) { data = "host bytes"; };
    context.SaveLoadPrinterSetup = true;
    context.PrinterName = [] { return QStringLiteral("Office Laser"); };
    report->PrinterSettings()->SetCopies(4);
    const QByteArray d = write();
    const TQR2File f = ParseQR2(d);
    ASSERT_GE(f.Blocks.size(), 3);
    EXPECT_EQ(f.Blocks[1].Tag, 58);
    EXPECT_EQ(f.Blocks[1].Data, QByteArray("host bytes"));
    EXPECT_EQ(f.Blocks[2].Tag, 102);
    ASSERT_EQ(f.Blocks[2].Data.size(), 262);
    EXPECT_EQ(f.Blocks[2].Data.mid(1, 4).toHex(), QByteArray("04000000"));
    EXPECT_EQ(f.Blocks[2].Data.mid(5, 13), QByteArray("\x0cOffice Laser"));

    report->PrinterSettings()->SetCopies(1);
    QByteArray loaded;
    QString selected;
    context.OnLoadReport = [&loaded](const QByteArray &data) { loaded = data; };
    context.SelectPrinter = [&selected](const QString &name) { selected = name; };
    ASSERT_TRUE(read(d));
    EXPECT_EQ(loaded, QByteArray("host bytes"));
    EXPECT_EQ(selected, QStringLiteral("Office Laser"));
    EXPECT_EQ(report->PrinterSettings()->Copies(), 4);

    // The 16-bit length cannot hold more.
    context.OnSaveReport = [](QByteArray &data) { data = QByteArray(70000, 'x'); };
    QByteArray out;
    EXPECT_FALSE(WriteReport(out, context, report, form.get(), true));
}

TEST_F(Qr2FileTest, DatasetIndexEncodings)
{
    TComponent shared;
    auto *sharedTable = new TTable(&shared);
    sharedTable->SetName(QStringLiteral("Shared"));
    auto *sharedSource = new TDataSource(&shared);
    sharedSource->SetDataSet(sharedTable);
    context.DatabaseOwner = &shared;
    auto headerWith = [](qint16 index, const QByteArray &name) {
        Bytes b;
        b.hex("0604").u16(255).u16(364).raw(ReportRecord(0, Ext10(), Ext10(), index));
        if (index == -1)
            b.str(name);
        b.raw(ReportExtras({}, true)).u16(256).u8(0);
        return b.d;
    };
    ASSERT_TRUE(read(headerWith(-1, "Shared")));
    EXPECT_EQ(report->DataSet(), sharedTable);
    ASSERT_TRUE(read(headerWith(qint16(0x8001), QByteArray())));
    EXPECT_EQ(report->DataSet(), sharedTable);
    ASSERT_TRUE(read(headerWith(5, QByteArray()))); // no such data source: none
    EXPECT_EQ(report->DataSet(), nullptr);
    // Writing a dataset fed from the other owner gives -1 and its name.
    report->SetDataSet(sharedTable);
    const TQR2File f = ParseQR2(write());
    const TQR2Block *b = f.FindBlock(QR2::ReportBlock);
    EXPECT_EQ(b->Data.left(2).toHex(), QByteArray("ffff"));
    EXPECT_EQ(b->Extras.DatasetName, QByteArray("Shared"));

    context.DatabaseOwner = nullptr;
    ASSERT_TRUE(read(headerWith(qint16(0x8001), QByteArray())));
    EXPECT_TRUE(Messages().contains(QStringLiteral("DatabaseOwner not assigned!!")));
}

TEST_F(Qr2FileTest, DamagedFilesFailWithAMessageAndNeverCrash)
{
    TQRBand *band = addBand(QR::rbDetail, QStringLiteral("Detail"));
    addElement<TQRDesignLabel>(band, QStringLiteral("L"))->SetCaption(QStringLiteral("x"));
    const QByteArray good = write();
    TByteWriter bandList;
    WriteOSComponentList(bandList, ParseQR2(good).Bands);
    const qsizetype bandListStart = good.size() - bandList.Data().size();
    // Every cut of a good file either reads or fails cleanly.
    for (qsizetype n = 0; n < good.size(); ++n) {
        Qr2Fixture f;
        TQR2Context c;
        ReadReport(good.left(n), c, QString(), f.report, f.form.get(), true);
        bool parsed = true;
        try {
            ParseQR2(good.left(n));
        } catch (const EQR2ReadError &) {
            parsed = false;
        }
        // A cut inside the band list is never accepted.
        if (n >= bandListStart) {
            EXPECT_FALSE(parsed) << n;
        }
    }
    prompt.Clear();
    // Wrong version word: the report keeps its contents.
    EXPECT_FALSE(read(QByteArray::fromHex("0704")));
    EXPECT_NE(form->FindComponent(QStringLiteral("Detail")), nullptr);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Error in report file!")});
    // Unknown block tag: blocks before it stay, no bands.
    Bytes b;
    b.hex("0604")
        .u16(255)
        .u16(364)
        .raw(ReportRecord(0, Ext10(), Ext10(), 0, "Kept"))
        .raw(ReportExtras({}, true));
    b.u16(77).u32(0);
    EXPECT_FALSE(read(b.d));
    EXPECT_EQ(report->ReportTitle(), QStringLiteral("Kept"));
    EXPECT_TRUE(report->ChildBands().isEmpty());
    EXPECT_TRUE(context.LastError.contains(QStringLiteral("77")));
    // Lengths past the end, absurd counts, unknown value tags, deep nesting.
    const QList<QByteArray> bad = {
        Bytes().hex("0604").u16(253).u32(0xFFFFFFFF).d,
        Bytes().hex("0604").u16(252).u32(0x7FFFFFFF).d,
        Bytes().hex("0604").u16(103).str("R").u32(100).raw("abc").d,
        Bytes().hex("0604").u16(104).str("Q\\P").d,
        Bytes().hex("0604").u16(256).raw("TPF0").str("TQRBand").str("B").prop("Tag").u8(20).d,
        Bytes()
            .hex("0604")
            .u16(256)
            .raw("TPF0")
            .str("TQRBand")
            .str("B")
            .prop("Tag")
            .raw(QByteArray(5000, 1))
            .d,
    };
    for (const QByteArray &d : bad) {
        prompt.Clear();
        EXPECT_FALSE(read(d)) << d.toHex().constData();
        EXPECT_EQ(Messages().size(), 1);
        EXPECT_THROW(ParseQR2(d), EQR2ReadError);
    }
    // The dataset block's list is damaged inside a block of correct length.
    EXPECT_FALSE(read(Bytes().hex("0604").u16(257).u32(5).raw("TPF0X").d));
}

TEST_F(Qr2FileTest, FilesMessagesAndBackups)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("Sales.QR2"));
    EXPECT_FALSE(LoadReportFromFile(name, context, report, form.get()));
    EXPECT_EQ(Messages().last(), QStringLiteral("Report file %1 not found!").arg(name));

    context.SaveBackupFiles = true;
    report->SetReportTitle(QStringLiteral("one"));
    ASSERT_TRUE(SaveReportToFile(name, context, report, form.get()));
    const QByteArray firstBytes = testutil::readFile(name);
    report->SetReportTitle(QStringLiteral("two"));
    ASSERT_TRUE(SaveReportToFile(name, context, report, form.get()));
    EXPECT_EQ(testutil::readFile(dir.filePath(QStringLiteral("Sales.BAK"))), firstBytes);
    report->SetReportTitle(QString());
    ASSERT_TRUE(LoadReportFromFile(name, context, report, form.get()));
    EXPECT_EQ(report->ReportTitle(), QStringLiteral("two"));

    const QString nowhere = dir.filePath(QStringLiteral("missing/dir/x.QR2"));
    EXPECT_FALSE(SaveReportToFile(nowhere, context, report, form.get()));
    EXPECT_EQ(Messages().last(), QStringLiteral("Error writing %1!").arg(nowhere));

    // Texts come from the loader's message list; a key without text is named.
    context.MessageText = [](const QString &key) {
        return key == QLatin1String("Write Error") ? QStringLiteral("Cannot write %s") : QString();
    };
    EXPECT_FALSE(SaveReportToFile(nowhere, context, report, form.get()));
    EXPECT_EQ(Messages().last(), QStringLiteral("Cannot write %1").arg(nowhere));
    EXPECT_FALSE(read(QByteArray::fromHex("0000")));
    EXPECT_EQ(Messages().last(), QStringLiteral("Unknown Error [Error in reportfile]"));
}

TEST_F(Qr2FileTest, ExternalReferencesTravelAsCodedNames)
{
    TComponent shared;
    auto *sharedSource = new TDataSource(&shared);
    sharedSource->SetName(QStringLiteral("Customers"));
    sharedSource->SetDataSet(new TTable(&shared));
    context.DatabaseOwner = &shared;
    auto *detail = new TTable(form.get());
    detail->SetName(QStringLiteral("Orders"));
    detail->SetMasterSource(sharedSource);
    (new TDataSource(form.get()))->SetDataSet(detail);
    const QByteArray d = write();
    // Restored after writing.
    EXPECT_EQ(detail->Name(), QStringLiteral("Orders"));
    EXPECT_EQ(detail->MasterSource(), sharedSource);
    // Stored with the reference cleared under the coded name.
    TByteReader in(ParseQR2(d).FindBlock(QR2::DatasetBlock)->Data);
    const QList<TOSComponent> list = ReadOSComponentList(in);
    ASSERT_EQ(list.size(), 2);
    const QString coded = QStringLiteral("_X_X_Customers") + QString(31, u'_') + QStringLiteral("Orders");
    EXPECT_EQ(list[1].NameText(), coded);
    EXPECT_EQ(list[1].FindProperty("MasterSource"), nullptr);
    EXPECT_EQ(list[0].FindProperty("DataSet")->Value.ToText(), coded);

    Qr2Fixture other;
    TQR2Context c2;
    c2.DatabaseOwner = &shared;
    ASSERT_TRUE(ReadReport(d, c2, QString(), other.report, other.form.get(), true));
    auto *read = qobject_cast<TTable *>(other.form->FindComponent(QStringLiteral("Orders")));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->MasterSource(), sharedSource);
}

TEST_F(Qr2FileTest, MutatedFilesNeverCrashAndDumpBackExactly)
{
    TQRBand *band = addBand(QR::rbDetail, QStringLiteral("Detail"));
    addElement<TQRDesignLabel>(band, QStringLiteral("L"))->SetCaption(QStringLiteral("text"));
    addElement<TQRDesignMemo>(band, QStringLiteral("M"))
        ->SetLines({QStringLiteral("a"), QStringLiteral("b")});
    report->SetDescription({QStringLiteral("d")});
    const QByteArray good = write();
    // A fixed pseudo-random sequence, so that a failure can be repeated.
    quint32 seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    int accepted = 0;
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes = good;
        const int changes = 1 + int(next() % 4);
        for (int i = 0; i < changes; ++i)
            bytes[int(next() % bytes.size())] = char(next() & 0xFF);
        Qr2Fixture f;
        TQR2Context c;
        const bool ok = ReadReport(bytes, c, QString(), f.report, f.form.get(), true);
        if (!ok) {
            EXPECT_FALSE(c.LastError.isEmpty()) << round;
        }
        try {
            const TQR2File parsed = ParseQR2(bytes);
            ++accepted;
            ASSERT_EQ(SerializeQR2(QR2FromText(QR2ToText(parsed))), bytes) << round;
        } catch (const EQR2ReadError &) {
        }
    }
    EXPECT_GT(accepted, 100);
}
