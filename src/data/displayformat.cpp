#include "data/displayformat.h"

#include "common/localesettings.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

QString FloatToText(double value, int precision)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (precision < 1 || precision > 17)
        precision = 15;
    QString text;
    const double magnitude = std::fabs(value);
    if (value == 0) {
        text = QStringLiteral("0");
    } else if (magnitude >= 1e-4 && magnitude < std::pow(10.0, precision)) {
        // Fixed notation with `precision` significant digits, trailing zeros removed.
        const int intDigits = magnitude >= 1 ? int(std::floor(std::log10(magnitude))) + 1 : 0;
        int decimals = std::max(0, precision - intDigits);
        if (magnitude < 1) {
            const int leadingZeros = -int(std::floor(std::log10(magnitude))) - 1;
            decimals = std::min(precision + leadingZeros, 30);
        }
        text = QString::number(value, 'f', decimals);
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
        }
        if (text == QLatin1String("-0"))
            text = QStringLiteral("0");
    } else {
        text = QString::number(value, 'E', precision - 1);
        // "1.50000E+20" -> "1.5E+20"
        const int e = text.indexOf(QLatin1Char('E'));
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        if (mantissa.contains(QLatin1Char('.'))) {
            while (mantissa.endsWith(QLatin1Char('0')))
                mantissa.chop(1);
            if (mantissa.endsWith(QLatin1Char('.')))
                mantissa.chop(1);
        }
        QChar sign = exponent.at(0);
        exponent = exponent.mid(1);
        while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0')))
            exponent.remove(0, 1);
        text = mantissa + QLatin1Char('E') + sign + exponent;
    }
    const QChar dec = LocaleSettings().DecimalSeparator;
    if (dec != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), dec);
    return text;
}

namespace
{

// Splits a mask at ';' outside quotes.
QStringList maskSections(const QString &mask)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            current += c;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            current += c;
        } else if (c == QLatin1Char(';')) {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

QString groupThousands(const QString &digits)
{
    const QChar sep = LocaleSettings().ThousandSeparator;
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0 && !sep.isNull())
            out += sep;
        out += digits.at(i);
    }
    return out;
}

