#pragma once

#include "common/localesettings.h"

#include <QString>
#include <QVariant>

// The data type an Assignment_types line gives a query parameter.
enum class TParamDataType { String = 0, Integer = 1, Date = 2, Float = 3 };

// "String", "Integer", "Date" or "Float" in any case (blanks around it ignored); anything else,
// an empty text included, is a string.
TParamDataType ParamDataTypeFromText(const QString &text);
// "String", "Integer", "Date", "Float".
QString ParamDataTypeName(TParamDataType type);

// A typed query parameter that "Print" hands to the report.
struct TReportParameter {
    QString Name;
    TParamDataType DataType = TParamDataType::String;
    QVariant Value; // QString, int, QDate or double
};

// Converts a binding's value text: integer from decimal text, date from the locale's short date
// format, float with the locale's decimal separator, string as it stands. False with the
// conversion error's message when the text does not convert.
bool ConvertParameterValue(TParamDataType type, const QString &text, QVariant &value, QString &error,
                           const TLocaleSettings &locale = LocaleSettings());

// The line "Export to textfile" writes for a binding: "@" + name + " = <" + value + ">".
QString ParameterDumpText(const QString &name, const QString &value);
// Its key: "var" + index.
QString ParameterDumpKey(int index);
