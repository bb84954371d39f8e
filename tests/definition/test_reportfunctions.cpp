// The report-bound functions: lookups of the report and its elements through
// the open windows, property access by name with the designer locks, fonts,
// colours, page state, and a script that changes an element during a run.

#include "../engine/gentest.h"
#include "definition/reporteval.h"
#include "definition/reportfunctions.h"
#include "definition/startup.h"
#include "deftest.h"
#include "expressions/library.h"
#include "expressions/variables.h"

#include <QColor>

namespace
{

class ReportFunctions : public DesignTest
{
protected:
    ReportFunctions()
    {
        detail = designBand(QR::rbDetail, 100, QStringLiteral("Detail"));
        label1 = label(detail, QStringLiteral("Hello"));
        label1->SetName(QStringLiteral("Label1"));
    }
    TQREvValue eval(const QString &expression) { return QRDEvaluate(expression, report); }
    static QString show(const TQREvValue &v)
    {
        return v.ValueKind == rkError ? QStringLiteral("error") : QREvValueText(v);
    }
    QString calc(const QString &expression) { return show(eval(expression)); }

    TQRDesignBand *detail;
    TQRDesignLabel *label1;
};

TEST_F(ReportFunctions, RegisteredWithSignaturesAndDescriptions)
{
    const TQRFunctionLibrary &library = EvFunctionLibrary();
    const TQRLibraryEntry *e = library.Find(QStringLiteral("VERTPRINTPOS"));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->ArgumentSignature, QStringLiteral("7"));
    EXPECT_EQ(e->Description, QStringLiteral("VERPRINTPOS|Returns current vertical printing position"));
    e = library.Find(QStringLiteral("SETFONTSTYLE"));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->ArgumentSignature, QStringLiteral("7SBBBB"));
    e = library.Find(QStringLiteral("AQUA"));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->ArgumentSignature, QStringLiteral("8"));
    EXPECT_EQ(e->Description, QStringLiteral("AQUA|Color constant for SETCOLOR and SETFONTCOLOR"));
    for (const char *name :
         {"NEWPAGE",       "PAGENUMBER",  "PIXELS",     "RESETEXPR",    "GROUPPRINTED", "PAGEPRINTS",
          "ELEMENTEXISTS", "PROPEXISTS",  "GETCAPTION", "GETBOOLPROP",  "GETINTPROP",   "GETFLOATPROP",
          "GETSTRPROP",    "SETBOOLPROP", "SETINTPROP", "SETFLOATPROP", "SETSTRPROP",   "SETCOLOR",
          "SETFONTCOLOR",  "SETFONTSIZE", "SETFONT",    "RGBCOLOR"})
        EXPECT_TRUE(library.Contains(QLatin1String(name))) << name;
    // They take the rows the extended library keeps for them, none is left waiting.
    EXPECT_TRUE(library.ReservedNames().isEmpty());
    EXPECT_EQ(library.IndexOf(QStringLiteral("NEWPAGE")) + 1,
              library.IndexOf(QStringLiteral("VERTPRINTPOS")));
    EXPECT_EQ(library.IndexOf(QStringLiteral("PAGENUMBER")) + 1, library.IndexOf(QStringLiteral("COUNTER")));
    EXPECT_EQ(library.IndexOf(QStringLiteral("DELETEVAR")) + 1,
              library.IndexOf(QStringLiteral("ELEMENTEXISTS")));
    EXPECT_EQ(library.IndexOf(QStringLiteral("WHITE")) + 1, library.IndexOf(QStringLiteral("RGBCOLOR")));
    EXPECT_EQ(library.IndexOf(QStringLiteral("RGBCOLOR")) + 1, library.IndexOf(QStringLiteral("PIXELS")));
    // Making the start-up again adds nothing.
    const int count = library.Count();
    RegisterReportSupport();
    EXPECT_EQ(EvFunctionLibrary().Count(), count);
}

