#include "app/designerhost.h"

#include "common/prompt.h"
#include "definition/databasesettings.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/runtimecomponents.h"

void ConfigureShellDesigner(TReportDesignerDialog &dialog)
{
    using D = TReportDesignerDialog;
    dialog.SetUserSettings(
        D::TUserSettings(D::AllowSQLEdit | D::AllowDatasetEdit | D::AllowBlockEdit | D::AllowScriptEdit));
    dialog.SetEditorSettings(
        D::TEditorSettings(D::AutoEditAfterInsert | D::ShowDatafieldListbox | D::DatafieldsSorted));
    dialog.SetScriptsEnabled(true);
    dialog.SetPrintIfEmpty(true);
    dialog.SetShowFilterBeforePrint(false);
    dialog.SetUseDataModules(false);
    dialog.SetSaveLoadPrinterSetup(false);
    dialog.SetUsePrinterSettings(false);
    dialog.SetUseModalPreview(false);
    dialog.SetDefaultDatabaseOnly(false);
    TQRDPrinterSettings *printer = dialog.PrinterSettings();
    printer->SetCopies(1);
    printer->SetDuplex(false);
    printer->SetFirstPage(0);
    printer->SetLastPage(0);
    printer->SetOutputBin(QR::Auto);
    dialog.SQLSettings()->SetDelimiterType(TQRDatabaseSettings::delCustom);
    dialog.SetDefaultFileExtension(QStringLiteral(".QR2"));
    dialog.SetDefaultFileFilter(QStringLiteral("Reports|*.QR2"));
}

const char *DesignerMissingMessage()
{
    return "The report designer is not available yet.";
}

void EnsureDesignerWindowHook()
{
    auto &hook = QRDesignerWindowHook();
    if (hook)
        return;
    hook = [](TQRDesignerWindowSettings &) {
        Prompt().ShowMessage(QString::fromLatin1(DesignerMissingMessage()));
    };
}
