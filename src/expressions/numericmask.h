#pragma once

// The numeric mask language of FORMATNUMERIC and of the expression element's display mask.
//
//   0        digit placeholder: the digit in this position, or 0
//   #        digit placeholder: the digit in this position, or nothing
//   .        the first one places the decimal separator; further ones are ignored
//   ,        anywhere: the integer part gets thousands separators
//   E+ E- e+ e-   scientific notation; up to four 0 after it give the least exponent digits
//   '..' ".." literal text
//   ;        separates the sections for positive, negative and zero values
//
// The value is rounded (half away from zero, on its 15 significant digits) to as many decimals as
// there are placeholders after the point. An empty mask or first section gives the general text
// form, and so do values of 1E18 or more in magnitude when the mask has no scientific notation.

#include <QString>

// With the locale's separators. Returns false (result untouched) for a value that is not finite.
bool QRFormatNumeric(const QString &mask, double value, QString &result);
bool QRFormatNumeric(const QString &mask, double value, QString &result, QChar decimalSeparator,
                     QChar thousandSeparator);

// The mask as a spreadsheet number format code (the one XLSX cells carry), which shows a number
// the way the mask prints it; empty for the general form (an empty mask or first section).
QString QRSpreadsheetNumberFormat(const QString &mask);
