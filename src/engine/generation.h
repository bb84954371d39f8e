#pragma once

// Hooks of report generation that a host fills in.

#include <functional>

class QObject;
class TQRCustomReport;
class TQRPrinter;

// Called once per record (and before the header) while a report runs, so
// that a GUI run keeps its preview and Cancel button responsive. Headless
// runs leave it empty.
std::function<void()> &QRProcessMessagesHook();

// Opens the standard preview window on a recorder that a report's Preview
// is about to fill, and returns once it is shown (not modal). The preview
// library installs it; unset, Preview tells the user there is no preview.
std::function<void(TQRPrinter *printer)> &QRPreviewWindowHook();
// Shows the progress window of a run on printer; the window goes when the
// returned object is freed (null: no window). Unset, runs show no progress.
std::function<QObject *(TQRPrinter *printer)> &QRProgressWindowHook();
// Shows the print dialog for a report and copies the choices into it;
// false when the user cancelled. Unset, there is no print setup.
std::function<bool(TQRCustomReport *report)> &QRPrintDialogHook();
