#pragma once

// The settings file "QRDESIGN.INI" beside the program: the designer's permissions and
// options, the printer defaults and the name of the language file. What has no
// window is read here, so that the printing window and the tools use it headless;
// the designer window reads its own sections through the same file.
//
// Every key is optional: a missing file or key leaves the current value, and a
// failed write is ignored.

#include <QString>

class TQRDLoader;
class TQRCustomReport;

// The path of "QRDESIGN.INI" in the program directory (found without regard to case).
QString DesignSettingsFileName();
// A file named in the settings file: a name without directory lies in the program directory.
QString SettingsFilePath(const QString &name);

// Reads [General] and [Printer] into loader and its report: SaveLoadPrinterSetup,
// UseDatamodules, the configured language file, the printer, copies, bin, duplex,
// orientation and paper (a custom width and length only with paper size 27, and only
// when they are numbers). Also run by every printing window when it is created.
void LoadLoaderSettings(TQRDLoader *loader);
// Reads only [General] Languagefile into the configured language file (program start-up).
void LoadLanguageSetting();

// The report's part of [Display]: QReport.Page.Ruler and Units (above 4 gives MM).
void LoadReportDisplaySettings(TQRCustomReport *report);
// Writes the same keys; false when the file could not be written (callers ignore it).
bool SaveReportDisplaySettings(const TQRCustomReport *report);
