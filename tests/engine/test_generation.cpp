// Report generation: the run and its entry points, band order on the page,
// page and column breaks, forced breaks, footers, child bands, empty data,
// stretching across pages, cancelling and the filter's calls.
#include "gentest.h"

#include "data/query.h"
#include "engine/generation.h"

#include <gtest/gtest.h>

TEST(Generation, BandsFlowDownThePageAndBreakAboveTheFooter)
{
    GenFixture f;
    TQRBand *header = f.addBand(QR::rbPageHeader, 100);
    TQRBand *title = f.addBand(QR::rbTitle, 200);
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    TQRBand *footer = f.addBand(QR::rbPageFooter, 100);
    TQRBand *summary = f.addBand(QR::rbSummary, 100);
    f.label(header, QStringLiteral("H"));
    f.label(title, QStringLiteral("T"));
    f.label(detail, QStringLiteral("D"));
    // Element positions go through whole screen pixels: 50 native is 19 pixels.
    TQRLabel *shifted = f.label(f.addBand(QR::rbOverlay, 0), QStringLiteral("unused"), 50, 0);
    f.label(footer, QStringLiteral("F"));
    f.label(summary, QStringLiteral("S"));
    f.records(30);
    RecordingFilter filter;
    f.exportTo(filter);

    EXPECT_EQ(filter.events.first(), QStringLiteral("Start 2100 2970"));
    EXPECT_EQ(filter.events.last(), QStringLiteral("Finish"));
    EXPECT_EQ(filter.pages, 2);
    EXPECT_TRUE(f.report->Idle);
    // Page 1: header at the top margin, title below it, details from 400.
    EXPECT_EQ(positions(filter, "H"), (std::vector<std::pair<int, double>>{{1, 100}, {2, 100}}));
    EXPECT_EQ(positions(filter, "T"), (std::vector<std::pair<int, double>>{{1, 200}}));
    auto details = positions(filter, "D");
    ASSERT_EQ(details.size(), 30u);
    EXPECT_EQ(details[0], (std::pair<int, double>{1, 400}));
    // Room above the footer (2970 - 100 - 100 = 2770) holds details at 400 ... 2600.
    EXPECT_EQ(details[22], (std::pair<int, double>{1, 2600}));
    EXPECT_EQ(details[23], (std::pair<int, double>{2, 200}));
    EXPECT_EQ(positions(filter, "F"), (std::vector<std::pair<int, double>>{{1, 2770}, {2, 2770}}));
    // The summary follows the last detail on page 2.
    EXPECT_EQ(positions(filter, "S"), (std::vector<std::pair<int, double>>{{2, 200 + 7 * 100}}));
    EXPECT_DOUBLE_EQ(filter.find("D")->x, 100);
    // Overlay bands take no part in generation.
    EXPECT_EQ(filter.find("unused"), nullptr);
    EXPECT_NEAR(shifted->Size()->NativeValue(TQRPrintableSize::LeftIndex), 50, 1.4);
}

TEST(Generation, PreparePagesRecordsPagesAndEndsTheDocument)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 1000);
    f.label(detail, QStringLiteral("D"));
    f.records(5);
    f.report->PreparePages();
    TQRPrinter *p = f.report->QRPrinter();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Status(), mpFinished);
    EXPECT_TRUE(p->FinishedReport());
    // Two 100 mm bands fit in the 277 mm between the margins.
    EXPECT_EQ(p->PageCount(), 3);
    TQRPagePicture page;
    EXPECT_TRUE(p->GetPage(3, &page));
    EXPECT_FALSE(p->GetPage(4, &page));
    EXPECT_TRUE(f.report->Idle);
    EXPECT_EQ(f.report->Units(), QRUnits::MM);
}

TEST(Generation, EmptyDatasetPrintsTitleDetailAndSummaryOnceOrNothing)
{
    for (bool printIfEmpty : {true, false}) {
        DataFixture f;
        TQuery *q =
            f.query(QStringLiteral("people"), "Name,Age\n", QStringLiteral("select Name, Age from people"));
        q->Open();
        ASSERT_TRUE(q->Eof());
        f.report->SetDataSet(q);
        f.report->SetPrintIfEmpty(printIfEmpty);
        f.label(f.addBand(QR::rbTitle, 100), QStringLiteral("T"));
        f.label(f.addBand(QR::rbDetail, 100), QStringLiteral("D"));
        f.label(f.addBand(QR::rbSummary, 100), QStringLiteral("S"));
        RecordingFilter filter;
        f.exportTo(filter);
        if (printIfEmpty) {
            EXPECT_EQ(filter.texts(1), (QStringList{"T", "D", "S"}));
            EXPECT_EQ(filter.pages, 1);
        } else {
            EXPECT_TRUE(filter.items.empty());
            EXPECT_EQ(filter.pages, 0);
        }
        f.report->PreparePages();
        TQRPrinter *p = f.report->QRPrinter();
        EXPECT_EQ(p->Status(), mpFinished) << printIfEmpty;
        EXPECT_EQ(p->PageCount(), printIfEmpty ? 1 : 0);
    }
}

