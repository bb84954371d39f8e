#include "common/localesettings.h"

#include <QList>

#include <cmath>

namespace
{

// ---- Converting Qt's date/time formats into the report formatter's token language ----

enum class TTokenKind { Literal, Date, Time, AmPm, Zone };

struct TFormatToken {
    TTokenKind kind;
    QString text;         // literal text, or the converted token
    bool numeric = false; // a number field, between which the separator stands
};

QList<TFormatToken> parseQtFormat(const QString &format)
{
    QList<TFormatToken> tokens;
    auto addLiteral = [&tokens](const QString &text) {
        if (!tokens.isEmpty() && tokens.last().kind == TTokenKind::Literal)
            tokens.last().text += text;
        else
            tokens.append({TTokenKind::Literal, text});
    };

    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            if (i + 1 < n && format.at(i + 1) == u'\'') {
                addLiteral(QStringLiteral("'"));
                i += 2;
                continue;
            }
            QString text;
            qsizetype j = i + 1;
            while (j < n) {
                if (format.at(j) == u'\'') {
                    if (j + 1 < n && format.at(j + 1) == u'\'') {
                        text += u'\'';
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                text += format.at(j++);
            }
            addLiteral(text);
            i = j;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && format.at(i + run) == c)
            ++run;
        switch (c.unicode()) {
        case 'd':
            tokens.append({TTokenKind::Date, QString(qMin<qsizetype>(run, 4), u'd'), run <= 2});
            break;
        case 'M':
            tokens.append({TTokenKind::Date, QString(qMin<qsizetype>(run, 4), u'm'), run <= 2});
            break;
        case 'y':
            tokens.append({TTokenKind::Date, run == 2 ? QStringLiteral("yy") : QStringLiteral("yyyy"), true});
            break;
        case 'h':
        case 'H':
            tokens.append({TTokenKind::Time, run >= 2 ? QStringLiteral("hh") : QStringLiteral("h"), true});
            break;
        case 'm':
            tokens.append({TTokenKind::Time, run >= 2 ? QStringLiteral("nn") : QStringLiteral("n"), true});
            break;
        case 's':
            tokens.append({TTokenKind::Time, run >= 2 ? QStringLiteral("ss") : QStringLiteral("s"), true});
            break;
        case 'z':
            tokens.append({TTokenKind::Time, run >= 2 ? QStringLiteral("zzz") : QStringLiteral("z"), true});
            break;
        case 't':
            tokens.append({TTokenKind::Zone, QString()});
            break;
        case 'A':
        case 'a':
            // "AP", "ap" or a lone "A"/"a": the locale's morning/afternoon texts.
            run = (i + 1 < n && (format.at(i + 1) == u'P' || format.at(i + 1) == u'p')) ? 2 : 1;
            tokens.append({TTokenKind::AmPm, QStringLiteral("AMPM")});
            break;
        default:
            addLiteral(QString(run, c));
            break;
        }
        i += run;
    }
    return tokens;
}

// Times never show a zone: drop it with the blanks that set it apart.
void dropZone(QList<TFormatToken> &tokens)
{
    for (qsizetype i = 0; i < tokens.size();) {
        if (tokens.at(i).kind != TTokenKind::Zone) {
            ++i;
            continue;
        }
        if (i > 0 && tokens.at(i - 1).kind == TTokenKind::Literal) {
            QString &prev = tokens[i - 1].text;
            while (!prev.isEmpty() && prev.back().isSpace())
                prev.chop(1);
        } else if (i + 1 < tokens.size() && tokens.at(i + 1).kind == TTokenKind::Literal) {
            QString &next = tokens[i + 1].text;
            while (!next.isEmpty() && next.front().isSpace())
                next.remove(0, 1);
        }
        tokens.removeAt(i);
    }
    // Merge literals that the removal made neighbours.
    for (qsizetype i = 1; i < tokens.size();) {
        if (tokens.at(i).kind == TTokenKind::Literal && tokens.at(i - 1).kind == TTokenKind::Literal) {
            tokens[i - 1].text += tokens.at(i).text;
            tokens.removeAt(i);
        } else {
            ++i;
        }
    }
}

bool isSeparatorLiteral(const QList<TFormatToken> &tokens, qsizetype i, TTokenKind kind)
{
    return i > 0 && i + 1 < tokens.size() && tokens.at(i).kind == TTokenKind::Literal &&
           tokens.at(i).text.size() == 1 && tokens.at(i - 1).kind == kind && tokens.at(i - 1).numeric &&
           tokens.at(i + 1).kind == kind && tokens.at(i + 1).numeric;
}

// The character between the first two number fields of the given kind.
QChar findSeparator(const QList<TFormatToken> &tokens, TTokenKind kind, QChar fallback)
{
    for (qsizetype i = 0; i < tokens.size(); ++i)
        if (isSeparatorLiteral(tokens, i, kind))
            return tokens.at(i).text.at(0);
    return fallback;
}

// Letters, quotes and the separator placeholders would be read as tokens; quote them.
QString quoteLiteral(const QString &text)
{
    bool special = false;
    for (QChar c : text)
        if (c.isLetter() || c == u'/' || c == u':' || c == u'"' || c == u'\'')
            special = true;
    if (!special)
        return text;
    QString result;
    QString pending;
    auto flush = [&] {
        if (!pending.isEmpty())
            result += u'"' + pending + u'"';
        pending.clear();
    };
    for (QChar c : text) {
        if (c == u'"') {
            flush();
            result += QStringLiteral("'\"'");
        } else {
            pending += c;
        }
    }
    flush();
    return result;
}

QString convertQtFormat(const QString &qtFormat, QChar dateSep, QChar timeSep, bool fourDigitYear)
{
    QList<TFormatToken> tokens = parseQtFormat(qtFormat);
    dropZone(tokens);
    QString result;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const TFormatToken &t = tokens.at(i);
        if (t.kind != TTokenKind::Literal) {
            result += (fourDigitYear && t.text == QLatin1String("yy")) ? QStringLiteral("yyyy") : t.text;
        } else if (isSeparatorLiteral(tokens, i, TTokenKind::Date) && t.text.at(0) == dateSep) {
            result += u'/';
        } else if (isSeparatorLiteral(tokens, i, TTokenKind::Time) && t.text.at(0) == timeSep) {
            result += u':';
        } else {
            result += quoteLiteral(t.text);
        }
    }
    return result.trimmed();
}

