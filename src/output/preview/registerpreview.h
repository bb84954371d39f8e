#pragma once

// Installs the preview window, the progress window, the print dialog, the
// printer layer and message processing for report runs. Programs with a
// window system call it once after creating their QApplication.

class TQRPrinter;
class TQRStandardPreview;

void RegisterPreviewHooks();
// Opens the standard preview window on recorder, maximised and freed when
// it closes; a recorder without a master report goes with the window.
TQRStandardPreview *ShowStandardPreview(TQRPrinter *recorder);
