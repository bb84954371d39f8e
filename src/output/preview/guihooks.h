#pragma once

// The start-up of the windows report runs show, for the whole process: the
// preview window, the progress window, the print dialog, the printer layer,
// message processing during runs, and the Qt prompt service (real message
// boxes and input boxes). Programs with a window system call it once after
// creating their QApplication and RegisterReportSupport(). Safe to call more
// than once.

class TQRPrinter;
class TQRStandardPreview;

void InstallGuiHooks();
// Opens the standard preview window on recorder, maximised and freed when
// it closes; a recorder without a master report goes with the window. Over
// an open modal window it is modal in its turn.
TQRStandardPreview *ShowStandardPreview(TQRPrinter *recorder);
