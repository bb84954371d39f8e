#pragma once

#include "common/localesettings.h"

#include <QDate>
#include <QString>

// How each control kind turns its descriptor default into content and its content into the
// VALUE and TEXT that bindings and filter macros read.

// INTEDIT: a decimal integer; missing or not a number gives 0.
int IntEditDefault(const QString &text);

// FLOATEDIT: trailing blanks and the locale's thousands separator are dropped; "." and "," both
// serve as decimal separator unless one of them is the thousands separator. Empty gives 0. False
// with the conversion error's message for text that is not a number.
bool FloatEditDefault(const QString &text, double &value, QString &error,
                      const TLocaleSettings &locale = LocaleSettings());
// The field keeps six decimals.
double RoundFloatEdit(double value);
// Up to six decimals, the locale's decimal separator, no thousands separators; empty for 0.
QString FloatEditValue(double value, const TLocaleSettings &locale = LocaleSettings());

// DATEEDIT: "yyyymmdd" (characters 1-4 year, 5-6 month, 7-8 day); empty leaves the field empty (a
// null date). False with the conversion error's message when the parts form no valid date.
bool DateEditDefault(const QString &text, QDate &date, QString &error);
// The zero date of the date type, which an empty date field stands for in VALUE.
QDate ZeroDate();
// "'yyyymmdd'" in single quotes; the zero date for an empty field.
QString DateEditValue(const QDate &date);
// The date as the field shows it: the locale's short date format; empty for an empty field.
QString DateEditText(const QDate &date, const TLocaleSettings &locale = LocaleSettings());

// LIST: the zero-based index of an entry; empty, not a number or out of range gives -1.
int ListDefault(const QString &text, int entryCount);

// CHECK: exactly "1" checks the box.
bool CheckDefault(const QString &text);