// ---- Currency layout codes ----

// Reduces a currency text to a pattern of '$' (symbol), '1' (number), ' ', '-', '(' and ')'.
QString currencyPattern(const QLocale &locale, double value)
{
    const QChar marker(0xE000);
    const QString text = locale.toCurrencyString(value, QString(marker), 0);
    const QString minus = locale.negativeSign();
    QString pattern;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == marker) {
            pattern += u'$';
        } else if (c.isDigit()) {
            if (!pattern.endsWith(u'1'))
                pattern += u'1';
        } else if (c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F)) {
            if (!pattern.endsWith(u' '))
                pattern += u' ';
        } else if (!minus.isEmpty() && QStringView(text).mid(i).startsWith(minus)) {
            pattern += u'-';
            i += minus.size() - 1;
        } else if (c == u'-' || c == QChar(0x2212)) {
            pattern += u'-';
        } else if (c == u'(' || c == u')') {
            pattern += c;
        }
        // Direction marks and the like are left out.
    }
    return pattern.trimmed();
}

int currencyFormatCode(const QLocale &locale)
{
    static const char *const codes[] = {"$1", "1$", "$ 1", "1 $"};
    const QString pattern = currencyPattern(locale, 1.0);
    for (int i = 0; i < 4; ++i)
        if (pattern == QLatin1String(codes[i]))
            return i;
    return 0;
}

int negCurrFormatCode(const QLocale &locale, int currencyFormat)
{
    static const char *const codes[] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
                                        "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    const QString pattern = currencyPattern(locale, -1.0);
    for (int i = 0; i < 16; ++i)
        if (pattern == QLatin1String(codes[i]))
            return i;
    // A leading minus before the positive layout.
    static const int fallback[] = {1, 5, 9, 8};
    return fallback[currencyFormat];
}

