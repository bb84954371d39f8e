// Groups, sub-details, loop and strings bands and label sheets: the order
// bands print in, the band variables expressions read, and where labels land.
#include "gentest.h"

#include "engine/controller.h"

#include <gtest/gtest.h>

namespace
{
const QByteArray Places = "Country,City,Item\n"
                          "DE,Berlin,a\nDE,Berlin,b\nDE,Munich,c\nFR,Paris,d\n";

// Two nested groups (country, city) with footers; details print Item.
struct NestedGroups {
    TQRGroup *country, *city;
    TQRBand *detail;
    NestedGroups(DataFixture &f, double height = 100)
    {
        TQuery *q =
            f.query(QStringLiteral("places"), Places,
                    QStringLiteral("select Country, City, Item from places order by Country, City, Item"));
        q->Open();
        f.report->SetDataSet(q);
        country = group(f, QStringLiteral("ByCountry"), QStringLiteral("Country"), height);
        city = group(f, QStringLiteral("ByCity"), QStringLiteral("City"), height);
        country->SetFooterBand(footer(f, QStringLiteral("'/' + Country + ' after ' + Item"), height));
        city->SetFooterBand(footer(f, QStringLiteral("'/' + City + ' after ' + Item"), height));
        detail = f.addBand(QR::rbDetail, height);
        f.element<TQRExpr>(detail, 0, 0, 600, 40)->SetExpression(QStringLiteral("Item"));
    }
    static TQRGroup *group(DataFixture &f, const QString &name, const QString &field, double height)
    {
        auto *g = f.band<TQRGroup>(QR::rbGroupHeader, name);
        g->Size()->SetNativeValue(TQRBandSize::HeightIndex, height);
        g->SetExpression(field);
        f.element<TQRExpr>(g, 0, 0, 600, 40)->SetExpression(field);
        return g;
    }
    static TQRBand *footer(DataFixture &f, const QString &expression, double height)
    {
        TQRBand *b = f.addBand(QR::rbGroupFooter, height);
        f.element<TQRExpr>(b, 0, 0, 900, 40)->SetExpression(expression);
        return b;
    }
};

// A sub-detail on the report with its own records (three per run) and a text.
TQRSubDetail *subDetail(GenFixture &f, const QString &name, const QString &text, int records = 2)
{
    auto *sub = f.band<TQRSubDetail>(QR::rbSubDetail, name);
    sub->Size()->SetNativeValue(TQRBandSize::HeightIndex, 100);
    f.label(sub, text);
    auto counter = std::make_shared<int>(0);
    sub->OnNeedData = [counter, records](QObject *, bool &more) {
        more = (*counter)++ % (records + 1) != records;
    };
    return sub;
}
} // namespace

TEST(Groups, NestedGroupsCloseInnermostFirstAndFootersSeeTheClosingRecord)
{
    DataFixture f;
    NestedGroups g(f);
    TQRBand *summary = f.addBand(QR::rbSummary, 100);
    f.label(summary, QStringLiteral("Total"));
    RecordingFilter filter;
    f.exportTo(filter);
    // A new country: city footer, country footer, country header, city header,
    // then the detail. Footers show the last record of the group they close.
    EXPECT_EQ(filter.texts(1),
              (QStringList{"DE", "Berlin", "a", "b", "/Berlin after b", "Munich", "c", "/Munich after c",
                           "/DE after c", "FR", "Paris", "d", "/Paris after d", "/FR after d", "Total"}));
}

