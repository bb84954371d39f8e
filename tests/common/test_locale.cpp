#include "common/localesettings.h"

#include <gtest/gtest.h>

namespace
{

TLocaleSettings locale(const char *name)
{
    TLocaleSettings s;
    EXPECT_TRUE(s.Load(QString::fromLatin1(name))) << name;
    return s;
}

QDate parseDate(const TLocaleSettings &s, const QString &text)
{
    QDate d;
    return s.TryStrToDate(text, d) ? d : QDate();
}

QTime parseTime(const TLocaleSettings &s, const QString &text)
{
    QTime t;
    return s.TryStrToTime(text, t) ? t : QTime();
}

} // namespace

TEST(LocaleSettings, EnglishUs)
{
    const TLocaleSettings s = locale("en_US");
    EXPECT_EQ(s.Name, "en_US");
    EXPECT_EQ(s.DecimalSeparator, u'.');
    EXPECT_EQ(s.ThousandSeparator, u',');
    EXPECT_EQ(s.DateSeparator, u'/');
    EXPECT_EQ(s.TimeSeparator, u':');
    EXPECT_EQ(s.ListSeparator, u',');
    // Qt's "M/d/yy" with the year widened, so that dates survive a trip through text.
    EXPECT_EQ(s.ShortDateFormat, "m/d/yyyy");
    EXPECT_EQ(s.LongDateFormat, "dddd, mmmm d, yyyy");
    EXPECT_EQ(s.ShortTimeFormat, "h:nn AMPM");
    EXPECT_EQ(s.LongTimeFormat, "h:nn:ss AMPM");
    EXPECT_EQ(s.TimeAMString, "AM");
    EXPECT_EQ(s.TimePMString, "PM");
    EXPECT_EQ(s.CurrencyString, "$");
    EXPECT_EQ(s.CurrencyFormat, 0);
    EXPECT_EQ(s.NegCurrFormat, 0); // ($1)
    EXPECT_EQ(s.CurrencyDecimals, 2);
    EXPECT_EQ(s.MeasurementSystem, u'1');
    EXPECT_EQ(s.LongMonthNames.size(), 12);
    EXPECT_EQ(s.LongMonthNames.first(), "January");
    EXPECT_EQ(s.ShortMonthNames.last(), "Dec");
    EXPECT_EQ(s.LongDayNames.size(), 7);
    EXPECT_EQ(s.LongDayNames.first(), "Sunday");
    EXPECT_EQ(s.ShortDayNames.at(1), "Mon");
    EXPECT_EQ(s.DateToStr(QDate(2024, 3, 7)), "3/7/2024");
    EXPECT_EQ(s.TimeToStr(QTime(13, 5, 9)), "1:05:09 PM");
    EXPECT_EQ(s.TimeToStr(QTime(0, 30, 0)), "12:30:00 AM");
}

