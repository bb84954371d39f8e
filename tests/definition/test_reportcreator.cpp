// The report expert's creator and layouts on a design report, and label
// format files turned into label pages.

#include "data/dataset.h"
#include "data/field.h"
#include "data/table.h"
#include "definition/labelformats.h"
#include "definition/reportcreator.h"
#include "deftest.h"
#include "testutil.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace
{
class ReportCreator : public DesignTest
{
protected:
    ReportCreator()
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("creator"));
            db.setDatabaseName(dir.filePath(QStringLiteral("people.sqlite")));
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(QStringLiteral(
                "CREATE TABLE people (Last_Name VARCHAR(40), First VARCHAR(40), Initial VARCHAR(1))")));
            EXPECT_TRUE(q.exec(QStringLiteral("INSERT INTO people VALUES ('Ames', 'Ann', 'A')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("creator"));
        table->SetName(QStringLiteral("Table1"));
        table->SetDatabaseName(dir.filePath(QStringLiteral("people.sqlite")));
        table->SetTableName(QStringLiteral("people"));
        table->Open();
        table->FindField(QStringLiteral("First"))->SetDisplayLabel(QStringLiteral("Given name"));
        created.clear();
        creator.AfterReportComponentCreated = [this](TComponent *c) { created << c->Name(); };
    }
    template <class T = TQRCustomBand> T *find(const QString &name)
    {
        return qobject_cast<T *>(form->FindComponent(name));
    }
    QList<TQRShape *> shapesOn(TQRCustomBand *band)
    {
        QList<TQRShape *> shapes;
        for (TControl *c : band->ControlList())
            if (auto *s = qobject_cast<TQRShape *>(c))
                shapes << s;
        return shapes;
    }

    QTemporaryDir dir;
    TTable *table = new TTable(form.get());
    TQRDReportCreator creator{report, loader};
    QStringList created;
};
} // namespace

TEST_F(ReportCreator, ListColumnsShrinkInTurnAndNamesFollowCreation)
{
    TQRLayoutOptions o;
    o.DataSet = table;
    o.Fields = {QStringLiteral("Last_Name"), QStringLiteral("Given name"), QStringLiteral("Initial")};
    o.PageHeader = false;
    o.HorizontalLines = o.VerticalLines = o.BoxLines = true;
    // 405 + 405 + 15 pixels on a 718 pixel band (190 mm at 96 dpi): the first
    // two columns lose a tenth each, then the first once more; the third is
    // already as narrow as a column gets (data size + 5).
    table->FindField(QStringLiteral("Last_Name"))->SetDisplayWidth(40);
    table->FindField(QStringLiteral("First"))->SetDisplayWidth(40);
    table->FindField(QStringLiteral("Initial"))->SetDisplayWidth(1);
    creator.BuildListReport(o);

    auto *detail = find("Detailband");
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->Width(), 718);
    EXPECT_EQ(detail->Height(), 19);
    EXPECT_EQ(report->DataSet(), table);
    QList<int> lefts, widths;
    QStringList fields;
    for (const char *name : {"QRDBText1", "QRDBText2", "QRDBText3"}) {
        auto *t = find<TQRDesignDBText>(QString::fromLatin1(name));
        ASSERT_TRUE(t) << name;
        lefts << t->Left();
        widths << t->Width();
        fields << t->DataField();
        EXPECT_FALSE(t->AutoSize());
        EXPECT_EQ(t->Height(), 17);
        EXPECT_EQ(t->Top(), 1);
        EXPECT_EQ(t->Parent(), detail);
    }
    EXPECT_EQ(widths, (QList<int>{324, 360, 10}));
    EXPECT_EQ(lefts, (QList<int>{3, 332, 697}));
    // The display label leads back to its field.
    EXPECT_EQ(fields, (QStringList{"Last_Name", "First", "Initial"}));

    // No page header asked for, but the column header is always there.
    EXPECT_FALSE(find("Pageheader"));
    auto *columns = find("Columnheader");
    ASSERT_TRUE(columns);
    EXPECT_EQ(columns->BandType(), QR::rbColumnHeader);
    EXPECT_EQ(columns->Height(), 54);
    auto *header1 = find<TQRDesignLabel>("QRLabel1");
    auto *header2 = find<TQRDesignLabel>("QRLabel2");
    ASSERT_TRUE(header1 && header2);
    EXPECT_EQ(header1->Caption(), QStringLiteral("Last Name"));
    EXPECT_EQ(header2->Caption(), QStringLiteral("Given name"));
    EXPECT_EQ(header2->Left(), 332);
    EXPECT_EQ(header2->Width(), 360);
    EXPECT_EQ(header2->Top(), 29);
    EXPECT_TRUE(header2->Font()->Style().testFlag(TFont::fsBold));

    // The title comes last among the labels and never gets lines.
    auto *titleBand = find("Titleband");
    ASSERT_TRUE(titleBand);
    auto *title = find<TQRDesignLabel>("QRLabel4");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->Caption(), QStringLiteral("Report"));
    EXPECT_EQ(title->Font()->Size(), 18);
    EXPECT_EQ(title->Parent(), titleBand);
    EXPECT_TRUE(shapesOn(titleBand).isEmpty());
    // Detail: a bottom line, two box sides and a line before columns 2 and 3.
    QList<int> detailLefts;
    for (TQRShape *s : shapesOn(detail))
        detailLefts << s->Left();
    EXPECT_EQ(detailLefts, (QList<int>{3, 0, 713, 327, 692}));
    EXPECT_EQ(shapesOn(columns).size(), 6);

    // Every band and element was announced, in creation order.
    EXPECT_EQ(created.mid(0, 4), (QStringList{"", "QRDBText1", "QRDBText2", "QRDBText3"}));
    EXPECT_EQ(created.size(), 1 + 3 + 1 + 3 + 1 + 1 + 11);

    // Names come back in creation order after a new layout on the same report.
    o.Fields = o.Fields.mid(0, 2);
    o.HorizontalLines = o.VerticalLines = o.BoxLines = false;
    o.PageHeader = true;
    creator.BuildListReport(o);
    EXPECT_TRUE(find("Pageheader"));
    EXPECT_TRUE(find<TQRDesignDBText>("QRDBText2"));
    EXPECT_FALSE(find<TQRDesignDBText>("QRDBText3"));
    EXPECT_EQ(find<TQRDesignLabel>("QRLabel3")->Caption(), QStringLiteral("Report"));
    EXPECT_EQ(find<TQRDesignLabel>("QRLabel3")->Parent(), find("Titleband"));

    // Columns that cannot narrow any further stop the shrinking.
    o.DataFont.SetSize(300);
    o.Fields = {QStringLiteral("Initial"), QStringLiteral("Initial"), QStringLiteral("Initial")};
    creator.BuildListReport(o);
    EXPECT_EQ(find<TQRDesignDBText>("QRDBText3")->Width(), 300);
}