TEST(Groups, ReprintOnNewPageRepeatsOuterAndInnerHeadersUnderThePageHeader)
{
    DataFixture f;
    QByteArray csv = "Country,City,Item\n";
    for (int i = 0; i < 30; ++i)
        csv += "DE,Berlin," + QByteArray::number(100 + i) + "\n";
    TQuery *q = f.query(QStringLiteral("many"), csv,
                        QStringLiteral("select Country, City, Item from many order by Item"));
    q->Open();
    f.report->SetDataSet(q);
    f.label(f.addBand(QR::rbPageHeader, 100), QStringLiteral("PH"));
    TQRGroup *country = NestedGroups::group(f, QStringLiteral("ByCountry"), QStringLiteral("Country"), 100);
    NestedGroups::group(f, QStringLiteral("ByCity"), QStringLiteral("City"), 100);
    country->SetReprintOnNewPage(true);
    f.element<TQRExpr>(f.addBand(QR::rbDetail, 100), 0, 0, 300, 40)->SetExpression(QStringLiteral("Item"));
    RecordingFilter filter;
    f.exportTo(filter);
    ASSERT_EQ(filter.pages, 2);
    // 2770 printable: page header, two headers, 24 details.
    const QStringList page1 = filter.texts(1);
    ASSERT_EQ(page1.size(), 27);
    EXPECT_EQ(page1.mid(0, 4), (QStringList{"PH", "DE", "Berlin", "100"}));
    EXPECT_EQ(page1.last(), QStringLiteral("123"));
    const QStringList page2 = filter.texts(2);
    EXPECT_EQ(page2.mid(0, 4), (QStringList{"PH", "DE", "Berlin", "124"}));
    EXPECT_EQ(page2.size(), 3 + 6);
    EXPECT_EQ(positions(filter, "Berlin")[1], (std::pair<int, double>{2, 300}));

    // Without the flag the second page carries on with details only.
    country->SetReprintOnNewPage(false);
    RecordingFilter plain;
    f.exportTo(plain);
    EXPECT_EQ(plain.texts(2).mid(0, 2), (QStringList{"PH", "124"}));
}

TEST(Groups, SubDetailWithPrintBeforePrintsAheadOfEachMasterDetail)
{
    GenFixture f;
    f.label(f.addBand(QR::rbDetail, 100), QStringLiteral("M"));
    TQRSubDetail *before = subDetail(f, QStringLiteral("Before"), QStringLiteral("b"));
    before->SetPrintBefore(true);
    subDetail(f, QStringLiteral("After"), QStringLiteral("a"), 1);
    f.records(2);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"b", "b", "M", "a", "b", "b", "M", "a"}));
}

TEST(Groups, SubDetailRebuildsItsGroupListForEveryRun)
{
    GenFixture f;
    TQRSubDetail *first = subDetail(f, QStringLiteral("First"), QStringLiteral("1"));
    TQRSubDetail *second = subDetail(f, QStringLiteral("Second"), QStringLiteral("2"));
    auto *group = f.band<TQRGroup>(QR::rbGroupHeader, QStringLiteral("Heading"));
    group->Size()->SetNativeValue(TQRBandSize::HeightIndex, 100);
    group->SetExpression(QStringLiteral("1"));
    f.label(group, QStringLiteral("G"));
    group->SetMaster(first);
    RecordingFilter one;
    f.exportTo(one);
    EXPECT_EQ(one.texts(1), (QStringList{"G", "1", "1", "2", "2"}));

    // Moved to the other sub-detail, the group prints there only.
    group->SetMaster(second);
    RecordingFilter moved;
    f.exportTo(moved);
    EXPECT_EQ(moved.texts(1), (QStringList{"1", "1", "G", "2", "2"}));
    EXPECT_EQ(second->SubController()->Groups(), (QList<TQRGroup *>{group}));
    EXPECT_TRUE(first->SubController()->Groups().isEmpty());

    // A freed group is gone from the list, not left dangling.
    delete group;
    RecordingFilter freed;
    f.exportTo(freed);
    EXPECT_EQ(freed.texts(1), (QStringList{"1", "1", "2", "2"}));
    EXPECT_TRUE(second->SubController()->Groups().isEmpty());
}

