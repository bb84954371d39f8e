#include "expressions/numericmask.h"

#include "common/localesettings.h"
#include "expressions/value.h"

#include <QList>
#include <QStringList>

#include <algorithm>

#include <charconv>
#include <cmath>
#include <string>

namespace
{

// Splits at ';' outside quotes.
QList<QString> splitSections(const QString &mask)
{
    QList<QString> sections;
    QString current;
    QChar quote;
    for (QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            sections.append(current);
            current.clear();
            continue;
        }
        current += c;
    }
    sections.append(current);
    return sections;
}

struct Token {
    enum Type { Literal, IntDigit, Point, FracDigit, Exponent } Kind = Literal;
    QString Text;      // Literal
    bool Zero = false; // digit placeholders: '0' rather than '#'
    QChar ExpChar;     // Exponent: 'E' or 'e'
    bool ExpPlus = false;
    int ExpDigits = 0;

    static Token make(Type kind, const QString &text = QString())
    {
        Token t;
        t.Kind = kind;
        t.Text = text;
        return t;
    }
};

struct Section {
    QList<Token> Tokens;
    bool Thousands = false;
    bool Scientific = false;
    int IntPlaceholders = 0;
    int FracPlaceholders = 0;
    int MinInt = 0;  // placeholders from the leftmost '0' to the point
    int MinFrac = 0; // placeholders up to the rightmost '0' after the point
};

Section parseSection(const QString &text)
{
    Section s;
    bool afterPoint = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\'' || c == u'"') {
            qsizetype close = text.indexOf(c, i + 1);
            if (close < 0)
                close = n;
            s.Tokens.append(Token::make(Token::Literal, text.mid(i + 1, close - i - 1)));
            i = close;
        } else if (c == u'0' || c == u'#') {
            if (s.Scientific) { // digits after the exponent's own zeros are literal
                s.Tokens.append(Token::make(Token::Literal, QString(c)));
                continue;
            }
            Token t = Token::make(afterPoint ? Token::FracDigit : Token::IntDigit);
            t.Zero = c == u'0';
            s.Tokens.append(t);
            if (afterPoint) {
                ++s.FracPlaceholders;
                if (t.Zero)
                    s.MinFrac = s.FracPlaceholders;
            } else {
                ++s.IntPlaceholders;
            }
        } else if (c == u'.') {
            if (!afterPoint && !s.Scientific) {
                afterPoint = true;
                s.Tokens.append(Token::make(Token::Point));
            }
        } else if (c == u',') {
            s.Thousands = true;
        } else if ((c == u'E' || c == u'e') && !s.Scientific && i + 1 < n &&
                   (text[i + 1] == u'+' || text[i + 1] == u'-')) {
            Token t = Token::make(Token::Exponent);
            t.ExpChar = c;
            t.ExpPlus = text[i + 1] == u'+';
            i += 2;
            while (i < n && text[i] == u'0' && t.ExpDigits < 4) {
                ++t.ExpDigits;
                ++i;
            }
            --i;
            s.Tokens.append(t);
            s.Scientific = true;
        } else {
            s.Tokens.append(Token::make(Token::Literal, QString(c)));
        }
    }
    // The leftmost '0' before the point fixes how many integer digits always appear.
    int position = s.IntPlaceholders;
    for (const Token &t : s.Tokens) {
        if (t.Kind == Token::IntDigit) {
            if (t.Zero) {
                s.MinInt = position;
                break;
            }
            --position;
        }
    }
    return s;
}

// The value's decimal digits (15 significant, no trailing zeros) and the exponent of the first.
void decimalDigits(double value, std::string &digits, int &exponent)
{
    digits.clear();
    exponent = 0;
    if (value == 0.0)
        return;
    char buffer[64];
    const auto res =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view sci(buffer, res.ptr - buffer);
    const std::size_t ePos = sci.find('e');
    for (std::size_t i = 0; i < ePos; ++i)
        if (sci[i] != '.')
            digits += sci[i];
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                    exponent);
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
}

