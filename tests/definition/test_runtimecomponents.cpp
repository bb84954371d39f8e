// The run-time components: the printing window they create, the settings
// they hand on, loading with printer and label settings, print offsets, the
// designer dialog's file-dialog settings and its older stored Booleans.

#include "common/properties.h"
#include "deftest.h"
#include "definition/runtimecomponents.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace
{

class RuntimeComponents : public DesignTest
{
protected:
    RuntimeComponents()
    {
        report->LabelSettings()->SetLabelCount(3);
        report->LabelSettings()->SetFirstLabel(2);
        report->PrinterSettings()->SetCopies(4);
        report->SetReportTitle(QStringLiteral("Stored title"));
        TQRDesignBand *title = designBand(QR::rbTitle, 100, QStringLiteral("Title"));
        label(title, QStringLiteral("Hello"));
        file = dir.filePath(QStringLiteral("hello.QR2"));
        EXPECT_TRUE(loader->SaveReportFile(file));
    }
    QTemporaryDir dir;
    QString file;
};

TEST_F(RuntimeComponents, PrintingWindowHoldsAReportNamedReportAndALoader)
{
    TReportPrinterDialog dialog;
    int created = 0;
    dialog.AfterReportFormCreated = [&](TComponent *form, TQRDesignReport *r) {
        ++created;
        EXPECT_EQ(form, dialog.ReportForm());
        EXPECT_EQ(r, dialog.Report());
    };
    dialog.CreateReportForm();
    dialog.CreateReportForm();
    EXPECT_EQ(created, 1);
    ASSERT_NE(dialog.Report(), nullptr);
    EXPECT_EQ(dialog.Report()->Name(), QStringLiteral("Report"));
    EXPECT_EQ(dialog.Loader()->QReport(), dialog.Report());
    // The window is a registered window, so expressions find its report.
    EXPECT_TRUE(TScreen::Instance().Forms().contains(dialog.ReportForm()));
    dialog.FreeReportForm();
    EXPECT_EQ(dialog.Report(), nullptr);
}

TEST_F(RuntimeComponents, VersionsAreFixed)
{
    TReportDesignerDialog dialog;
    EXPECT_TRUE(SetPropertyValue(&dialog, QStringLiteral("Version"), QStringLiteral("2.0")) || true);
    EXPECT_EQ(dialog.Version(), QStringLiteral("1.30"));
    dialog.CreateReportForm();
    dialog.Loader()->SetVersion(QStringLiteral("2.0"));
    EXPECT_EQ(dialog.Loader()->Version(), QStringLiteral("1.22"));
}

TEST_F(RuntimeComponents, LabelCountZeroKeepsTheStoredOneNonZeroReplacesIt)
{
    TReportPrinterDialog dialog;
    ASSERT_TRUE(dialog.LoadReportFile(file));
    EXPECT_EQ(dialog.Report()->LabelSettings()->LabelCount(), 3);
    EXPECT_EQ(dialog.Report()->LabelSettings()->FirstLabel(), 2);

    dialog.LabelSettings()->SetLabelCount(7);
    ASSERT_TRUE(dialog.LoadReportFile(file));
    EXPECT_EQ(dialog.Report()->LabelSettings()->LabelCount(), 7);
    EXPECT_EQ(dialog.Report()->LabelSettings()->FirstLabel(), 2);
}

TEST_F(RuntimeComponents, PrinterSettingsOnlyWithUsePrinterSettings)
{
    TReportPrinterDialog dialog;
    dialog.PrinterSettings()->SetCopies(2);
    dialog.PrinterSettings()->Title = QStringLiteral("Host title");
    int loaded = 0;
    dialog.AfterReportLoaded = [&](TComponent *, TQRDesignReport *) { ++loaded; };
    ASSERT_TRUE(dialog.LoadReportFile(file));
    EXPECT_EQ(dialog.Report()->PrinterSettings()->Copies(), 4);
    EXPECT_EQ(dialog.Report()->ReportTitle(), QStringLiteral("Stored title"));
    dialog.SetUsePrinterSettings(true);
    ASSERT_TRUE(dialog.LoadReportFile(file));
    EXPECT_EQ(dialog.Report()->PrinterSettings()->Copies(), 2);
    EXPECT_EQ(dialog.Report()->ReportTitle(), QStringLiteral("Host title"));
    EXPECT_EQ(loaded, 2);
    // A failed load raises nothing.
    EXPECT_FALSE(dialog.LoadReportFile(dir.filePath(QStringLiteral("missing.QR2"))));
    EXPECT_EQ(loaded, 2);
}

TEST_F(RuntimeComponents, HostSettingsReachTheReportAndTheLoader)
{
    TReportPrinterDialog dialog;
    dialog.SetScriptsEnabled(false);
    dialog.SetDefaultDatabaseName(QStringLiteral("DEMO"));
    int bandEvents = 0;
    dialog.BandBeforePrint = [&](TQRCustomBand *, bool &) { ++bandEvents; };
    ASSERT_TRUE(dialog.LoadReportFile(file));
    EXPECT_FALSE(dialog.Loader()->ScriptsEnabled());
    EXPECT_EQ(dialog.Loader()->DefaultDatabaseName(), QStringLiteral("DEMO"));
    EXPECT_EQ(dialog.Loader()->PrinterDialog(), &dialog);
    RecordingFilter filter;
    dialog.Report()->SetShowProgress(false);
    ASSERT_TRUE(dialog.Report()->ExportRun(&filter));
    EXPECT_EQ(bandEvents, 1);
    EXPECT_NE(filter.find(QStringLiteral("Hello")), nullptr);
    dialog.SetPrintIfEmpty(false);
    dialog.ApplyHostSettings();
    EXPECT_FALSE(dialog.Report()->PrintIfEmpty());
}

TEST_F(RuntimeComponents, PrintOffsetsMoveThePrintAndAreUndoneAfterwards)
{
    TReportPrinterDialog dialog;
    dialog.PrinterSettings()->SetPrintOffsetVerticalMM(3);
    dialog.PrinterSettings()->SetPrintOffsetHorizontalMM(-2);
    ASSERT_TRUE(dialog.LoadReportFile(file));
    TQRPage *page = dialog.Report()->Page();
    const double top = page->NativeValue(TQRPage::TopMarginIndex);
    const double left = page->NativeValue(TQRPage::LeftMarginIndex);
    RecordingFilter filter;
    dialog.Report()->SetShowProgress(false);
    ASSERT_TRUE(dialog.Report()->ExportRun(&filter));
    const TextItem *hello = filter.find(QStringLiteral("Hello"));
    ASSERT_NE(hello, nullptr);
    EXPECT_NEAR(hello->y, top + 30, 1);
    EXPECT_NEAR(hello->x, left - 20, 1);
    EXPECT_DOUBLE_EQ(page->NativeValue(TQRPage::TopMarginIndex), top);
    EXPECT_DOUBLE_EQ(page->NativeValue(TQRPage::LeftMarginIndex), left);
}

TEST(DesignerDialog, FileExtensionsAreNormalised)
{
    for (const QString &ext : {QStringLiteral(".QR2"), QStringLiteral("QR2"), QStringLiteral("*.QR2")})
        EXPECT_EQ(TReportDesignerDialog::NormalizedExtension(ext), QStringLiteral(".QR2")) << ext.toStdString();
    TReportDesignerDialog dialog;
    dialog.SetDefaultFileExtension(QStringLiteral("*.VERYLONGEXTENSION"));
    const TQRDesignerWindowSettings s = dialog.DesignerWindowSettings(nullptr, nullptr, nullptr);
    EXPECT_EQ(s.DefaultExt, QStringLiteral("VERYLONGEX"));
    EXPECT_EQ(s.OpenFileName, QStringLiteral("*.VERYLONGEXTENSION"));
    EXPECT_EQ(s.Filter, QStringLiteral("Reports|*.QR2"));
    EXPECT_TRUE(s.DatabaseMenuVisible);
    EXPECT_FALSE(s.UndoMenuVisible);
    EXPECT_TRUE(s.DatafieldListChecked);
    EXPECT_EQ(dialog.SQLSettings()->DelimiterType(), TQRDatabaseSettings::delCustom);
}

TEST(DesignerDialog, EditReportLoadsOrStartsANewReport)
{
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("new.QR2"));
    auto &hook = QRDesignerWindowHook();
    QStringList shown;
    hook = [&](TQRDesignerWindowSettings &s) {
        shown << s.FileName;
        // The "author" adds a band to the new report and saves.
        if (s.Form->FindComponent(QStringLiteral("Added")))
            return;
        auto *band = new TQRDesignBand(s.Form);
        band->SetName(QStringLiteral("Added"));
        band->SetBandType(QR::rbTitle);
        band->SetParent(s.Report);
        EXPECT_TRUE(s.Loader->SaveReportFile(missing));
    };
    TReportDesignerDialog dialog;
    int newReports = 0;
    dialog.OnNewReport = [&](TComponent *, TQRDesignReport *, bool &showExpert, QString &) {
        ++newReports;
        EXPECT_FALSE(showExpert);
    };
    EXPECT_TRUE(dialog.EditReport(missing));
    EXPECT_EQ(newReports, 1);
    EXPECT_TRUE(QFileInfo::exists(missing));
    EXPECT_TRUE(dialog.EditReport(missing));
    EXPECT_EQ(newReports, 1);
    EXPECT_EQ(shown, (QStringList{missing, missing}));
    hook = nullptr;
}

TEST(DesignerDialog, OlderStoredBooleansAddTheirMembers)
{
    TReportDesignerDialog dialog;
    dialog.SetUserSettings({});
    dialog.SetEditorSettings({});
    EXPECT_TRUE(dialog.SetDefinedProperty(QStringLiteral("AllowNewCalcFields"), true));
    EXPECT_TRUE(dialog.SetDefinedProperty(QStringLiteral("UndoEnabled"), true));
    EXPECT_TRUE(dialog.SetDefinedProperty(QStringLiteral("AllowSQLEdit"), false));
    EXPECT_TRUE(dialog.SetDefinedProperty(QStringLiteral("SaveImagesInReportFile"), true));
    EXPECT_FALSE(dialog.SetDefinedProperty(QStringLiteral("Nonsense"), true));
    EXPECT_EQ(dialog.UserSettings(), TReportDesignerDialog::TUserSettings(TReportDesignerDialog::AllowNewCalcFields));
    EXPECT_EQ(dialog.EditorSettings(), TReportDesignerDialog::TEditorSettings(TReportDesignerDialog::UndoEnabled));
    EXPECT_TRUE(dialog.DefinedPropertyNames().isEmpty());
}

} // namespace