// Formats a non-negative value with one mask section.
QString formatSection(const QString &section, double value)
{
    // Analyse the digit placeholders.
    int firstDigit = -1, lastDigit = -1, pointPos = -1;
    int intZeros = 0, intHashes = 0, fracZeros = 0, fracHashes = 0;
    bool thousands = false;
    int expPos = -1;
    QChar quote;
    for (int i = 0; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            continue;
        }
        if (expPos >= 0)
            continue;
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (firstDigit < 0)
                firstDigit = i;
            lastDigit = i;
            const bool zero = c == QLatin1Char('0');
            if (pointPos < 0)
                (zero ? intZeros : intHashes)++;
            else
                (zero ? fracZeros : fracHashes)++;
        } else if (c == QLatin1Char('.') && pointPos < 0 && expPos < 0) {
            pointPos = i;
            if (firstDigit < 0)
                firstDigit = i;
            lastDigit = i;
        } else if (c == QLatin1Char(',')) {
            thousands = true;
        } else if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < section.size() &&
                   (section.at(i + 1) == QLatin1Char('+') || section.at(i + 1) == QLatin1Char('-'))) {
            expPos = i;
        }
    }

    QString number;
    if (firstDigit >= 0) {
        const int decimals = fracZeros + fracHashes;
        int exponent = 0;
        double v = value;
        int expDigits = 0;
        bool expAlwaysSign = false;
        if (expPos >= 0) {
            expAlwaysSign = section.at(expPos + 1) == QLatin1Char('+');
            for (int i = expPos + 2; i < section.size() && section.at(i) == QLatin1Char('0'); ++i)
                ++expDigits;
            const int intPlaces = std::max(1, intZeros + intHashes);
            if (v != 0) {
                exponent = int(std::floor(std::log10(v))) - (intPlaces - 1);
                v = v / std::pow(10.0, exponent);
                // Rounding may carry into a further digit.
                const double rounded = std::round(v * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
                if (rounded >= std::pow(10.0, intPlaces)) {
                    ++exponent;
                    v /= 10;
                }
            }
        }
        QString fixed = QString::number(v, 'f', decimals);
        QString intPart = fixed, fracPart;
        const int dot = fixed.indexOf(QLatin1Char('.'));
        if (dot >= 0) {
            intPart = fixed.left(dot);
            fracPart = fixed.mid(dot + 1);
        }
        // Optional fraction digits drop trailing zeros.
        int keep = int(fracPart.size());
        while (keep > fracZeros && fracPart.at(keep - 1) == QLatin1Char('0'))
            --keep;
        fracPart.truncate(keep);
        if (intPart == QLatin1String("0") && intZeros == 0)
            intPart.clear();
        while (intPart.size() < intZeros)
            intPart.prepend(QLatin1Char('0'));
        if (thousands)
            intPart = groupThousands(intPart);
        number = intPart;
        if (!fracPart.isEmpty())
            number += LocaleSettings().DecimalSeparator + fracPart;
        if (expPos >= 0) {
            QString e = QString::number(std::abs(exponent));
            while (e.size() < expDigits)
                e.prepend(QLatin1Char('0'));
            const QString sign = exponent < 0    ? QStringLiteral("-")
                                 : expAlwaysSign ? QStringLiteral("+")
                                                 : QString();
            number += section.at(expPos) + sign + e;
        }
    }

    // Put the number in place of the placeholders, keeping literal text around it.
    QString out;
    quote = QChar();
    bool placed = false;
    int skipUntil = -1;
    if (expPos >= 0) {
        skipUntil = expPos + 2;
        while (skipUntil < section.size() && section.at(skipUntil) == QLatin1Char('0'))
            ++skipUntil;
    }
    for (int i = 0; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            continue;
        }
        const bool inNumber = firstDigit >= 0 && i >= firstDigit && (i <= lastDigit || i < skipUntil);
        if (inNumber || (c == QLatin1Char(',') && firstDigit >= 0 && i > firstDigit && i < lastDigit)) {
            if (!placed) {
                out += number;
                placed = true;
            }
            continue;
        }
        if (c == QLatin1Char(','))
            continue;
        out += c;
    }
    return out;
}

} // namespace

QString FormatFloat(const QString &mask, double value)
{
    if (mask.isEmpty())
        return FloatToText(value);
    if (std::isnan(value) || std::isinf(value))
        return FloatToText(value);
    const QStringList sections = maskSections(mask);
    if (value == 0 && sections.size() >= 3 && !sections.at(2).isEmpty())
        return formatSection(sections.at(2), 0);
    if (value < 0) {
        if (sections.size() >= 2 && !sections.at(1).isEmpty())
            return formatSection(sections.at(1), -value);
        const QString text = formatSection(sections.at(0), -value);
        // A value that rounds to zero shows without a sign.
        bool anyDigit = false;
        for (QChar c : text)
            if (c.isDigit() && c != QLatin1Char('0'))
                anyDigit = true;
        return anyDigit ? QStringLiteral("-") + text : text;
    }
    return formatSection(sections.at(0), value);
}

