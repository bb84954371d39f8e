#include "params/model/controlvalues.h"
#include "params/model/paramcontrol.h"

#include <gtest/gtest.h>

namespace
{

TLocaleSettings locale(const char *name)
{
    TLocaleSettings s;
    EXPECT_TRUE(s.Load(QLatin1String(name)));
    return s;
}

} // namespace

TEST(IntEditValues, DefaultsThatAreNoNumberGiveZero)
{
    EXPECT_EQ(IntEditDefault(QStringLiteral("42")), 42);
    EXPECT_EQ(IntEditDefault(QStringLiteral("-5")), -5);
    for (const char *text : {"", "abc", "12abc", "1.5", "99999999999"})
        EXPECT_EQ(IntEditDefault(QLatin1String(text)), 0) << text;

    TParamControl c(QStringLiteral("N"), TControlKind::IntEdit, TDeclaration{});
    QString error;
    ASSERT_TRUE(c.ApplyDefault(QStringLiteral("007"), error));
    EXPECT_EQ(c.CurrentValue(), QStringLiteral("7")) << "the field shows the number";
    EXPECT_EQ(c.CurrentText(), QStringLiteral("7"));
    ASSERT_TRUE(c.ApplyDefault(QString(), error));
    EXPECT_EQ(c.CurrentValue(), QStringLiteral("0"));
}

TEST(FloatEditValues, DefaultsUnderTheUsLocale)
{
    const TLocaleSettings us = locale("en_US");
    double v = -1;
    QString error;
    ASSERT_TRUE(FloatEditDefault(QStringLiteral("1,234.5  "), v, error, us));
    EXPECT_DOUBLE_EQ(v, 1234.5);
    ASSERT_TRUE(FloatEditDefault(QString(), v, error, us));
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(FloatEditDefault(QStringLiteral("-0.1234567"), v, error, us));
    EXPECT_DOUBLE_EQ(v, -0.123457) << "the field keeps six decimals";
    // The thousands separator is dropped even where it was meant as a decimal comma.
    ASSERT_TRUE(FloatEditDefault(QStringLiteral("1,5"), v, error, us));
    EXPECT_DOUBLE_EQ(v, 15);

    EXPECT_FALSE(FloatEditDefault(QStringLiteral("12 apples"), v, error, us));
    EXPECT_EQ(error, QStringLiteral("'12 apples' is not a valid floating point value"));
    EXPECT_FALSE(FloatEditDefault(QStringLiteral("1.2.3"), v, error, us));
}

TEST(FloatEditValues, PointAndCommaBothServeWhereNeitherSeparatesThousands)
{
    const TLocaleSettings ru = locale("ru_RU");
    ASSERT_EQ(ru.DecimalSeparator, u',');
    ASSERT_NE(ru.ThousandSeparator, u'.');
    double v = 0;
    QString error;
    ASSERT_TRUE(FloatEditDefault(QStringLiteral("2.75"), v, error, ru));
    EXPECT_DOUBLE_EQ(v, 2.75);
    ASSERT_TRUE(FloatEditDefault(QStringLiteral("2,75"), v, error, ru));
    EXPECT_DOUBLE_EQ(v, 2.75);
    ASSERT_TRUE(
        FloatEditDefault(QStringLiteral("1") + ru.ThousandSeparator + QStringLiteral("000,5"), v, error, ru));
    EXPECT_DOUBLE_EQ(v, 1000.5);

    const TLocaleSettings de = locale("de_DE");
    ASSERT_EQ(de.ThousandSeparator, u'.');
    ASSERT_TRUE(FloatEditDefault(QStringLiteral("1.234,5"), v, error, de));
    EXPECT_DOUBLE_EQ(v, 1234.5);
}

TEST(FloatEditValues, ValueTextHasUpToSixDecimalsAndIsEmptyForZero)
{
    const TLocaleSettings us = locale("en_US");
    const TLocaleSettings ru = locale("ru_RU");
    EXPECT_EQ(FloatEditValue(0, us), QString());
    EXPECT_EQ(FloatEditValue(0.0000001, us), QString()) << "rounds to 0 at six decimals";
    EXPECT_EQ(FloatEditValue(1234.5, us), QStringLiteral("1234.5"));
    EXPECT_EQ(FloatEditValue(1234.5, ru), QStringLiteral("1234,5"));
    EXPECT_EQ(FloatEditValue(-2, us), QStringLiteral("-2"));
    EXPECT_EQ(FloatEditValue(1.23456789, us), QStringLiteral("1.234568"));
    EXPECT_EQ(FloatEditValue(1e15, us), QStringLiteral("1000000000000000"));

    TParamControl c(QStringLiteral("F"), TControlKind::FloatEdit, TDeclaration{});
    c.SetFloatValue(3.14159265);
    EXPECT_DOUBLE_EQ(c.FloatValue(), 3.141593);
    EXPECT_EQ(c.CurrentValue(us), QStringLiteral("3.141593"));
    EXPECT_EQ(c.CurrentText(us), c.CurrentValue(us));
}

