#include "params/model/controlvalues.h"

#include "params/model/declaration.h"
#include "params/model/messages.h"

#include <cmath>

int IntEditDefault(const QString &text)
{
    int value = 0;
    return ParseDecimalInteger(text, value) ? value : 0;
}

double RoundFloatEdit(double value)
{
    const double rounded = std::round(value * 1e6) / 1e6;
    // Keep huge numbers as they are: scaling them would overflow or lose nothing anyway.
    return std::isfinite(rounded) ? rounded : value;
}

bool FloatEditDefault(const QString &text, double &value, QString &error, const TLocaleSettings &locale)
{
    QString t = text;
    while (!t.isEmpty() && t.back().isSpace())
        t.chop(1);
    t = t.trimmed();
    if (t.isEmpty()) {
        value = 0;
        return true;
    }
    const QChar thousands = locale.ThousandSeparator;
    if (!thousands.isNull())
        t.remove(thousands);
    if (thousands != u'.')
        t.replace(u'.', locale.DecimalSeparator);
    if (thousands != u',')
        t.replace(u',', locale.DecimalSeparator);
    double parsed = 0;
    if (!TLocaleSettings::TryStrToFloat(t, locale.DecimalSeparator, parsed) || !std::isfinite(parsed)) {
        error = ParamMessages::NotAFloat(text);
        return false;
    }
    value = RoundFloatEdit(parsed);
    return true;
}

QString FloatEditValue(double value, const TLocaleSettings &locale)
{
    const double v = RoundFloatEdit(value);
    if (v == 0)
        return QString();
    QString text = QString::number(v, 'f', 6);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    text.replace(u'.', locale.DecimalSeparator);
    return text;
}

bool DateEditDefault(const QString &text, QDate &date, QString &error)
{
    if (text.isEmpty()) {
        date = QDate();
        return true;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    const auto digits = [](const QString &part, int &value) {
        for (const QChar c : part)
            if (c < u'0' || c > u'9')
                return false;
        return ParseDecimalInteger(part, value);
    };
    if (digits(text.mid(0, 4), year) && digits(text.mid(4, 2), month) && digits(text.mid(6, 2), day) &&
        year >= 1 && QDate::isValid(year, month, day)) {
        date = QDate(year, month, day);
        return true;
    }
    error = ParamMessages::NotADate(text);
    return false;
}

QDate ZeroDate()
{
    return QDate(1899, 12, 30);
}

QString DateEditValue(const QDate &date)
{
    const QDate d = date.isValid() ? date : ZeroDate();
    return u'\'' + d.toString(QStringLiteral("yyyyMMdd")) + u'\'';
}

QString DateEditText(const QDate &date, const TLocaleSettings &locale)
{
    return date.isValid() ? locale.DateToStr(date) : QString();
}

int ListDefault(const QString &text, int entryCount)
{
    int index = -1;
    if (!ParseDecimalInteger(text, index) || index < 0 || index >= entryCount)
        return -1;
    return index;
}

bool CheckDefault(const QString &text)
{
    return text == QLatin1String("1");
}
