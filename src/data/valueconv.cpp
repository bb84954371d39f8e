#include "data/valueconv.h"

#include "common/localesettings.h"

#include <cmath>

namespace
{
const QDate kEpoch(1899, 12, 30);

int digitsAt(const QString &s, int pos, int count, bool *ok)
{
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const int p = pos + i;
        if (p >= s.size() || !s.at(p).isDigit()) {
            *ok = false;
            return 0;
        }
        v = v * 10 + s.at(p).digitValue();
    }
    return v;
}

// "HH:mm[:ss[.zzz]]" starting at pos; returns false when it does not match to the end.
bool parseIsoTime(const QString &s, int pos, QTime &time)
{
    bool ok = true;
    const int h = digitsAt(s, pos, 2, &ok);
    if (!ok || pos + 2 >= s.size() || s.at(pos + 2) != QLatin1Char(':'))
        return false;
    const int m = digitsAt(s, pos + 3, 2, &ok);
    if (!ok)
        return false;
    int sec = 0, ms = 0;
    int p = pos + 5;
    if (p < s.size() && s.at(p) == QLatin1Char(':')) {
        sec = digitsAt(s, p + 1, 2, &ok);
        if (!ok)
            return false;
        p += 3;
        if (p < s.size() && (s.at(p) == QLatin1Char('.') || s.at(p) == QLatin1Char(','))) {
            ++p;
            int scale = 100;
            while (p < s.size() && s.at(p).isDigit()) {
                ms += s.at(p).digitValue() * scale;
                scale /= 10;
                ++p;
            }
        }
    }
    // A zone suffix is accepted and ignored ("Z", "+02", "+02:00").
    if (p < s.size() && s.at(p) != QLatin1Char('Z') && s.at(p) != QLatin1Char('+') &&
        s.at(p) != QLatin1Char('-'))
        return false;
    time = QTime(h, m, sec, ms);
    return time.isValid();
}

bool parseIso(const QString &text, QDateTime &result)
{
    const QString s = text.trimmed();
    if (s.size() >= 10 && s.at(4) == QLatin1Char('-') && s.at(7) == QLatin1Char('-')) {
        bool ok = true;
        const int y = digitsAt(s, 0, 4, &ok);
        const int mo = digitsAt(s, 5, 2, &ok);
        const int d = digitsAt(s, 8, 2, &ok);
        if (!ok)
            return false;
        const QDate date(y, mo, d);
        if (!date.isValid())
            return false;
        if (s.size() == 10) {
            result = NaiveDateTime(date, QTime(0, 0));
            return true;
        }
        if (s.at(10) != QLatin1Char(' ') && s.at(10) != QLatin1Char('T'))
            return false;
        QTime time;
        if (!parseIsoTime(s, 11, time))
            return false;
        result = NaiveDateTime(date, time);
        return true;
    }
    QTime time;
    if (s.size() >= 5 && s.at(2) == QLatin1Char(':') && parseIsoTime(s, 0, time)) {
        result = NaiveDateTime(kEpoch, time);
        return true;
    }
    return false;
}

} // namespace

QDateTime NaiveDateTime(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

QDateTime ToNaive(const QDateTime &value)
{
    if (!value.isValid() || value.timeSpec() == Qt::UTC)
        return value;
    return QDateTime(value.date(), value.time(), Qt::UTC);
}

double DateTimeToNumber(const QDateTime &value)
{
    if (!value.isValid())
        return 0;
    const double days = double(kEpoch.daysTo(value.date()));
    const double frac = value.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the fraction still counts forward from midnight (the classic encoding).
    return days >= 0 ? days + frac : days - frac;
}

QDateTime NumberToDateTime(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3e6)
        return QDateTime();
    const double days = std::trunc(value);
    const double frac = std::fabs(value - days);
    qint64 ms = qRound64(frac * 86400000.0);
    QDate date = kEpoch.addDays(qint64(days));
    if (ms >= 86400000) {
        ms -= 86400000;
        date = date.addDays(1);
    }
    return NaiveDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

bool StoredToDateTime(const QVariant &value, QDateTime &result)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        result = ToNaive(value.toDateTime());
        return result.isValid();
    case QMetaType::QDate:
        result = NaiveDateTime(value.toDate(), QTime(0, 0));
        return result.isValid();
    case QMetaType::QTime:
        result = NaiveDateTime(kEpoch, value.toTime());
        return result.isValid();
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        result = NumberToDateTime(value.toDouble());
        return result.isValid();
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return parseIso(value.toString(), result);
    default:
        return false;
    }
}

bool TextToDateTime(const QString &text, QDateTime &result)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    if (parseIso(t, result))
        return true;
    const TLocaleSettings &ls = LocaleSettings();
    QDateTime dt;
    if (ls.TryStrToDateTime(t, dt)) {
        result = ToNaive(dt);
        return true;
    }
    QTime time;
    if (ls.TryStrToTime(t, time)) {
        result = NaiveDateTime(kEpoch, time);
        return true;
    }
    return false;
}

bool TextToDate(const QString &text, QDate &result)
{
    const QString t = text.trimmed();
    QDateTime dt;
    if (parseIso(t, dt) && dt.time() == QTime(0, 0) && t.size() == 10) {
        result = dt.date();
        return true;
    }
    QDate d;
    if (LocaleSettings().TryStrToDate(t, d)) {
        result = d;
        return true;
    }
    return false;
}

bool TextToTime(const QString &text, QTime &result)
{
    const QString t = text.trimmed();
    QTime time;
    if (t.size() >= 5 && t.at(2) == QLatin1Char(':') && parseIsoTime(t, 0, time)) {
        result = time;
        return true;
    }
    if (LocaleSettings().TryStrToTime(t, time)) {
        result = time;
        return true;
    }
    return false;
}

bool TextToFloat(const QString &text, double &result)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    double v = 0;
    if (LocaleSettings().TryStrToFloat(t, v) || TLocaleSettings::TryStrToFloat(t, QLatin1Char('.'), v)) {
        result = v;
        return true;
    }
    return false;
}

bool TextToInteger(const QString &text, qint64 &result)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (ok)
        result = v;
    return ok;
}

QString DateText(const QDate &date)
{
    return date.isValid() ? LocaleSettings().DateToStr(date) : QString();
}

QString TimeText(const QTime &time)
{
    return time.isValid() ? LocaleSettings().TimeToStr(time) : QString();
}

QString DateTimeText(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return QString();
    // A date-time without a time of day shows as the date alone.
    if (dateTime.time() == QTime(0, 0))
        return DateText(dateTime.date());
    return DateText(dateTime.date()) + QLatin1Char(' ') + TimeText(dateTime.time());
}
