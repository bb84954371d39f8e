// Band types and names, child bands, links, masters, the ordered band list
// and the design layout.
#include "enginetest.h"

#include "common/prompt.h"
#include "engine/controller.h"

#include <gtest/gtest.h>

namespace
{
QStringList names(const QList<TQRCustomBand *> &bands)
{
    QStringList out;
    for (TQRCustomBand *b : bands)
        out << b->Name();
    return out;
}
} // namespace

TEST(BandTypes, DisplayNamesAndNameBases)
{
    const QList<QPair<QString, QString>> expected = {
        {"Title", "TitleBand"},
        {"Page Header", "PageHeaderBand"},
        {"Detail", "DetailBand"},
        {"Page Footer", "PageFooterBand"},
        {"Summary", "SummaryBand"},
        {"Group Header", "GroupHeaderBand"},
        {"Group Footer", "GroupFooterBand"},
        {"Sub Detail", "SubDetailBand"},
        {"Column Header", "ColumnHeaderBand"},
        {"Overlay", "OverlayBand"},
        {"Child", "ChildBand"},
    };
    for (int t = 0; t < expected.size(); ++t) {
        TQRBand band;
        band.SetBandType(QR::TQRBandType(t));
        EXPECT_EQ(band.DisplayName(), expected[t].first);
        EXPECT_EQ(band.NameBase(), expected[t].second);
    }
    TQRLoopBand loop;
    EXPECT_EQ(loop.DisplayName(), QStringLiteral("Loop Band"));
    EXPECT_EQ(loop.NameBase(), QStringLiteral("LoopBand"));
    EXPECT_EQ(loop.BandType(), QR::rbSubDetail);
    TQRStringsBand strings;
    EXPECT_EQ(strings.DisplayName(), QStringLiteral("Strings Band"));
    EXPECT_EQ(strings.NameBase(), QStringLiteral("StringsBand"));
    EXPECT_EQ(TQRChildBand().BandType(), QR::rbChild);
    EXPECT_EQ(TQRGroup().BandType(), QR::rbGroupHeader);
    EXPECT_EQ(TQRSubDetail().BandType(), QR::rbSubDetail);
    EXPECT_TRUE(BandTypeDisplayName(QR::TQRBandType(42)).isEmpty());
}

TEST(CreateBand, NamesFromTheBaseWithTheFirstFreeNumber)
{
    ReportFixture f;
    TQRBand *a = f.report->CreateBand(QR::rbDetail);
    EXPECT_EQ(a->Name(), QStringLiteral("DetailBand1"));
    EXPECT_EQ(a->Owner(), f.form.get()) << "owned by the report's owner";
    EXPECT_EQ(a->Parent(), f.report);
    EXPECT_EQ(a->BandType(), QR::rbDetail);
    new TComponent(f.form.get()); // unnamed components do not count
    auto *taken = new TQRBand(f.form.get());
    taken->SetName(QStringLiteral("DetailBand2"));
    EXPECT_EQ(f.report->CreateBand(QR::rbDetail)->Name(), QStringLiteral("DetailBand3"));
    a->SetName(QString());
    EXPECT_EQ(f.report->CreateBand(QR::rbDetail)->Name(), QStringLiteral("DetailBand1"));
    EXPECT_EQ(f.report->CreateBand(QR::rbPageFooter)->Name(), QStringLiteral("PageFooterBand1"));

    // Without an owner the report owns its bands.
    TQRReport lone;
    TQRBand *b = lone.CreateBand(QR::rbTitle);
    EXPECT_EQ(b->Owner(), &lone);
    EXPECT_EQ(b->Name(), QStringLiteral("TitleBand1"));
}

TEST(CreateBand, DesignTimeBandsGoToTheDesignerRoot)
{
    ReportFixture f;
    TComponent root;
    f.report->SetDesigning(true);
    f.report->DesignerRoot = &root;
    TQRBand *band = f.report->CreateBand(QR::rbSummary);
    EXPECT_EQ(band->Owner(), &root);
    EXPECT_TRUE(band->IsDesigning());
    delete band;
}