TEST_F(ReportCreator, FormTabularSingleAndBlank)
{
    TQRExpertSettings s;
    s.Style = TQRExpertSettings::FormStyle;
    s.Layout.DataSet = table;
    s.Layout.Fields = {QStringLiteral("Last_Name"), QStringLiteral("Given name")};
    s.Columns = QStringLiteral("2");
    s.ColumnSpacing = QStringLiteral("4,5");
    report->SetReportTitle(QStringLiteral("old"));
    GenerateExpertReport(creator, s);
    EXPECT_EQ(report->Page()->Columns(), 2);
    EXPECT_DOUBLE_EQ(report->Page()->ColumnSpace(), 4.5);
    EXPECT_TRUE(report->ReportTitle().isEmpty());
    auto *detail = find("Detailband");
    ASSERT_TRUE(detail);
    EXPECT_TRUE(detail->ForceNewPage());
    // u = 17: the band is 2u(n + 1) high, rows at pitch (102 - 34) / 2.
    EXPECT_EQ(detail->Height(), 102);
    auto *label2 = find<TQRDesignLabel>("QRLabel2");
    auto *value1 = find<TQRDesignDBText>("QRDBText1");
    ASSERT_TRUE(label2 && value1);
    EXPECT_EQ(label2->Top(), 63);
    EXPECT_EQ(label2->Left(), 17);
    EXPECT_EQ(value1->Top(), 29);
    // Values line up behind the widest label ("Given name").
    EXPECT_GT(label2->Width(), find<TQRDesignLabel>("QRLabel1")->Width());
    EXPECT_EQ(value1->Left(), 34 + label2->Width());
    auto *header = qobject_cast<TQRDesignBand *>(find("Pageheader"));
    ASSERT_TRUE(header);
    EXPECT_TRUE(header->NotOnFirstPage());
    EXPECT_EQ(header->Height(), 30);

    s.Style = TQRExpertSettings::Tabular;
    s.Layout.Title = false;
    s.Columns = QStringLiteral("x");
    GenerateExpertReport(creator, s);
    EXPECT_FALSE(find("Detailband")->ForceNewPage());
    EXPECT_FALSE(qobject_cast<TQRDesignBand *>(find("Pageheader"))->NotOnFirstPage());
    // An unreadable column count leaves one column and the spacing as it was.
    EXPECT_EQ(report->Page()->Columns(), 1);
    EXPECT_DOUBLE_EQ(report->Page()->ColumnSpace(), 4.5);

    // No field chosen: only the bands.
    s.Layout.Fields.clear();
    GenerateExpertReport(creator, s);
    EXPECT_TRUE(find("Detailband"));
    EXPECT_FALSE(find<TQRDesignDBText>("QRDBText1"));

    s.Style = TQRExpertSettings::SingleForm;
    s.Layout.Fields = {QStringLiteral("Last_Name")};
    s.Layout.BoxLines = true;
    GenerateExpertReport(creator, s);
    EXPECT_EQ(report->DataSet(), nullptr);
    auto *title = find("Titleband");
    ASSERT_TRUE(title);
    EXPECT_EQ(report->ControlCount(), 1);
    EXPECT_EQ(find<TQRDesignLabel>("QRLabel1")->Caption(), QStringLiteral("Last Name"));
    EXPECT_EQ(find<TQRDesignDBText>("QRDBText1")->Top(), 17 + 50);
    EXPECT_EQ(shapesOn(title).size(), 4);

    s.Style = TQRExpertSettings::BlankReport;
    GenerateExpertReport(creator, s);
    EXPECT_EQ(report->ControlCount(), 0);
}

