#include "expressions/reportvariables.h"

#include "common/localesettings.h"
#include "data/params.h"
#include "expressions/environment.h"
#include "expressions/evaluator.h"

#include <QCoreApplication>

void QREvAddReportVariables(TQREvEnvironment &environment)
{
    environment.AddVariable(QStringLiteral("PAGENUMBER"), QStringLiteral("0"));
    environment.AddVariable(QStringLiteral("COLUMNNUMBER"), QStringLiteral("0"));
    environment.AddVariable(QStringLiteral("REPORTTITLE"), QStringLiteral("''"));
}

bool QREvAssignParamValue(TParam &param, const TQREvValue &value)
{
    const TLocaleSettings &locale = LocaleSettings();
    switch (param.DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
        if (value.ValueKind != rkString)
            return false;
        param.SetAsString(value.Text);
        return true;
    case ftSmallint:
        if (value.ValueKind != rkInteger)
            return false;
        param.SetAsSmallInt(value.IntValue);
        return true;
    case ftInteger:
        if (value.ValueKind != rkInteger)
            return false;
        param.SetAsInteger(value.IntValue);
        return true;
    case ftWord:
        if (value.ValueKind != rkInteger)
            return false;
        param.SetAsWord(value.IntValue);
        return true;
    case ftBoolean:
        if (value.ValueKind != rkBoolean)
            return false;
        param.SetAsBoolean(value.BoolValue);
        return true;
    case ftFloat:
        if (value.ValueKind != rkFloat)
            return false;
        param.SetAsFloat(value.FloatValue);
        return true;
    case ftCurrency:
        if (value.ValueKind != rkFloat)
            return false;
        param.SetAsCurrency(value.FloatValue);
        return true;
    case ftBCD:
        if (value.ValueKind != rkFloat)
            return false;
        param.SetAsBCD(value.FloatValue);
        return true;
    case ftDate: {
        QDate date;
        if (value.ValueKind != rkString || !locale.TryStrToDate(value.Text, date))
            return false;
        param.SetAsDate(date);
        return true;
    }
    case ftTime: {
        QTime time;
        if (value.ValueKind != rkString || !locale.TryStrToTime(value.Text, time))
            return false;
        param.SetAsTime(time);
        return true;
    }
    case ftDateTime: {
        QDateTime dateTime;
        if (value.ValueKind != rkString || !locale.TryStrToDateTime(value.Text, dateTime))
            return false;
        param.SetAsDateTime(dateTime);
        return true;
    }
    default:
        return false;
    }
}

int QREvAssignVariablesToParams(TParams &params, TQREvEnvironment &environment)
{
    int changed = 0;
    for (int i = 0; i < params.Count(); ++i) {
        TParam *param = params.Items(i);
        if (!param || environment.IndexOf(param->Name()) < 0)
            continue;
        TQREvValue value;
        environment.ComputeVariable(param->Name(), value);
        if (QREvAssignParamValue(*param, value))
            ++changed;
    }
    return changed;
}

QString QREvValidateExpression(const QString &text, TQRDatasetList *datasets, TQREvEnvironment *local)
{
    QString expression = text;
    // The builder's text is one line; a Windows pair and a bare line feed are both line breaks.
    expression.remove(QStringLiteral("\r\n"));
    expression.remove(u'\n');
    expression.remove(u'\r');

    QREvPrepareGlobalEnvironment();
    if (local)
        local->Engage();
    TQREvValue value;
    try {
        TQREvaluator evaluator;
        evaluator.SetDatasets(datasets);
        evaluator.SetEnvironment(local);
        evaluator.ComputeText(expression, value);
    } catch (const std::exception &e) {
        // A dataset that fails while a field is read: shown like any other error.
        value.SetError(QString::fromLocal8Bit(e.what()));
    }
    if (local)
        local->Disengage();
    QREvUnprepareGlobalEnvironment();

    if (value.ValueKind == rkError)
        return QCoreApplication::translate("TQREvaluator", "ERROR: ") + value.Text;
    return QCoreApplication::translate("TQREvaluator", "There are no errors. The result is : ") +
           QREvValueText(value);
}