TEST(Generation, DatasetRecordsAndProgress)
{
    DataFixture f;
    TQuery *q = f.query(QStringLiteral("people"), "Name,Age\nAnn,30\nBob,41\nCid,52\nDan,63\n",
                        QStringLiteral("select Name, Age from people order by Name"));
    q->Open();
    f.report->SetDataSet(q);
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    auto *name = f.element<TQRDBText>(detail, 0, 0, 300, 40);
    name->SetDataSet(q);
    name->SetDataField(QStringLiteral("Name"));
    auto *age = f.element<TQRDBText>(detail, 500, 0, 300, 40);
    age->SetDataSet(q);
    age->SetDataField(QStringLiteral("Age"));
    age->SetMask(QStringLiteral("000"));
    auto *no = f.element<TQRSysData>(detail, 1000, 0, 300, 40);
    no->SetData(QR::qrsDetailNo);
    no->SetText(QStringLiteral("#"));
    auto *count = f.element<TQRSysData>(detail, 1500, 0, 300, 40);
    count->SetData(QR::qrsDetailCount);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"Ann", "030", "#1", "4", "Bob", "041", "#2", "4", "Cid", "052",
                                            "#3", "4", "Dan", "063", "#4", "4"}));
    // After the run the elements show their field names again.
    EXPECT_EQ(name->Caption(), QStringLiteral("Name"));

    f.report->PreparePages();
    EXPECT_EQ(f.report->QRPrinter()->Progress(), 100);
}

TEST(Generation, ForcedPageAfterTheTitleIsSwallowedOnce)
{
    GenFixture f;
    f.label(f.addBand(QR::rbTitle, 100), QStringLiteral("T"));
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    detail->SetForceNewPage(true);
    TQRLabel *d = f.label(detail, QString());
    int n = 0;
    detail->BeforePrint = [&](TQRCustomBand *, bool &) { d->SetCaption(QString::number(++n)); };
    f.records(3);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.pages, 3);
    EXPECT_EQ(filter.texts(1), (QStringList{"T", "1"}));
    EXPECT_EQ(filter.texts(2), QStringList{"2"});
    EXPECT_EQ(filter.texts(3), QStringList{"3"});
    // The forced band starts at the top of its new page.
    EXPECT_DOUBLE_EQ(filter.find("2")->y, 100);
}

TEST(Generation, TwoColumnsWithColumnHeaders)
{
    GenFixture f;
    f.report->Page()->SetColumns(2);
    f.report->Page()->SetNativeValue(TQRPage::ColumnSpaceIndex, 100);
    f.label(f.addBand(QR::rbTitle, 300), QStringLiteral("T"));
    f.label(f.addBand(QR::rbColumnHeader, 100), QStringLiteral("C"));
    TQRBand *detail = f.addBand(QR::rbDetail, 1000);
    f.label(detail, QStringLiteral("D"));
    f.records(7);
    RecordingFilter filter;
    f.exportTo(filter);
    // Column width: (1900 - 100) / 2 = 900 (in whole pixels of the layout).
    const double width = std::lround(detail->Size()->NativeValue(TQRBandSize::WidthIndex));
    EXPECT_NEAR(width, 900, 2);
    const double column2 = 100 + 100 + width;
    std::vector<std::tuple<int, double, double>> headers, details;
    for (const TextItem &i : filter.items)
        (i.text == QLatin1String("C") ? headers : details).emplace_back(i.page, i.x, i.y);
    // Column 1 under the title; column 2 of page 1 starts below the title too; later pages at the top.
    ASSERT_EQ(headers.size(), 4u);
    EXPECT_EQ(headers[0], std::make_tuple(1, 100.0, 400.0));
    EXPECT_EQ(headers[1], std::make_tuple(1, column2, 400.0));
    EXPECT_EQ(headers[2], std::make_tuple(2, 100.0, 100.0));
    EXPECT_EQ(headers[3], std::make_tuple(2, column2, 100.0));
    // Two details fit in a column (500 and 1500 on page 1), the third goes to column 2.
    details.erase(details.begin()); // the title
    ASSERT_EQ(details.size(), 7u);
    EXPECT_EQ(details[0], std::make_tuple(1, 100.0, 500.0));
    EXPECT_EQ(details[1], std::make_tuple(1, 100.0, 1500.0));
    EXPECT_EQ(details[2], std::make_tuple(1, column2, 500.0));
    EXPECT_EQ(details[4], std::make_tuple(2, 100.0, 200.0));
    EXPECT_EQ(details[6], std::make_tuple(2, column2, 200.0));
}

