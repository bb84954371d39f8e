#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

// Formats, separators and names of the locale the reports are produced in.
//
// Date and time formats use the report formatter's token language: d dd ddd dddd, m mm mmm mmmm,
// yy yyyy, h hh, n nn, s ss, z zzz, am/pm a/p ampm, text in quotes; '/' stands for DateSeparator
// and ':' for TimeSeparator. They never show a time zone.
class TLocaleSettings
{
public:
    // Settings of Qt's en_US locale.
    TLocaleSettings();

    // Takes every field from the named locale ("en_US", "ru_RU", "de_DE"). An unknown name
    // returns false and changes nothing; "C" and "POSIX" mean en_US.
    bool Load(const QString &localeName);
    void Load(const QLocale &locale);

    QString Name;

    QChar DecimalSeparator;
    QChar ThousandSeparator;
    QChar DateSeparator;
    QChar TimeSeparator;
    QChar ListSeparator;

    // The short date always carries a four-digit year, so that dates written as text read back
    // unchanged whatever the century.
    QString ShortDateFormat;
    QString LongDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QString TimeAMString;
    QString TimePMString;

    QString CurrencyString;
    int CurrencyFormat = 0; // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int NegCurrFormat = 0;  // 0 "($1)" ... 15 "(1 $)"
    int CurrencyDecimals = 2;

    QStringList ShortMonthNames; // 12, January first; names as they stand alone
    QStringList LongMonthNames;
    // Month names as they read after a day number ("1 января"); equal to LongMonthNames in
    // languages without such a form.
    QStringList GenitiveMonthNames;
    QStringList ShortDayNames; // 7, Sunday first
    QStringList LongDayNames;

    QChar MeasurementSystem; // '0' metric, '1' U.S.

    // Reads a date in the short date format's order of day, month and year, separated by
    // DateSeparator. Two-digit years fall into the hundred years from 50 years ago; a missing
    // year is the current one.
    bool TryStrToDate(const QString &text, QDate &date) const;
    // h[:n[:s[.z]]] with TimeSeparator, optionally with the AM/PM texts before or after.
    bool TryStrToTime(const QString &text, QTime &time) const;
    // A date, optionally followed by blanks and a time.
    bool TryStrToDateTime(const QString &text, QDateTime &dateTime) const;

    QString DateToStr(QDate date) const; // short date format
    QString TimeToStr(QTime time) const; // long time format

    // A number with DecimalSeparator, an optional sign and exponent and surrounding blanks;
    // thousands separators are not allowed.
    bool TryStrToFloat(const QString &text, double &value) const;
    static bool TryStrToFloat(const QString &text, QChar decimalSeparator, double &value);

private:
    QString formatDateTime(const QString &format, QDate date, QTime time) const;
};

// The process-wide settings: the system locale unless TABULON_LOCALE names another.
TLocaleSettings &LocaleSettings();
