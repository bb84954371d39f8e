// "QRDESIGN.INI" as the loader and the printing window read it: every General and
// Printer key with its rule, the report's display keys, a missing file, and the
// printing window translated from the configured language file.

#include "common/languagefile.h"
#include "common/programdir.h"
#include "deftest.h"
#include "definition/designsettings.h"
#include "definition/runtimecomponents.h"
#include "testutil.h"

#include <QTemporaryDir>

namespace
{

class DesignSettings : public DesignTest
{
protected:
    DesignSettings() : guard(&prompt)
    {
        SetProgramDir(dir.path());
        QRInstalledPrintersHook() = [] { return QStringList{"Office Laser", "PDF Writer"}; };
    }
    ~DesignSettings() override
    {
        QRInstalledPrintersHook() = nullptr;
        SetProgramDir(QString());
        SetConfiguredLanguageFile(QString());
        TLanguageIniFile::ClearCache();
    }
    void settings(const QByteArray &text)
    {
        ASSERT_TRUE(testutil::writeFile(dir.filePath(QStringLiteral("qrdesign.ini")), text));
    }
    QTemporaryDir dir;
    TScriptedPrompt prompt;
    TPromptGuard guard;
};

TEST_F(DesignSettings, LoaderReadsGeneralAndPrinterKeys)
{
    // Without a settings file nothing changes.
    report->PrinterSettings()->SetCopies(2);
    LoadLoaderSettings(loader);
    LoadReportDisplaySettings(report);
    EXPECT_EQ(report->PrinterSettings()->Copies(), 2);
    EXPECT_EQ(report->Page()->PaperSize(), QRPaper::A4);
    EXPECT_TRUE(ConfiguredLanguageFile().isEmpty());

    settings("[General]\r\n"
             "SaveLoadPrinterSetup=1\r\n"
             "UseDatamodules=1\r\n"
             "Languagefile=russian.lng\r\n"
             "[Printer]\r\n"
             "PrinterName=pdf writer\r\n"
             "Duplex=1\r\n"
             "PrinterCopies=3\r\n"
             "PrinterBin=4\r\n"
             "PageOrientation=1\r\n"
             "PaperSize=27\r\n"
             "CustomPaperWidth=123.5\r\n"
             "CustomPaperLength=98\r\n"
             "[Display]\r\n"
             "QReport.Page.Ruler=0\r\n"
             "Units=7\r\n");
    report->SetUnits(QRUnits::Inches);
    report->Page()->SetRuler(true);
    LoadLoaderSettings(loader);
    EXPECT_TRUE(loader->SaveLoadPrinterSetup());
    EXPECT_TRUE(loader->UseDataModules());
    EXPECT_EQ(ConfiguredLanguageFile(), dir.filePath(QStringLiteral("russian.lng")));
    TQRReportPrinterSettings *printer = report->PrinterSettings();
    EXPECT_EQ(printer->PrinterIndex(), 1);
    EXPECT_TRUE(printer->Duplex());
    EXPECT_EQ(printer->Copies(), 3);
    EXPECT_EQ(printer->OutputBin(), QR::Manual);
    EXPECT_EQ(report->Page()->Orientation(), QRPaper::poLandscape);
    EXPECT_EQ(report->Page()->PaperSize(), QRPaper::Custom);
    // Custom sizes are in the report's units (inches here).
    EXPECT_NEAR(report->Page()->NativeValue(TQRPage::WidthIndex), 123.5 * 254, 0.01);
    EXPECT_NEAR(report->Page()->NativeValue(TQRPage::LengthIndex), 98 * 254, 0.01);
    // Units above 4 give MM.
    LoadReportDisplaySettings(report);
    EXPECT_EQ(report->Units(), QRUnits::MM);
    EXPECT_FALSE(report->Page()->Ruler());

    // Custom sizes are read only with paper size 27 and only when they are numbers; an unknown
    // printer, bin or orientation and a language file with a directory are taken as they stand.
    settings("[General]\n"
             "Languagefile=/opt/lang/de.lng\n"
             "[Printer]\n"
             "PrinterName=Nowhere\n"
             "PrinterBin=99\n"
             "PageOrientation=5\n"
             "PaperSize=9\n"
             "CustomPaperWidth=200\n"
             "[Display]\n"
             "Units=1\n");
    LoadLoaderSettings(loader);
    LoadReportDisplaySettings(report);
    EXPECT_EQ(ConfiguredLanguageFile(), QStringLiteral("/opt/lang/de.lng"));
    EXPECT_EQ(printer->PrinterIndex(), 1);
    EXPECT_EQ(printer->OutputBin(), QR::Manual);
    EXPECT_EQ(report->Page()->Orientation(), QRPaper::poLandscape);
    EXPECT_EQ(report->Page()->PaperSize(), QRPaper::A4);
    EXPECT_NEAR(report->Page()->NativeValue(TQRPage::WidthIndex), 2970, 0.01); // A4 landscape
    EXPECT_EQ(report->Units(), QRUnits::Inches);

    settings("[Printer]\nPaperSize=27\nCustomPaperWidth=wide\nPrinterCopies=many\n");
    report->SetUnits(QRUnits::MM);
    LoadLoaderSettings(loader);
    EXPECT_EQ(report->Page()->PaperSize(), QRPaper::Custom);
    EXPECT_NEAR(report->Page()->NativeValue(TQRPage::WidthIndex), 2970, 0.01);
    EXPECT_EQ(printer->Copies(), 3);
    EXPECT_TRUE(prompt.Records().isEmpty());

    // The display keys are written back where the next designer window reads them.
    report->SetUnits(QRUnits::Characters);
    report->Page()->SetRuler(true);
    EXPECT_TRUE(SaveReportDisplaySettings(report));
    report->SetUnits(QRUnits::MM);
    report->Page()->SetRuler(false);
    LoadReportDisplaySettings(report);
    EXPECT_EQ(report->Units(), QRUnits::Characters);
    EXPECT_TRUE(report->Page()->Ruler());
}

TEST_F(DesignSettings, PrintingWindowTakesTheSettingsFileAndTheLanguageFile)
{
    ASSERT_TRUE(testutil::writeFile(dir.filePath(QStringLiteral("Lang.LNG")),
                                    "[repformdb]\nLoader.Item1=\"translated message\"\n"));
    settings("[General]\nLanguagefile=lang.lng\nUseDatamodules=1\n[Printer]\nPrinterCopies=5\n");
    TReportPrinterDialog dialog;
    dialog.SetUseDataModules(false);
    dialog.CreateReportForm();
    EXPECT_EQ(dialog.Report()->PrinterSettings()->Copies(), 5);
    // The host's settings come after the file's.
    EXPECT_FALSE(dialog.Loader()->UseDataModules());
    const QStringList messages = dialog.Loader()->RuntimeMessages();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages[0], QStringLiteral("translated message"));
    EXPECT_EQ(messages.mid(1), DefaultRuntimeMessages().mid(1));
    EXPECT_TRUE(prompt.Records().isEmpty());
}

} // namespace
