#include "expressions/value.h"

#include "common/localesettings.h"

#include <QCoreApplication>

#include <charconv>
#include <cmath>

QString QREvFloatToText(double value, QChar decimalSeparator)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0.0)
        return QStringLiteral("0");

    // Fifteen significant digits, rounded; to_chars does not depend on the C locale.
    char buffer[64];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view sci(buffer, res.ptr - buffer);
    const bool negative = sci.front() == '-';
    const std::size_t ePos = sci.find('e');
    int exponent = 0;
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                    exponent);

    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < ePos; ++i)
        if (sci[i] != '.')
            digits += sci[i];
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    QString out;
    out.reserve(24);
    if (negative)
        out += u'-';
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            const std::size_t intDigits = std::size_t(exponent) + 1;
            for (std::size_t i = 0; i < intDigits; ++i)
                out += QLatin1Char(i < digits.size() ? digits[i] : '0');
            if (digits.size() > intDigits) {
                out += decimalSeparator;
                for (std::size_t i = intDigits; i < digits.size(); ++i)
                    out += QLatin1Char(digits[i]);
            }
        } else {
            out += u'0';
            out += decimalSeparator;
            for (int i = -1; i > exponent; --i)
                out += u'0';
            out += QLatin1String(digits.data(), qsizetype(digits.size()));
        }
    } else {
        out += QLatin1Char(digits[0]);
        if (digits.size() > 1) {
            out += decimalSeparator;
            out += QLatin1String(digits.data() + 1, qsizetype(digits.size() - 1));
        }
        out += u'E';
        out += QString::number(exponent);
    }
    return out;
}

QString QREvFloatToText(double value)
{
    return QREvFloatToText(value, LocaleSettings().DecimalSeparator);
}

QString QREvBooleanText(bool value)
{
    return value ? QCoreApplication::translate("TQREvaluator", "True")
                 : QCoreApplication::translate("TQREvaluator", "False");
}

QString QREvValueText(const TQREvValue &value)
{
    switch (value.ValueKind) {
    case rkInteger:
        return QString::number(value.IntValue);
    case rkFloat:
        return QREvFloatToText(value.FloatValue);
    case rkBoolean:
        return QREvBooleanText(value.BoolValue);
    case rkString:
    case rkError:
        break;
    }
    return value.Text;
}

QString QREvKindName(TQREvResultType kind)
{
    switch (kind) {
    case rkInteger:
        return QStringLiteral("INTEGER");
    case rkFloat:
        return QStringLiteral("FLOAT");
    case rkString:
        return QStringLiteral("STRING");
    case rkBoolean:
        return QStringLiteral("BOOLEAN");
    case rkError:
        break;
    }
    return QStringLiteral("ERROR");
}