TEST_F(ReportCreator, MailingLabelsWithAndWithoutDataset)
{
    TQRLayoutOptions o;
    TQRLabelSheet sheet;
    sheet.TopMargin = 15;
    sheet.BottomMargin = 12;
    sheet.RowSpace = 0;
    creator.BuildLabelReport(o, sheet);
    auto *loop = qobject_cast<TQRDesignLoopband *>(find("LabelBand"));
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->PrintCount(), 30);
    EXPECT_EQ(report->LabelSettings()->LabelCount(), 30);
    EXPECT_EQ(report->LabelSettings()->FirstLabel(), 1);
    EXPECT_DOUBLE_EQ(loop->Size()->Height(), 20);
    EXPECT_FALSE(find("RowSpace"));
    EXPECT_EQ(report->Page()->Columns(), 3);
    EXPECT_DOUBLE_EQ(report->Page()->ColumnSpace(), 5);
    EXPECT_DOUBLE_EQ(report->Page()->TopMargin(), 15);
    // The bottom margin is entered less 3 mm.
    EXPECT_DOUBLE_EQ(report->Page()->BottomMargin(), 9);

    o.DataSet = table;
    o.Fields = {QStringLiteral("Last_Name")};
    sheet.RowSpace = 5;
    sheet.Orientation = QRPaper::poLandscape;
    creator.BuildLabelReport(o, sheet);
    auto *detail = find("Detailband");
    ASSERT_TRUE(detail);
    EXPECT_FALSE(find("LabelBand"));
    EXPECT_DOUBLE_EQ(detail->Size()->Height(), 20);
    EXPECT_FALSE(detail->ForceNewPage());
    EXPECT_FALSE(find("Titleband"));
    auto *space = qobject_cast<TQRDesignChildBand *>(find("RowSpace"));
    ASSERT_TRUE(space);
    EXPECT_EQ(space->ParentBand(), detail);
    EXPECT_DOUBLE_EQ(space->Size()->Height(), 5);
    EXPECT_EQ(report->Page()->Orientation(), QRPaper::poLandscape);
    EXPECT_DOUBLE_EQ(report->Page()->Width(), 297);
}

