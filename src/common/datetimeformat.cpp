#include "datetimeformat.h"

#include "common/localesettings.h"

namespace
{
QString pad(int v, int width)
{
    return QString::number(v).rightJustified(width, QLatin1Char('0'));
}

bool startsWithNoCase(const QString &s, qsizetype at, const char *token)
{
    const QLatin1String t(token);
    return s.mid(at, t.size()).compare(t, Qt::CaseInsensitive) == 0;
}

void format(const QString &mask, const QDate &date, const QTime &time, QString &out, int depth);

// How many times c repeats at i (at most limit).
int run(const QString &s, qsizetype i, QChar c, int limit)
{
    int n = 0;
    while (i + n < s.size() && n < limit && s[i + n].toLower() == c)
        ++n;
    return n;
}

void format(const QString &mask, const QDate &date, const QTime &time, QString &out, int depth)
{
    const TLocaleSettings &loc = LocaleSettings();
    if (depth > 3)
        return;
    const bool hasAmPm = mask.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                         mask.contains(QLatin1String("a/p"), Qt::CaseInsensitive) ||
                         mask.contains(QLatin1String("ampm"), Qt::CaseInsensitive);
    // "m" and "mm" right after an hour element (only other letters count in between) mean minutes.
    QChar lastLetter;
    for (qsizetype i = 0; i < mask.size();) {
        const QChar c = mask[i].toLower();
        const QChar previousLetter = lastLetter;
        if (c.isLetter())
            lastLetter = c;
        if (mask[i] == QLatin1Char('"') || mask[i] == QLatin1Char('\'')) {
            const qsizetype end = mask.indexOf(mask[i], i + 1);
            const qsizetype stop = end < 0 ? mask.size() : end;
            out += mask.mid(i + 1, stop - i - 1);
            i = stop + 1;
        } else if (c == QLatin1Char('d')) {
            const int n = run(mask, i, c, 6);
            switch (n) {
            case 1:
                out += QString::number(date.day());
                break;
            case 2:
                out += pad(date.day(), 2);
                break;
            case 3:
                out += loc.ShortDayNames.value(date.dayOfWeek() % 7);
                break;
            case 4:
                out += loc.LongDayNames.value(date.dayOfWeek() % 7);
                break;
            case 5:
                format(loc.ShortDateFormat, date, time, out, depth + 1);
                break;
            default:
                format(loc.LongDateFormat, date, time, out, depth + 1);
                break;
            }
            i += n;
        } else if (c == QLatin1Char('m')) {
            const int n = run(mask, i, c, 4);
            if (n <= 2 && previousLetter == QLatin1Char('h')) {
                out += n == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
                i += n;
                continue;
            }
            switch (n) {
            case 1:
                out += QString::number(date.month());
                break;
            case 2:
                out += pad(date.month(), 2);
                break;
            case 3:
                out += loc.ShortMonthNames.value(date.month() - 1);
                break;
            default:
                out += loc.LongMonthNames.value(date.month() - 1);
                break;
            }
            i += n;
        } else if (c == QLatin1Char('y')) {
            const int n = run(mask, i, c, 4);
            out += n <= 2 ? pad(date.year() % 100, 2) : pad(date.year(), 4);
            i += n;
        } else if (c == QLatin1Char('h')) {
            const int n = run(mask, i, c, 2);
            int h = time.hour();
            if (hasAmPm) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += n == 1 ? QString::number(h) : pad(h, 2);
            i += n;
        } else if (c == QLatin1Char('n')) {
            const int n = run(mask, i, c, 2);
            out += n == 1 ? QString::number(time.minute()) : pad(time.minute(), 2);
            i += n;
        } else if (c == QLatin1Char('s')) {
            const int n = run(mask, i, c, 2);
            out += n == 1 ? QString::number(time.second()) : pad(time.second(), 2);
            i += n;
        } else if (c == QLatin1Char('z')) {
            const int n = run(mask, i, c, 3);
            out += n == 3 ? pad(time.msec(), 3) : QString::number(time.msec());
            i += n;
        } else if (c == QLatin1Char('t')) {
            const int n = run(mask, i, c, 2);
            format(n == 1 ? loc.ShortTimeFormat : loc.LongTimeFormat, date, time, out, depth + 1);
            i += n;
        } else if (c == QLatin1Char('c')) {
            format(loc.ShortDateFormat, date, time, out, depth + 1);
            if (time != QTime(0, 0)) {
                out += QLatin1Char(' ');
                format(loc.LongTimeFormat, date, time, out, depth + 1);
            }
            ++i;
        } else if (startsWithNoCase(mask, i, "am/pm")) {
            out += time.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            if (mask[i].isUpper())
                out.replace(out.size() - 2, 2, out.right(2).toUpper());
            i += 5;
        } else if (startsWithNoCase(mask, i, "a/p")) {
            out += time.hour() < 12 ? (mask[i].isUpper() ? QStringLiteral("A") : QStringLiteral("a"))
                                    : (mask[i].isUpper() ? QStringLiteral("P") : QStringLiteral("p"));
            i += 3;
        } else if (startsWithNoCase(mask, i, "ampm")) {
            out += time.hour() < 12 ? loc.TimeAMString : loc.TimePMString;
            i += 4;
        } else if (mask[i] == QLatin1Char('/')) {
            out += loc.DateSeparator;
            ++i;
        } else if (mask[i] == QLatin1Char(':')) {
            out += loc.TimeSeparator;
            ++i;
        } else {
            out += mask[i];
            ++i;
        }
    }
}
} // namespace

QString QRFormatDateTime(const QString &mask, const QDateTime &value)
{
    QString out;
    format(mask.isEmpty() ? QStringLiteral("c") : mask, value.date(), value.time(), out, 0);
    return out;
}