namespace
{

QString pad(int v, int width)
{
    return QString::number(v).rightJustified(width, QLatin1Char('0'));
}

bool startsWithCI(const QString &s, int pos, const char *token)
{
    return s.mid(pos, int(qstrlen(token))).compare(QLatin1String(token), Qt::CaseInsensitive) == 0;
}

void formatInto(QString &out, const QString &format, const QDateTime &value, int depth);

void formatInto(QString &out, const QString &f, const QDateTime &value, int depth)
{
    const TLocaleSettings &ls = LocaleSettings();
    const QDate date = value.date();
    const QTime time = value.time();
    // Whether an am/pm marker follows, which makes hours 12-based.
    const bool twelveHour = f.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                            f.contains(QLatin1String("a/p"), Qt::CaseInsensitive) ||
                            f.contains(QLatin1String("ampm"), Qt::CaseInsensitive);
    int i = 0;
    while (i < f.size()) {
        const QChar c = f.at(i);
        const QChar lc = c.toLower();
        auto run = [&](QChar ch) {
            int n = 0;
            while (i + n < f.size() && f.at(i + n).toLower() == ch)
                ++n;
            return n;
        };
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int end = f.indexOf(c, i + 1);
            out += f.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? int(f.size()) : end + 1;
        } else if (c == QLatin1Char('/')) {
            out += ls.DateSeparator;
            ++i;
        } else if (c == QLatin1Char(':')) {
            out += ls.TimeSeparator;
            ++i;
        } else if (lc == QLatin1Char('d')) {
            const int n = run(QLatin1Char('d'));
            if (n == 1)
                out += QString::number(date.day());
            else if (n == 2)
                out += pad(date.day(), 2);
            else if (n == 3)
                out += ls.ShortDayNames.value(date.dayOfWeek() % 7);
            else if (n == 4)
                out += ls.LongDayNames.value(date.dayOfWeek() % 7);
            else if (n == 5 && depth < 2)
                formatInto(out, ls.ShortDateFormat, value, depth + 1);
            else if (depth < 2)
                formatInto(out, ls.LongDateFormat, value, depth + 1);
            i += n;
        } else if (lc == QLatin1Char('m')) {
            const int n = run(QLatin1Char('m'));
            if (n == 1)
                out += QString::number(date.month());
            else if (n == 2)
                out += pad(date.month(), 2);
            else if (n == 3)
                out += ls.ShortMonthNames.value(date.month() - 1);
            else
                out += ls.LongMonthNames.value(date.month() - 1);
            i += n;
        } else if (lc == QLatin1Char('y')) {
            const int n = run(QLatin1Char('y'));
            out += n <= 2 ? pad(date.year() % 100, 2) : pad(date.year(), 4);
            i += n;
        } else if (lc == QLatin1Char('h')) {
            const int n = run(QLatin1Char('h'));
            int h = time.hour();
            if (twelveHour) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += n >= 2 ? pad(h, 2) : QString::number(h);
            i += n;
        } else if (lc == QLatin1Char('n')) {
            const int n = run(QLatin1Char('n'));
            out += n >= 2 ? pad(time.minute(), 2) : QString::number(time.minute());
            i += n;
        } else if (lc == QLatin1Char('s')) {
            const int n = run(QLatin1Char('s'));
            out += n >= 2 ? pad(time.second(), 2) : QString::number(time.second());
            i += n;
        } else if (lc == QLatin1Char('z')) {
            const int n = run(QLatin1Char('z'));
            out += n >= 3 ? pad(time.msec(), 3) : QString::number(time.msec());
            i += n;
        } else if (startsWithCI(f, i, "am/pm")) {
            out += time.hour() < 12 ? f.mid(i, 2)
                                    : (f.at(i).isUpper() ? QStringLiteral("PM") : QStringLiteral("pm"));
            i += 5;
        } else if (startsWithCI(f, i, "a/p")) {
            const bool upper = f.at(i).isUpper();
            out += time.hour() < 12 ? (upper ? QStringLiteral("A") : QStringLiteral("a"))
                                    : (upper ? QStringLiteral("P") : QStringLiteral("p"));
            i += 3;
        } else if (startsWithCI(f, i, "ampm")) {
            out += time.hour() < 12 ? ls.TimeAMString : ls.TimePMString;
            i += 4;
        } else if (lc == QLatin1Char('c') && depth < 2) {
            formatInto(out, ls.ShortDateFormat, value, depth + 1);
            if (time != QTime(0, 0)) {
                out += QLatin1Char(' ');
                formatInto(out, ls.LongTimeFormat, value, depth + 1);
            }
            ++i;
        } else if (lc == QLatin1Char('t') && depth < 2) {
            const int n = run(QLatin1Char('t'));
            formatInto(out, n >= 2 ? ls.LongTimeFormat : ls.ShortTimeFormat, value, depth + 1);
            i += n;
        } else {
            out += c;
            ++i;
        }
    }
}

} // namespace

QString FormatDateTime(const QString &format, const QDateTime &value)
{
    QString out;
    formatInto(out, format.isEmpty() ? QStringLiteral("c") : format, value, 0);
    return out;
}