int currencyDecimals(const QLocale &locale)
{
    const QString text = locale.toCurrencyString(1.0, QString(QChar(0xE000)));
    const qsizetype point = text.indexOf(locale.decimalPoint());
    if (point < 0)
        return 0;
    int digits = 0;
    for (qsizetype i = point + 1; i < text.size() && text.at(i).isDigit(); ++i)
        ++digits;
    return digits;
}

// ---- Scanning ----

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

void skipBlanks(const QString &s, qsizetype &pos)
{
    while (pos < s.size() && isBlank(s.at(pos)))
        ++pos;
}

// Reads ASCII digits after optional blanks.
bool scanNumber(const QString &s, qsizetype &pos, int &value, int &digits)
{
    qsizetype p = pos;
    skipBlanks(s, p);
    value = 0;
    digits = 0;
    while (p < s.size() && s.at(p) >= u'0' && s.at(p) <= u'9') {
        if (digits == 9)
            return false;
        value = value * 10 + (s.at(p).unicode() - '0');
        ++digits;
        ++p;
    }
    if (digits == 0)
        return false;
    pos = p;
    return true;
}

bool scanChar(const QString &s, qsizetype &pos, QChar c)
{
    qsizetype p = pos;
    skipBlanks(s, p);
    if (isBlank(c)) {
        // A blank separator is the run of blanks itself.
        if (p == pos)
            return false;
        pos = p;
        return true;
    }
    if (p < s.size() && s.at(p) == c) {
        pos = p + 1;
        return true;
    }
    return false;
}

// Order of day, month and year in a format, as "dmy", "mdy", "ymd" and so on.
QString dateOrder(const QString &format)
{
    QString order;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            continue;
        }
        const QChar lower = c.toLower();
        if ((lower == u'd' || lower == u'm' || lower == u'y') && !order.contains(lower))
            order += lower;
    }
    for (QChar c : {u'm', u'd', u'y'})
        if (!order.contains(c))
            order += c;
    return order;
}

int expandTwoDigitYear(int year)
{
    const int base = QDate::currentDate().year() - 50;
    year += base / 100 * 100;
    if (year < base)
        year += 100;
    return year;
}

// Reads a date from pos on; the text after it is left for the caller.
bool scanDate(const QString &s, qsizetype &pos, const TLocaleSettings &ls, QDate &date)
{
    int numbers[3];
    int digits[3];
    int count = 0;
    if (!scanNumber(s, pos, numbers[0], digits[0]) || !scanChar(s, pos, ls.DateSeparator) ||
        !scanNumber(s, pos, numbers[1], digits[1]))
        return false;
    count = 2;
    if (scanChar(s, pos, ls.DateSeparator)) {
        if (!scanNumber(s, pos, numbers[2], digits[2]))
            return false;
        count = 3;
    }

    QString order = dateOrder(ls.ShortDateFormat);
    int year = QDate::currentDate().year();
    int month = 0;
    int day = 0;
    if (count == 2)
        order.remove(u'y');
    for (int i = 0; i < count; ++i) {
        switch (order.at(i).unicode()) {
        case 'd':
            day = numbers[i];
            break;
        case 'm':
            month = numbers[i];
            break;
        default:
            year = digits[i] <= 2 ? expandTwoDigitYear(numbers[i]) : numbers[i];
            break;
        }
    }
    const QDate result(year, month, day);
    if (year < 1 || !result.isValid())
        return false;
    date = result;
    return true;
}

// 0 none, 1 morning, 2 afternoon.
int scanAmPm(const QString &s, qsizetype &pos, const QString &am, const QString &pm)
{
    qsizetype p = pos;
    skipBlanks(s, p);
    struct {
        QString text;
        int half;
    } candidates[] = {{am, 1}, {pm, 2}, {QStringLiteral("AM"), 1}, {QStringLiteral("PM"), 2}};
    int best = 0;
    qsizetype bestLength = 0;
    for (const auto &c : candidates) {
        if (c.text.isEmpty() || c.text.size() <= bestLength)
            continue;
        if (QStringView(s).mid(p).startsWith(c.text, Qt::CaseInsensitive)) {
            best = c.half;
            bestLength = c.text.size();
        }
    }
    if (best != 0)
        pos = p + bestLength;
    return best;
}