// Keeps `keep` digits (half away from zero); a carry can add one to the exponent.
void roundDigits(std::string &digits, int &exponent, int keep)
{
    if (keep < 0) {
        digits.clear();
        return;
    }
    if (std::size_t(keep) >= digits.size())
        return;
    const bool up = digits[std::size_t(keep)] >= '5';
    digits.resize(std::size_t(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && digits[std::size_t(i)] == '9') {
            digits[std::size_t(i)] = '0';
            --i;
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            ++exponent;
        } else {
            ++digits[std::size_t(i)];
        }
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
}

QString render(const Section &s, const std::string &intDigits, std::string fracDigits, int expValue,
               QChar decimalSeparator, QChar thousandSeparator)
{
    // '#' after the point drops trailing zeros beyond the last '0'.
    while (int(fracDigits.size()) > s.MinFrac && !fracDigits.empty() && fracDigits.back() == '0')
        fracDigits.pop_back();
    while (int(fracDigits.size()) < s.MinFrac)
        fracDigits += '0';

    const int intLength = int(intDigits.size());
    auto digitAt = [&](int position) { return QLatin1Char(intDigits[std::size_t(intLength - position)]); };
    QString out;
    auto emitInt = [&](int position) {
        out += position <= intLength ? QChar(digitAt(position)) : QChar(u'0');
        if (s.Thousands && position > 1 && (position - 1) % 3 == 0)
            out += thousandSeparator;
    };

    int position = s.IntPlaceholders; // of the next integer placeholder, counted from the right
    int fracIndex = 0;
    bool firstInt = true;
    for (const Token &t : s.Tokens) {
        switch (t.Kind) {
        case Token::Literal:
            out += t.Text;
            break;
        case Token::IntDigit:
            if (firstInt) {
                // Digits without a placeholder of their own all go before the first one.
                for (int p = intLength; p > s.IntPlaceholders; --p)
                    emitInt(p);
                firstInt = false;
            }
            if (position <= intLength || position <= s.MinInt)
                emitInt(position);
            --position;
            break;
        case Token::Point:
            if (!fracDigits.empty())
                out += decimalSeparator;
            break;
        case Token::FracDigit:
            if (fracIndex < int(fracDigits.size()))
                out += QLatin1Char(fracDigits[std::size_t(fracIndex)]);
            ++fracIndex;
            break;
        case Token::Exponent: {
            out += t.ExpChar;
            if (expValue < 0)
                out += u'-';
            else if (t.ExpPlus)
                out += u'+';
            QString digits = QString::number(std::abs(expValue));
            while (digits.size() < t.ExpDigits)
                digits.prepend(u'0');
            out += digits;
            break;
        }
        }
    }
    bool hasPoint = false;
    for (const Token &t : s.Tokens)
        hasPoint = hasPoint || t.Kind == Token::Point;
    if (firstInt && s.IntPlaceholders == 0 && intLength > 0 && !s.Scientific && hasPoint) {
        // No integer placeholder at all: the integer digits still show, before the point.
        QString prefix;
        for (int p = intLength; p >= 1; --p) {
            prefix += digitAt(p);
            if (s.Thousands && p > 1 && (p - 1) % 3 == 0)
                prefix += thousandSeparator;
        }
        qsizetype at = 0;
        for (const Token &t : s.Tokens) {
            if (t.Kind != Token::Literal)
                break;
            at += t.Text.size();
        }
        out.insert(at, prefix);
    }
    return out;
}

// Formats the magnitude with one section; sets isZero when it rounds to zero.
QString formatMagnitude(const Section &s, double magnitude, QChar decimalSeparator, QChar thousandSeparator,
                        bool &isZero)
{
    std::string digits;
    int exponent = 0;
    decimalDigits(magnitude, digits, exponent);
    if (s.Scientific) {
        const int significant = qMax(1, s.IntPlaceholders) + s.FracPlaceholders;
        roundDigits(digits, exponent, significant);
        isZero = digits.empty();
        const int intCount = s.IntPlaceholders;
        int expValue = isZero ? 0 : exponent - (intCount - 1);
        if (intCount == 0 && !isZero)
            expValue = exponent + 1;
        std::string all = digits;
        all.resize(std::size_t(intCount + s.FracPlaceholders), '0');
        std::string intDigits = all.substr(0, std::size_t(intCount));
        const std::string fracDigits = all.substr(std::size_t(intCount));
        const std::size_t firstNonZero = intDigits.find_first_not_of('0');
        intDigits = firstNonZero == std::string::npos ? std::string() : intDigits.substr(firstNonZero);
        return render(s, intDigits, fracDigits, expValue, decimalSeparator, thousandSeparator);
    }
    roundDigits(digits, exponent, exponent + 1 + s.FracPlaceholders);
    isZero = digits.empty();
    std::string intDigits;
    std::string fracDigits;
    if (!isZero) {
        if (exponent >= 0) {
            std::string padded = digits;
            if (int(padded.size()) < exponent + 1)
                padded.resize(std::size_t(exponent + 1), '0');
            intDigits = padded.substr(0, std::size_t(exponent + 1));
            fracDigits = padded.substr(std::size_t(exponent + 1));
        } else {
            fracDigits = std::string(std::size_t(-exponent - 1), '0') + digits;
        }
    }
    if (int(fracDigits.size()) > s.FracPlaceholders)
        fracDigits.resize(std::size_t(s.FracPlaceholders));
    return render(s, intDigits, fracDigits, 0, decimalSeparator, thousandSeparator);
}

} // namespace

