#pragma once

// Display formats of fields.
//
// Number masks: up to three sections separated by ';' (positive, negative,
// zero); '0' a digit always shown, '#' a digit shown when significant, '.'
// the decimal separator, ',' thousands separators, "E+"/"E-" scientific
// notation, text in single or double quotes literally. The negative section
// is shown without a minus sign of its own; without one the positive section
// is used with a leading "-". An empty mask gives the general text form.
//
// Date-time formats: d dd ddd dddd, m mm mmm mmmm, yy yyyy, h hh, n nn, s ss,
// z zzz, am/pm a/p ampm, c (short date and long time), ddddd (short date),
// dddddd (long date), t (short time), tt (long time), '/' the date separator,
// ':' the time separator, text in quotes literally.

#include <QDateTime>
#include <QString>

QString FormatFloat(const QString &mask, double value);
QString FormatDateTime(const QString &format, const QDateTime &value);
// The general text form of a float: at most `precision` significant digits,
// the locale's decimal separator, fixed notation unless the number is very
// large or small.
QString FloatToText(double value, int precision = 15);