TEST(ReportBands, HasFlagsCreateAndFreeBands)
{
    ReportFixture f;
    TQRReportBands *bands = f.report->Bands();
    EXPECT_FALSE(bands->HasTitle());
    bands->SetHasTitle(true);
    bands->SetHasDetail(true);
    bands->SetHasPageFooter(true);
    EXPECT_TRUE(bands->HasTitle());
    ASSERT_NE(f.report->FindBand(QR::rbTitle), nullptr);
    EXPECT_EQ(f.report->FindBand(QR::rbTitle)->Name(), QStringLiteral("TitleBand1"));
    bands->SetHasTitle(true); // already there: no second band
    EXPECT_EQ(f.report->ChildBands().size(), 3);
    bands->SetHasTitle(false);
    EXPECT_FALSE(bands->HasTitle());
    EXPECT_EQ(f.form->FindComponent(QStringLiteral("TitleBand1")), nullptr);
    EXPECT_EQ(f.report->BandList().size(), 2);
    // Through the generic property mechanism (not stored in files).
    EXPECT_TRUE(SetPropertyText(f.report, QStringLiteral("Bands.HasSummary"), QStringLiteral("True")));
    EXPECT_NE(f.report->FindBand(QR::rbSummary), nullptr);
    TPropInfo info;
    ASSERT_TRUE(FindPublishedProperty(bands->metaObject(), QStringLiteral("HasSummary"), &info));
    EXPECT_FALSE(info.Stored());
}

TEST(ChildBands, HasChildCreatesAndFreesAChild)
{
    ReportFixture f;
    TQRBand *detail = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    EXPECT_FALSE(detail->HasChild());
    detail->SetHasChild(true);
    ASSERT_TRUE(detail->HasChild());
    TQRChildBand *child = detail->ChildBand();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->ParentBand(), detail);
    EXPECT_EQ(child->Owner(), f.form.get());
    EXPECT_EQ(child->Parent(), f.report);
    EXPECT_TRUE(child->Name().isEmpty()) << "outside design time a new child is unnamed";
    detail->SetHasChild(true);
    EXPECT_EQ(f.report->ChildBands().size(), 2) << "at most one child";
    detail->SetHasChild(false);
    EXPECT_FALSE(detail->HasChild());
    EXPECT_EQ(f.report->ChildBands().size(), 1);
}

TEST(ChildBands, DesignTimeChildIsNamedByTheDesigner)
{
    ReportFixture f;
    f.report->SetDesigning(true);
    TQRBand *detail = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    detail->SetDesigning(true);
    detail->SetHasChild(true);
    EXPECT_EQ(detail->ChildBand()->Name(), QStringLiteral("ChildBand1"));
    f.report->DesignerUniqueName = [](TComponent *) { return QStringLiteral("QRChild7"); };
    detail->ChildBand()->SetHasChild(true);
    EXPECT_EQ(detail->ChildBand()->ChildBand()->Name(), QStringLiteral("QRChild7"));
}

TEST(ChildBands, FreeingAChildReattachesTheGrandchild)
{
    ReportFixture f;
    TQRBand *detail = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    detail->SetHasChild(true);
    TQRChildBand *child = detail->ChildBand();
    child->SetName(QStringLiteral("Child"));
    child->SetHasChild(true);
    TQRChildBand *grandchild = child->ChildBand();
    grandchild->SetName(QStringLiteral("Grandchild"));
    EXPECT_EQ(names(f.report->BandList()), QStringList({"Detail", "Child", "Grandchild"}));

    detail->SetHasChild(false);
    EXPECT_EQ(f.form->FindComponent(QStringLiteral("Child")), nullptr);
    EXPECT_EQ(grandchild->ParentBand(), detail);
    EXPECT_EQ(detail->ChildBand(), grandchild);
    EXPECT_EQ(names(f.report->BandList()), QStringList({"Detail", "Grandchild"}));
}

TEST(ChildBands, ParentCyclesAndSecondChildrenAreRefused)
{
    ReportFixture f;
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    TQRBand *detail = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    auto *a = f.band<TQRChildBand>(QR::rbChild, QStringLiteral("A"));
    auto *b = f.band<TQRChildBand>(QR::rbChild, QStringLiteral("B"));
    a->SetParentBand(detail);
    b->SetParentBand(a);
    a->SetParentBand(b); // a -> b -> a
    EXPECT_EQ(a->ParentBand(), detail);
    a->SetParentBand(a);
    EXPECT_EQ(a->ParentBand(), detail);
    auto *c = f.band<TQRChildBand>(QR::rbChild, QStringLiteral("C"));
    c->SetParentBand(detail); // detail already has a
    EXPECT_EQ(c->ParentBand(), nullptr);
    EXPECT_TRUE(prompt.Records().isEmpty()) << "no message outside design time";

    a->SetDesigning(true);
    a->SetParentBand(b);
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records().first().text, QStringLiteral("Circular linking not allowed"));
}

