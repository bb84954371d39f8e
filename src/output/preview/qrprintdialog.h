#pragma once

// Print setup: the platform print dialog started from a report's settings,
// and the confirmed choices copied back into the report.

#include <QPrintDialog>
#include <functional>

class QPrinter;
class TQRCustomReport;

// Puts the report's printer, copies, orientation and page range limits into
// printer and dialog: pages 1 .. page count (From 1, To page count) when the
// report's recorder holds a finished document, else limits 0 .. 9999.
void QRSetupPrintDialog(TQRCustomReport *report, QPrinter &printer, QPrintDialog &dialog);
// Copies the confirmed choices into the report: copies, printer index,
// orientation, and the page range ("all" and "selection" give 0 and 0).
void QRApplyPrintDialog(TQRCustomReport *report, const QPrinter &printer, const QPrintDialog &dialog);
// Shows the dialog modally and returns its result; replaceable, so that
// tests can answer it.
std::function<int(QPrintDialog &dialog)> &QRPrintDialogExec();
// The whole print setup; false when the user cancelled or no printer is
// installed (which it says).
bool QRPrinterSetup(TQRCustomReport *report);
// Keeps the platform print dialog's printer list and printer details out of language files.
void QRMarkPrintDialogData(QWidget &dialog);