bool scanTime(const QString &s, qsizetype &pos, const TLocaleSettings &ls, QTime &time)
{
    int half = scanAmPm(s, pos, ls.TimeAMString, ls.TimePMString);
    int hour = 0, minute = 0, second = 0, msec = 0, digits = 0;
    if (!scanNumber(s, pos, hour, digits) || digits > 2)
        return false;
    if (scanChar(s, pos, ls.TimeSeparator)) {
        if (!scanNumber(s, pos, minute, digits) || digits > 2)
            return false;
        if (scanChar(s, pos, ls.TimeSeparator)) {
            if (!scanNumber(s, pos, second, digits) || digits > 2)
                return false;
            if (scanChar(s, pos, u'.') || scanChar(s, pos, ls.DecimalSeparator)) {
                // A fraction of the second.
                if (!scanNumber(s, pos, msec, digits) || digits > 3)
                    return false;
                for (; digits < 3; ++digits)
                    msec *= 10;
            }
        }
    }
    if (half == 0)
        half = scanAmPm(s, pos, ls.TimeAMString, ls.TimePMString);
    if (half != 0) {
        if (hour > 12)
            return false;
        if (half == 1 && hour == 12)
            hour = 0;
        else if (half == 2 && hour < 12)
            hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    time = QTime(hour, minute, second, msec);
    return true;
}

} // namespace

TLocaleSettings::TLocaleSettings()
{
    Load(QLocale(QLocale::English, QLocale::UnitedStates));
}

bool TLocaleSettings::Load(const QString &localeName)
{
    QString name = localeName.trimmed();
    // "ru_RU.UTF-8", "de_DE@euro" as the environment spells them.
    for (QChar stop : {u'.', u'@'}) {
        const qsizetype cut = name.indexOf(stop);
        if (cut >= 0)
            name.truncate(cut);
    }
    if (name.isEmpty())
        return false;
    if (name.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("POSIX"), Qt::CaseInsensitive) == 0) {
        Load(QLocale(QLocale::English, QLocale::UnitedStates));
        return true;
    }
    const QLocale locale(name);
    if (locale.language() == QLocale::C)
        return false;
    Load(locale);
    return true;
}

void TLocaleSettings::Load(const QLocale &locale)
{
    Name = locale.name();
    DecimalSeparator = locale.decimalPoint().isEmpty() ? QChar(u'.') : locale.decimalPoint().at(0);
    ThousandSeparator = locale.groupSeparator().isEmpty() ? QChar(u',') : locale.groupSeparator().at(0);
    ListSeparator = DecimalSeparator == u',' ? QChar(u';') : QChar(u',');

    const QString qtShortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString qtShortTime = locale.timeFormat(QLocale::ShortFormat);
    DateSeparator = findSeparator(parseQtFormat(qtShortDate), TTokenKind::Date, u'/');
    TimeSeparator = findSeparator(parseQtFormat(qtShortTime), TTokenKind::Time, u':');
    ShortDateFormat = convertQtFormat(qtShortDate, DateSeparator, TimeSeparator, true);
    LongDateFormat =
        convertQtFormat(locale.dateFormat(QLocale::LongFormat), DateSeparator, TimeSeparator, false);
    ShortTimeFormat = convertQtFormat(qtShortTime, DateSeparator, TimeSeparator, false);
    LongTimeFormat =
        convertQtFormat(locale.timeFormat(QLocale::LongFormat), DateSeparator, TimeSeparator, false);
    TimeAMString = locale.amText();
    TimePMString = locale.pmText();

    CurrencyString = locale.currencySymbol(QLocale::CurrencySymbol);
    CurrencyFormat = currencyFormatCode(locale);
    NegCurrFormat = negCurrFormatCode(locale, CurrencyFormat);
    CurrencyDecimals = currencyDecimals(locale);

    ShortMonthNames.clear();
    LongMonthNames.clear();
    GenitiveMonthNames.clear();
    for (int month = 1; month <= 12; ++month) {
        ShortMonthNames.append(locale.standaloneMonthName(month, QLocale::ShortFormat));
        LongMonthNames.append(locale.standaloneMonthName(month, QLocale::LongFormat));
        GenitiveMonthNames.append(locale.monthName(month, QLocale::LongFormat));
    }
    ShortDayNames.clear();
    LongDayNames.clear();
    for (int i = 0; i < 7; ++i) {
        const int qtDay = i == 0 ? 7 : i; // Qt counts from Monday
        ShortDayNames.append(locale.dayName(qtDay, QLocale::ShortFormat));
        LongDayNames.append(locale.dayName(qtDay, QLocale::LongFormat));
    }

    MeasurementSystem = locale.measurementSystem() == QLocale::ImperialUSSystem ? QChar(u'1') : QChar(u'0');
}