TEST(LinkBand, CyclesAreRefusedAndHeightsAddUp)
{
    ReportFixture f;
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    auto *a = f.band<TQRBand>(QR::rbDetail, QStringLiteral("A"));
    auto *b = f.band<TQRBand>(QR::rbGroupFooter, QStringLiteral("B"));
    auto *c = f.band<TQRBand>(QR::rbGroupFooter, QStringLiteral("C"));
    f.report->SetUnits(QRUnits::Native);
    a->Size()->SetHeight(100);
    b->Size()->SetHeight(200);
    c->Size()->SetHeight(300);
    a->SetLinkBand(b);
    b->SetLinkBand(a);
    EXPECT_EQ(b->LinkBand(), nullptr) << "A -> B, then B -> A is refused";
    a->SetLinkBand(a);
    EXPECT_EQ(a->LinkBand(), b);
    b->SetLinkBand(c);
    c->SetDesigning(true);
    c->SetLinkBand(a);
    EXPECT_EQ(c->LinkBand(), nullptr);
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records().first().text, QStringLiteral("Circular linking not allowed"));
    EXPECT_DOUBLE_EQ(a->LinkedHeight(), 600);
    EXPECT_DOUBLE_EQ(b->LinkedHeight(), 500);
    EXPECT_DOUBLE_EQ(c->LinkedHeight(), 300);
    // Through the generic property mechanism, by name: the same rule holds.
    EXPECT_TRUE(SetPropertyText(c, QStringLiteral("LinkBand"), QStringLiteral("A")));
    EXPECT_EQ(c->LinkBand(), nullptr);
    auto *d = f.band<TQRBand>(QR::rbDetail, QStringLiteral("D"));
    EXPECT_TRUE(SetPropertyText(d, QStringLiteral("LinkBand"), QStringLiteral("A")));
    EXPECT_EQ(d->LinkBand(), a);
    EXPECT_EQ(GetPropertyText(d, QStringLiteral("LinkBand")), QStringLiteral("A"));
    delete b;
    EXPECT_EQ(a->LinkBand(), nullptr) << "a freed link band is forgotten";
}

TEST(Groups, FooterTypeAndMasterRules)
{
    ReportFixture f;
    auto *group = f.band<TQRGroup>(QR::rbGroupHeader, QStringLiteral("Group"));
    EXPECT_EQ(group->Master(), f.report) << "a group placed on a report gets the report as master";
    auto *footer = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Footer"));
    group->SetFooterBand(footer);
    EXPECT_EQ(footer->BandType(), QR::rbGroupFooter);
    TComponent other(f.form.get());
    group->SetMaster(&other);
    EXPECT_EQ(group->Master(), f.report) << "only a report or a controller band";
    auto *sub = f.band<TQRSubDetail>(QR::rbSubDetail, QStringLiteral("Sub"));
    group->SetMaster(sub);
    EXPECT_EQ(group->Master(), sub);
    delete footer;
    EXPECT_EQ(group->FooterBand(), nullptr);
    delete sub;
    EXPECT_EQ(group->Master(), nullptr);
}

TEST(ControllerBands, MasterCyclesAreRefused)
{
    ReportFixture f;
    auto *a = f.band<TQRSubDetail>(QR::rbSubDetail, QStringLiteral("A"));
    auto *b = f.band<TQRSubDetail>(QR::rbSubDetail, QStringLiteral("B"));
    auto *loop = f.band<TQRLoopBand>(QR::rbSubDetail, QStringLiteral("Loop"));
    EXPECT_EQ(a->Master(), f.report);
    b->SetMaster(a);
    loop->SetMaster(b);
    a->SetMaster(loop); // a -> loop -> b -> a
    EXPECT_EQ(a->Master(), f.report);
    a->SetMaster(a);
    EXPECT_EQ(a->Master(), f.report);
    EXPECT_EQ(loop->Master(), b);
}