TEST(LocaleSettings, Russian)
{
    const TLocaleSettings s = locale("ru_RU");
    EXPECT_EQ(s.Name, "ru_RU");
    EXPECT_EQ(s.DecimalSeparator, u',');
    EXPECT_TRUE(s.ThousandSeparator.isSpace()) << int(s.ThousandSeparator.unicode());
    EXPECT_EQ(s.DateSeparator, u'.');
    EXPECT_EQ(s.ListSeparator, u';');
    EXPECT_EQ(s.ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(s.ShortTimeFormat, "hh:nn");
    EXPECT_EQ(s.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(s.CurrencyFormat, 3); // 1 ₽
    EXPECT_EQ(s.NegCurrFormat, 8);  // -1 ₽
    EXPECT_EQ(s.MeasurementSystem, u'0');
    EXPECT_EQ(s.LongMonthNames.at(0), "январь");
    EXPECT_EQ(s.LongMonthNames.at(4), "май");
    EXPECT_EQ(s.GenitiveMonthNames.at(0), "января");
    EXPECT_EQ(s.LongDayNames.at(0), "воскресенье");
    EXPECT_EQ(s.LongDayNames.at(1), "понедельник");
    EXPECT_EQ(s.DateToStr(QDate(2024, 3, 7)), "07.03.2024");
    EXPECT_EQ(s.TimeToStr(QTime(9, 5, 0)), "09:05:00");
}

TEST(LocaleSettings, German)
{
    const TLocaleSettings s = locale("de_DE");
    EXPECT_EQ(s.DecimalSeparator, u',');
    EXPECT_EQ(s.ThousandSeparator, u'.');
    EXPECT_EQ(s.DateSeparator, u'.');
    EXPECT_EQ(s.TimeSeparator, u':');
    EXPECT_EQ(s.ShortDateFormat, "dd/mm/yyyy");
    // The point after the day is text, not the date separator between two numbers.
    EXPECT_EQ(s.LongDateFormat, "dddd, d. mmmm yyyy");
    EXPECT_EQ(s.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(s.CurrencyString, "€");
    EXPECT_EQ(s.CurrencyFormat, 3);
    EXPECT_EQ(s.MeasurementSystem, u'0');
    EXPECT_EQ(s.LongMonthNames.at(2), "März");
    EXPECT_EQ(s.LongDayNames.at(0), "Sonntag");
    EXPECT_EQ(s.DateToStr(QDate(1999, 12, 31)), "31.12.1999");
}

TEST(LocaleSettings, FormatsConvertedFromOtherLocales)
{
    // Dashes as separator and letters that must stay text.
    const TLocaleSettings nl = locale("nl_NL");
    EXPECT_EQ(nl.DateSeparator, u'-');
    EXPECT_EQ(nl.DateToStr(QDate(2024, 3, 7)), "07-03-2024");
    const TLocaleSettings ru = locale("ru_RU");
    EXPECT_EQ(ru.LongDateFormat, "dddd, d mmmm yyyy\" г.\"");
    const TLocaleSettings ja = locale("ja_JP");
    EXPECT_EQ(ja.LongTimeFormat, "h\"時\"nn\"分\"ss\"秒\"");
    EXPECT_EQ(ja.TimeToStr(QTime(8, 7, 6)), "8時07分06秒");
}

TEST(LocaleSettings, TimesNeverShowAZone)
{
    for (const char *name : {"en_US", "ru_RU", "de_DE", "fr_FR", "en_GB", "ja_JP", "nl_NL"}) {
        const TLocaleSettings s = locale(name);
        for (const QString &format : {s.ShortTimeFormat, s.LongTimeFormat}) {
            EXPECT_FALSE(format.contains(u't')) << name << " " << qPrintable(format);
            EXPECT_EQ(format, format.trimmed()) << name;
        }
        const QString text = s.TimeToStr(QTime(13, 5, 9));
        EXPECT_FALSE(text.contains(QLatin1String("UTC")) || text.contains(QLatin1String("GMT"))) << name;
        EXPECT_TRUE(text.contains(QLatin1String("05"))) << name << " " << qPrintable(text);
    }
}

TEST(LocaleSettings, LoadRejectsUnknownNamesAndKeepsSettings)
{
    TLocaleSettings s = locale("ru_RU");
    EXPECT_FALSE(s.Load(QStringLiteral("xx_YY")));
    EXPECT_FALSE(s.Load(QString()));
    EXPECT_EQ(s.Name, "ru_RU");
    EXPECT_TRUE(s.Load(QStringLiteral("de_DE.UTF-8")));
    EXPECT_EQ(s.Name, "de_DE");
    EXPECT_TRUE(s.Load(QStringLiteral("C")));
    EXPECT_EQ(s.Name, "en_US");
}

TEST(LocaleSettings, ProcessWideObjectCanBeSwitched)
{
    const TLocaleSettings saved = LocaleSettings();
    ASSERT_TRUE(LocaleSettings().Load(QStringLiteral("ru_RU")));
    EXPECT_EQ(LocaleSettings().DecimalSeparator, u',');
    LocaleSettings() = saved;
    EXPECT_EQ(LocaleSettings().Name, saved.Name);
}

TEST(LocaleParsing, DatesFollowTheShortDateOrder)
{
    const TLocaleSettings us = locale("en_US");
    const TLocaleSettings ru = locale("ru_RU");
    EXPECT_EQ(parseDate(us, "3/7/2024"), QDate(2024, 3, 7));
    EXPECT_EQ(parseDate(ru, "07.03.2024"), QDate(2024, 3, 7));
    EXPECT_EQ(parseDate(ru, " 7.3.2024 "), QDate(2024, 3, 7));
    EXPECT_EQ(parseDate(ru, "29.02.2024"), QDate(2024, 2, 29));
    // Without a year: the current one.
    EXPECT_EQ(parseDate(ru, "15.06"), QDate(QDate::currentDate().year(), 6, 15));
    EXPECT_EQ(parseDate(us, "6/15"), QDate(QDate::currentDate().year(), 6, 15));
    // Three or more digits are taken as written.
    EXPECT_EQ(parseDate(ru, "01.01.0099"), QDate(99, 1, 1));
}

TEST(LocaleParsing, TwoDigitYearsFallIntoTheWindowAroundNow)
{
    const TLocaleSettings ru = locale("ru_RU");
    const int year = QDate::currentDate().year();
    const QString oldest = QString::number((year - 50) % 100).rightJustified(2, u'0');
    const QString newest = QString::number((year + 49) % 100).rightJustified(2, u'0');
    EXPECT_EQ(parseDate(ru, "01.01." + oldest).year(), year - 50);
    EXPECT_EQ(parseDate(ru, "01.01." + newest).year(), year + 49);
}

TEST(LocaleParsing, BadDatesAreRejected)
{
    const TLocaleSettings us = locale("en_US");
    const TLocaleSettings ru = locale("ru_RU");
    QDate d(2000, 1, 1);
    for (const char *text :
         {"", "  ", "7", "31.02.2024", "00.01.2024", "1.13.2024", "1.2.3.4", "a.b.c", "1..2024", "1.2.2024x",
          "1.2.", "07/03/2024", "1.2.2024 10:00", "１.２.２０２４"})
        EXPECT_FALSE(ru.TryStrToDate(QString::fromUtf8(text), d)) << text;
    EXPECT_FALSE(us.TryStrToDate(QStringLiteral("13/1/2024"), d));
    EXPECT_FALSE(us.TryStrToDate(QStringLiteral("1.2.2024"), d));
    EXPECT_EQ(d, QDate(2000, 1, 1)) << "a failed parse leaves the date alone";
}

TEST(LocaleParsing, Times)
{
    const TLocaleSettings us = locale("en_US");
    const TLocaleSettings ru = locale("ru_RU");
    EXPECT_EQ(parseTime(ru, "13:05"), QTime(13, 5));
    EXPECT_EQ(parseTime(ru, "13:05:09"), QTime(13, 5, 9));
    EXPECT_EQ(parseTime(ru, "10"), QTime(10, 0));
    EXPECT_EQ(parseTime(ru, "10:20:30.5"), QTime(10, 20, 30, 500));
    EXPECT_EQ(parseTime(ru, "10:20:30,125"), QTime(10, 20, 30, 125));
    EXPECT_EQ(parseTime(us, "1:05:09 PM"), QTime(13, 5, 9));
    EXPECT_EQ(parseTime(us, "12:00 am"), QTime(0, 0));
    EXPECT_EQ(parseTime(us, "12 PM"), QTime(12, 0));
    EXPECT_EQ(parseTime(us, "PM 3:15"), QTime(15, 15));
    EXPECT_EQ(parseTime(us, "15:15"), QTime(15, 15));
    QTime t;
    for (const char *text : {"", "24:00", "10:60", "10:00:60", "13 PM", "10:", ":10", "10:20 XM", "1:2:3:4",
                             "100", "10:20:30.1234", "ten"})
        EXPECT_FALSE(us.TryStrToTime(QString::fromLatin1(text), t)) << text;
}

TEST(LocaleParsing, DateTimes)
{
    const TLocaleSettings ru = locale("ru_RU");
    QDateTime dt;
    ASSERT_TRUE(ru.TryStrToDateTime(QStringLiteral("07.03.2024 13:05:09"), dt));
    EXPECT_EQ(dt, QDateTime(QDate(2024, 3, 7), QTime(13, 5, 9)));
    ASSERT_TRUE(ru.TryStrToDateTime(QStringLiteral("07.03.2024"), dt));
    EXPECT_EQ(dt, QDateTime(QDate(2024, 3, 7), QTime(0, 0)));
    for (const char *text : {"07.03.2024 25:00", "07.03.202413:05", "13:05", "07.03.2024 13:05 x", ""})
        EXPECT_FALSE(ru.TryStrToDateTime(QString::fromLatin1(text), dt)) << text;
}

TEST(LocaleParsing, TextRoundTrips)
{
    const QDate dates[] = {QDate(1900, 1, 1), QDate(1960, 5, 31), QDate(2024, 2, 29), QDate(2079, 6, 6)};
    const QTime times[] = {QTime(0, 0), QTime(0, 59, 59), QTime(12, 0), QTime(23, 1, 2)};
    for (const char *name : {"en_US", "ru_RU", "de_DE", "en_GB", "nl_NL", "ja_JP"}) {
        const TLocaleSettings s = locale(name);
        for (const QDate &date : dates)
            EXPECT_EQ(parseDate(s, s.DateToStr(date)), date) << name << " " << qPrintable(s.DateToStr(date));
        for (const QTime &time : times) {
            if (QString(name) == "ja_JP")
                continue; // its long time format writes 時/分/秒, which is not a time the parser reads
            EXPECT_EQ(parseTime(s, s.TimeToStr(time)), time) << name << " " << qPrintable(s.TimeToStr(time));
        }
    }
}

TEST(LocaleParsing, Floats)
{
    const TLocaleSettings ru = locale("ru_RU");
    const TLocaleSettings us = locale("en_US");
    double v = 0;
    ASSERT_TRUE(ru.TryStrToFloat(QStringLiteral("1,5"), v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    ASSERT_TRUE(ru.TryStrToFloat(QStringLiteral("  -2,5e3 "), v));
    EXPECT_DOUBLE_EQ(v, -2500);
    ASSERT_TRUE(us.TryStrToFloat(QStringLiteral(".5"), v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    ASSERT_TRUE(us.TryStrToFloat(QStringLiteral("+5."), v));
    EXPECT_DOUBLE_EQ(v, 5);
    ASSERT_TRUE(us.TryStrToFloat(QStringLiteral("1E-5"), v));
    EXPECT_DOUBLE_EQ(v, 1e-5);
    v = 42;
    for (const char *text : {"", " ", ".", "-", "1.5", "1 234,5", "1,2,3", "1e", "1e+", "e5", "1e999", "nan",
                             "inf", "0x10", "1,5x"})
        EXPECT_FALSE(ru.TryStrToFloat(QString::fromLatin1(text), v)) << text;
    EXPECT_FALSE(us.TryStrToFloat(QStringLiteral("1,000.5"), v));
    EXPECT_EQ(v, 42);
}