TEST(DateEditValues, DefaultsAreYyyymmdd)
{
    QDate d;
    QString error;
    ASSERT_TRUE(DateEditDefault(QStringLiteral("20240229"), d, error));
    EXPECT_EQ(d, QDate(2024, 2, 29));
    ASSERT_TRUE(DateEditDefault(QString(), d, error));
    EXPECT_FALSE(d.isValid()) << "empty leaves the field empty";

    for (const char *bad : {"20230229", "20241301", "2024", "2024-1-1", "abcdefgh", "00000101", "20240100"}) {
        EXPECT_FALSE(DateEditDefault(QLatin1String(bad), d, error)) << bad;
        EXPECT_EQ(error, QStringLiteral("'%1' is not a valid date").arg(QLatin1String(bad)));
    }
}

TEST(DateEditValues, ValueIsQuotedAndAnEmptyFieldIsTheZeroDate)
{
    const TLocaleSettings us = locale("en_US");
    const TLocaleSettings de = locale("de_DE");
    EXPECT_EQ(DateEditValue(QDate(2024, 1, 5)), QStringLiteral("'20240105'"));
    EXPECT_EQ(DateEditValue(QDate()), QStringLiteral("'18991230'"));
    EXPECT_EQ(DateEditText(QDate(), us), QString());
    EXPECT_EQ(DateEditText(QDate(2024, 1, 5), us), us.DateToStr(QDate(2024, 1, 5)));
    EXPECT_EQ(DateEditText(QDate(2024, 1, 5), de), QStringLiteral("05.01.2024"));

    TParamControl c(QStringLiteral("D"), TControlKind::DateEdit, TDeclaration{});
    QString error;
    ASSERT_TRUE(c.ApplyDefault(QStringLiteral("20231231"), error));
    EXPECT_EQ(c.CurrentValue(), QStringLiteral("'20231231'"));
    // Characters 7-8 make the day, so a seven-digit default has a one-digit day.
    ASSERT_TRUE(c.ApplyDefault(QStringLiteral("2023123"), error));
    EXPECT_EQ(c.Date(), QDate(2023, 12, 3));
}

TEST(ListValues, IndexAndEntry)
{
    TParamControl c(QStringLiteral("L"), TControlKind::List, TDeclaration{});
    c.SetEntries({QStringLiteral("North"), QStringLiteral("South")});
    QString error;
    ASSERT_TRUE(c.ApplyDefault(QStringLiteral("1"), error));
    EXPECT_EQ(c.CurrentValue(), QStringLiteral("1"));
    EXPECT_EQ(c.CurrentText(), QStringLiteral("South"));
    for (const char *text : {"", "x", "2", "-1", "1.0"}) {
        ASSERT_TRUE(c.ApplyDefault(QLatin1String(text), error));
        EXPECT_EQ(c.CurrentValue(), QStringLiteral("-1")) << text;
        EXPECT_EQ(c.CurrentText(), QString()) << text;
    }
    c.SetItemIndex(0);
    c.SetEntries({QStringLiteral("Only")});
    EXPECT_EQ(c.CurrentText(), QStringLiteral("Only"));
    c.SetEntries({});
    EXPECT_EQ(c.ItemIndex(), -1) << "a selection past the entries is dropped";
}

TEST(CheckValues, OnlyOneChecksTheBox)
{
    TParamControl c(QStringLiteral("B"), TControlKind::Check, TDeclaration{});
    QString error;
    ASSERT_TRUE(c.ApplyDefault(QStringLiteral("1"), error));
    EXPECT_TRUE(c.Checked());
    EXPECT_EQ(c.CurrentValue(), QStringLiteral("1"));
    EXPECT_EQ(c.CurrentText(), QStringLiteral("On"));
    for (const char *text : {"true", "On", "0", "", "01", "yes"}) {
        ASSERT_TRUE(c.ApplyDefault(QLatin1String(text), error));
        EXPECT_FALSE(c.Checked()) << text;
        EXPECT_EQ(c.CurrentValue(), QStringLiteral("0"));
        EXPECT_EQ(c.CurrentText(), QStringLiteral("Off"));
    }
}

TEST(EditAndTableValues, TextAndSelection)
{
    TParamControl e(QStringLiteral("E"), TControlKind::Edit, TDeclaration{});
    QString error;
    ASSERT_TRUE(e.ApplyDefault(QStringLiteral("any text, 1"), error));
    EXPECT_EQ(e.CurrentValue(), QStringLiteral("any text, 1"));
    EXPECT_EQ(e.CurrentText(), QStringLiteral("any text, 1"));

    TParamControl t(QStringLiteral("T"), TControlKind::Table, TDeclaration{});
    ASSERT_TRUE(t.ApplyDefault(QStringLiteral("7"), error));
    EXPECT_EQ(t.DefaultText(), QStringLiteral("7"));
    EXPECT_EQ(t.CurrentValue(), QString()) << "a TABLE takes its value from its query";
    t.SetTableSelection(QStringLiteral("7"), QStringLiteral("Seven"));
    EXPECT_EQ(t.CurrentValue(), QStringLiteral("7"));
    EXPECT_EQ(t.CurrentText(), QStringLiteral("Seven"));
}