TEST(SubDetail, HeaderAndFooterBands)
{
    ReportFixture f;
    auto *sub = f.band<TQRSubDetail>(QR::rbSubDetail, QStringLiteral("Sub"));
    sub->Bands()->SetHasHeader(true);
    sub->Bands()->SetHasFooter(true);
    ASSERT_NE(sub->HeaderBand(), nullptr);
    ASSERT_NE(sub->FooterBand(), nullptr);
    EXPECT_EQ(sub->HeaderBand()->BandType(), QR::rbGroupHeader);
    EXPECT_EQ(sub->HeaderBand()->Name(), QStringLiteral("GroupHeaderBand1"));
    EXPECT_EQ(sub->FooterBand()->BandType(), QR::rbGroupFooter);
    EXPECT_TRUE(sub->Bands()->HasHeader());
    sub->Bands()->SetHasHeader(false);
    EXPECT_EQ(sub->HeaderBand(), nullptr);
    EXPECT_EQ(f.form->FindComponent(QStringLiteral("GroupHeaderBand1")), nullptr);
    auto *header = f.band<TQRBand>(QR::rbDetail, QStringLiteral("H"));
    sub->SetHeaderBand(header);
    EXPECT_EQ(header->BandType(), QR::rbGroupHeader);
    EXPECT_TRUE(sub->PrintIfEmpty());
    EXPECT_FALSE(sub->PrintBefore());
    // Only datasets are accepted as DataSet.
    TComponent notADataSet(f.form.get());
    sub->SetDataSet(&notADataSet);
    EXPECT_EQ(sub->DataSet(), nullptr);
}

TEST(BandList, OrderFollowsTypesAndTheControllerTree)
{
    ReportFixture f;
    // Created in a scrambled order on purpose.
    auto *summary = f.band<TQRBand>(QR::rbSummary, QStringLiteral("Summary"));
    auto *footer = f.band<TQRBand>(QR::rbPageFooter, QStringLiteral("PageFooter"));
    auto *after = f.band<TQRSubDetail>(QR::rbSubDetail, QStringLiteral("After"));
    auto *detail = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    auto *before = f.band<TQRLoopBand>(QR::rbSubDetail, QStringLiteral("Before"));
    before->SetPrintBefore(true);
    auto *group = f.band<TQRGroup>(QR::rbGroupHeader, QStringLiteral("Group"));
    auto *groupFooter = f.band<TQRBand>(QR::rbGroupFooter, QStringLiteral("GroupFooter"));
    group->SetFooterBand(groupFooter);
    auto *inner = f.band<TQRGroup>(QR::rbGroupHeader, QStringLiteral("Inner"));
    auto *innerFooter = f.band<TQRBand>(QR::rbGroupFooter, QStringLiteral("InnerFooter"));
    inner->SetFooterBand(innerFooter);
    auto *title = f.band<TQRBand>(QR::rbTitle, QStringLiteral("Title"));
    auto *header = f.band<TQRBand>(QR::rbPageHeader, QStringLiteral("PageHeader"));
    auto *columns = f.band<TQRBand>(QR::rbColumnHeader, QStringLiteral("Columns"));
    auto *subHeader = f.band<TQRBand>(QR::rbDetail, QStringLiteral("SubHeader"));
    after->SetHeaderBand(subHeader);
    auto *nested = f.band<TQRStringsBand>(QR::rbSubDetail, QStringLiteral("Nested"));
    nested->SetMaster(after);
    auto *overlay = f.band<TQRBand>(QR::rbOverlay, QStringLiteral("Overlay"));
    detail->SetHasChild(true);
    detail->ChildBand()->SetName(QStringLiteral("DetailChild"));
    title->SetHasChild(true);
    title->ChildBand()->SetName(QStringLiteral("TitleChild"));
    Q_UNUSED(summary);
    Q_UNUSED(footer);
    Q_UNUSED(header);
    Q_UNUSED(columns);
    Q_UNUSED(overlay);

    EXPECT_EQ(names(f.report->BandList()),
              QStringList({"PageHeader", "Title", "TitleChild", "Columns", "Group", "Inner", "Before",
                           "Detail", "DetailChild", "SubHeader", "After", "Nested", "InnerFooter",
                           "GroupFooter", "Summary", "PageFooter", "Overlay"}));

    // The report's controller got the first title, detail and summary bands.
    EXPECT_EQ(f.report->Controller()->Header(), title);
    EXPECT_EQ(f.report->Controller()->Detail(), detail);
    EXPECT_EQ(f.report->Controller()->Groups().size(), 2);
    EXPECT_EQ(f.report->Controller()->PrintBeforeList().size(), 1);
    EXPECT_EQ(f.report->Controller()->PrintAfterList().size(), 1);

    // Retyping re-sorts.
    overlay->SetBandType(QR::rbPageHeader);
    EXPECT_EQ(f.report->BandList().at(1), overlay);
    // Removing a band drops it from the list.
    delete group;
    EXPECT_FALSE(names(f.report->BandList()).contains(QStringLiteral("Group")));
    EXPECT_EQ(f.report->BandList().size(), 16) << "the group's footer stays";
}