bool TLocaleSettings::TryStrToTime(const QString &text, QTime &time) const
{
    qsizetype pos = 0;
    QTime result;
    if (!scanTime(text, pos, *this, result))
        return false;
    skipBlanks(text, pos);
    if (pos != text.size())
        return false;
    time = result;
    return true;
}

bool TLocaleSettings::TryStrToDate(const QString &text, QDate &date) const
{
    qsizetype pos = 0;
    QDate result;
    if (!scanDate(text, pos, *this, result))
        return false;
    skipBlanks(text, pos);
    if (pos != text.size())
        return false;
    date = result;
    return true;
}

bool TLocaleSettings::TryStrToDateTime(const QString &text, QDateTime &dateTime) const
{
    qsizetype pos = 0;
    QDate date;
    QTime time(0, 0);
    if (!scanDate(text, pos, *this, date))
        return false;
    skipBlanks(text, pos);
    if (pos != text.size()) {
        // The time must stand apart from the date.
        if (!isBlank(text.at(pos - 1)) || !scanTime(text, pos, *this, time))
            return false;
        skipBlanks(text, pos);
        if (pos != text.size())
            return false;
    }
    dateTime = QDateTime(date, time);
    return true;
}

QString TLocaleSettings::DateToStr(QDate date) const
{
    if (!date.isValid())
        return QString();
    return formatDateTime(ShortDateFormat, date, QTime(0, 0));
}

QString TLocaleSettings::TimeToStr(QTime time) const
{
    if (!time.isValid())
        return QString();
    return formatDateTime(LongTimeFormat, QDate(), time);
}

bool TLocaleSettings::TryStrToFloat(const QString &text, double &value) const
{
    return TryStrToFloat(text, DecimalSeparator, value);
}