TEST(Groups, LoopAndStringsBandsPublishTheirIterationToExpressions)
{
    GenFixture f;
    auto *loop = f.band<TQRLoopBand>(QR::rbSubDetail, QStringLiteral("Turn"));
    loop->Size()->SetNativeValue(TQRBandSize::HeightIndex, 100);
    loop->SetPrintCount(3);
    f.element<TQRExpr>(loop, 0, 0, 300, 40)->SetExpression(QStringLiteral("Turn"));
    auto *strings = f.band<TQRStringsBand>(QR::rbSubDetail, QStringLiteral("Names"));
    strings->Size()->SetNativeValue(TQRBandSize::HeightIndex, 100);
    const QString longLine(300, QLatin1Char('x'));
    strings->SetItems({QStringLiteral("alpha"), QStringLiteral("beta"), longLine});
    f.element<TQRExpr>(strings, 0, 0, 300, 40)->SetExpression(QStringLiteral("Names"));

    // Declared on joining the report: the index 0 and the empty string while idle.
    TQREvEnvironment *env = f.report->Functions();
    ASSERT_GE(env->IndexOf(QStringLiteral("TURN")), 0);
    EXPECT_EQ(env->Expression(env->IndexOf(QStringLiteral("TURN"))), QStringLiteral("0"));
    ASSERT_GE(env->IndexOf(QStringLiteral("NAMES")), 0);
    EXPECT_EQ(env->Expression(env->IndexOf(QStringLiteral("NAMES"))), QStringLiteral("''"));

    RecordingFilter filter;
    f.exportTo(filter);
    // Lines longer than 255 characters are cut.
    EXPECT_EQ(filter.texts(1), (QStringList{"0", "1", "2", "alpha", "beta", longLine.left(255)}));

    // The entry follows a rename; a sub-detail declares nothing.
    loop->SetName(QStringLiteral("Again"));
    EXPECT_LT(env->IndexOf(QStringLiteral("TURN")), 0);
    EXPECT_GE(env->IndexOf(QStringLiteral("AGAIN")), 0);
    const int before = env->Count();
    subDetail(f, QStringLiteral("Records"), QStringLiteral("r"), 0);
    EXPECT_EQ(env->Count(), before);

    strings->SetItems({});
    qobject_cast<TQRExpr *>(loop->ControlList().first())->SetExpression(QStringLiteral("Again * 10"));
    RecordingFilter renamed;
    f.exportTo(renamed);
    EXPECT_EQ(renamed.texts(1), (QStringList{"0", "10", "20"}));

    // A freed band takes its entry along.
    delete strings;
    EXPECT_LT(env->IndexOf(QStringLiteral("NAMES")), 0);
}

TEST(Groups, AnUndeclaredBandNameIsAnUnknownFunctionOnlyWithoutTheBand)
{
    GenFixture f;
    auto *loop = f.band<TQRLoopBand>(QR::rbSubDetail);
    loop->SetPrintCount(1);
    f.element<TQRExpr>(loop, 0, 0, 900, 40)->SetExpression(QStringLiteral("Later"));
    RecordingFilter unnamed;
    f.exportTo(unnamed);
    ASSERT_EQ(unnamed.texts(1).size(), 1);
    EXPECT_TRUE(unnamed.texts(1).first().contains(QStringLiteral("Unknown function")))
        << unnamed.texts(1).first().toStdString();
    // Named after joining the report, it declares then.
    loop->SetName(QStringLiteral("Later"));
    RecordingFilter named;
    f.exportTo(named);
    EXPECT_EQ(named.texts(1), (QStringList{"0"}));
}

TEST(Groups, TextLinesPrintTheSameAtEveryZoom)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 300);
    auto *memo = f.element<TQRMemo>(detail, 20, 10, 500, 200);
    memo->SetAutoSize(false);
    memo->SetLines(
        {QStringLiteral("first line"), QStringLiteral("second line"), QStringLiteral("third line")});
    auto *wrapped = f.element<TQRLabel>(detail, 600, 10, 250, 250);
    wrapped->SetAutoSize(false);
    wrapped->SetCaption(QStringLiteral("several words that wrap over lines"));
    auto *right = f.element<TQRLabel>(detail, 900, 10, 400, 40);
    right->SetAlignment(QR::taRightJustify);
    right->SetCaption(QStringLiteral("Right aligned 12,345.67"));
    f.records(2);
    auto run = [&] {
        RecordingFilter filter;
        f.exportTo(filter);
        std::vector<std::tuple<int, double, double, QString>> placed;
        for (const TextItem &i : filter.items)
            placed.emplace_back(i.page, i.x, i.y, i.text);
        return placed;
    };
    const auto at100 = run();
    ASSERT_GE(at100.size(), 8u);
    EXPECT_GT(std::get<2>(at100[1]), std::get<2>(at100[0]));
    for (int zoom : {150, 50, 75, 133, 175, 250}) {
        f.report->SetZoom(zoom);
        EXPECT_EQ(run(), at100) << "zoom " << zoom;
    }
}

// --- label sheets ---------------------------------------------------------------------------