TEST(Generation, FirstForcedColumnBreakInColumnOneIsNotPerformed)
{
    GenFixture f;
    f.report->Page()->SetColumns(2);
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    detail->SetForceNewColumn(true);
    TQRLabel *d = f.label(detail, QString());
    int n = 0;
    detail->BeforePrint = [&](TQRCustomBand *, bool &) { d->SetCaption(QString::number(++n)); };
    f.records(5);
    RecordingFilter filter;
    f.exportTo(filter);
    ASSERT_EQ(filter.items.size(), 5u);
    const double column2 = 100 + std::lround(detail->Size()->NativeValue(TQRBandSize::WidthIndex));
    auto at = [&](int i) {
        return std::make_tuple(filter.items[i].page, filter.items[i].x, filter.items[i].y);
    };
    // 1 opens page 1; the forced break of 2 is the first in column 1 and is not
    // performed; 3 breaks to column 2, 4 to page 2, 5 to its column 2.
    EXPECT_EQ(at(0), std::make_tuple(1, 100.0, 100.0));
    EXPECT_EQ(at(1), std::make_tuple(1, 100.0, 200.0));
    EXPECT_EQ(at(2), std::make_tuple(1, column2, 100.0));
    EXPECT_EQ(at(3), std::make_tuple(2, 100.0, 100.0));
    EXPECT_EQ(at(4), std::make_tuple(2, column2, 100.0));
}

TEST(Generation, LastPageFooterOffLeavesOnlyTheLastPageWithoutFooter)
{
    GenFixture f;
    f.addBand(QR::rbDetail, 1000);
    f.label(f.addBand(QR::rbPageFooter, 100), QStringLiteral("F"));
    f.records(5);
    RecordingFilter on;
    f.exportTo(on);
    EXPECT_EQ(positions(on, "F").size(), 3u);

    f.report->SetOptions(QR::FirstPageHeader);
    RecordingFilter off;
    f.exportTo(off);
    EXPECT_EQ(off.pages, 3);
    EXPECT_EQ(positions(off, "F"), (std::vector<std::pair<int, double>>{{1, 2770}, {2, 2770}}));
}

TEST(Generation, FirstPageHeaderOptionAndPageNumbers)
{
    GenFixture f;
    TQRBand *header = f.addBand(QR::rbPageHeader, 100);
    auto *page = f.element<TQRSysData>(header, 0, 0, 300, 40);
    page->SetData(QR::qrsPageNumber);
    page->SetText(QStringLiteral("Page "));
    f.addBand(QR::rbDetail, 1000);
    f.records(5);
    f.report->SetOptions(QR::LastPageFooter);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), QStringList());
    EXPECT_EQ(filter.texts(2), QStringList{"Page 2"});
    EXPECT_EQ(filter.texts(3), QStringList{"Page 3"});
}

TEST(Generation, ChildOfPageFooterPrintsInTheReservedFooterSpace)
{
    GenFixture f;
    TQRBand *footer = f.addBand(QR::rbPageFooter, 100);
    f.label(footer, QStringLiteral("F"));
    footer->SetHasChild(true);
    TQRChildBand *child = footer->ChildBand();
    ASSERT_NE(child, nullptr);
    child->Size()->SetNativeValue(TQRBandSize::HeightIndex, 150);
    f.label(child, QStringLiteral("FC"));
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    f.label(detail, QStringLiteral("D"));
    f.records(30);
    RecordingFilter filter;
    f.exportTo(filter);
    // Footer space 250: the footer at 2620, its child right below, both on every page.
    EXPECT_EQ(positions(filter, "F"), (std::vector<std::pair<int, double>>{{1, 2620}, {2, 2620}}));
    EXPECT_EQ(positions(filter, "FC"), (std::vector<std::pair<int, double>>{{1, 2720}, {2, 2720}}));
    // Details stop above the reserved space: 100 ... 2500 on page 1.
    auto details = positions(filter, "D");
    EXPECT_EQ(details[24], (std::pair<int, double>{1, 2500}));
    EXPECT_EQ(details[25], (std::pair<int, double>{2, 100}));
    EXPECT_EQ(child->BandType(), QR::rbChild);
}

