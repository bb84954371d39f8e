#include "definition/designsettings.h"

#include "common/languagefile.h"
#include "common/profile.h"
#include "common/programdir.h"
#include "definition/designreport.h"
#include "definition/loader.h"

#include <QFileInfo>

#include <cmath>

namespace
{
const QString General = QStringLiteral("General");
const QString Printer = QStringLiteral("Printer");
const QString Display = QStringLiteral("Display");

bool settingsExist()
{
    return QFileInfo(DesignSettingsFileName()).isFile();
}

// The value of key when it is there and is an integer.
bool readInt(const TIniFile &ini, const QString &section, const QString &key, int *value)
{
    if (!ini.ValueExists(section, key))
        return false;
    bool ok = false;
    const int v = ini.ReadInteger(section, key, 0);
    const int check = ini.ReadInteger(section, key, 1);
    ok = v == check; // a text that is no integer gives each default
    if (ok)
        *value = v;
    return ok;
}

bool readBool(const TIniFile &ini, const QString &section, const QString &key, bool *value)
{
    int v = 0;
    if (!readInt(ini, section, key, &v))
        return false;
    *value = v != 0;
    return true;
}

// A decimal number in the locale's or the point notation; false for anything else.
bool readNumber(const TIniFile &ini, const QString &section, const QString &key, double *value)
{
    if (!ini.ValueExists(section, key))
        return false;
    const double a = ini.ReadFloat(section, key, 0);
    const double b = ini.ReadFloat(section, key, 1);
    if (a != b || !std::isfinite(a))
        return false;
    *value = a;
    return true;
}

void readLanguageFile(const TIniFile &ini)
{
    if (ini.ValueExists(General, QStringLiteral("Languagefile")))
        SetConfiguredLanguageFile(
            SettingsFilePath(ini.ReadString(General, QStringLiteral("Languagefile"), {})));
}
} // namespace

QString DesignSettingsFileName()
{
    return FindFileInDir(ProgramDir(), QStringLiteral("QRDESIGN.INI"));
}

QString SettingsFilePath(const QString &name)
{
    const QString normal = NormalizeSeparators(name);
    if (name.isEmpty() || normal.contains(QLatin1Char('/')))
        return normal;
    return FindFileInDir(ProgramDir(), name);
}

void LoadLanguageSetting()
{
    if (!settingsExist())
        return;
    const TIniFile ini(DesignSettingsFileName());
    readLanguageFile(ini);
}

void LoadLoaderSettings(TQRDLoader *loader)
{
    if (!loader || !settingsExist())
        return;
    const TIniFile ini(DesignSettingsFileName());
    bool flag = false;
    if (readBool(ini, General, QStringLiteral("SaveLoadPrinterSetup"), &flag))
        loader->SetSaveLoadPrinterSetup(flag);
    if (readBool(ini, General, QStringLiteral("UseDatamodules"), &flag))
        loader->SetUseDataModules(flag);
    readLanguageFile(ini);

    TQRDesignReport *report = loader->QReport();
    if (!report)
        return;
    TQRReportPrinterSettings *printer = report->PrinterSettings();
    if (ini.ValueExists(Printer, QStringLiteral("PrinterName"))) {
        const QString name = ini.ReadString(Printer, QStringLiteral("PrinterName"), {});
        const auto &hook = QRInstalledPrintersHook();
        const QStringList printers = hook ? hook() : QStringList();
        for (int i = 0; i < printers.size(); ++i)
            if (printers[i].compare(name, Qt::CaseInsensitive) == 0) {
                printer->SetPrinterIndex(i);
                break;
            }
    }
    if (readBool(ini, Printer, QStringLiteral("Duplex"), &flag))
        printer->SetDuplex(flag);
    int value = 0;
    if (readInt(ini, Printer, QStringLiteral("PrinterCopies"), &value))
        printer->SetCopies(value);
    if (readInt(ini, Printer, QStringLiteral("PrinterBin"), &value) && value >= QR::First &&
        value <= QR::Last)
        printer->SetOutputBin(QR::TQRBin(value));
    TQRPage *page = report->Page();
    // Values outside the enumerations are ignored here: converting them would be undefined.
    if (readInt(ini, Printer, QStringLiteral("PageOrientation"), &value) && value >= QRPaper::poPortrait &&
        value <= QRPaper::poLandscape)
        page->SetOrientation(QRPaper::TPrinterOrientation(value));
    if (readInt(ini, Printer, QStringLiteral("PaperSize"), &value) && value >= QRPaper::Default &&
        value <= QRPaper::Custom)
        page->SetPaperSize(TQRPaperSize(value));
    if (page->PaperSize() == QRPaper::Custom) {
        double size = 0;
        if (readNumber(ini, Printer, QStringLiteral("CustomPaperWidth"), &size))
            page->SetWidth(size);
        if (readNumber(ini, Printer, QStringLiteral("CustomPaperLength"), &size))
            page->SetLength(size);
    }
}

void LoadReportDisplaySettings(TQRCustomReport *report)
{
    if (!report || !settingsExist())
        return;
    const TIniFile ini(DesignSettingsFileName());
    bool ruler = false;
    if (readBool(ini, Display, QStringLiteral("QReport.Page.Ruler"), &ruler))
        report->Page()->SetRuler(ruler);
    int units = 0;
    if (readInt(ini, Display, QStringLiteral("Units"), &units))
        report->SetUnits(units >= QRUnits::MM && units <= QRUnits::Native ? TQRUnit(units) : QRUnits::MM);
}

bool SaveReportDisplaySettings(const TQRCustomReport *report)
{
    if (!report)
        return false;
    TIniFile ini(DesignSettingsFileName());
    return ini.WriteBool(Display, QStringLiteral("QReport.Page.Ruler"), report->Page()->Ruler()) &&
           ini.WriteInteger(Display, QStringLiteral("Units"), int(report->Units()));
}
