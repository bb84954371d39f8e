// Design reports: band print rules (page filters, conditions, last-page
// footers), chained report events, print offsets, and the classes as the
// component model sees them.

#include "common/classregistry.h"
#include "common/properties.h"
#include "deftest.h"
#include "expressions/variables.h"

namespace
{

// One record per page: a page header, and a detail band too tall to share a page.
class PageFilters : public DesignTest
{
protected:
    PageFilters()
    {
        header = designBand(QR::rbPageHeader, 100, QStringLiteral("Header"));
        label(header, QStringLiteral("PH"));
        detail = designBand(QR::rbDetail, 2000, QStringLiteral("Detail"));
        expr(detail, QStringLiteral("'row'"));
        records(8);
    }
    QList<int> headerPages()
    {
        RecordingFilter filter;
        EXPECT_TRUE(run(filter));
        EXPECT_EQ(filter.pages, 8);
        return pagesOf(filter, QStringLiteral("PH"));
    }
    TQRDesignBand *header;
    TQRDesignBand *detail;
};

TEST_F(PageFilters, WithoutFiltersTheBandPrintsOnEveryPage)
{
    EXPECT_EQ(headerPages(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(PageFilters, StartPageAndStep)
{
    header->SetStartPageNum(3);
    header->SetPageStep(2);
    EXPECT_EQ(headerPages(), (QList<int>{3, 5, 7}));
}

TEST_F(PageFilters, NotOnFirstPageAlone)
{
    header->SetNotOnFirstPage(true);
    EXPECT_EQ(headerPages(), (QList<int>{2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(PageFilters, EndPageAndStepFromPageOne)
{
    header->SetEndPageNum(5);
    header->SetPageStep(2);
    EXPECT_EQ(headerPages(), (QList<int>{1, 3, 5}));
}

// The band that opens page 1 is asked on page 1: its page filter and a
// PAGENUMBER condition see the page it will print on.
TEST_F(PageFilters, TheBandThatOpensPageOneIsOnPageOne)
{
    detail->SetEndPageNum(5);
    {
        RecordingFilter filter;
        EXPECT_TRUE(run(filter));
        // Each row is asked on the page the previous one filled: the sixth on page 5.
        EXPECT_EQ(pagesOf(filter, QStringLiteral("row")), (QList<int>{1, 2, 3, 4, 5, 6}));
    }
    detail->SetEndPageNum(0);
    detail->SetStartPageNum(1);
    TQRDesignBand *title = designBand(QR::rbTitle, 100, QStringLiteral("Title"));
    label(title, QStringLiteral("T"));
    title->SetStartPageNum(1);
    for (const char *condition : {"", "PAGENUMBER = 1"}) {
        SCOPED_TRACE(condition);
        title->SetBandExpression(QLatin1String(condition));
        RecordingFilter filter;
        EXPECT_TRUE(run(filter));
        EXPECT_EQ(pagesOf(filter, QStringLiteral("T")), (QList<int>{1}));
        EXPECT_EQ(pagesOf(filter, QStringLiteral("row")).size(), 8);
        title->SetStartPageNum(0);
    }
}

TEST_F(PageFilters, EditorEnabledOffNeverPrints)
{
    header->SetEditorEnabled(false);
    header->SetBandExpression(QStringLiteral("TRUE"));
    EXPECT_TRUE(headerPages().isEmpty());
}

TEST_F(PageFilters, ConditionResults)
{
    struct Case {
        const char *expression;
        bool prints;
    } cases[] = {
        {"", true},
        {"1 = 1", true},
        {"1 = 2", false},
        {"3 + 4", true},        // a number counts as true
        {"'text'", true},       // so does a string
        {"NOSUCHFUNC(1)", true}, // and an error
    };
    for (const Case &c : cases) {
        header->SetBandExpression(QString::fromLatin1(c.expression));
        EXPECT_EQ(headerPages().size(), c.prints ? 8 : 0) << c.expression;
    }
}

TEST_F(PageFilters, LoaderEventSeesTheDecisionAndMayChangeIt)
{
    header->SetNotOnFirstPage(true);
    QList<bool> seen;
    loader->BandBeforePrint = [&](TQRCustomBand *band, bool &printBand) {
        if (band != header)
            return;
        seen << printBand;
        if (report->PageNo == 1)
            printBand = true;
    };
    EXPECT_EQ(headerPages().size(), 8);
    ASSERT_EQ(seen.size(), 8);
    EXPECT_FALSE(seen[0]);
    EXPECT_TRUE(seen[1]);
}

TEST_F(PageFilters, FooterNotOnLastPageUsesATemporarySummaryBand)
{
    TQRDesignBand *footer = designBand(QR::rbPageFooter, 100, QStringLiteral("Footer"));
    label(footer, QStringLiteral("PF"));
    footer->SetNotOnLastPage(true);
    const int components = form->ComponentCount();
    // The temporary band is freed after the run: look at it while it exists.
    bool seenSummary = false;
    QR::TQRBandType seenType = QR::rbTitle;
    report->BeforePrint = [&](TQRCustomReport *, bool &) {
        if (TQRDesignBand *summary = report->TemporarySummaryBand()) {
            seenSummary = true;
            seenType = summary->BandType();
        }
    };

    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(pagesOf(filter, QStringLiteral("PF")), (QList<int>{1, 2, 3, 4, 5, 6, 7}));
    ASSERT_TRUE(seenSummary);
    EXPECT_EQ(seenType, QR::rbSummary);
    // Gone after the run, and the report is as before.
    EXPECT_EQ(report->TemporarySummaryBand(), nullptr);
    EXPECT_EQ(report->FindBand(QR::rbSummary), nullptr);
    EXPECT_EQ(form->ComponentCount(), components);
    EXPECT_TRUE(report->BeforePrint != nullptr);
}

TEST_F(PageFilters, FooterNotOnLastPageWithARealSummary)
{
    TQRDesignBand *footer = designBand(QR::rbPageFooter, 100, QStringLiteral("Footer"));
    label(footer, QStringLiteral("PF"));
    footer->SetNotOnLastPage(true);
    TQRDesignBand *summary = designBand(QR::rbSummary, 100, QStringLiteral("Summary"));
    label(summary, QStringLiteral("SUM"));
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_EQ(pagesOf(filter, QStringLiteral("SUM")), (QList<int>{8}));
    EXPECT_EQ(pagesOf(filter, QStringLiteral("PF")).size(), 7);
    EXPECT_EQ(report->FindBand(QR::rbSummary), summary);
    EXPECT_FALSE(report->SummaryPrinted() && report->Prepared());
}

// --- scripts ------------------------------------------------------------------------------------

TEST_F(PageFilters, BandScriptFalseBeatsATrueCondition)
{
    header->SetBandExpression(QStringLiteral("TRUE"));
    loader->SetScript({QStringLiteral("[Header.BeforePrint]"), QStringLiteral("RETURN(FALSE)")});
    EXPECT_TRUE(headerPages().isEmpty());
}

TEST_F(PageFilters, BandScriptTrueCannotForceAFalseCondition)
{
    header->SetBandExpression(QStringLiteral("FALSE"));
    loader->SetScript({QStringLiteral("[Header.BeforePrint]"), QStringLiteral("RETURN(TRUE)")});
    EXPECT_TRUE(headerPages().isEmpty());
}

TEST_F(PageFilters, ScriptsSwitchedOffOrMissingLeaveTheConditionsToDecide)
{
    loader->SetScript({QStringLiteral("[Header.BeforePrint]"), QStringLiteral("RETURN(FALSE)")});
    loader->SetScriptsEnabled(false);
    EXPECT_EQ(headerPages().size(), 8);
    loader->SetScriptsEnabled(true);
    loader->SetScript({QStringLiteral("[Other.BeforePrint]"), QStringLiteral("RETURN(FALSE)")});
    EXPECT_EQ(headerPages().size(), 8);
}

TEST_F(PageFilters, ScriptFalseSkipsTheLoaderEventButNotTheBandEvent)
{
    loader->SetScript({QStringLiteral("[Header.BeforePrint]"), QStringLiteral("RETURN(FALSE)")});
    int loaderEvents = 0, bandEvents = 0;
    loader->BandBeforePrint = [&](TQRCustomBand *band, bool &) { loaderEvents += band == header; };
    header->BeforePrint = [&](TQRCustomBand *, bool &printBand) {
        ++bandEvents;
        EXPECT_FALSE(printBand);
    };
    EXPECT_TRUE(headerPages().isEmpty());
    EXPECT_EQ(loaderEvents, 0);
    EXPECT_EQ(bandEvents, 8);
}

TEST_F(PageFilters, ScriptErrorIsShownAndTheLastReturnStands)
{
    loader->SetScript({QStringLiteral("[Header.BeforePrint]"), QStringLiteral("RETURN(FALSE)"),
                       QStringLiteral("ENDIF")});
    EXPECT_TRUE(headerPages().isEmpty());
    ASSERT_FALSE(prompt.Records().isEmpty());
    EXPECT_TRUE(prompt.Records().first().text.startsWith(QStringLiteral("Script error on line ")));
}

TEST_F(PageFilters, AfterPrintSectionsRunForPrintedAndSkippedBands)
{
    QRVariables().Clear();
    loader->SetScript({QStringLiteral("[Report.BeforePrint]"), QStringLiteral("SETVAR('after', 0)"),
                       QStringLiteral("[Header.AfterPrint]"),
                       QStringLiteral("SETVAR('after', GETVAR('after') + 1)")});
    header->SetNotOnFirstPage(true);
    EXPECT_EQ(headerPages().size(), 7);
    const TQREvValue *after = QRVariables().Find(QStringLiteral("after"));
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->IntValue, 8);
}

TEST_F(PageFilters, ReportBeforePrintFalseGeneratesNothing)
{
    loader->SetScript({QStringLiteral("[Report.BeforePrint]"), QStringLiteral("RETURN(FALSE)")});
    bool hostCalled = false;
    const auto host = [&](TQRCustomReport *, bool &) { hostCalled = true; };
    report->BeforePrint = host;
    RecordingFilter filter;
    EXPECT_TRUE(run(filter));
    EXPECT_TRUE(filter.items.empty());
    EXPECT_EQ(filter.pages, 0);
    EXPECT_FALSE(hostCalled);
    // The host's handler is back in place after the run.
    bool dummy = true;
    report->BeforePrint(report, dummy);
    EXPECT_TRUE(hostCalled);
}

TEST_F(PageFilters, ReportEventsRunTheirSectionsThenTheHostHandlers)
{
    QRVariables().Clear();
    loader->SetScript({
        QStringLiteral("[Report.BeforePrint]"),
        QStringLiteral("SETVAR('log', 'B')"),
        QStringLiteral("[Report.StartPage]"),
        QStringLiteral("SETVAR('log', GETVAR('log') + 'S')"),
        QStringLiteral("[Report.EndPage]"),
        QStringLiteral("SETVAR('log', GETVAR('log') + 'E')"),
        QStringLiteral("[Report.AfterPrint]"),
        QStringLiteral("SETVAR('log', GETVAR('log') + 'A')"),
    });
    records(2);
    QString hostLog;
    report->OnStartPage = [&](TQRCustomReport *) { hostLog += QStringLiteral("s") + QString::number(report->PageNo); };
    report->AfterPrint = [&](TQRCustomReport *) { hostLog += QLatin1Char('a'); };
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    const TQREvValue *log = QRVariables().Find(QStringLiteral("log"));
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->Text, QStringLiteral("BSESEA"));
    EXPECT_EQ(hostLog, QStringLiteral("s1s2a"));
}

// --- margins ---------------------------------------------------------------------------------

// Stands in for the run-time component: printer settings with print offsets.
class OffsetSettings : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(double PrintOffsetVerticalMM MEMBER vertical)
    Q_PROPERTY(double PrintOffsetHorizontalMM MEMBER horizontal)
public:
    double vertical = 0, horizontal = 0;
};
class OffsetDialog : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(OffsetSettings *PrinterSettings READ settings CONSTANT)
public:
    OffsetSettings *settings() { return &m_settings; }
    OffsetSettings m_settings;
};

TEST_F(PageFilters, MarginsAreUnchangedAfterARunWithoutRuntimeComponent)
{
    const double top = report->Page()->TopMargin(), bottom = report->Page()->BottomMargin(),
                 left = report->Page()->LeftMargin();
    headerPages();
    EXPECT_EQ(report->Page()->TopMargin(), top);
    EXPECT_EQ(report->Page()->BottomMargin(), bottom);
    EXPECT_EQ(report->Page()->LeftMargin(), left);
}

TEST_F(PageFilters, PrintOffsetsShiftTheMarginsForTheRunOnly)
{
    OffsetDialog dialog;
    dialog.m_settings.vertical = 5;
    dialog.m_settings.horizontal = 2.5;
    loader->SetPrinterDialog(&dialog);
    double topDuring = 0, bottomDuring = 0, leftDuring = 0;
    report->BeforePrint = [&](TQRCustomReport *, bool &) {
        topDuring = report->Page()->NativeValue(TQRPage::TopMarginIndex);
        bottomDuring = report->Page()->NativeValue(TQRPage::BottomMarginIndex);
        leftDuring = report->Page()->NativeValue(TQRPage::LeftMarginIndex);
    };
    RecordingFilter filter;
    ASSERT_TRUE(run(filter));
    EXPECT_DOUBLE_EQ(topDuring, 150);
    EXPECT_DOUBLE_EQ(bottomDuring, 50);
    EXPECT_DOUBLE_EQ(leftDuring, 125);
    // The page header prints 5 mm lower and 2.5 mm further right.
    const TextItem *ph = filter.find(QStringLiteral("PH"));
    ASSERT_NE(ph, nullptr);
    EXPECT_NEAR(ph->y, 150, 1);
    EXPECT_NEAR(ph->x, 125, 1);
    EXPECT_DOUBLE_EQ(report->Page()->NativeValue(TQRPage::TopMarginIndex), 100);
    EXPECT_DOUBLE_EQ(report->Page()->NativeValue(TQRPage::BottomMarginIndex), 100);
    EXPECT_DOUBLE_EQ(report->Page()->NativeValue(TQRPage::LeftMarginIndex), 100);
}

// --- the classes --------------------------------------------------------------------------------

TEST(DesignClasses, RegisteredByNameWithTheirDefaults)
{
    TComponent owner;
    const QStringList names = {"TQRDesignReport",    "TQRDesignBand",       "TQRDesignChildBand",
                               "TQRDesignSubdetail", "TQRDesignGroup",      "TQRDesignLoopband",
                               "TQRDesignStringsband", "TQRDesignLabel",    "TQRDesignDBText",
                               "TQRDesignExpr",      "TQRDesignSysdata",    "TQRDesignMemo",
                               "TQRDesignRichtext",  "TQRDesignDBRichtext", "TQRDesignShape",
                               "TQRDesignImage",     "TQRDesignDBImage",    "TQRDLoader",
                               "TCompLoader"};
    for (const QString &name : names) {
        TComponent *c = CreateComponent(name, &owner);
        ASSERT_NE(c, nullptr) << name.toStdString();
        EXPECT_EQ(QString::fromLatin1(c->metaObject()->className()), name);
        // Every property these classes add starts at its declared default.
        for (const TPropInfo &info : PublishedProperties(c)) {
            const QString declaredBy = QString::fromLatin1(info.Property.enclosingMetaObject()->className());
            QString text;
            if (name == declaredBy && DeclaredDefaultText(c->metaObject(), info.Name(), &text)) {
                EXPECT_TRUE(IsDefaultValue(c, info)) << name.toStdString() << "." << info.Name().toStdString();
            }
        }
    }
}

TEST(DesignClasses, BandMembersAsPublished)
{
    TComponent owner;
    auto *group = new TQRDesignGroup(&owner);
    TPropInfo info;
    // A group's condition is PrintExpression; Expression stays the group-break expression.
    EXPECT_TRUE(FindPublishedProperty(group->metaObject(), QStringLiteral("PrintExpression"), &info));
    EXPECT_FALSE(FindPublishedProperty(group->metaObject(), QStringLiteral("NotOnLastPage"), &info));
    group->SetExpression(QStringLiteral("[Country]"));
    group->SetPrintExpression(QStringLiteral("FALSE"));
    EXPECT_EQ(group->PrintCondition(), QStringLiteral("FALSE"));
    EXPECT_EQ(GetPropertyValue(group, QStringLiteral("Expression")).toString(), QStringLiteral("[Country]"));

    auto *child = new TQRDesignChildBand(&owner);
    EXPECT_FALSE(FindPublishedProperty(child->metaObject(), QStringLiteral("NotOnLastPage"), &info));
    auto *band = new TQRDesignBand(&owner);
    EXPECT_TRUE(band->EditorEnabled());
    EXPECT_TRUE(SetPropertyValue(band, QStringLiteral("Expression"), QString(300, QLatin1Char('x'))));
    EXPECT_EQ(band->BandExpression().size(), 255);
    EXPECT_TRUE(SetPropertyValue(band, QStringLiteral("StartPageNum"), 70000));
    EXPECT_EQ(band->StartPageNum(), 65535);
}

TEST(DesignClasses, LoaderAndReportFindEachOtherInTheirOwner)
{
    TComponent owner;
    auto *band = new TQRDesignBand(&owner);
    auto *label = new TQRDesignLabel(&owner);
    EXPECT_EQ(band->QRDesigner(), nullptr);
    // Created after the band and the report: still found.
    auto *report = new TQRDesignReport(&owner);
    auto *loader = new TQRDLoader(&owner);
    EXPECT_EQ(loader->QReport(), report);
    EXPECT_EQ(report->Loader(), loader);
    EXPECT_EQ(band->QRDesigner(), loader);
    EXPECT_EQ(label->QRDesigner(), loader);
    delete loader;
    EXPECT_EQ(report->Loader(), nullptr);
    EXPECT_EQ(band->QRDesigner(), nullptr);
    // Only a design report is taken as the loader's report.
    auto *other = new TQRDLoader(&owner);
    EXPECT_FALSE(SetPropertyValue(other, QStringLiteral("QReport"), QVariant::fromValue<TComponent *>(band)) &&
                 other->QReport() != report);
    EXPECT_EQ(other->QReport(), report);
}

TEST(DesignClasses, LoaderMessagesAndVersion)
{
    TQRDLoader loader;
    loader.SetVersion(QStringLiteral("9.9"));
    EXPECT_EQ(loader.Version(), QStringLiteral("1.22"));
    EXPECT_EQ(loader.Message(QStringLiteral("Invalid value")), QStringLiteral("Invalid value!"));
    EXPECT_EQ(loader.Message(QStringLiteral("GetQueryParamPrompt")),
              QStringLiteral("Please type in the parameter \"%s'\":"));
    EXPECT_EQ(loader.Message(QStringLiteral("No such key")), QStringLiteral("Unknown Error [No such key]"));
    EXPECT_EQ(loader.ConfirmationMessage(QStringLiteral("No such key")), QStringLiteral("[No such key]"));
    loader.SetRuntimeMessages({QStringLiteral("Invalid value=Ungültig")});
    EXPECT_EQ(loader.Message(QStringLiteral("invalid VALUE")), QStringLiteral("Ungültig"));

    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    loader.SetRuntimeMessages(DefaultRuntimeMessages());
    loader.ShowErrorMessage(QStringLiteral("Reportfile not found"), QStringLiteral("a.QR2"));
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records()[0].text, QStringLiteral("Report file a.QR2 not found!"));
    EXPECT_EQ(prompt.Records()[0].type, mtError);
}

} // namespace

#include "test_designreport.moc"
