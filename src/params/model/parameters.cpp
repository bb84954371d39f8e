#include "params/model/parameters.h"

#include "params/model/declaration.h"
#include "params/model/messages.h"

#include <QDate>

TParamDataType ParamDataTypeFromText(const QString &text)
{
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("INTEGER"))
        return TParamDataType::Integer;
    if (t == QLatin1String("DATE"))
        return TParamDataType::Date;
    if (t == QLatin1String("FLOAT"))
        return TParamDataType::Float;
    return TParamDataType::String;
}

QString ParamDataTypeName(TParamDataType type)
{
    switch (type) {
    case TParamDataType::String:
        return QStringLiteral("String");
    case TParamDataType::Integer:
        return QStringLiteral("Integer");
    case TParamDataType::Date:
        return QStringLiteral("Date");
    case TParamDataType::Float:
        return QStringLiteral("Float");
    }
    return QStringLiteral("String");
}

bool ConvertParameterValue(TParamDataType type, const QString &text, QVariant &value, QString &error,
                           const TLocaleSettings &locale)
{
    switch (type) {
    case TParamDataType::String:
        value = text;
        return true;
    case TParamDataType::Integer: {
        int number = 0;
        if (!ParseDecimalInteger(text, number)) {
            error = ParamMessages::NotAnInteger(text);
            return false;
        }
        value = number;
        return true;
    }
    case TParamDataType::Date: {
        QDate date;
        if (!locale.TryStrToDate(text, date) || !date.isValid()) {
            error = ParamMessages::NotADate(text);
            return false;
        }
        value = date;
        return true;
    }
    case TParamDataType::Float: {
        double number = 0;
        if (!locale.TryStrToFloat(text, number)) {
            error = ParamMessages::NotAFloat(text);
            return false;
        }
        value = number;
        return true;
    }
    }
    value = text;
    return true;
}

QString ParameterDumpText(const QString &name, const QString &value)
{
    return u'@' + name + QStringLiteral(" = <") + value + u'>';
}

QString ParameterDumpKey(int index)
{
    return QStringLiteral("var") + QString::number(index);
}