namespace
{
// A label report on A4 with 10 mm margins (2770 native printable) and three
// columns; labels 900 high give 3 rows per column.
struct LabelFixture : GenFixture {
    TQREReport *labels = new TQREReport(form.get());
    LabelFixture()
    {
        delete report;
        report = labels;
        report->SetName(QStringLiteral("Labels"));
        report->SetUnits(QRUnits::MM);
        report->Page()->SetPaperSize(QRPaper::A4);
        setMargins(100, 100, 100, 100);
        report->Page()->SetColumns(3);
        report->SetShowProgress(false);
    }
    TQRLoopBand *labelLoop(int count, double height = 900)
    {
        auto *loop = band<TQRLoopBand>(QR::rbSubDetail, QStringLiteral("LabelBand"));
        loop->Size()->SetNativeValue(TQRBandSize::HeightIndex, height);
        element<TQRExpr>(loop, 0, 0, 300, 40)->SetExpression(QStringLiteral("LabelBand"));
        labels->LabelSettings()->SetLabelCount(count);
        return loop;
    }
    // Column (1-based) and row (1-based) of every item with this text, from
    // the x positions met and the given row pitch.
    std::vector<std::pair<int, int>> cells(const RecordingFilter &filter, double pitch) const
    {
        std::vector<double> columnsX;
        std::vector<std::pair<int, int>> list;
        for (const TextItem &i : filter.items) {
            if (i.text == QStringLiteral("R"))
                continue;
            auto it = std::find(columnsX.begin(), columnsX.end(), i.x);
            if (it == columnsX.end())
                it = columnsX.insert(std::upper_bound(columnsX.begin(), columnsX.end(), i.x), i.x);
            list.push_back({int(it - columnsX.begin()) + 1, int((i.y - 100) / pitch) + 1});
        }
        return list;
    }
};
} // namespace

TEST(LabelSheets, FirstLabelSkipsPositionsDownAndAcrossColumns)
{
    LabelFixture f;
    TQRLoopBand *loop = f.labelLoop(2);
    EXPECT_EQ(TQREReport::LabelsPerColumn(f.report, loop, nullptr), 3);
    const int componentsBefore = f.form->ComponentCount();

    f.labels->LabelSettings()->SetFirstLabel(2);
    RecordingFilter second;
    f.exportTo(second);
    EXPECT_EQ(second.texts(1), (QStringList{"0", "1"}));
    EXPECT_EQ(positions(second, "0"), (std::vector<std::pair<int, double>>{{1, 1000}}));
    EXPECT_EQ(positions(second, "1"), (std::vector<std::pair<int, double>>{{1, 1900}}));

    // Position 5 is row 2 of column 2; columns are (2100 - 200) / 3 = 633 wide.
    f.labels->LabelSettings()->SetFirstLabel(5);
    RecordingFilter fifth;
    f.exportTo(fifth);
    const TextItem *first = fifth.find(QStringLiteral("0"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->y, 1000);
    EXPECT_EQ(first->x, 733);
    // Position 8 is row 2 of column 3, to the right of column 2.
    f.labels->LabelSettings()->SetFirstLabel(8);
    RecordingFilter eighth;
    f.exportTo(eighth);
    const TextItem *third = eighth.find(QStringLiteral("0"));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->y, 1000);
    EXPECT_EQ(third->x, 1366);
    EXPECT_EQ(eighth.pages, 1);

    // The clean-up frees the spacer bands and gives the label band its master back.
    EXPECT_FALSE(f.labels->LabelsPrepared());
    EXPECT_EQ(f.form->ComponentCount(), componentsBefore);
    EXPECT_EQ(loop->Master(), f.report);
}

TEST(LabelSheets, DetailBandLabelsSkipThroughAGroupSpacer)
{
    LabelFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 900, QStringLiteral("DetailBand"));
    f.label(detail, QStringLiteral("L"));
    f.records(5);
    f.labels->LabelSettings()->SetFirstLabel(5);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(f.cells(filter, 900),
              (std::vector<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}}));
    // Columns come from the x positions seen, so check the first is not column 1.
    EXPECT_GT(filter.find(QStringLiteral("L"))->x, 100);
}