TEST(BandList, NotRebuiltWhileLoading)
{
    ReportFixture f;
    auto *detail = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    f.report->BeginLoading();
    auto *title = f.band<TQRBand>(QR::rbTitle, QStringLiteral("Title"));
    EXPECT_EQ(names(f.report->BandList()), QStringList({"Detail"}));
    f.report->EndLoading();
    EXPECT_EQ(names(f.report->BandList()), QStringList({"Title", "Detail"}));
    Q_UNUSED(detail);
    Q_UNUSED(title);
}

TEST(Layout, BandsStackFromTheTopMarginWithColumnWidths)
{
    LocaleGuard metric(QStringLiteral("de_DE"));
    ReportFixture f;
    f.report->SetUnits(QRUnits::MM);
    auto *header = f.band<TQRBand>(QR::rbPageHeader, QStringLiteral("Header"));
    auto *detail = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    detail->SetHasChild(true);
    TQRChildBand *child = detail->ChildBand();
    header->Size()->SetHeight(25.4); // 96 px
    detail->Size()->SetHeight(12.7); // 48 px
    child->Size()->SetHeight(5);     // 18.9 -> 19 px
    // Margins 10 mm = 37.8 -> 38 px; A4 = 210 mm = 793.7 -> 794 px.
    EXPECT_EQ(f.report->Width(), 794);
    EXPECT_EQ(f.report->Height(), 1123);
    EXPECT_EQ(header->Top(), 38);
    EXPECT_EQ(header->Left(), 38);
    EXPECT_EQ(header->Height(), 96);
    EXPECT_EQ(detail->Top(), 38 + 96);
    EXPECT_EQ(child->Top(), 38 + 96 + 48);
    EXPECT_EQ(child->Height(), 19);
    // Printable width 190 mm = 718 px.
    EXPECT_EQ(header->Width(), 718);
    EXPECT_DOUBLE_EQ(header->Size()->Width(), 190);
    EXPECT_EQ(detail->Width(), 718);

    f.report->Page()->SetColumns(2);
    f.report->Page()->SetColumnSpace(10); // 37.8 -> 38 px
    EXPECT_EQ(detail->Width(), (718 - 38) / 2);
    EXPECT_EQ(child->Width(), (718 - 38) / 2) << "a child follows its parent's rule";
    EXPECT_EQ(header->Width(), 718) << "page headers span the page";
    EXPECT_NEAR(detail->Size()->Width(), 340 * 25.4 / 96, 1e-9);

    // Zoom doubles the pixels; invalid zooms are ignored.
    f.report->SetZoom(200);
    EXPECT_EQ(f.report->Zoom(), 200);
    EXPECT_EQ(header->Height(), 192);
    EXPECT_EQ(header->Top(), 76);
    EXPECT_DOUBLE_EQ(header->Size()->Height(), 25.4) << "native sizes do not change with the zoom";
    f.report->SetZoom(0);
    f.report->SetZoom(301);
    f.report->SetZoom(-5);
    EXPECT_EQ(f.report->Zoom(), 200);
    f.report->SetZoom(300);
    EXPECT_EQ(f.report->Zoom(), 300);
}