bool QRFormatNumeric(const QString &mask, double value, QString &result, QChar decimalSeparator,
                     QChar thousandSeparator)
{
    if (!std::isfinite(value))
        return false;
    const QList<QString> sections = splitSections(mask);
    if (sections.isEmpty() || sections[0].isEmpty()) {
        result = QREvFloatToText(value, decimalSeparator);
        return true;
    }
    const Section positive = parseSection(sections[0]);
    const bool hasNegative = sections.size() > 1 && !sections[1].isEmpty();
    const bool hasZero = sections.size() > 2 && !sections[2].isEmpty();

    const bool negative = value < 0;
    const Section &chosen = negative && hasNegative ? parseSection(sections[1]) : positive;
    if (!chosen.Scientific && std::fabs(value) >= 1e18) {
        result = QREvFloatToText(value, decimalSeparator);
        return true;
    }
    bool isZero = false;
    QString text = formatMagnitude(chosen, std::fabs(value), decimalSeparator, thousandSeparator, isZero);
    if (isZero && hasZero) {
        bool unused = false;
        result = formatMagnitude(parseSection(sections[2]), 0.0, decimalSeparator, thousandSeparator, unused);
        return true;
    }
    if (negative && !hasNegative && !isZero)
        text.prepend(u'-');
    result = text;
    return true;
}

bool QRFormatNumeric(const QString &mask, double value, QString &result)
{
    const TLocaleSettings &locale = LocaleSettings();
    return QRFormatNumeric(mask, value, result, locale.DecimalSeparator, locale.ThousandSeparator);
}

namespace
{
// One section as a spreadsheet format: placeholders as they are, the thousands separator between
// integer placeholders (a comma after the last one would divide by a thousand), every literal in
// double quotes.
QString spreadsheetSection(const Section &s)
{
    QList<Token> tokens = s.Tokens;
    qsizetype comma = -1; // the thousands separator goes before this token
    if (s.Thousands) {
        auto integerPlaceholders = [&tokens] {
            QList<qsizetype> at;
            for (qsizetype i = 0; i < tokens.size(); ++i)
                if (tokens[i].Kind == Token::IntDigit)
                    at << i;
            return at;
        };
        QList<qsizetype> ints = integerPlaceholders();
        // At least four integer placeholders, so that a group of three follows the comma.
        qsizetype at = ints.isEmpty() ? tokens.size() : ints.first();
        if (ints.isEmpty())
            for (qsizetype i = 0; i < tokens.size(); ++i)
                if (tokens[i].Kind != Token::Literal) {
                    at = i;
                    break;
                }
        for (qsizetype k = ints.size(); k < 4; ++k)
            tokens.insert(at, Token::make(Token::IntDigit));
        ints = integerPlaceholders();
        comma = ints[ints.size() - 3];
    }
    QString out;
    QString literal;
    auto flushLiteral = [&] {
        if (literal.isEmpty())
            return;
        // A quote cannot stand inside quotes: it is escaped on its own.
        const QStringList parts = literal.split(QLatin1Char('"'));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                out += QStringLiteral("\\\"");
            if (!parts[i].isEmpty())
                out += QLatin1Char('"') + parts[i] + QLatin1Char('"');
        }
        literal.clear();
    };
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &t = tokens[i];
        if (i == comma) {
            flushLiteral();
            out += QLatin1Char(',');
        }
        if (t.Kind == Token::Literal) {
            literal += t.Text;
            continue;
        }
        flushLiteral();
        switch (t.Kind) {
        case Token::IntDigit:
        case Token::FracDigit:
            out += t.Zero ? QLatin1Char('0') : QLatin1Char('#');
            break;
        case Token::Point:
            out += QLatin1Char('.');
            break;
        case Token::Exponent:
            out += t.ExpChar;
            out += t.ExpPlus ? QLatin1Char('+') : QLatin1Char('-');
            out += QString(std::max(1, t.ExpDigits), QLatin1Char('0'));
            break;
        default:
            break;
        }
    }
    flushLiteral();
    return out;
}
} // namespace

QString QRSpreadsheetNumberFormat(const QString &mask)
{
    const QList<QString> sections = splitSections(mask);
    if (sections.isEmpty() || sections[0].isEmpty())
        return QString();
    const QString positive = spreadsheetSection(parseSection(sections[0]));
    const bool hasNegative = sections.size() > 1 && !sections[1].isEmpty();
    const bool hasZero = sections.size() > 2 && !sections[2].isEmpty();
    if (!hasNegative && !hasZero)
        return positive;
    // An empty negative section falls back to the first one with a minus sign; a spreadsheet
    // would show nothing for it.
    const QString negative =
        hasNegative ? spreadsheetSection(parseSection(sections[1])) : QStringLiteral("\"-\"") + positive;
    QString format = positive + QLatin1Char(';') + negative;
    if (hasZero)
        format += QLatin1Char(';') + spreadsheetSection(parseSection(sections[2]));
    return format;
}
