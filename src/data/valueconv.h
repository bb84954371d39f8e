#pragma once

// Conversions between stored values, texts and the classic date-time number,
// shared by fields and parameters.

#include <QDateTime>
#include <QString>
#include <QVariant>

// Date-times of the layer are naive (wall-clock) values: they carry Qt::UTC
// so that no time-zone or daylight-saving rule shifts or rejects them. A
// QDateTime of another spec handed in counts by its date() and time().
QDateTime NaiveDateTime(const QDate &date, const QTime &time);
QDateTime ToNaive(const QDateTime &value);

// Days from 30 December 1899 with the time of day as a fraction, and back.
double DateTimeToNumber(const QDateTime &value);
QDateTime NumberToDateTime(double value);

// A stored date, time or date-time: a QDate/QTime/QDateTime value, an ISO text
// ("2024-03-01", "2024-03-01 10:20:30", "2024-03-01T10:20:30.5", "10:20"), or a
// date-time number. False for anything else.
bool StoredToDateTime(const QVariant &value, QDateTime &result);
// A text typed by a user: the locale's formats, then ISO forms.
bool TextToDateTime(const QString &text, QDateTime &result);
bool TextToDate(const QString &text, QDate &result);
bool TextToTime(const QString &text, QTime &result);
// A number typed by a user: the locale's decimal separator or a point.
bool TextToFloat(const QString &text, double &result);
bool TextToInteger(const QString &text, qint64 &result);

// Text forms in the locale's formats: short date, long time, and both.
QString DateText(const QDate &date);
QString TimeText(const QTime &time);
QString DateTimeText(const QDateTime &dateTime);
