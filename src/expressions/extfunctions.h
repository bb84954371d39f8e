#pragma once

// The extended functions: text filling and conversion, date and time arithmetic, datasets and
// query parameters found by name, profile files and the registry, message and input boxes, and
// the process-wide variables.
//
// None of them raises: a wrong number or kind of arguments, and any failure while a function
// works, give an error value with an empty message.

#include "expressions/elements.h"

#include <QDate>
#include <QStringList>
#include <QTime>

class TQRFunctionLibrary;

// Registers the extended functions after the standard ones, in their fixed order, each only when
// the library has no function of that name yet. The rows of the functions that act on the
// report are reserved in that order for the report layer to fill.
void RegisterExtendedFunctions(TQRFunctionLibrary &library);

#define TABULON_EV_FUNCTION(ClassName)                                                                       \
    class ClassName : public TQREvElementFunction                                                            \
    {                                                                                                        \
    public:                                                                                                  \
        void Apply(TQREvValue &value) override;                                                              \
    };

// Text
TABULON_EV_FUNCTION(TQREvInsertStrFunction)
TABULON_EV_FUNCTION(TQREvStrToIntFunction)
TABULON_EV_FUNCTION(TQREvStrToNumFunction)
TABULON_EV_FUNCTION(TQREvTrimFunction)
TABULON_EV_FUNCTION(TQREvStrLenFunction)
TABULON_EV_FUNCTION(TQREvStretchStrFunction)
TABULON_EV_FUNCTION(TQREvChrFunction)
TABULON_EV_FUNCTION(TQREvPadLeftFunction)
TABULON_EV_FUNCTION(TQREvPadRightFunction)
TABULON_EV_FUNCTION(TQREvPadLeftZeroFunction)
TABULON_EV_FUNCTION(TQREvCurrencyFunction)

// Numbers
TABULON_EV_FUNCTION(TQREvAbsFunction)
TABULON_EV_FUNCTION(TQREvVarFunction)

// Counts every computation of its element, aggregate passes included, as every side effect acts
// in them.
class TQREvCounterFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override;
    void ResetState() override { m_count = 0; }

private:
    qint32 m_count = 0;
};

// Dates and times
TABULON_EV_FUNCTION(TQREvDateDiffFunction)
TABULON_EV_FUNCTION(TQREvPrintDateFunction)
TABULON_EV_FUNCTION(TQREvReformatDateFunction)
TABULON_EV_FUNCTION(TQREvCalcDateFunction)
TABULON_EV_FUNCTION(TQREvExtractDayFunction)
TABULON_EV_FUNCTION(TQREvExtractMonthFunction)
TABULON_EV_FUNCTION(TQREvExtractYearFunction)
TABULON_EV_FUNCTION(TQREvDayOfWeekFunction)
TABULON_EV_FUNCTION(TQREvDayStringFunction)
TABULON_EV_FUNCTION(TQREvMonthStringFunction)
TABULON_EV_FUNCTION(TQREvCalcTimeFunction)

// Datasets
TABULON_EV_FUNCTION(TQREvQueryParamFunction)
TABULON_EV_FUNCTION(TQREvRecordCountFunction)
TABULON_EV_FUNCTION(TQREvIsNullFunction)
TABULON_EV_FUNCTION(TQREvFieldLenFunction)
TABULON_EV_FUNCTION(TQREvMemoLineFunction)
TABULON_EV_FUNCTION(TQREvEOFFunction)

// Profile files and the registry
TABULON_EV_FUNCTION(TQREvReadINIFunction)
TABULON_EV_FUNCTION(TQREvReadRegistryFunction)

// Variables
TABULON_EV_FUNCTION(TQREvSetVar)
TABULON_EV_FUNCTION(TQREvGetVar)
TABULON_EV_FUNCTION(TQREvVarExists)
TABULON_EV_FUNCTION(TQREvDeleteVar)

// Dialogs
TABULON_EV_FUNCTION(TQREvOKBox)
TABULON_EV_FUNCTION(TQREvOKCancelBox)
TABULON_EV_FUNCTION(TQREvYesNoBox)
TABULON_EV_FUNCTION(TQREvInputQuery)

#undef TABULON_EV_FUNCTION

// --- Pieces the functions are made of, shared with other parts of the system. ---

// The calendar arithmetic of CALCDATE: months (then years) added with whole years carried, the
// day put on the new month without checking it against the month's length (31 January plus one
// month is 3 March, or 2 March in a leap year), then the days added. False when the result falls
// outside the years 1 to 9999.
bool QRCalcDate(const QDate &date, qint64 days, qint64 months, qint64 years, QDate &result);
// The clock arithmetic of CALCTIME: seconds carry into minutes, minutes into hours, and the hours
// wrap around the day.
QTime QRCalcTime(const QTime &time, qint64 hours, qint64 minutes, qint64 seconds);

// A 32-bit integer from text: leading blanks, an optional sign, decimal digits or "$" and
// hexadecimal digits (a value of at most 32 bits, taken as the pattern), nothing after them.
bool QRStrToInt32(const QString &text, qint32 &value);

// The lines of a memo text: CR LF, CR or LF end a line; a break at the very end adds no line.
QStringList QRSplitMemoLines(const QString &text);

// The profile file that stands in for a registry root key ("HKEY_CURRENT_USER"):
// <user configuration directory>/registry/<ROOT>.ini.
QString QRRegistryFileName(const QString &rootKey);
// Reads a string value the way READREGISTRY does: a missing key or value gives the empty string;
// false when the value exists but is not a string (written "dword:...", "hex:..." or
// "hex(N):..."). The key is never created.
bool QRReadRegistryString(const QString &rootOrPath, const QString &keyPath, const QString &valueName,
                          QString &value);