bool TLocaleSettings::TryStrToFloat(const QString &text, QChar decimalSeparator, double &value)
{
    const QString s = text.trimmed();
    QByteArray ascii;
    ascii.reserve(s.size());
    qsizetype i = 0;
    auto isDigit = [&s](qsizetype at) { return at < s.size() && s.at(at) >= u'0' && s.at(at) <= u'9'; };
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        ascii += char(s.at(i++).unicode());
    int mantissaDigits = 0;
    while (isDigit(i)) {
        ascii += char(s.at(i++).unicode());
        ++mantissaDigits;
    }
    if (i < s.size() && s.at(i) == decimalSeparator) {
        ascii += '.';
        ++i;
        while (isDigit(i)) {
            ascii += char(s.at(i++).unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < s.size() && (s.at(i) == u'e' || s.at(i) == u'E')) {
        ascii += 'e';
        ++i;
        if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
            ascii += char(s.at(i++).unicode());
        if (!isDigit(i))
            return false;
        while (isDigit(i))
            ascii += char(s.at(i++).unicode());
    }
    if (i != s.size())
        return false;
    bool ok = false;
    const double result = ascii.toDouble(&ok);
    if (!ok || !std::isfinite(result))
        return false;
    value = result;
    return true;
}

QString TLocaleSettings::formatDateTime(const QString &format, QDate date, QTime time) const
{
    const QString lower = format.toLower();
    const bool twelveHour = lower.contains(QLatin1String("ampm")) || lower.contains(QLatin1String("am/pm")) ||
                            lower.contains(QLatin1String("a/p"));
    auto pad = [](int value, int width) { return QString::number(value).rightJustified(width, u'0'); };

    QString out;
    bool afterHour = false; // "m" right after an hour means minutes
    bool afterDay = false;  // "mmmm" after a day number takes the genitive form
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format.at(i);
        const QChar lc = c.toLower();
        if (c == u'"' || c == u'\'') {
            qsizetype j = i + 1;
            while (j < n && format.at(j) != c)
                out += format.at(j++);
            i = j + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && format.at(i + run).toLower() == lc)
            ++run;
        switch (lc.unicode()) {
        case 'd':
            if (run == 1 || run == 2) {
                out += pad(date.day(), int(run));
                afterDay = true;
            } else {
                const int dow = date.dayOfWeek() % 7; // Sunday first
                out += run == 3 ? ShortDayNames.value(dow) : LongDayNames.value(dow);
            }
            afterHour = false;
            break;
        case 'm':
            if (run <= 2 && afterHour) {
                out += pad(time.minute(), int(run));
            } else if (run <= 2) {
                out += pad(date.month(), int(run));
            } else if (run == 3) {
                out += ShortMonthNames.value(date.month() - 1);
            } else {
                out += (afterDay ? GenitiveMonthNames : LongMonthNames).value(date.month() - 1);
            }
            afterHour = false;
            break;
        case 'y':
            out += run <= 2 ? pad(date.year() % 100, 2) : QString::number(date.year());
            afterHour = false;
            break;
        case 'h': {
            int hour = time.hour();
            if (twelveHour) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            out += pad(hour, qMin<int>(int(run), 2));
            afterHour = true;
            break;
        }
        case 'n':
            out += pad(time.minute(), qMin<int>(int(run), 2));
            afterHour = false;
            break;
        case 's':
            out += pad(time.second(), qMin<int>(int(run), 2));
            afterHour = false;
            break;
        case 'z':
            out += run >= 3 ? pad(time.msec(), 3) : QString::number(time.msec());
            afterHour = false;
            break;
        case 'a': {
            const bool pm = time.hour() >= 12;
            const QStringView rest = QStringView(format).mid(i);
            if (rest.startsWith(QLatin1String("ampm"), Qt::CaseInsensitive)) {
                out += pm ? TimePMString : TimeAMString;
                run = 4;
            } else if (rest.startsWith(QLatin1String("am/pm"), Qt::CaseInsensitive)) {
                out += pm ? rest.mid(3, 2) : rest.mid(0, 2);
                run = 5;
            } else if (rest.startsWith(QLatin1String("a/p"), Qt::CaseInsensitive)) {
                out += pm ? rest.mid(2, 1) : rest.mid(0, 1);
                run = 3;
            } else {
                out += format.mid(i, run);
            }
            break;
        }
        case '/':
            out += QString(run, DateSeparator);
            break;
        case ':':
            out += QString(run, TimeSeparator);
            break;
        default:
            out += format.mid(i, run);
            break;
        }
        i += run;
    }
    return out;
}

TLocaleSettings &LocaleSettings()
{
    static TLocaleSettings settings = [] {
        TLocaleSettings s;
        const QString fromEnv = qEnvironmentVariable("TABULON_LOCALE");
        if (!fromEnv.trimmed().isEmpty()) {
            if (s.Load(fromEnv))
                return s;
            qWarning("TABULON_LOCALE names an unknown locale \"%s\"; using the system locale",
                     qPrintable(fromEnv));
        }
        const QLocale system = QLocale::system();
        if (system.language() != QLocale::C)
            s.Load(system);
        return s;
    }();
    return settings;
}