TEST(Generation, BandTallerThanThePageOverflowsWithoutLooping)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 4000);
    f.label(detail, QStringLiteral("D"));
    f.records(3);
    RecordingFilter filter;
    f.exportTo(filter);
    // Each one overflows its own page from the top.
    EXPECT_EQ(positions(filter, "D"), (std::vector<std::pair<int, double>>{{1, 100}, {2, 100}, {3, 100}}));
    EXPECT_EQ(filter.pages, 3);
}

TEST(Generation, AlignToBottomPutsTheBandAboveTheFooters)
{
    GenFixture f;
    f.addBand(QR::rbPageFooter, 100);
    f.label(f.addBand(QR::rbDetail, 100), QStringLiteral("D"));
    TQRBand *summary = f.addBand(QR::rbSummary, 200);
    summary->SetAlignToBottom(true);
    f.label(summary, QStringLiteral("S"));
    f.records(2);
    RecordingFilter filter;
    f.exportTo(filter);
    // 2970 - 100 (margin) - 200 (band) - 100 (footers).
    EXPECT_EQ(positions(filter, "S"), (std::vector<std::pair<int, double>>{{1, 2570}}));
}

TEST(Generation, DisabledAndVetoedBandsAndRunVeto)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    f.label(detail, QStringLiteral("D"));
    TQRBand *summary = f.addBand(QR::rbSummary, 100);
    f.label(summary, QStringLiteral("S"));
    summary->SetEnabled(false);
    int calls = 0;
    bool printedFlag = true;
    detail->BeforePrint = [&](TQRCustomBand *, bool &print) { print = ++calls % 2 == 0; };
    detail->AfterPrint = [&](TQRCustomBand *, bool printed) { printedFlag = printed; };
    f.records(4);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"D", "D"}));
    EXPECT_TRUE(printedFlag);
    EXPECT_EQ(calls, 4);

    // A vetoed run leaves no document open.
    f.report->BeforePrint = [](TQRCustomReport *, bool &print) { print = false; };
    f.report->PreparePages();
    EXPECT_NE(f.report->QRPrinter()->Status(), mpBusy);
    EXPECT_EQ(f.report->QRPrinter()->PageCount(), 0);
    EXPECT_TRUE(f.report->Idle);
}

TEST(Generation, CancelStopsAtTheNextRecordAndEndsTheDocument)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 1000);
    f.label(detail, QStringLiteral("D"));
    f.label(f.addBand(QR::rbSummary, 100), QStringLiteral("S"));
    f.records(100);
    int hookCalls = 0;
    QRProcessMessagesHook() = [&] {
        if (++hookCalls == 4)
            f.report->Cancel();
    };
    f.report->PreparePages();
    QRProcessMessagesHook() = nullptr;
    TQRPrinter *p = f.report->QRPrinter();
    EXPECT_TRUE(f.report->CancelRequested);
    EXPECT_EQ(p->Status(), mpFinished);
    EXPECT_TRUE(p->Cancelled());
    EXPECT_EQ(f.record, 3); // the hook runs before the header and before every record
    EXPECT_TRUE(f.report->Idle);
    // Cancel outside a run does nothing.
    f.report->CancelRequested = false;
    f.report->Cancel();
    EXPECT_FALSE(f.report->CancelRequested);
}

TEST(Generation, AnExceptionInARunRestoresTheReport)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    f.label(detail, QStringLiteral("D"));
    f.records(10);
    detail->BeforePrint = [](TQRCustomBand *, bool &) { throw std::runtime_error("broken handler"); };
    EXPECT_THROW(f.report->PreparePages(), std::runtime_error);
    EXPECT_TRUE(f.report->Idle);
    EXPECT_EQ(f.report->Units(), QRUnits::MM);
    EXPECT_EQ(f.report->QRPrinter()->Status(), mpFinished);
    EXPECT_FALSE(f.report->Functions()->IsEngaged());
    // The next run works.
    detail->BeforePrint = nullptr;
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.items.size(), 10u);
}

