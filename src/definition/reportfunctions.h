#pragma once

// The expression functions that act on the running report and its elements:
// page state, element properties read and written by name, fonts, colours and
// colour constants.
//
// They find the report and its elements through the window registry (TScreen):
// a report holder window (a TForm owning a TQRDesignReport named "Report") is
// all they need. None of them raises; a wrong number or kind of arguments and
// every failure give an error value with an empty message.

#include "expressions/elements.h"

#include <QString>

class TComponent;
class TFont;
class TQRDesignReport;

// Registers the report-bound functions in the process-wide library. Safe to call more than once.
void RegisterReportFunctions();

// --- Lookups (shared with the designer) ---

// The designer-level report named "Report": open windows first, then data modules.
TQRDesignReport *QRCurrentReport();
// An element, band, report, dataset or data source of that name (case ignored) in the first
// open window that holds a designer-level report.
TComponent *QRFindReadElement(const QString &name);
// As QRFindReadElement, then the data modules.
TComponent *QRFindWriteElement(const QString &name);
// The font of the printable element of that name, or null.
TFont *QRFindElementFont(const QString &name);

#define TABULON_REPORT_FUNCTION(ClassName)                                                                   \
    class ClassName : public TQREvElementFunction                                                            \
    {                                                                                                        \
    public:                                                                                                  \
        void Apply(TQREvValue &value) override;                                                              \
    };

// Report state
TABULON_REPORT_FUNCTION(TQREvNewPageFunction)
TABULON_REPORT_FUNCTION(TQREvPageNumberFunction)
TABULON_REPORT_FUNCTION(TQREvVertPrintPosFunction)
TABULON_REPORT_FUNCTION(TQREvPixelsFunction)
TABULON_REPORT_FUNCTION(TQREvResetExprFunction)
TABULON_REPORT_FUNCTION(TQREvBandPrintedFunction)
TABULON_REPORT_FUNCTION(TQREvPagePrints)

// Elements and properties
TABULON_REPORT_FUNCTION(TQREvElementExists)
TABULON_REPORT_FUNCTION(TQREvPropertyExists)
TABULON_REPORT_FUNCTION(TQREvGetCaptionFunction)
TABULON_REPORT_FUNCTION(TQREvGetBooleanProperty)
TABULON_REPORT_FUNCTION(TQREvGetIntegerProperty)
TABULON_REPORT_FUNCTION(TQREvGetFloatProperty)
TABULON_REPORT_FUNCTION(TQREvGetStringProperty)
TABULON_REPORT_FUNCTION(TQREvSetBooleanProperty)
TABULON_REPORT_FUNCTION(TQREvSetIntegerProperty)
TABULON_REPORT_FUNCTION(TQREvSetFloatProperty)
TABULON_REPORT_FUNCTION(TQREvSetStringProperty)

// Colours and fonts
TABULON_REPORT_FUNCTION(TQREvSetColor)
TABULON_REPORT_FUNCTION(TQREvSetFontColor)
TABULON_REPORT_FUNCTION(TQREvSetFontSize)
TABULON_REPORT_FUNCTION(TQREvSetFontName)
TABULON_REPORT_FUNCTION(TQREvSetFontStyle)
TABULON_REPORT_FUNCTION(TQREvRGBColor)

#undef TABULON_REPORT_FUNCTION

// A colour constant: ignores its arguments and yields its colour value.
template <qint32 ColorValue> class TQREvColorConstant : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override { value.SetInteger(ColorValue); }
};

// The fifteen colour constants (red in the lowest byte).
class TQREvBlack : public TQREvColorConstant<0x000000>
{
};
class TQREvMaroon : public TQREvColorConstant<0x000080>
{
};
class TQREvGreen : public TQREvColorConstant<0x008000>
{
};
class TQREvOlive : public TQREvColorConstant<0x008080>
{
};
class TQREvNavy : public TQREvColorConstant<0x800000>
{
};
class TQREvPurple : public TQREvColorConstant<0x800080>
{
};
class TQREvTeal : public TQREvColorConstant<0x808000>
{
};
class TQREvGray : public TQREvColorConstant<0x808080>
{
};
class TQREvSilver : public TQREvColorConstant<0xC0C0C0>
{
};
class TQREvRed : public TQREvColorConstant<0x0000FF>
{
};
class TQREvLime : public TQREvColorConstant<0x00FF00>
{
};
class TQREvBlue : public TQREvColorConstant<0xFF0000>
{
};
class TQREvFuchsia : public TQREvColorConstant<0xFF00FF>
{
};
class TQREvAqua : public TQREvColorConstant<0xFFFF00>
{
};
class TQREvWhite : public TQREvColorConstant<0xFFFFFF>
{
};
