#include "qrprintdialog.h"

#include "gui/translatewindow.h"

#include "common/prompt.h"
#include "engine/report.h"
#include "output/pages/qrprinter.h"
#include "qrprinterlayer.h"

#include <QPrinter>
#include <QPrinterInfo>

void QRSetupPrintDialog(TQRCustomReport *report, QPrinter &printer, QPrintDialog &dialog)
{
    TQRReportPrinterSettings *settings = report->PrinterSettings();
    const QString name = QRPrinterName(settings->PrinterIndex());
    if (!name.isEmpty())
        printer.setPrinterName(name);
    printer.setCopyCount(std::max(1, settings->Copies()));
    printer.setPageOrientation(report->Page()->Orientation() == QRPaper::poLandscape ? QPageLayout::Landscape
                                                                                     : QPageLayout::Portrait);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    const TQRPrinter *recorder = report->QRPrinter();
    if (recorder && recorder->Status() == mpFinished && recorder->PageCount() > 0) {
        dialog.setMinMax(1, recorder->PageCount());
        dialog.setFromTo(1, recorder->PageCount());
    } else {
        dialog.setMinMax(0, 9999);
    }
}

void QRApplyPrintDialog(TQRCustomReport *report, const QPrinter &printer, const QPrintDialog &dialog)
{
    TQRReportPrinterSettings *settings = report->PrinterSettings();
    settings->SetCopies(printer.copyCount());
    settings->SetPrinterIndex(QRPrinterIndexOf(printer.printerName()));
    report->Page()->SetOrientation(printer.pageLayout().orientation() == QPageLayout::Landscape
                                       ? QRPaper::poLandscape
                                       : QRPaper::poPortrait);
    if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
        settings->SetFirstPage(printer.fromPage());
        settings->SetLastPage(printer.toPage());
    } else {
        settings->SetFirstPage(0);
        settings->SetLastPage(0);
    }
}

std::function<int(QPrintDialog &dialog)> &QRPrintDialogExec()
{
    static std::function<int(QPrintDialog &)> exec = [](QPrintDialog &dialog) { return dialog.exec(); };
    return exec;
}

void QRMarkPrintDialogData(QWidget &dialog)
{
    // The platform dialog shows the installed printers and the chosen one's type, place and state:
    // what it lists depends on the machine, so none of it is a text to translate.
    for (const char *name : {"printers", "type", "location", "status"})
        for (QObject *part : dialog.findChildren<QObject *>(QLatin1String(name)))
            MarkShowsData(part);
}

bool QRPrinterSetup(TQRCustomReport *report)
{
    if (!report)
        return false;
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        Prompt().MessageBox(QStringLiteral("No printer is installed."), QStringLiteral("Print"), mtWarning,
                            TMsgButtons::OK);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer);
    QRSetupPrintDialog(report, printer, dialog);
    QRMarkPrintDialogData(dialog);
    TranslateWindow(&dialog, QStringLiteral("QRPrintDialog"));
    if (QRPrintDialogExec()(dialog) != QDialog::Accepted)
        return false;
    QRApplyPrintDialog(report, printer, dialog);
    return true;
}