TEST_F(ReportCreator, LabelFormatFilesListAndApply)
{
    const QString file = dir.filePath(QStringLiteral("sheets.qlf"));
    ASSERT_TRUE(testutil::writeFile(file, "My sheets\r\n"
                                          "Sample;1,5;0,3;6,4;3,6;3;7;3,6;7;A4;\r\n"
                                          "Broken;x;0;1;1;1;1;0;0;A4;\r\n"
                                          "Half_rows;1;1;5;2;2;2,5;0;0;L;\r\n"
                                          "\r\n"
                                          "Post_card;0,5;0,5;9;13,8;1;1;0;0;PQ;\r\n"
                                          "Short;1;1;5;2;2;2\r\n"));
    ASSERT_TRUE(testutil::writeFile(dir.filePath(QStringLiteral("other.txt")), "x\n"));
    EXPECT_EQ(LabelFormatFiles(dir.filePath(QStringLiteral("QRDESIGN.INI"))), QStringList{file});

    TQRLabelFormatFile read;
    ASSERT_TRUE(ReadLabelFormatFile(file, &read));
    EXPECT_EQ(read.Title, QStringLiteral("My sheets"));
    QStringList listed;
    for (const TQRLabelFormat &f : read.Formats)
        listed << LabelFormatListText(f, report);
    // Unreadable numbers drop the line; missing fields read as 0.
    EXPECT_EQ(listed, (QStringList{"Sample (64 x 36)", "Post card (90 x 138)", "Short (50 x 20)"}));

    const TQRLabelSheet s = LabelSheetFromFormat(read.Formats[0], report);
    EXPECT_EQ(s.PaperSize, QRPaper::A4);
    EXPECT_EQ(s.Orientation, QRPaper::poPortrait);
    EXPECT_DOUBLE_EQ(s.TopMargin, 15);
    EXPECT_DOUBLE_EQ(s.LeftMargin, 3);
    EXPECT_DOUBLE_EQ(s.LabelWidth, 64);
    EXPECT_DOUBLE_EQ(s.LabelHeight, 36);
    EXPECT_EQ(s.Columns, 3);
    EXPECT_EQ(s.Rows, 7);
    EXPECT_NEAR(s.RowSpace, 0, 1e-9);
    EXPECT_NEAR(s.ColumnSpace, 6, 1e-9);
    EXPECT_NEAR(s.BottomMargin, 30, 1e-9);
    EXPECT_NEAR(s.RightMargin, 3, 1e-9);

    // A custom card on its side: the page is exchanged.
    const TQRLabelSheet card = LabelSheetFromFormat(read.Formats[1], report);
    EXPECT_EQ(card.PaperSize, QRPaper::Custom);
    EXPECT_EQ(card.Orientation, QRPaper::poLandscape);
    EXPECT_DOUBLE_EQ(card.PaperWidth, 100);
    EXPECT_DOUBLE_EQ(card.PaperLength, 148);
    EXPECT_NEAR(card.RightMargin, 148 - 5 - 90, 1e-9);
    // A missing paper code reads as "0" (A4); an unknown one is no paper.
    EXPECT_EQ(LabelSheetFromFormat(read.Formats[2], report).PaperSize, QRPaper::A4);
    TQRLabelFormat odd = read.Formats[2];
    odd.PaperCode = QStringLiteral("XQ");
    EXPECT_EQ(LabelSheetFromFormat(odd, report).PaperSize, QRPaper::Default);
    EXPECT_EQ(LabelSheetFromFormat(odd, report).Orientation, QRPaper::poPortrait);

    // In inches the list shows inches.
    report->SetUnits(QRUnits::Inches);
    EXPECT_EQ(LabelFormatListText(read.Formats[0], report), QStringLiteral("Sample (2.52 x 1.42)"));

    EXPECT_FALSE(ReadLabelFormatFile(dir.filePath(QStringLiteral("none.QLF")), &read));
}

#if defined(TABULON_DEMO_DIR)
// Every sheet the demo ships reads and fits its paper.
TEST_F(ReportCreator, DemoLabelSheetsFitTheirPaper)
{
    const QStringList files = LabelFormatFiles(QStringLiteral(TABULON_DEMO_DIR "/QRDESIGN.INI"));
    ASSERT_EQ(files.size(), 1);
    TQRLabelFormatFile read;
    ASSERT_TRUE(ReadLabelFormatFile(files[0], &read));
    const QByteArray text = testutil::readFile(files[0]);
    EXPECT_EQ(read.Formats.size(), text.count('\n') - 1);
    for (const TQRLabelFormat &f : read.Formats) {
        const TQRLabelSheet s = LabelSheetFromFormat(f, report);
        EXPECT_NE(s.PaperSize, QRPaper::Default) << qPrintable(f.Name);
        EXPECT_GE(s.BottomMargin, 3) << qPrintable(f.Name);
        EXPECT_GE(s.RightMargin, 0) << qPrintable(f.Name);
        EXPECT_GE(s.ColumnSpace, 0) << qPrintable(f.Name);
        EXPECT_TRUE(f.Name.contains(QString::number(f.Columns) + QStringLiteral(" x ") + QString::number(f.Rows)))
            << qPrintable(f.Name);
    }
}
#endif