TEST(LabelSheets, LabelCountCopiesAndPreparationRunsOnceUntilTheCleanUp)
{
    LabelFixture f;
    TQRLoopBand *loop = f.labelLoop(4);
    loop->SetPrintCount(1);
    f.labels->LabelSettings()->SetFirstLabel(3);
    const int componentsBefore = f.form->ComponentCount();

    ASSERT_TRUE(f.labels->PrepareLabels());
    EXPECT_EQ(loop->PrintCount(), 4);
    const int prepared = f.form->ComponentCount();
    EXPECT_EQ(prepared, componentsBefore + 3);
    EXPECT_NE(loop->Master(), f.report);
    EXPECT_TRUE(f.labels->PrepareLabels());
    EXPECT_EQ(f.form->ComponentCount(), prepared);

    // A run inside a caller's preparation leaves the clean-up to the caller.
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"0", "1", "2", "3"}));
    EXPECT_EQ(positions(filter, "0"), (std::vector<std::pair<int, double>>{{1, 1900}}));
    EXPECT_TRUE(f.labels->LabelsPrepared());
    EXPECT_EQ(f.form->ComponentCount(), prepared);

    f.labels->CleanupLabels();
    EXPECT_EQ(f.form->ComponentCount(), componentsBefore);
    EXPECT_EQ(loop->Master(), f.report);
    f.labels->CleanupLabels();

    // Without skipping nothing is built, only the copies are set.
    f.labels->LabelSettings()->SetFirstLabel(1);
    f.labels->LabelSettings()->SetLabelCount(2);
    RecordingFilter plain;
    f.exportTo(plain);
    EXPECT_EQ(plain.texts(1), (QStringList{"0", "1"}));
    EXPECT_EQ(positions(plain, "0"), (std::vector<std::pair<int, double>>{{1, 100}}));

    // A report freed while prepared leaves nothing behind.
    f.labels->LabelSettings()->SetFirstLabel(4);
    ASSERT_TRUE(f.labels->PrepareLabels());
    delete f.report;
    f.report = nullptr;
    EXPECT_EQ(f.form->ComponentCount(), 0);
}

TEST(LabelSheets, RowSpaceIsLeftOutAfterTheLastRowOfAColumn)
{
    LabelFixture f;
    TQRLoopBand *loop = f.labelLoop(6, 800);
    auto *rowSpace = f.band<TQREChildBand>(QR::rbChild, QStringLiteral("RowSpace"));
    rowSpace->SetParentBand(loop);
    rowSpace->Size()->SetNativeValue(TQRBandSize::HeightIndex, 100);
    f.label(rowSpace, QStringLiteral("R"));
    // (2770 + 100) / (800 + 100) rounds to 3.
    EXPECT_EQ(TQREReport::LabelsPerColumn(f.report, loop, rowSpace), 3);
    QList<bool> flags;
    rowSpace->BeforePrint = [&](TQRCustomBand *, bool &print) { flags << print; };
    f.labels->LabelSettings()->SetFirstLabel(2);

    RecordingFilter filter;
    f.exportTo(filter);
    // Page 1 counts the skipped position: labels 2..7 of the sheet.
    EXPECT_EQ(flags, (QList<bool>{true, false, true, true, false, true}));
    EXPECT_EQ(rowSpace->PagePrints(), 6);
    EXPECT_EQ(f.cells(filter, 900),
              (std::vector<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 1}}));
    EXPECT_EQ(positions(filter, "R").size(), 4u);
    EXPECT_EQ(positions(filter, "R")[0], (std::pair<int, double>{1, 1800}));

    // A second run counts afresh; the user's handler can still veto.
    flags.clear();
    f.labels->LabelSettings()->SetFirstLabel(1);
    rowSpace->BeforePrint = [&](TQRCustomBand *, bool &print) {
        flags << print;
        print = false;
    };
    RecordingFilter vetoed;
    f.exportTo(vetoed);
    EXPECT_EQ(flags, (QList<bool>{true, true, false, true, true, false}));
    EXPECT_TRUE(positions(vetoed, "R").empty());
}

TEST(LabelSheets, ALabelTallerThanThePageCountsAsOneRow)
{
    LabelFixture f;
    TQRLoopBand *loop = f.labelLoop(2, 6000);
    EXPECT_EQ(TQREReport::LabelsPerColumn(f.report, loop, nullptr), 1);
    loop->Size()->SetNativeValue(TQRBandSize::HeightIndex, 0);
    EXPECT_EQ(TQREReport::LabelsPerColumn(f.report, loop, nullptr), 1);
    loop->Size()->SetNativeValue(TQRBandSize::HeightIndex, 2000);
    f.labels->LabelSettings()->SetFirstLabel(2);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"0", "1"}));
    EXPECT_EQ(f.cells(filter, 2000), (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}}));
}