TEST_F(ReportFunctions, ColoursAndRgb)
{
    EXPECT_EQ(calc(QStringLiteral("RGBCOLOR(255,0,0)")), QStringLiteral("255"));
    EXPECT_EQ(calc(QStringLiteral("RGBCOLOR(255,0,0) = RED")), QStringLiteral("True"));
    EXPECT_EQ(calc(QStringLiteral("RGBCOLOR(1,2,3)")), QString::number(3 * 65536 + 2 * 256 + 1));
    EXPECT_EQ(calc(QStringLiteral("RGBCOLOR(0,0,256)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("RGBCOLOR(-1,0,0)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("RGBCOLOR(1.5,0,0)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("RGBCOLOR(1,2)")), QStringLiteral("error"));
    const QList<QPair<QString, int>> constants = {
        {"BLACK", 0},          {"MAROON", 128},     {"GREEN", 32768},   {"OLIVE", 32896},
        {"NAVY", 8388608},     {"PURPLE", 8388736}, {"TEAL", 8421376},  {"GRAY", 8421504},
        {"SILVER", 12632256},  {"RED", 255},        {"LIME", 65280},    {"BLUE", 16711680},
        {"FUCHSIA", 16711935}, {"AQUA", 16776960},  {"WHITE", 16777215}};
    for (const auto &[name, value] : constants)
        EXPECT_EQ(calc(name), QString::number(value)) << name.toStdString();
    // Arguments of a constant are ignored.
    EXPECT_EQ(calc(QStringLiteral("WHITE(1,'x')")), QStringLiteral("16777215"));
}

TEST_F(ReportFunctions, BackgroundAndFontColours)
{
    EXPECT_EQ(calc(QStringLiteral("SETCOLOR('Label1', RED)")), QStringLiteral("True"));
    EXPECT_EQ(int(label1->Color()), 255);
    EXPECT_EQ(calc(QStringLiteral("GETINTPROP('label1','Color')")), QStringLiteral("255"));
    EXPECT_EQ(calc(QStringLiteral("SETCOLOR('Detail', BLUE)")), QStringLiteral("True"));
    EXPECT_EQ(int(detail->Color()), 0xFF0000);
    EXPECT_EQ(calc(QStringLiteral("SETCOLOR('Nothing', RED)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("SETFONTCOLOR('Nothing', RED)")), QStringLiteral("False"));
    // Bands have fonts, but only printable elements are reached for fonts.
    EXPECT_EQ(calc(QStringLiteral("SETFONTCOLOR('Detail', RED)")), QStringLiteral("False"));

    EXPECT_EQ(calc(QStringLiteral("SETFONTCOLOR('LABEL1', LIME)")), QStringLiteral("True"));
    EXPECT_EQ(int(label1->Font()->Color()), 0x00FF00);
    EXPECT_EQ(calc(QStringLiteral("SETFONTSIZE('Label1', 14)")), QStringLiteral("True"));
    EXPECT_EQ(label1->Font()->Size(), 14);
    EXPECT_EQ(calc(QStringLiteral("SETFONT('Label1', 'Courier New')")), QStringLiteral("True"));
    EXPECT_EQ(label1->Font()->Name(), QStringLiteral("Courier New"));
    label1->Font()->SetStyle(TFont::fsUnderline);
    EXPECT_EQ(calc(QStringLiteral("SETFONTSTYLE('Label1', TRUE, FALSE, FALSE, TRUE)")),
              QStringLiteral("True"));
    EXPECT_EQ(label1->Font()->Style(), TFont::TFontStyles(TFont::fsBold | TFont::fsStrikeOut));
    EXPECT_EQ(calc(QStringLiteral("SETFONTSTYLE('Label1', TRUE, FALSE, FALSE)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("SETFONTSIZE('Label1', 'big')")), QStringLiteral("error"));
}

TEST_F(ReportFunctions, GuardedSetting)
{
    EXPECT_EQ(calc(QStringLiteral("SETBOOLPROP('Label1','BlockEdit',FALSE)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("SETBOOLPROP('Label1','blockmove',TRUE)")), QStringLiteral("error"));
    EXPECT_FALSE(label1->BlockMove());
    EXPECT_EQ(calc(QStringLiteral("SETBOOLPROP('Label1','Transparent',TRUE)")), QStringLiteral("True"));
    EXPECT_TRUE(label1->Transparent());

    EXPECT_EQ(calc(QStringLiteral("SETFLOATPROP('Label1','Left',10)")), QStringLiteral("error"));
    EXPECT_NE(label1->Left(), 10);
    EXPECT_EQ(calc(QStringLiteral("SETFLOATPROP('Label1','Left',10.0)")), QStringLiteral("10"));
    EXPECT_EQ(label1->Left(), 10);
    EXPECT_EQ(calc(QStringLiteral("SETINTPROP('Label1','Tag',7.5)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("SETINTPROP('Label1','Tag',7)")), QStringLiteral("7"));
    EXPECT_EQ(label1->Tag(), 7);
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Label1','Caption','Changed')")), QStringLiteral("Changed"));
    EXPECT_EQ(label1->Caption(), QStringLiteral("Changed"));
    // A property the element does not have is ignored; the value still comes back.
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Label1','NoSuchProperty','x')")), QStringLiteral("x"));
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Nothing','Caption','x')")), QStringLiteral("error"));

    label1->SetBlockEdit(true);
    EXPECT_EQ(calc(QStringLiteral("SETINTPROP('Label1','Tag',9)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Label1','Caption','No')")), QStringLiteral("error"));
    EXPECT_EQ(label1->Tag(), 7);
    EXPECT_EQ(label1->Caption(), QStringLiteral("Changed"));

    // The data binding of a field element is locked by BlockChange alone.
    auto *field = element<TQRDesignDBText>(detail, 0, 50);
    field->SetName(QStringLiteral("Field1"));
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Field1','DataField','NAME')")), QStringLiteral("NAME"));
    EXPECT_EQ(field->DataField(), QStringLiteral("NAME"));
    field->SetBlockChange(true);
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Field1','datafield','CITY')")), QStringLiteral("error"));
    EXPECT_EQ(field->DataField(), QStringLiteral("NAME"));
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Field1','Hint','tip')")), QStringLiteral("tip"));
}

TEST_F(ReportFunctions, ReadingPropertiesAndElements)
{
    EXPECT_EQ(calc(QStringLiteral("PROPEXISTS('Nothing','Color')")), QStringLiteral("False"));
    EXPECT_EQ(calc(QStringLiteral("PROPEXISTS('Label1','Color')")), QStringLiteral("True"));
    EXPECT_EQ(calc(QStringLiteral("PROPEXISTS('Label1','Nothing')")), QStringLiteral("False"));
    EXPECT_EQ(calc(QStringLiteral("GETINTPROP('Label1','NoSuchProperty')")), QStringLiteral("0"));
    EXPECT_EQ(calc(QStringLiteral("GETBOOLPROP('Label1','NoSuchProperty')")), QStringLiteral("False"));
    EXPECT_EQ(calc(QStringLiteral("GETFLOATPROP('Label1','NoSuchProperty')")), QStringLiteral("0"));
    EXPECT_EQ(calc(QStringLiteral("GETSTRPROP('Label1','NoSuchProperty')")), QString());
    EXPECT_EQ(calc(QStringLiteral("GETSTRPROP('Label1','Caption')")), QStringLiteral("Hello"));
    EXPECT_EQ(calc(QStringLiteral("GETBOOLPROP('Label1','Enabled')")), QStringLiteral("True"));
    EXPECT_EQ(calc(QStringLiteral("GETFLOATPROP('Label1','Size.Height')")), QStringLiteral("4"));
    EXPECT_EQ(calc(QStringLiteral("GETSTRPROP('Nothing','Caption')")), QStringLiteral("error"));
    label1->SetCaption(QString(300, u'x'));
    EXPECT_EQ(eval(QStringLiteral("GETSTRPROP('Label1','Caption')")).Text.size(), 255);

    EXPECT_EQ(calc(QStringLiteral("ELEMENTEXISTS('label1')")), QStringLiteral("True"));
    EXPECT_EQ(calc(QStringLiteral("ELEMENTEXISTS('Detail')")), QStringLiteral("True"));
    EXPECT_EQ(calc(QStringLiteral("ELEMENTEXISTS('Report')")), QStringLiteral("True"));
    // The loader is no report element.
    EXPECT_EQ(calc(QStringLiteral("ELEMENTEXISTS('Loader')")), QStringLiteral("False"));
    EXPECT_EQ(calc(QStringLiteral("GETCAPTION('Label1')")), QString(300, u'x').left(255));
    EXPECT_EQ(calc(QStringLiteral("GETCAPTION('Detail')")), QStringLiteral("error"));
    // An expression element gives its expression, "(none)" when it has none.
    auto *total = element<TQRDesignExpr>(detail, 0, 80);
    total->SetName(QStringLiteral("Total"));
    EXPECT_EQ(calc(QStringLiteral("GETCAPTION('Total')")), QStringLiteral("(none)"));
    total->SetExpression(QStringLiteral("SUM(PRICE)"));
    EXPECT_EQ(calc(QStringLiteral("GETCAPTION('Total')")), QStringLiteral("SUM(PRICE)"));
    EXPECT_EQ(calc(QStringLiteral("GROUPPRINTED('Detail')")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("PAGEPRINTS('Label1')")), QStringLiteral("0"));
    EXPECT_EQ(calc(QStringLiteral("PAGEPRINTS('Nothing')")), QStringLiteral("error"));
}

TEST_F(ReportFunctions, WindowsAndDataModules)
{
    // A window without a designer-level report is not searched.
    TForm other;
    auto *stray = new TQRDesignLabel(&other);
    stray->SetName(QStringLiteral("Stray"));
    EXPECT_EQ(calc(QStringLiteral("ELEMENTEXISTS('Stray')")), QStringLiteral("False"));
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Stray','Caption','x')")), QStringLiteral("error"));

    // Data modules are written to, but not read from.
    TDataModule module;
    auto *shared = new TQRDesignLabel(&module);
    shared->SetName(QStringLiteral("Shared"));
    EXPECT_EQ(calc(QStringLiteral("ELEMENTEXISTS('Shared')")), QStringLiteral("False"));
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Shared','Caption','set')")), QStringLiteral("set"));
    EXPECT_EQ(shared->Caption(), QStringLiteral("set"));

    // The first window holding a report wins.
    TForm second;
    auto *secondReport = new TQRDesignReport(&second);
    secondReport->SetName(QStringLiteral("Report"));
    auto *twin = new TQRDesignLabel(&second);
    twin->SetName(QStringLiteral("Label1"));
    EXPECT_EQ(calc(QStringLiteral("SETSTRPROP('Label1','Caption','first')")), QStringLiteral("first"));
    EXPECT_EQ(label1->Caption(), QStringLiteral("first"));
    EXPECT_NE(twin->Caption(), QStringLiteral("first"));
    EXPECT_EQ(QRCurrentReport(), report);
}

TEST_F(ReportFunctions, ResetExprForms)
{
    EXPECT_EQ(calc(QStringLiteral("RESETEXPR('NoSuchExpr')")), QString());
    EXPECT_EQ(eval(QStringLiteral("RESETEXPR()")).ValueKind, rkString);
    EXPECT_EQ(calc(QStringLiteral("RESETEXPR(1, 2)")), QString());
    auto *total = expr(detail, QStringLiteral("SUM(1)"));
    total->SetName(QStringLiteral("Total"));
    EXPECT_EQ(calc(QStringLiteral("RESETEXPR('total')")), QString());
}

TEST_F(ReportFunctions, PageStateOutsideAndInsideARun)
{
    EXPECT_EQ(calc(QStringLiteral("PAGENUMBER")), QStringLiteral("0"));
    EXPECT_EQ(calc(QStringLiteral("PAGENUMBER(1)")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("NEWPAGE")), QString());
    // 10 mm at 96 pixels per inch.
    EXPECT_EQ(calc(QStringLiteral("PIXELS(10)")), QStringLiteral("38"));
    EXPECT_EQ(calc(QStringLiteral("PIXELS(10.0)")), QStringLiteral("38"));
    report->SetZoom(200);
    EXPECT_EQ(calc(QStringLiteral("PIXELS(10)")), QStringLiteral("76"));
    EXPECT_EQ(calc(QStringLiteral("PIXELS('10')")), QStringLiteral("error"));

    // Without a report named Report the bare name is an error; the variable still reads.
    report->SetName(QStringLiteral("Other"));
    EXPECT_EQ(calc(QStringLiteral("PAGENUMBER")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("[PAGENUMBER]")), QStringLiteral("0"));
    EXPECT_EQ(calc(QStringLiteral("NEWPAGE")), QStringLiteral("error"));
    EXPECT_EQ(calc(QStringLiteral("ELEMENTEXISTS('Label1')")), QStringLiteral("True"));
}

TEST_F(ReportFunctions, PageNumberAndNewPageDuringARun)
{
    detail->Size()->SetNativeValue(TQRBandSize::HeightIndex, 50);
    expr(detail, QStringLiteral("'p' + STR(PAGENUMBER)"), 400, 0);
    // Every third record starts a new page before its band prints.
    loader->SetScript({QStringLiteral("[Report.BeforePrint]"), QStringLiteral("SETVAR('n', 0)"),
                       QStringLiteral("[Detail.BeforePrint]"), QStringLiteral("SETVAR('n', GETVAR('n') + 1)"),
                       QStringLiteral("IF (GETVAR('n') = 3)"), QStringLiteral("NEWPAGE"),
                       QStringLiteral("ENDIF")});
    records(5);
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(pagesOf(filter, QStringLiteral("p1")), (QList<int>{1, 1}));
    EXPECT_EQ(pagesOf(filter, QStringLiteral("p2")), (QList<int>{2, 2, 2}));
}

// Counts the clearly red pixels in the top part of an image.
int redPixels(const QImage &image, int height)
{
    int n = 0;
    for (int y = 0; y < qMin(height, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 180 && c.green() < 90 && c.blue() < 90;
        }
    return n;
}

TEST_F(ReportFunctions, FontColourSetByABandScriptStaysForLaterPrints)
{
    // One record per page; the detail band's script turns Label1 red at the second record only.
    label1->SetCaption(QStringLiteral("DETAIL DETAIL"));
    label1->Font()->SetSize(20);
    detail->Size()->SetNativeValue(TQRBandSize::HeightIndex, 1500);
    loader->SetScript({QStringLiteral("[Report.BeforePrint]"), QStringLiteral("SETVAR('n', 0)"),
                       QStringLiteral("[Detail.BeforePrint]"), QStringLiteral("SETVAR('n', GETVAR('n') + 1)"),
                       QStringLiteral("IF (GETVAR('n') = 2)"), QStringLiteral("SETFONTCOLOR('Label1', RED)"),
                       QStringLiteral("ENDIF")});
    records(3);
    ASSERT_TRUE(report->PreparePagesRun());
    TQRPrinter *pages = report->QRPrinter();
    ASSERT_TRUE(pages);
    ASSERT_EQ(pages->PageCount(), 3);
    QList<int> red;
    for (int page = 1; page <= 3; ++page) {
        const QImage image = PageImage(pages, page);
        red << redPixels(image, image.height() / 8);
    }
    EXPECT_EQ(red[0], 0);
    EXPECT_GT(red[1], 20);
    EXPECT_EQ(red[2], red[1]);
    EXPECT_EQ(int(label1->Font()->Color()), 255);
}

} // namespace

namespace
{

TEST_F(ReportFunctions, GroupPrintedFollowsTheGroupsPrintDecision)
{
    auto *group = band<TQRDesignGroup>(QR::rbGroupHeader, 50, QStringLiteral("Group1"));
    group->SetExpression(QStringLiteral("'same'"));
    label(group, QStringLiteral("GH"));
    expr(detail, QStringLiteral("'printed ' + STR(GROUPPRINTED('group1'))"), 400, 0);
    records(2);
    RecordingFilter shown;
    ASSERT_TRUE(run(shown));
    EXPECT_EQ(pagesOf(shown, QStringLiteral("GH")).size(), 1);
    EXPECT_EQ(pagesOf(shown, QStringLiteral("printed True")).size(), 2);

    group->SetPrintExpression(QStringLiteral("FALSE"));
    RecordingFilter hidden;
    ASSERT_TRUE(run(hidden));
    EXPECT_TRUE(pagesOf(hidden, QStringLiteral("GH")).isEmpty());
    EXPECT_EQ(pagesOf(hidden, QStringLiteral("printed False")).size(), 2);
}

TEST_F(ReportFunctions, ResetExprRestartsAnotherElementsAggregates)
{
    auto *total = expr(detail, QStringLiteral("'sum ' + STR(SUM(1))"), 400, 0);
    total->SetName(QStringLiteral("Total"));
    records(3);
    RecordingFilter running;
    ASSERT_TRUE(run(running));
    EXPECT_EQ(pagesOf(running, QStringLiteral("sum 3")).size(), 1);

    loader->SetScript({QStringLiteral("[Detail.AfterPrint]"), QStringLiteral("RESETEXPR('TOTAL')")});
    RecordingFilter reset;
    ASSERT_TRUE(run(reset));
    EXPECT_EQ(pagesOf(reset, QStringLiteral("sum 1")).size(), 3);
}

TEST_F(ReportFunctions, PagePrintsCountsTheBandsPrintsOnThePage)
{
    auto *child = band<TQRDesignChildBand>(QR::rbChild, 50, QStringLiteral("Child1"));
    child->SetParentBand(detail);
    label(child, QStringLiteral("child"));
    expr(detail, QStringLiteral("'pp ' + STR(PAGEPRINTS('Child1'))"), 400, 0);
    records(3);
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(filter.texts(1).filter(QStringLiteral("pp ")), (QStringList{"pp 0", "pp 1", "pp 2"}));
}

} // namespace