TEST(Layout, PixelHeightEditsFeedTheNativeSize)
{
    LocaleGuard metric(QStringLiteral("de_DE"));
    ReportFixture f;
    auto *a = f.band<TQRBand>(QR::rbDetail, QStringLiteral("A"));
    auto *b = f.band<TQRBand>(QR::rbSummary, QStringLiteral("B"));
    EXPECT_EQ(a->Height(), 40) << "construction height";
    f.report->SetModified(false);
    a->SetHeight(96);
    EXPECT_DOUBLE_EQ(a->Size()->Height(), 25.4);
    EXPECT_EQ(b->Top(), a->Top() + 96) << "the next band moves down";
    EXPECT_TRUE(f.report->Modified());
    // Custom paper follows the panel's pixel size.
    f.report->Page()->SetPaperSize(QRPaper::Custom);
    f.report->SetBounds(0, 0, 960, 480);
    EXPECT_DOUBLE_EQ(f.report->Page()->Width(), 254);
    EXPECT_DOUBLE_EQ(f.report->Page()->Length(), 127);
    // A standard size does not.
    f.report->Page()->SetPaperSize(QRPaper::A5);
    f.report->SetBounds(0, 0, 100, 100);
    EXPECT_DOUBLE_EQ(f.report->Page()->Width(), 148);
}

TEST(Layout, BandKeepsAStoredPixelHeightOnlyWithoutANativeOne)
{
    ReportFixture f;
    f.report->BeginLoading();
    auto *a = f.band<TQRBand>(QR::rbDetail, QStringLiteral("A"));
    auto *b = f.band<TQRBand>(QR::rbSummary, QStringLiteral("B"));
    for (TQRBand *band : {a, b})
        band->BeginLoading();
    a->SetHeight(60); // no Values: the construction size says 40 px
    b->SetHeight(60);
    ASSERT_TRUE(b->Size()->SetDefinedProperty(QStringLiteral("Values"), QVariantList{254.0, 0.0}));
    a->EndLoading();
    b->EndLoading();
    f.report->EndLoading();
    EXPECT_EQ(a->Height(), 60);
    EXPECT_NEAR(a->Size()->NativeValue(TQRBandSize::HeightIndex), 60 * 254.0 / 96, 1e-9);
    EXPECT_EQ(b->Height(), 96) << "the native size wins";
}

TEST(Report, UnitsApplyToPageBandsAndElements)
{
    ReportFixture f;
    auto *band = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    auto *label = new TQRLabel(f.form.get());
    label->SetParent(band);
    f.report->SetUnits(QRUnits::MM);
    EXPECT_EQ(f.report->Page()->Units(), QRUnits::MM);
    EXPECT_EQ(band->Size()->Units(), QRUnits::MM);
    EXPECT_EQ(label->Size()->Units(), QRUnits::MM);
    f.report->SetUnits(QRUnits::Native);
    EXPECT_EQ(label->Size()->Units(), QRUnits::Native);
    auto *later = new TQRShape(f.form.get());
    later->SetParent(band);
    EXPECT_EQ(later->Size()->Units(), QRUnits::Native) << "elements placed later take the report's unit";
    EXPECT_TRUE(SetPropertyText(f.report, QStringLiteral("Units"), QStringLiteral("Inches")));
    EXPECT_EQ(band->Size()->Units(), QRUnits::Inches);
}