TEST(Generation, ExportCallsTheFilterInOrderAndDrawsNothing)
{
    GenFixture f;
    f.label(f.addBand(QR::rbDetail, 2000), QStringLiteral("D"));
    f.records(2);
    f.report->PreparePages();
    TQRPrinter *previous = f.report->QRPrinter();
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.events, (QStringList{"Start 2100 2970", "EndPage", "NewPage", "EndPage", "NewPage",
                                          "EndPage", "Finish"}));
    EXPECT_EQ(filter.Report(), f.report);
    EXPECT_EQ(filter.PreviewPrinter(), previous);
    EXPECT_FALSE(filter.Active());
    // The recorded pages of the preview are left alone, and drawing is on again.
    EXPECT_EQ(f.report->QRPrinter(), previous);
    EXPECT_EQ(previous->PageCount(), 2);
    EXPECT_TRUE(f.report->RenderToCanvas);
    EXPECT_EQ(f.report->RunFilter, nullptr);
}

TEST(Generation, GroupFootersShowPerGroupSumsWithResetAfterPrint)
{
    DataFixture f;
    TQuery *q = f.query(QStringLiteral("sales"),
                        "Region,Amount\nEast,1\nEast,2\nNorth,10\nNorth,20\nNorth,30\nWest,5\n",
                        QStringLiteral("select Region, Amount from sales order by Region, Amount"));
    q->Open();
    f.report->SetDataSet(q);
    auto *group = f.band<TQRGroup>(QR::rbGroupHeader, QStringLiteral("ByRegion"));
    group->Size()->SetNativeValue(TQRBandSize::HeightIndex, 100);
    group->SetExpression(QStringLiteral("Region"));
    auto *regionText = f.element<TQRExpr>(group, 0, 0, 300, 40);
    regionText->SetExpression(QStringLiteral("Region"));
    TQRBand *groupFooter = f.addBand(QR::rbGroupFooter, 100, QStringLiteral("RegionFooter"));
    group->SetFooterBand(groupFooter);
    auto *sum = f.element<TQRExpr>(groupFooter, 0, 0, 300, 40);
    sum->SetExpression(QStringLiteral("Sum(Amount)"));
    sum->SetResetAfterPrint(true);
    f.addBand(QR::rbDetail, 100);
    TQRBand *summary = f.addBand(QR::rbSummary, 100);
    auto *total = f.element<TQRExpr>(summary, 0, 0, 300, 40);
    total->SetExpression(QStringLiteral("Sum(Amount)"));
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"East", "3", "North", "60", "West", "5", "68"}));
}

TEST(Generation, QueryParametersComeFromReportVariables)
{
    DataFixture f;
    TQuery *q = f.query(QStringLiteral("people"), "Name,Age\nAnn,30\nBob,41\nCid,52\n",
                        QStringLiteral("select Name from people where Age > :MINAGE order by Name"));
    q->Params().ParamByName(QStringLiteral("MINAGE"))->SetDataType(ftInteger);
    q->Params().ParamByName(QStringLiteral("MINAGE"))->SetAsInteger(0);
    q->Open();
    f.report->SetDataSet(q);
    f.report->Functions()->AddVariable(QStringLiteral("MINAGE"), QStringLiteral("40"));
    auto *name = f.element<TQRDBText>(f.addBand(QR::rbDetail, 100), 0, 0, 300, 40);
    name->SetDataSet(q);
    name->SetDataField(QStringLiteral("Name"));
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"Bob", "Cid"}));
}

TEST(Generation, SubDetailPrintsItsRecordsAfterEachMasterDetail)
{
    GenFixture f;
    TQRBand *detail = f.addBand(QR::rbDetail, 100);
    f.label(detail, QStringLiteral("M"));
    auto *sub = f.band<TQRSubDetail>(QR::rbSubDetail, QStringLiteral("Items"));
    sub->Size()->SetNativeValue(TQRBandSize::HeightIndex, 100);
    sub->SetMaster(f.report);
    f.label(sub, QStringLiteral("s"));
    int subRecords = 0;
    sub->OnNeedData = [&](QObject *, bool &more) { more = subRecords++ % 3 != 2; };
    f.records(2);
    RecordingFilter filter;
    f.exportTo(filter);
    EXPECT_EQ(filter.texts(1), (QStringList{"M", "s", "s", "M", "s", "s"}));
}