TEST(Report, PublishedPropertiesAndDefaults)
{
    ReportFixture f;
    QStringList props;
    for (const TPropInfo &p : PublishedProperties(f.report))
        props << p.Name();
    EXPECT_EQ(
        props,
        QStringList({"Name",         "Tag",         "Left",         "Top",        "Width", "Height",
                     "Cursor",       "Hint",        "HelpContext",  "Frame",      "Bands", "DataSet",
                     "Description",  "Font",        "Functions",    "Options",    "Page",  "PrinterSettings",
                     "PrintIfEmpty", "ReportTitle", "ShowProgress", "SnapToGrid", "Units", "Zoom"}));
    EXPECT_EQ(GetPropertyText(f.report, QStringLiteral("Options")),
              QStringLiteral("[FirstPageHeader,LastPageFooter]"));
    EXPECT_EQ(GetPropertyText(f.report, QStringLiteral("Font.Name")), QStringLiteral("Arial"));
    EXPECT_EQ(f.report->Font()->Size(), 10);
    EXPECT_EQ(GetPropertyText(f.report, QStringLiteral("PrinterSettings.OutputBin")), QStringLiteral("Auto"));
    EXPECT_EQ(f.report->PrinterSettings()->Copies(), 1);
    EXPECT_EQ(f.report->PrinterSettings()->PrinterIndex(), -1);
    EXPECT_EQ(f.report->PrinterSettings()->PaperSize(), QRPaper::Letter);
    EXPECT_TRUE(f.report->SnapToGrid());
    EXPECT_TRUE(f.report->ShowProgress());
    EXPECT_TRUE(SetPropertyText(f.report, QStringLiteral("Page.PaperSize"), QStringLiteral("A5")));
    EXPECT_EQ(f.report->Page()->PaperSize(), QRPaper::A5);
    EXPECT_TRUE(SetPropertyText(f.report, QStringLiteral("Page.Columns"), QStringLiteral("2")));
    EXPECT_EQ(f.report->Page()->Columns(), 2);

    TQRBand band;
    QStringList bandProps;
    for (const TPropInfo &p : PublishedProperties(&band))
        bandProps << p.Name();
    EXPECT_EQ(bandProps.mid(9),
              QStringList({"Frame", "AlignToBottom", "Color", "Enabled", "Font", "ForceNewColumn",
                           "ForceNewPage", "HasChild", "LinkBand", "ParentFont", "Size", "BandType"}));
    // Construction colour white, stream default clBtnFace: a new band's colour is written.
    TPropInfo color;
    ASSERT_TRUE(FindPublishedProperty(band.metaObject(), QStringLiteral("Color"), &color));
    EXPECT_EQ(band.Color(), clWhite);
    EXPECT_FALSE(IsDefaultValue(&band, color));
    band.SetColor(clBtnFace);
    EXPECT_TRUE(IsDefaultValue(&band, color));

    TQREReport labels;
    EXPECT_TRUE(SetPropertyText(&labels, QStringLiteral("LabelSettings.LabelCount"), QStringLiteral("3")));
    EXPECT_EQ(labels.LabelSettings()->LabelCount(), 3);
}

TEST(Report, BandSizeValuesAndFonts)
{
    ReportFixture f;
    auto *band = f.band<TQRBand>(QR::rbDetail, QStringLiteral("Detail"));
    const QVariantList values = band->Size()->DefinedProperty(QStringLiteral("Values")).toList();
    ASSERT_EQ(values.size(), 2);
    EXPECT_NEAR(values.at(0).toDouble(), 40 * 254.0 / 96, 1e-9) << "Height first";
    // Bands with ParentFont follow the report's font until they get their own.
    EXPECT_EQ(band->Font()->Name(), QStringLiteral("Arial"));
    f.report->Font()->SetName(QStringLiteral("Courier New"));
    EXPECT_EQ(band->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_TRUE(band->ParentFont());
    band->Font()->SetSize(14);
    EXPECT_FALSE(band->ParentFont());
    f.report->Font()->SetName(QStringLiteral("Times New Roman"));
    EXPECT_EQ(band->Font()->Name(), QStringLiteral("Courier New"));
    band->SetParentFont(true);
    EXPECT_EQ(band->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(band->Font()->Size(), 10);
}

TEST(Report, MeasuresTextOnTheReferenceContext)
{
    ReportFixture f;
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(10);
    const int empty = f.report->MeasureTextWidth(&font, QString());
    const int one = f.report->MeasureTextWidth(&font, QStringLiteral("M"));
    const int many = f.report->MeasureTextWidth(&font, QStringLiteral("MMMMMMMMMM"));
    EXPECT_EQ(empty, 1) << "the extent width + 1";
    EXPECT_GT(one, 1);
    EXPECT_GT(many, 5 * one);
    const int h10 = f.report->MeasureLineHeight(&font);
    font.SetSize(20);
    const int h20 = f.report->MeasureLineHeight(&font);
    EXPECT_GT(h10, 10);
    EXPECT_NEAR(h20, 2 * h10, 2);
    // Independent of the zoom.
    f.report->SetZoom(250);
    EXPECT_EQ(f.report->MeasureLineHeight(&font), h20);
}
