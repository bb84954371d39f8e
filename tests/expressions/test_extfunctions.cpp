// The extended functions: text, numbers, dates and times, the variable store, dialogs, INI files
// and the registry stand-in, and their registration.

#include "exprtest.h"

#include "common/programdir.h"
#include "common/prompt.h"
#include "expressions/extfunctions.h"
#include "expressions/library.h"
#include "expressions/stdfunctions.h"
#include "expressions/variables.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <climits>
#include <memory>

using namespace exprtest;

namespace
{

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Every test starts with an empty variable store and the en_US locale.
class ExtFixture : public ::testing::Test
{
protected:
    void SetUp() override { QRVariables().Clear(); }
    void TearDown() override { QRVariables().Clear(); }

    LocaleGuard locale{QStringLiteral("en_US")};
};

class ExtTextFunctions : public ExtFixture
{
};
class ExtNumberFunctions : public ExtFixture
{
};
class ExtDateFunctions : public ExtFixture
{
};
class ExtVariableFunctions : public ExtFixture
{
};
class ExtDialogFunctions : public ExtFixture
{
};

} // namespace

// ---- Text functions ----

TEST_F(ExtTextFunctions, InsertStr)
{
    EXPECT_STR(Eval("INSERTSTR('Total: %s', '5')"), "Total: 5");
    EXPECT_STR(Eval("INSERTSTR('%s!', 'abc')"), "abc!");
    EXPECT_STR(Eval("INSERTSTR('100%% of %s', 'x')"), "100% of x");
    EXPECT_STR(Eval("INSERTSTR('no placeholder', 'x')"), "no placeholder");
    EXPECT_STR(Eval("INSERTSTR('%s', '')"), "");
    // A second value or another conversion cannot be satisfied.
    EXPECT_ERR(Eval("INSERTSTR('%s and %s', 'a')"), "");
    EXPECT_ERR(Eval("INSERTSTR('%d', 'a')"), "");
    // Both arguments are strings, and both are needed.
    EXPECT_ERR(Eval("INSERTSTR('%s', 5)"), "");
    EXPECT_ERR(Eval("INSERTSTR(5, 'a')"), "");
    EXPECT_ERR(Eval("INSERTSTR('%s')"), "");
    EXPECT_ERR(Eval("INSERTSTR('%s', 'a', 'b')"), "");
}

TEST_F(ExtTextFunctions, StrToInt)
{
    EXPECT_INT(Eval("STRTOINT('42')"), 42);
    EXPECT_INT(Eval("STRTOINT('-17')"), -17);
    EXPECT_INT(Eval("STRTOINT('+8')"), 8);
    EXPECT_INT(Eval("STRTOINT('0')"), 0);
    EXPECT_INT(Eval("STRTOINT('$FF')"), 255);
    EXPECT_INT(Eval("STRTOINT('$7fffffff')"), INT_MAX);
    EXPECT_INT(Eval("STRTOINT('2147483647')"), INT_MAX);
    EXPECT_INT(Eval("STRTOINT('-2147483648')"), INT_MIN);
    // Beyond 32 bits, trailing letters, fractions and nothing at all are not integers.
    EXPECT_ERR(Eval("STRTOINT('2147483648')"), "");
    EXPECT_ERR(Eval("STRTOINT('12a')"), "");
    EXPECT_ERR(Eval("STRTOINT('1.5')"), "");
    EXPECT_ERR(Eval("STRTOINT('')"), "");
    EXPECT_ERR(Eval("STRTOINT('abc')"), "");
    EXPECT_ERR(Eval("STRTOINT('$')"), "");
    EXPECT_ERR(Eval("STRTOINT(12)"), "");
    EXPECT_ERR(Eval("STRTOINT()"), "");
    EXPECT_ERR(Eval("STRTOINT('1', '2')"), "");
}

TEST_F(ExtTextFunctions, StrToIntLimitsByValueNotByDigits)
{
    EXPECT_INT(Eval("STRTOINT('00000000012')"), 12);
    EXPECT_INT(Eval("STRTOINT('-000000000002147483648')"), INT_MIN);
    EXPECT_INT(Eval("STRTOINT('0000000000000000000000000000000000002147483647')"), INT_MAX);
    EXPECT_INT(Eval("STRTOINT('$000000001')"), 1);
    EXPECT_INT(Eval("STRTOINT('$00000000FFFFFFFF')"), -1);
    // Values beyond 32 bits stay refused whatever the zeros in front.
    EXPECT_ERR(Eval("STRTOINT('0002147483648')"), "");
    EXPECT_ERR(Eval("STRTOINT('99999999999999999999999999')"), "");
    EXPECT_ERR(Eval("STRTOINT('$100000000')"), "");
    EXPECT_ERR(Eval("STRTOINT('$0000000100000000')"), "");
}

TEST_F(ExtTextFunctions, StrToNum)
{
    EXPECT_FLOAT_VALUE(Eval("STRTONUM('')"), 0.0);
    EXPECT_FLOAT_VALUE(Eval("STRTONUM('2.5')"), 2.5);
    // A whole number still comes back as a floating value.
    EXPECT_FLOAT_VALUE(Eval("STRTONUM('-3')"), -3.0);
    EXPECT_FLOAT_VALUE(Eval("STRTONUM('1E3')"), 1000.0);
    EXPECT_ERR(Eval("STRTONUM('abc')"), "");
    EXPECT_ERR(Eval("STRTONUM('2,5')"), "");
    EXPECT_ERR(Eval("STRTONUM(2.5)"), "");
    EXPECT_ERR(Eval("STRTONUM()"), "");
    {
        LocaleGuard guard("de_DE");
        EXPECT_FLOAT_VALUE(Eval("STRTONUM('2,5')"), 2.5);
        EXPECT_ERR(Eval("STRTONUM('2.5')"), "");
        EXPECT_FLOAT_VALUE(Eval("STRTONUM('')"), 0.0);
    }
}

TEST_F(ExtTextFunctions, TrimAndStrLen)
{
    EXPECT_STR(Eval("TRIM('  a b  ')"), "a b");
    EXPECT_STR(Eval("TRIM('abc')"), "abc");
    EXPECT_STR(Eval("TRIM('    ')"), "");
    EXPECT_STR(Eval("TRIM('')"), "");
    // Only character 32 counts as a blank.
    EXPECT_STR(Eval("TRIM(CHR(9) + ' a ' + CHR(9))"), "\t a \t");
    EXPECT_STR(Eval("TRIM(' ' + CHR(9) + 'a' + CHR(10) + ' ')"), "\ta\n");
    EXPECT_ERR(Eval("TRIM(5)"), "");
    EXPECT_ERR(Eval("TRIM()"), "");
    EXPECT_ERR(Eval("TRIM('a', 'b')"), "");

    EXPECT_INT(Eval("STRLEN('')"), 0);
    EXPECT_INT(Eval("STRLEN('abc')"), 3);
    EXPECT_INT(Eval("STRLEN('  x  ')"), 5);
    EXPECT_INT(Eval(QString::fromUtf8("STRLEN('привет')")), 6);
    EXPECT_INT(Eval("STRLEN(PADLEFT('x', 300))"), 255);
    EXPECT_ERR(Eval("STRLEN(12)"), "");
    EXPECT_ERR(Eval("STRLEN()"), "");
}

TEST_F(ExtTextFunctions, StretchStr)
{
    EXPECT_STR(Eval("STRETCHSTR('abc', 1)"), "a b c");
    EXPECT_STR(Eval("STRETCHSTR('abc', 0)"), "abc");
    EXPECT_STR(Eval("STRETCHSTR('abc', 2)"), "a  b  c");
    EXPECT_STR(Eval("STRETCHSTR('a', 5)"), "a");
    EXPECT_STR(Eval("STRETCHSTR('', 3)"), "");
    // Blanks inside S are characters like any other; only the end is trimmed.
    EXPECT_STR(Eval("STRETCHSTR('a b', 1)"), "a   b");
    EXPECT_STR(Eval("STRETCHSTR('ab  ', 1)"), "a b");
    const TQREvValue lng = Eval("STRETCHSTR(PADLEFTZERO('1', 100), 2)");
    EXPECT_EQ(lng.ValueKind, rkString);
    EXPECT_LE(lng.Text.size(), 255);
    EXPECT_GE(lng.Text.size(), 250);
    EXPECT_TRUE(lng.Text.startsWith("0  0  0")) << qPrintable(lng.Text);
    EXPECT_ERR(Eval("STRETCHSTR('abc', 1.5)"), "");
    EXPECT_ERR(Eval("STRETCHSTR('abc', '1')"), "");
    EXPECT_ERR(Eval("STRETCHSTR(123, 1)"), "");
    EXPECT_ERR(Eval("STRETCHSTR('abc')"), "");
}

TEST_F(ExtTextFunctions, Chr)
{
    EXPECT_STR(Eval("CHR(65)"), "A");
    EXPECT_STR(Eval("CHR(321)"), "A");
    EXPECT_STR(Eval("CHR(97 + 256 * 3)"), "a");
    EXPECT_STR(Eval("CHR(32)"), " ");
    const TQREvValue zero = Eval("CHR(256)");
    EXPECT_EQ(zero.ValueKind, rkString);
    ASSERT_EQ(zero.Text.size(), 1);
    EXPECT_EQ(zero.Text.at(0).unicode(), 0);
    EXPECT_ERR(Eval("CHR('A')"), "");
    EXPECT_ERR(Eval("CHR(65.0)"), "");
    EXPECT_ERR(Eval("CHR()"), "");
    EXPECT_ERR(Eval("CHR(65, 66)"), "");
}

TEST_F(ExtTextFunctions, PadLeftAndPadRight)
{
    EXPECT_STR(Eval("PADLEFT('ab', 5)"), "   ab");
    EXPECT_STR(Eval("PADLEFT('abcdef', 3)"), "abcdef");
    EXPECT_STR(Eval("PADLEFT('abc', 3)"), "abc");
    EXPECT_STR(Eval("PADLEFT('', 2)"), "  ");
    EXPECT_STR(Eval("PADLEFT('ab', 0)"), "ab");
    EXPECT_STR(Eval("PADLEFT('ab', -3)"), "ab");
    EXPECT_STR(Eval("PADLEFT('x', 300)"), QString(254, u' ') + "x");
    EXPECT_STR(Eval("PADLEFT('x', 255)"), QString(254, u' ') + "x");

    EXPECT_STR(Eval("PADRIGHT('ab', 5)"), "ab   ");
    EXPECT_STR(Eval("PADRIGHT('abcdef', 3)"), "abcdef");
    EXPECT_STR(Eval("PADRIGHT('', 1)"), " ");
    EXPECT_STR(Eval("PADRIGHT('x', 300)"), "x" + QString(254, u' '));

    for (const char *name : {"PADLEFT", "PADRIGHT"}) {
        SCOPED_TRACE(name);
        const QString f = QString::fromLatin1(name);
        EXPECT_ERR(Eval(f + "(5, 5)"), "");
        EXPECT_ERR(Eval(f + "('ab', 5.0)"), "");
        EXPECT_ERR(Eval(f + "('ab', '5')"), "");
        EXPECT_ERR(Eval(f + "('ab')"), "");
        EXPECT_ERR(Eval(f + "('ab', 5, 6)"), "");
        EXPECT_ERR(Eval(f + "(1 / 0, 5)"), "");
    }
}

TEST_F(ExtTextFunctions, PadLeftZero)
{
    EXPECT_STR(Eval("PADLEFTZERO(7, 3)"), "007");
    EXPECT_STR(Eval("PADLEFTZERO(-7, 4)"), "00-7");
    EXPECT_STR(Eval("PADLEFTZERO('42', 5)"), "00042");
    EXPECT_STR(Eval("PADLEFTZERO('ab', 4)"), "00ab");
    EXPECT_STR(Eval("PADLEFTZERO(12345, 3)"), "12345");
    EXPECT_STR(Eval("PADLEFTZERO('', 2)"), "00");
    EXPECT_STR(Eval("PADLEFTZERO(0, 1)"), "0");
    EXPECT_ERR(Eval("PADLEFTZERO(7.5, 3)"), "");
    EXPECT_ERR(Eval("PADLEFTZERO(TRUE, 3)"), "");
    EXPECT_ERR(Eval("PADLEFTZERO(7, 3.0)"), "");
    EXPECT_ERR(Eval("PADLEFTZERO(7)"), "");
}

TEST_F(ExtTextFunctions, Currency)
{
    EXPECT_STR(Eval("CURRENCY"), "$");
    // Arguments make no difference.
    EXPECT_STR(Eval("CURRENCY(1, 'x')"), "$");
    LocaleGuard guard("de_DE");
    ASSERT_NE(LocaleSettings().CurrencyString, "$");
    EXPECT_STR(Eval("CURRENCY"), LocaleSettings().CurrencyString);
}

// ---- Number functions ----

TEST_F(ExtNumberFunctions, Abs)
{
    EXPECT_INT(Eval("ABS(-5)"), 5);
    EXPECT_INT(Eval("ABS(5)"), 5);
    EXPECT_INT(Eval("ABS(0)"), 0);
    EXPECT_FLOAT_VALUE(Eval("ABS(-2.5)"), 2.5);
    EXPECT_FLOAT_VALUE(Eval("ABS(2.5)"), 2.5);
    // A floating argument keeps its kind even when it is whole.
    EXPECT_FLOAT_VALUE(Eval("ABS(0 - 4 / 2)"), 2.0);
    EXPECT_INT(Eval("ABS(0 - 2147483647 - 1)"), INT_MIN);
    EXPECT_ERR(Eval("ABS('x')"), "");
    EXPECT_ERR(Eval("ABS(TRUE)"), "");
    EXPECT_ERR(Eval("ABS()"), "");
    EXPECT_ERR(Eval("ABS(1, 2)"), "");
}

TEST_F(ExtNumberFunctions, CounterCountsComputationsAndRestarts)
{
    TQREvaluator evaluator;
    evaluator.Compile("COUNTER");
    EXPECT_INT(evaluator.Compute(), 1);
    EXPECT_INT(evaluator.Compute(), 2);
    EXPECT_INT(evaluator.Compute(), 3);
    // Aggregate passes count too: a side effect acts in every pass.
    evaluator.Accumulate();
    evaluator.Accumulate();
    EXPECT_INT(evaluator.Compute(), 6);
    evaluator.ResetAggregates();
    EXPECT_INT(evaluator.Compute(), 1);
    EXPECT_INT(evaluator.Compute(), 2);

    // Each prepared expression, and each COUNTER element in it, counts on its own.
    TQREvaluator other;
    other.Compile("COUNTER('ignored', 7)");
    EXPECT_INT(other.Compute(), 1);
    EXPECT_INT(evaluator.Compute(), 3);
    TQREvaluator twice;
    twice.Compile("COUNTER + COUNTER * 10");
    EXPECT_INT(twice.Compute(), 11);
    EXPECT_INT(twice.Compute(), 22);

    // A new compilation starts from zero.
    evaluator.Compile("COUNTER");
    EXPECT_INT(evaluator.Compute(), 1);
    EXPECT_INT(Eval("COUNTER"), 1);
    EXPECT_INT(Eval("COUNTER"), 1);
}

TEST_F(ExtNumberFunctions, VarIsAlwaysAnError)
{
    EXPECT_ERR(Eval("VAR(1)"), "");
    EXPECT_ERR(Eval("VAR(0)"), "");
    EXPECT_ERR(Eval("VAR()"), "");
    EXPECT_ERR(Eval("VAR('a')"), "");
}

// ---- Date and time functions ----

TEST_F(ExtDateFunctions, DateDiff)
{
    EXPECT_FLOAT_VALUE(Eval("DATEDIFF('1/1/2001', '1/31/2001')"), 30.0);
    EXPECT_FLOAT_VALUE(Eval("DATEDIFF('3/1/2000', '2/28/2000')"), -2.0);
    EXPECT_FLOAT_VALUE(Eval("DATEDIFF('3/1/2001', '2/28/2001')"), -1.0);
    EXPECT_FLOAT_VALUE(Eval("DATEDIFF('12/31/1999', '1/1/2000')"), 1.0);
    EXPECT_FLOAT_VALUE(Eval("DATEDIFF('1/1/2000', '1/1/2001')"), 366.0);
    EXPECT_FLOAT_VALUE(Eval("DATEDIFF('7/4/2024', '7/4/2024')"), 0.0);
    // A time part is not accepted; neither are impossible dates or other kinds.
    EXPECT_ERR(Eval("DATEDIFF('1/1/2001 10:00:00 AM', '1/2/2001')"), "");
    EXPECT_ERR(Eval("DATEDIFF('1/1/2001', '1/2/2001 10:00:00 AM')"), "");
    EXPECT_ERR(Eval("DATEDIFF('2/30/2001', '3/1/2001')"), "");
    EXPECT_ERR(Eval("DATEDIFF('x', '3/1/2001')"), "");
    EXPECT_ERR(Eval("DATEDIFF('1/1/2001')"), "");
    EXPECT_ERR(Eval("DATEDIFF(1, 2)"), "");
}

TEST_F(ExtDateFunctions, PrintDate)
{
    const QString before = LocaleSettings().DateToStr(QDate::currentDate());
    const TQREvValue value = Eval("PRINTDATE");
    const QString after = LocaleSettings().DateToStr(QDate::currentDate());
    EXPECT_EQ(value.ValueKind, rkString);
    EXPECT_TRUE(value.Text == before || value.Text == after) << qPrintable(value.Text);
    EXPECT_ERR(Eval("PRINTDATE(1)"), "");
    EXPECT_ERR(Eval("PRINTDATE('x')"), "");
}

TEST_F(ExtDateFunctions, ReformatDate)
{
    // 7 March 2024 was a Thursday.
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024', 'yyyy-mm-dd')"), "2024-03-07");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024', 'd.m.yy')"), "7.3.24");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024', 'dddd d mmmm')"), "Thursday 7 March");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024', 'ddd, mmm d')"), "Thu, Mar 7");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024', 'ddddd')"), "3/7/2024");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024', 'dddddd')"), "Thursday, March 7, 2024");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024', '\"Day\" d')"), "Day 7");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024', 'c')"), "3/7/2024");
    // A date followed by a time.
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'dd.mm.yyyy hh:nn:ss')"), "07.03.2024 13:05:09");
    // After an hour, m stands for minutes.
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'hh:mm')"), "13:05");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'hhmm')"), "1305");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'h:m')"), "13:5");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'hh:nn d/mm')"), "13:05 7/03");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'h:nn am/pm')"), "1:05 pm");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'hh:nn A/P')"), "01:05 P");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'tt')"), "1:05:09 PM");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'c')"), "3/7/2024 1:05:09 PM");
    EXPECT_STR(Eval("REFORMATDATE('3/7/2024 1:05:09 PM', 'yyyy')"), "2024");
    EXPECT_ERR(Eval("REFORMATDATE('13/7/2024', 'yyyy')"), "");
    EXPECT_ERR(Eval("REFORMATDATE('3/7/2024 25:00:00', 'yyyy')"), "");
    EXPECT_ERR(Eval("REFORMATDATE('3/7/2024')"), "");
    EXPECT_ERR(Eval("REFORMATDATE('3/7/2024', 5)"), "");
    EXPECT_ERR(Eval("REFORMATDATE(5, 'yyyy')"), "");
    {
        LocaleGuard guard("de_DE");
        EXPECT_STR(Eval("REFORMATDATE('07.03.2024', 'dddd, d. mmmm')"), "Donnerstag, 7. März");
        EXPECT_STR(Eval("REFORMATDATE('07.03.2024', 'mm/dd')"), "03.07");
    }
}

TEST_F(ExtDateFunctions, CalcDateAroundMonthEnds)
{
    EXPECT_STR(Eval("CALCDATE('1/31/2001', 0, 1, 0)"), "3/3/2001");
    EXPECT_STR(Eval("CALCDATE('1/31/2000', 0, 1, 0)"), "3/2/2000");
    EXPECT_STR(Eval("CALCDATE('5/31/2001', 0, 1, 0)"), "7/1/2001");
    EXPECT_STR(Eval("CALCDATE('2/28/2000', 1, 0, 0)"), "2/29/2000");
    EXPECT_STR(Eval("CALCDATE('2/28/2001', 1, 0, 0)"), "3/1/2001");
    EXPECT_STR(Eval("CALCDATE('2/29/2000', 0, 0, 1)"), "3/1/2001");
    EXPECT_STR(Eval("CALCDATE('2/29/2000', 0, 0, 4)"), "2/29/2004");
    EXPECT_STR(Eval("CALCDATE('12/31/2000', 1, 0, 0)"), "1/1/2001");
    EXPECT_STR(Eval("CALCDATE('3/1/2000', -1, 0, 0)"), "2/29/2000");
    EXPECT_STR(Eval("CALCDATE('1/1/2001', -1, 0, 0)"), "12/31/2000");
    EXPECT_STR(Eval("CALCDATE('1/1/2001', 365, 0, 0)"), "1/1/2002");
    EXPECT_STR(Eval("CALCDATE('6/15/2001', 0, 0, -1)"), "6/15/2000");
    EXPECT_STR(Eval("CALCDATE('6/15/2001', 0, 0, 0)"), "6/15/2001");
    // The month is added first, then the days are added to the overflowing day.
    EXPECT_STR(Eval("CALCDATE('1/31/2001', 1, 1, 0)"), "3/4/2001");
    // A date followed by a time gives a date.
    EXPECT_STR(Eval("CALCDATE('1/31/2001 10:30:00 AM', 0, 1, 0)"), "3/3/2001");
    // Dates are read and written in the locale's short date format.
    LocaleGuard guard("ru_RU");
    EXPECT_STR(Eval("CALCDATE('31.01.2001', 0, 1, 0)"), "03.03.2001");
    EXPECT_STR(Eval("CALCDATE('31.01.2001 13:05:09', 1, 0, 0)"), "01.02.2001");
    EXPECT_FLOAT_VALUE(Eval("DATEDIFF('01.01.2001', '31.01.2001')"), 30.0);
    EXPECT_ERR(Eval("CALCDATE('1/31/2001', 0, 1, 0)"), "");
}

TEST_F(ExtDateFunctions, CalcDateNegativeAndBigMonthCounts)
{
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, -12, 0)"), "1/15/2000");
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, -1, 0)"), "12/15/2000");
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, -13, 0)"), "12/15/1999");
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, -24, 0)"), "1/15/1999");
    EXPECT_STR(Eval("CALCDATE('3/31/2001', 0, -1, 0)"), "3/3/2001");
    EXPECT_STR(Eval("CALCDATE('12/15/2001', 0, 1, 0)"), "1/15/2002");
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, 25, 0)"), "2/15/2003");
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, 120, -5)"), "1/15/2006");
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, -1200, 100)"), "1/15/2001");
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, 12, -1)"), "1/15/2001");
}

TEST_F(ExtDateFunctions, CalcDateAtTheEdgesOfTheDayCount)
{
    // 1900 is not a leap year: 28 February is followed by 1 March.
    EXPECT_STR(Eval("CALCDATE('2/28/1900', 1, 0, 0)"), "3/1/1900");
    EXPECT_STR(Eval("CALCDATE('3/1/1900', -1, 0, 0)"), "2/28/1900");
    EXPECT_STR(Eval("CALCDATE('1/31/1900', 0, 1, 0)"), "3/3/1900");
    EXPECT_STR(Eval("CALCDATE('1/1/1900', 58, 0, 0)"), "2/28/1900");
    EXPECT_STR(Eval("CALCDATE('1/1/1900', 59, 0, 0)"), "3/1/1900");
    EXPECT_STR(Eval("CALCDATE('2/28/1904', 1, 0, 0)"), "2/29/1904");
    EXPECT_STR(Eval("CALCDATE('6/5/2079', 1, 0, 0)"), "6/6/2079");
    // Outside 1900..6 June 2079 the ordinary calendar goes on.
    EXPECT_STR(Eval("CALCDATE('6/6/2079', 1, 0, 0)"), "6/7/2079");
    EXPECT_STR(Eval("CALCDATE('1/1/1900', -1, 0, 0)"), "12/31/1899");
    EXPECT_STR(Eval("CALCDATE('1/15/2001', 0, 1200, 0)"), "1/15/2101");
    EXPECT_STR(Eval("CALCDATE('2/28/2100', 1, 0, 0)"), "3/1/2100");
    EXPECT_STR(Eval("CALCDATE('2/28/1896', 1, 0, 0)"), "2/29/1896");
    EXPECT_STR(Eval("CALCDATE('1/31/2100', 0, 1, 0)"), "3/3/2100");
    // Years outside 1..9999 cannot be written.
    EXPECT_ERR(Eval("CALCDATE('1/1/9999', 0, 0, 1)"), "");
    EXPECT_ERR(Eval("CALCDATE('12/31/9999', 1, 0, 0)"), "");
    EXPECT_ERR(Eval("CALCDATE('1/1/2001', 0, 0, -2001)"), "");
}

TEST_F(ExtDateFunctions, CalcDateArguments)
{
    EXPECT_ERR(Eval("CALCDATE('1/1/2001', 0, 1)"), "");
    EXPECT_ERR(Eval("CALCDATE('1/1/2001', 0, 1, 0, 0)"), "");
    EXPECT_ERR(Eval("CALCDATE('1/1/2001', 0, 1.5, 0)"), "");
    EXPECT_ERR(Eval("CALCDATE('1/1/2001', '0', 1, 0)"), "");
    EXPECT_ERR(Eval("CALCDATE(1, 0, 1, 0)"), "");
    EXPECT_ERR(Eval("CALCDATE('not a date', 0, 1, 0)"), "");
    EXPECT_ERR(Eval("CALCDATE('2/30/2001', 0, 0, 0)"), "");
}

TEST_F(ExtDateFunctions, CalcTimeWrapsAround)
{
    EXPECT_STR(Eval("CALCTIME('10:00:30 AM', 0, 0, 30)"), "10:01:00 AM");
    EXPECT_STR(Eval("CALCTIME('11:30:00 PM', 1, 0, 0)"), "12:30:00 AM");
    EXPECT_STR(Eval("CALCTIME('12:10:00 AM', 0, -20, 0)"), "11:50:00 PM");
    EXPECT_STR(Eval("CALCTIME('10:59:59 AM', 0, 0, 1)"), "11:00:00 AM");
    EXPECT_STR(Eval("CALCTIME('1:00:00 PM', 0, 0, -3601)"), "11:59:59 AM");
    EXPECT_STR(Eval("CALCTIME('1:00:00 PM', 0, 150, 0)"), "3:30:00 PM");
    EXPECT_STR(Eval("CALCTIME('11:00:00 PM', 50, 0, 0)"), "1:00:00 AM");
    EXPECT_STR(Eval("CALCTIME('1:00:00 AM', -49, 0, 0)"), "12:00:00 AM");
    EXPECT_STR(Eval("CALCTIME('12:00:00 AM', 0, 0, -1)"), "11:59:59 PM");
    EXPECT_STR(Eval("CALCTIME('10:00:00 AM', 1, -61, 61)"), "10:00:01 AM");
    EXPECT_STR(Eval("CALCTIME('10:00:00 AM', 0, 0, 0)"), "10:00:00 AM");
    // A 24-hour text and a text without seconds read too.
    EXPECT_STR(Eval("CALCTIME('13:05:09', 0, 0, 1)"), "1:05:10 PM");
    EXPECT_STR(Eval("CALCTIME('9:15 AM', 0, 45, 0)"), "10:00:00 AM");
    EXPECT_ERR(Eval("CALCTIME('x', 0, 0, 1)"), "");
    EXPECT_ERR(Eval("CALCTIME('25:00:00', 0, 0, 1)"), "");
    EXPECT_ERR(Eval("CALCTIME('10:00:00 AM', 0, 0)"), "");
    EXPECT_ERR(Eval("CALCTIME('10:00:00 AM', 0, 0, 1.5)"), "");
    EXPECT_ERR(Eval("CALCTIME(10, 0, 0, 1)"), "");
    LocaleGuard guard("de_DE");
    EXPECT_STR(Eval("CALCTIME('23:30:00', 1, 0, 0)"), "00:30:00");
}

TEST_F(ExtDateFunctions, ExtractPartsAndDayOfWeek)
{
    EXPECT_INT(Eval("EXTRACTDAY('3/7/2024')"), 7);
    EXPECT_INT(Eval("EXTRACTMONTH('3/7/2024')"), 3);
    EXPECT_INT(Eval("EXTRACTYEAR('3/7/2024')"), 2024);
    EXPECT_INT(Eval("EXTRACTDAY('12/31/1999 11:59:59 PM')"), 31);
    EXPECT_INT(Eval("EXTRACTMONTH('12/31/1999 11:59:59 PM')"), 12);
    EXPECT_INT(Eval("EXTRACTYEAR('12/31/1999 11:59:59 PM')"), 1999);
    EXPECT_INT(Eval("EXTRACTYEAR('1/1/2100')"), 2100);
    // 3 March 2024 was a Sunday.
    EXPECT_INT(Eval("DAYOFWEEK('3/3/2024')"), 1);
    EXPECT_INT(Eval("DAYOFWEEK('3/4/2024')"), 2);
    EXPECT_INT(Eval("DAYOFWEEK('3/9/2024')"), 7);
    EXPECT_INT(Eval("DAYOFWEEK('3/9/2024 10:00:00 PM')"), 7);
    for (const char *name : {"EXTRACTDAY", "EXTRACTMONTH", "EXTRACTYEAR", "DAYOFWEEK"}) {
        SCOPED_TRACE(name);
        const QString f = QString::fromLatin1(name);
        EXPECT_ERR(Eval(f + "('2/30/2024')"), "");
        EXPECT_ERR(Eval(f + "('3/7/2024 x')"), "");
        EXPECT_ERR(Eval(f + "('')"), "");
        EXPECT_ERR(Eval(f + "(2024)"), "");
        EXPECT_ERR(Eval(f + "()"), "");
        EXPECT_ERR(Eval(f + "('3/7/2024', '3/8/2024')"), "");
    }
    LocaleGuard guard("ru_RU");
    EXPECT_INT(Eval("EXTRACTDAY('07.03.2024')"), 7);
    EXPECT_INT(Eval("EXTRACTMONTH('07.03.2024 13:05:09')"), 3);
    EXPECT_ERR(Eval("EXTRACTDAY('3/7/2024')"), "");
}

TEST_F(ExtDateFunctions, DayAndMonthNames)
{
    EXPECT_STR(Eval("DAYSTRING(1)"), "Sunday");
    EXPECT_STR(Eval("DAYSTRING(2)"), "Monday");
    EXPECT_STR(Eval("DAYSTRING(7)"), "Saturday");
    EXPECT_ERR(Eval("DAYSTRING(0)"), "");
    EXPECT_ERR(Eval("DAYSTRING(8)"), "");
    EXPECT_ERR(Eval("DAYSTRING(-1)"), "");
    EXPECT_ERR(Eval("DAYSTRING('1')"), "");
    EXPECT_ERR(Eval("DAYSTRING(1.0)"), "");
    EXPECT_ERR(Eval("DAYSTRING()"), "");

    EXPECT_STR(Eval("MONTHSTRING(1)"), "January");
    EXPECT_STR(Eval("MONTHSTRING(12)"), "December");
    EXPECT_ERR(Eval("MONTHSTRING(0)"), "");
    EXPECT_ERR(Eval("MONTHSTRING(13)"), "");
    EXPECT_ERR(Eval("MONTHSTRING('1')"), "");
    EXPECT_ERR(Eval("MONTHSTRING()"), "");

    LocaleGuard guard("de_DE");
    EXPECT_STR(Eval("DAYSTRING(1)"), "Sonntag");
    EXPECT_STR(Eval("MONTHSTRING(3)"), QString::fromUtf8("März"));
    EXPECT_STR(Eval("MONTHSTRING(12)"), LocaleSettings().LongMonthNames.at(11));
}

// ---- The variable store ----

TEST_F(ExtVariableFunctions, SetGetExistsDelete)
{
    EXPECT_INT(Eval("SETVAR('x', 5)"), 5);
    EXPECT_INT(Eval("GETVAR('X')"), 5);
    EXPECT_INT(Eval("GETVAR('x')"), 5);
    EXPECT_BOOL(Eval("VAREXISTS('x')"), true);
    EXPECT_BOOL(Eval("VAREXISTS('X')"), true);
    EXPECT_BOOL(Eval("VAREXISTS('y')"), false);
    EXPECT_EQ(QRVariables().Count(), 1);
    EXPECT_BOOL(Eval("DELETEVAR('x')"), true);
    EXPECT_BOOL(Eval("DELETEVAR('x')"), false);
    EXPECT_ERR(Eval("GETVAR('x')"), "");
    EXPECT_BOOL(Eval("VAREXISTS('x')"), false);
    EXPECT_EQ(QRVariables().Count(), 0);

    // Setting again replaces the value, kind included, without a second variable.
    EXPECT_INT(Eval("SETVAR('Total', 1)"), 1);
    EXPECT_STR(Eval("SETVAR('TOTAL', 'one')"), "one");
    EXPECT_STR(Eval("GETVAR('total')"), "one");
    EXPECT_EQ(QRVariables().Count(), 1);

    // Deleting one variable leaves the others.
    Eval("SETVAR('a', 1)");
    Eval("SETVAR('b', 2)");
    EXPECT_BOOL(Eval("DELETEVAR('A')"), true);
    EXPECT_INT(Eval("GETVAR('b')"), 2);
    EXPECT_BOOL(Eval("VAREXISTS('a')"), false);
}

TEST_F(ExtVariableFunctions, EveryValueKind)
{
    EXPECT_STR(Eval("SETVAR('s', 'text')"), "text");
    EXPECT_FLOAT_VALUE(Eval("SETVAR('f', 2.5)"), 2.5);
    EXPECT_FLOAT_VALUE(Eval("SETVAR('q', 1 / 4)"), 0.25);
    EXPECT_BOOL(Eval("SETVAR('b', 1 = 1)"), true);
    EXPECT_BOOL(Eval("SETVAR('n', FALSE)"), false);
    EXPECT_INT(Eval("SETVAR('i', 0 - 7)"), -7);
    EXPECT_STR(Eval("SETVAR('empty', '')"), "");

    EXPECT_STR(Eval("GETVAR('s')"), "text");
    EXPECT_FLOAT_VALUE(Eval("GETVAR('f')"), 2.5);
    EXPECT_FLOAT_VALUE(Eval("GETVAR('q')"), 0.25);
    EXPECT_BOOL(Eval("GETVAR('b')"), true);
    EXPECT_BOOL(Eval("GETVAR('n')"), false);
    EXPECT_INT(Eval("GETVAR('i')"), -7);
    EXPECT_STR(Eval("GETVAR('empty')"), "");
    EXPECT_STR(Eval("TYPEOF(GETVAR('f'))"), "FLOAT");

    // An error value is stored as its kind alone and comes back without its message.
    EXPECT_ERR(Eval("SETVAR('e', 1 / 0)"), "");
    EXPECT_BOOL(Eval("VAREXISTS('e')"), true);
    EXPECT_ERR(Eval("GETVAR('e')"), "");
    const TQREvValue *stored = QRVariables().Find("E");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->ValueKind, rkError);
    EXPECT_TRUE(stored->Text.isEmpty()) << qPrintable(stored->Text);

    // Values work in expressions like any other.
    EXPECT_INT(Eval("GETVAR('i') * 2 + 1"), -13);
    EXPECT_STR(Eval("GETVAR('s') + '!'"), "text!");
    EXPECT_EQ(QRVariables().Count(), 8);
}

TEST_F(ExtVariableFunctions, NamesIgnoreCaseAndAreCutToForty)
{
    Eval("SETVAR('MixedCase', 3)");
    ASSERT_NE(QRVariables().Find("mixedcase"), nullptr);
    EXPECT_EQ(QRVariables().Find("MIXEDCASE")->IntValue, 3);
    EXPECT_INT(Eval("GETVAR('mIxEdCaSe')"), 3);
    EXPECT_BOOL(Eval(QString::fromUtf8("SETVAR('ёлка', TRUE)")), true);
    EXPECT_BOOL(Eval(QString::fromUtf8("GETVAR('ЁЛКА')")), true);

    // The store and the functions see the same variables.
    QRVariables().Set("FromCode", TQREvValue::Integer(11));
    EXPECT_INT(Eval("GETVAR('fromcode')"), 11);
    Eval("SETVAR('fromexpr', 'e')");
    ASSERT_NE(QRVariables().Find("FROMEXPR"), nullptr);
    EXPECT_EQ(QRVariables().Find("FROMEXPR")->Text, "e");

    QRVariables().Clear();
    const QString forty = QString(39, u'a') + "z";
    ASSERT_EQ(forty.size(), 40);
    EXPECT_INT(Eval("SETVAR('" + forty + "', 1)"), 1);
    EXPECT_INT(Eval("GETVAR('" + forty.toUpper() + "')"), 1);
    EXPECT_EQ(QRVariables().Count(), 1);
    // A longer name is the same variable as its first forty characters.
    const QString longer = forty + "12345";
    EXPECT_INT(Eval("SETVAR('" + longer + "', 2)"), 2);
    EXPECT_EQ(QRVariables().Count(), 1);
    EXPECT_INT(Eval("GETVAR('" + longer + "')"), 2);
    EXPECT_INT(Eval("GETVAR('" + forty + "')"), 2);
    EXPECT_INT(Eval("SETVAR('" + longer + "', 3)"), 3);
    EXPECT_EQ(QRVariables().Count(), 1);
    EXPECT_BOOL(Eval("VAREXISTS('" + forty + "xyz')"), true);
    // One character less is another name.
    EXPECT_BOOL(Eval("VAREXISTS('" + forty.left(39) + "')"), false);
    EXPECT_BOOL(Eval("DELETEVAR('" + longer + "')"), true);
    EXPECT_EQ(QRVariables().Count(), 0);
}

TEST_F(ExtVariableFunctions, WrongArgumentsChangeNothing)
{
    EXPECT_ERR(Eval("SETVAR('x')"), "");
    EXPECT_ERR(Eval("SETVAR(1, 2)"), "");
    EXPECT_ERR(Eval("SETVAR('x', 1, 2)"), "");
    EXPECT_ERR(Eval("SETVAR()"), "");
    EXPECT_EQ(QRVariables().Count(), 0);
    EXPECT_ERR(Eval("GETVAR()"), "");
    EXPECT_ERR(Eval("GETVAR(1)"), "");
    EXPECT_ERR(Eval("GETVAR('nothing')"), "");
    EXPECT_ERR(Eval("VAREXISTS(1)"), "");
    EXPECT_ERR(Eval("VAREXISTS()"), "");
    EXPECT_ERR(Eval("DELETEVAR(1)"), "");
    EXPECT_ERR(Eval("DELETEVAR()"), "");
    Eval("SETVAR('keep', 1)");
    EXPECT_ERR(Eval("DELETEVAR('keep', 'x')"), "");
    EXPECT_BOOL(Eval("VAREXISTS('keep')"), true);
}

// ---- Dialogs ----

TEST_F(ExtDialogFunctions, MessageBoxes)
{
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);

    prompt.QueueAnswer(mrOk);
    EXPECT_BOOL(Eval("OKBOX('Hello')"), true);
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records().at(0).kind, TScriptedPrompt::Record::Message);
    EXPECT_EQ(prompt.Records().at(0).text, "Hello");
    EXPECT_EQ(prompt.Records().at(0).type, mtInformation);
    EXPECT_EQ(prompt.Records().at(0).buttons, TMsgButtons::OK);

    prompt.QueueAnswer(mrOk);
    prompt.QueueAnswer(mrCancel);
    EXPECT_BOOL(Eval("OKCANCELBOX('Go on?')"), true);
    EXPECT_BOOL(Eval("OKCANCELBOX('Go on?')"), false);
    ASSERT_EQ(prompt.Records().size(), 3);
    EXPECT_EQ(prompt.Records().at(1).text, "Go on?");
    EXPECT_EQ(prompt.Records().at(1).type, mtConfirmation);
    EXPECT_EQ(prompt.Records().at(1).buttons, TMsgButtons::OKCancel);
    EXPECT_EQ(prompt.Records().at(2).buttons, TMsgButtons::OKCancel);

    prompt.QueueAnswer(mrYes);
    prompt.QueueAnswer(mrNo);
    EXPECT_BOOL(Eval("YESNOBOX('Print totals?')"), true);
    EXPECT_BOOL(Eval("YESNOBOX('Print totals?')"), false);
    ASSERT_EQ(prompt.Records().size(), 5);
    EXPECT_EQ(prompt.Records().at(3).text, "Print totals?");
    EXPECT_EQ(prompt.Records().at(3).type, mtConfirmation);
    EXPECT_EQ(prompt.Records().at(3).buttons, TMsgButtons::YesNo);

    // Closing a box without choosing the positive button is not OK / Yes.
    EXPECT_BOOL(Eval("OKCANCELBOX('Closed')"), false);
    EXPECT_BOOL(Eval("YESNOBOX('Closed')"), false);
    EXPECT_EQ(prompt.Records().size(), 7);

    // Wrong arguments show nothing.
    for (const char *text : {"OKBOX()", "OKBOX(1)", "OKBOX('a', 'b')", "OKCANCELBOX()", "OKCANCELBOX(TRUE)",
                             "YESNOBOX()", "YESNOBOX(2.5)", "YESNOBOX('a', 'b')"}) {
        SCOPED_TRACE(text);
        EXPECT_ERR(Eval(QString::fromLatin1(text)), "");
    }
    EXPECT_EQ(prompt.Records().size(), 7);
}

TEST_F(ExtDialogFunctions, InputBoxShowsTheVariableAndStoresText)
{
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);

    // A missing variable starts empty and becomes a string.
    prompt.QueueInput(QString("typed"));
    EXPECT_BOOL(Eval("INPUTBOX('Title', 'Your name:', 'name')"), true);
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records().at(0).kind, TScriptedPrompt::Record::Input);
    EXPECT_EQ(prompt.Records().at(0).caption, "Title");
    EXPECT_EQ(prompt.Records().at(0).text, "Your name:");
    EXPECT_EQ(prompt.Records().at(0).initialValue, "");
    EXPECT_STR(Eval("GETVAR('NAME')"), "typed");

    // A missing variable stays missing when the user cancels.
    prompt.QueueInput(std::nullopt);
    EXPECT_BOOL(Eval("INPUTBOX('T', 'P', 'other')"), false);
    EXPECT_BOOL(Eval("VAREXISTS('other')"), false);

    // A string variable shows its text and takes any text.
    prompt.QueueInput(QString("123"));
    EXPECT_BOOL(Eval("INPUTBOX('T', 'P', 'Name')"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "typed");
    EXPECT_STR(Eval("GETVAR('name')"), "123");
    prompt.QueueInput(QString(""));
    EXPECT_BOOL(Eval("INPUTBOX('T', 'P', 'name')"), true);
    EXPECT_STR(Eval("GETVAR('name')"), "");
    EXPECT_EQ(QRVariables().Count(), 1);

    for (const char *text : {"INPUTBOX('T', 'P')", "INPUTBOX('T', 'P', 1)", "INPUTBOX(1, 'P', 'v')",
                             "INPUTBOX('T', 2, 'v')", "INPUTBOX('T', 'P', 'v', 'w')", "INPUTBOX()"}) {
        SCOPED_TRACE(text);
        EXPECT_ERR(Eval(QString::fromLatin1(text)), "");
    }
    EXPECT_EQ(prompt.Records().size(), 4);
    EXPECT_EQ(QRVariables().Count(), 1);
}

TEST_F(ExtDialogFunctions, InputBoxIntegerVariables)
{
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    auto ask = [&](const QString &typed) {
        prompt.QueueInput(typed);
        return Eval("INPUTBOX('T', 'P', 'n')");
    };

    Eval("SETVAR('n', 5)");
    EXPECT_BOOL(ask("42"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "5");
    EXPECT_INT(Eval("GETVAR('n')"), 42);
    EXPECT_BOOL(ask(" -7"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "42");
    EXPECT_INT(Eval("GETVAR('n')"), -7);
    EXPECT_BOOL(ask("+8"), true);
    EXPECT_INT(Eval("GETVAR('n')"), 8);
    EXPECT_BOOL(ask("$1F"), true);
    EXPECT_INT(Eval("GETVAR('n')"), 31);

    // Zeros in front do not count against the integer.
    EXPECT_BOOL(ask("00000000012"), true);
    EXPECT_INT(Eval("GETVAR('n')"), 12);
    EXPECT_BOOL(ask("$000000001F"), true);
    EXPECT_INT(Eval("GETVAR('n')"), 31);

    // Cancelling keeps the integer.
    prompt.QueueInput(std::nullopt);
    EXPECT_BOOL(Eval("INPUTBOX('T', 'P', 'n')"), false);
    EXPECT_EQ(prompt.Records().last().initialValue, "31");
    EXPECT_INT(Eval("GETVAR('n')"), 31);

    // Text that does not read as an integer turns the variable into a string.
    EXPECT_BOOL(ask("12a"), true);
    EXPECT_STR(Eval("GETVAR('n')"), "12a");
    for (const char *typed : {"abc", "1.5", "", "99999999999"}) {
        SCOPED_TRACE(typed);
        Eval("SETVAR('n', 1)");
        EXPECT_BOOL(ask(QString::fromLatin1(typed)), true);
        EXPECT_STR(Eval("GETVAR('n')"), QString::fromLatin1(typed));
    }
}

TEST_F(ExtDialogFunctions, InputBoxFloatingVariables)
{
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    auto ask = [&](const QString &typed) {
        prompt.QueueInput(typed);
        return Eval("INPUTBOX('T', 'P', 'f')");
    };

    Eval("SETVAR('f', 2.5)");
    EXPECT_BOOL(ask("3.75"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "2.5");
    EXPECT_FLOAT_VALUE(Eval("GETVAR('f')"), 3.75);
    EXPECT_BOOL(ask("-4"), true);
    EXPECT_FLOAT_VALUE(Eval("GETVAR('f')"), -4.0);
    EXPECT_BOOL(ask("abc"), true);
    EXPECT_STR(Eval("GETVAR('f')"), "abc");
    // With a point as the locale's separator a comma does not read either.
    Eval("SETVAR('f', 1.5)");
    EXPECT_BOOL(ask("2,5"), true);
    EXPECT_STR(Eval("GETVAR('f')"), "2,5");

    LocaleGuard german("de_DE");
    Eval("SETVAR('f', 2.5)");
    // Confirming the shown text keeps a number; a point reads as well.
    EXPECT_BOOL(ask("2,5"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "2,5");
    EXPECT_FLOAT_VALUE(Eval("GETVAR('f')"), 2.5);
    EXPECT_BOOL(ask("1.25"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "2,5");
    EXPECT_FLOAT_VALUE(Eval("GETVAR('f')"), 1.25);
    EXPECT_BOOL(ask("x"), true);
    EXPECT_STR(Eval("GETVAR('f')"), "x");
}

TEST_F(ExtDialogFunctions, InputBoxBooleanAndErrorVariables)
{
    TScriptedPrompt prompt;
    TPromptGuard guard(&prompt);
    auto ask = [&](const QString &typed) {
        prompt.QueueInput(typed);
        return Eval("INPUTBOX('T', 'P', 'b')");
    };

    Eval("SETVAR('b', TRUE)");
    EXPECT_BOOL(ask("false"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "True");
    EXPECT_BOOL(Eval("GETVAR('b')"), false);
    EXPECT_BOOL(ask("TRUE"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "False");
    EXPECT_BOOL(Eval("GETVAR('b')"), true);
    EXPECT_BOOL(ask("0"), true);
    EXPECT_BOOL(Eval("GETVAR('b')"), false);
    EXPECT_BOOL(ask("1"), true);
    EXPECT_BOOL(Eval("GETVAR('b')"), true);
    EXPECT_BOOL(ask("FaLsE"), true);
    EXPECT_BOOL(Eval("GETVAR('b')"), false);
    EXPECT_BOOL(ask("yes"), true);
    EXPECT_STR(Eval("GETVAR('b')"), "yes");
    Eval("SETVAR('b', FALSE)");
    EXPECT_BOOL(ask("2"), true);
    EXPECT_STR(Eval("GETVAR('b')"), "2");

    // An error variable shows nothing and is left as it is, yet the answer is true.
    Eval("SETVAR('e', 1 / 0)");
    prompt.QueueInput(QString("anything"));
    EXPECT_BOOL(Eval("INPUTBOX('T', 'P', 'e')"), true);
    EXPECT_EQ(prompt.Records().last().initialValue, "");
    EXPECT_ERR(Eval("GETVAR('e')"), "");
    EXPECT_EQ(QRVariables().Count(), 2);
}

// ---- INI files and the registry stand-in ----

class ExtSystemFunctions : public ExtFixture
{
protected:
    void SetUp() override
    {
        ExtFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        savedCurrent = QDir::currentPath();
        savedSettings = UserSettingsDir();
    }
    void TearDown() override
    {
        QDir::setCurrent(savedCurrent);
        SetUserSettingsDir(QString());
        ExtFixture::TearDown();
    }

    QString registryFile(const QString &root) const { return dir.filePath("registry/" + root + ".ini"); }

    QTemporaryDir dir;
    QString savedCurrent;
    QString savedSettings;
};

TEST_F(ExtSystemFunctions, ReadIni)
{
    ASSERT_TRUE(writeFile(dir.filePath("settings.ini"), "[Main]\nName=Tabulon\nCount=5\nEmpty=\n\n[Other]\n"
                                                        "Name=Second\n"));
    ASSERT_TRUE(writeFile(dir.filePath("conf/app.ini"), "[Paths]\nReports=/srv/reports\n"));
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    EXPECT_STR(Eval("READINI('settings.ini', 'Main', 'Name')"), "Tabulon");
    EXPECT_STR(Eval("READINI('settings.ini', 'Other', 'Name')"), "Second");
    // Values are text, numbers included.
    EXPECT_STR(Eval("READINI('settings.ini', 'Main', 'Count')"), "5");
    EXPECT_STR(Eval("READINI('settings.ini', 'Main', 'Empty')"), "");
    EXPECT_STR(Eval("READINI('conf/app.ini', 'Paths', 'Reports')"), "/srv/reports");
    EXPECT_STR(Eval("READINI('" + dir.filePath("settings.ini") + "', 'Main', 'Name')"), "Tabulon");
    // Missing key, section or file give the empty text.
    EXPECT_STR(Eval("READINI('settings.ini', 'Main', 'Nope')"), "");
    EXPECT_STR(Eval("READINI('settings.ini', 'Nope', 'Name')"), "");
    EXPECT_STR(Eval("READINI('missing.ini', 'Main', 'Name')"), "");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing.ini")));

    // The file name follows the current directory.
    ASSERT_TRUE(QDir::setCurrent(dir.filePath("conf")));
    EXPECT_STR(Eval("READINI('settings.ini', 'Main', 'Name')"), "");
    EXPECT_STR(Eval("READINI('app.ini', 'Paths', 'Reports')"), "/srv/reports");
    EXPECT_STR(Eval("READINI('../settings.ini', 'Main', 'Name')"), "Tabulon");

    EXPECT_ERR(Eval("READINI('app.ini', 'Paths')"), "");
    EXPECT_ERR(Eval("READINI('app.ini', 'Paths', 'Reports', 'x')"), "");
    EXPECT_ERR(Eval("READINI(1, 'Paths', 'Reports')"), "");
    EXPECT_ERR(Eval("READINI('app.ini', 'Paths', 3)"), "");
}

TEST_F(ExtSystemFunctions, ReadRegistryRootsAndPaths)
{
    SetUserSettingsDir(dir.path());
    const QByteArray user = "[Software\\Tabulon\\Test]\nName=Report\nCount=dword:0000002a\n"
                            "Blob=hex:01,02,03\nBig=hex(b):01,00,00,00,00,00,00,00\n\n"
                            "[Software\\Tabulon]\nVersion=2\n";
    ASSERT_TRUE(writeFile(registryFile("HKEY_CURRENT_USER"), user));
    ASSERT_TRUE(writeFile(registryFile("HKEY_LOCAL_MACHINE"), "[Software\\Tabulon\\Test]\nName=Machine\n"));

    EXPECT_STR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software\\Tabulon\\Test', 'Name')"), "Report");
    EXPECT_STR(Eval("READREGISTRY('hkey_current_user', 'Software\\Tabulon\\Test', 'Name')"), "Report");
    EXPECT_STR(Eval("READREGISTRY('HKEY_LOCAL_MACHINE', 'Software\\Tabulon\\Test', 'Name')"), "Machine");
    EXPECT_STR(Eval("READREGISTRY('Hkey_Local_Machine', 'Software\\Tabulon\\Test', 'Name')"), "Machine");
    EXPECT_STR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software\\Tabulon', 'Version')"), "2");

    // Any other first argument is a path under the current user's key.
    EXPECT_STR(Eval("READREGISTRY('Software\\Tabulon', 'Test', 'Name')"), "Report");
    EXPECT_STR(Eval("READREGISTRY('Software\\Tabulon\\', 'Test', 'Name')"), "Report");
    EXPECT_STR(Eval("READREGISTRY('Software\\Tabulon', '\\Test', 'Name')"), "Report");
    EXPECT_STR(Eval("READREGISTRY('Software', 'Tabulon\\Test', 'Name')"), "Report");
    EXPECT_STR(Eval("READREGISTRY('', 'Software\\Tabulon\\Test', 'Name')"), "Report");
    // A root name with more after it is no root name but a path.
    EXPECT_STR(Eval("READREGISTRY('HKEY_CURRENT_USER\\Software', 'Tabulon\\Test', 'Name')"), "");
    EXPECT_STR(Eval("READREGISTRY('HKEY_LOCAL_MACHINE2', 'Software\\Tabulon\\Test', 'Name')"), "");
}

TEST_F(ExtSystemFunctions, ReadRegistryMissingAndNonStringValues)
{
    SetUserSettingsDir(dir.path());
    const QByteArray user = "[Software\\Tabulon\\Test]\nName=Report\nCount=dword:0000002a\n"
                            "Blob=hex:01,02,03\nBig=hex(b):01,00,00,00,00,00,00,00\n";
    ASSERT_TRUE(writeFile(registryFile("HKEY_CURRENT_USER"), user));

    EXPECT_STR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software\\Tabulon\\Test', 'Nope')"), "");
    EXPECT_STR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software\\Tabulon\\Missing', 'Name')"), "");
    EXPECT_STR(Eval("READREGISTRY('HKEY_USERS', 'Software\\Tabulon\\Test', 'Name')"), "");
    EXPECT_STR(Eval("READREGISTRY('HKEY_CLASSES_ROOT', '.txt', '')"), "");
    // Reading creates neither a key nor a root file.
    EXPECT_EQ(readFile(registryFile("HKEY_CURRENT_USER")), user);
    EXPECT_FALSE(QFileInfo::exists(registryFile("HKEY_USERS")));
    EXPECT_FALSE(QFileInfo::exists(registryFile("HKEY_CLASSES_ROOT")));

    // Values that are not strings.
    EXPECT_ERR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software\\Tabulon\\Test', 'Count')"), "");
    EXPECT_ERR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software\\Tabulon\\Test', 'Blob')"), "");
    EXPECT_ERR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software\\Tabulon\\Test', 'Big')"), "");

    EXPECT_ERR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software')"), "");
    EXPECT_ERR(Eval("READREGISTRY('HKEY_CURRENT_USER', 'Software', 1)"), "");
    EXPECT_ERR(Eval("READREGISTRY(1, 'Software', 'Name')"), "");
    EXPECT_ERR(Eval("READREGISTRY()"), "");
}

// ---- Registration ----

TEST(ExtLibrary, RegistrationOrderAfterTheStandardFunctions)
{
    const TQRFunctionLibrary &library = EvFunctionLibrary();
    // The functions of this library in the order the builder lists them; functions that act on the
    // report itself are registered among them by the report layer and may be absent here.
    const QStringList expected = {
        "COUNTER",      "CURRENCY",  "QUERYPARAM", "STRTOINT",     "STRTONUM",  "RECORDCOUNT", "READINI",
        "READREGISTRY", "DATEDIFF",  "PRINTDATE",  "REFORMATDATE", "CALCDATE",  "EXTRACTDAY",  "EXTRACTMONTH",
        "EXTRACTYEAR",  "DAYOFWEEK", "DAYSTRING",  "MONTHSTRING",  "CALCTIME",  "TRIM",        "STRLEN",
        "STRETCHSTR",   "CHR",       "VAR",        "ISNULL",       "ABS",       "FIELDLEN",    "MEMOLINE",
        "EOF",          "PADLEFT",   "PADRIGHT",   "PADLEFTZERO",  "INSERTSTR", "SETVAR",      "GETVAR",
        "VAREXISTS",    "DELETEVAR", "OKBOX",      "OKCANCELBOX",  "YESNOBOX",  "INPUTBOX"};
    int previous = library.IndexOf("FORMATNUMERIC");
    ASSERT_GE(previous, 0);
    for (const QString &name : expected) {
        const int index = library.IndexOf(name);
        EXPECT_GT(index, previous) << qPrintable(name);
        previous = std::max(previous, index);
        const TQRLibraryEntry *entry = library.Find(name);
        if (entry) {
            EXPECT_NE(entry->FunctionClass, nullptr) << qPrintable(name);
        }
    }
}

namespace
{
// Stands in for a function that acts on the report.
class TFakeReportFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override { value.SetString(QStringLiteral("fake")); }
};

const QStringList ExtendedOrder = {
    "NEWPAGE",     "VERTPRINTPOS",  "PAGENUMBER",   "COUNTER",     "RESETEXPR",    "GROUPPRINTED",
    "CURRENCY",    "QUERYPARAM",    "STRTOINT",     "STRTONUM",    "GETCAPTION",   "RECORDCOUNT",
    "READINI",     "READREGISTRY",  "DATEDIFF",     "PRINTDATE",   "REFORMATDATE", "CALCDATE",
    "EXTRACTDAY",  "EXTRACTMONTH",  "EXTRACTYEAR",  "DAYOFWEEK",   "DAYSTRING",    "MONTHSTRING",
    "CALCTIME",    "TRIM",          "STRLEN",       "STRETCHSTR",  "CHR",          "VAR",
    "ISNULL",      "ABS",           "FIELDLEN",     "MEMOLINE",    "EOF",          "PADLEFT",
    "PADRIGHT",    "PADLEFTZERO",   "INSERTSTR",    "SETVAR",      "GETVAR",       "VAREXISTS",
    "DELETEVAR",   "ELEMENTEXISTS", "PROPEXISTS",   "SETCOLOR",    "PAGEPRINTS",   "SETBOOLPROP",
    "SETINTPROP",  "SETFLOATPROP",  "SETSTRPROP",   "GETBOOLPROP", "GETINTPROP",   "GETFLOATPROP",
    "GETSTRPROP",  "OKBOX",         "OKCANCELBOX",  "YESNOBOX",    "INPUTBOX",     "SETFONTCOLOR",
    "SETFONTSIZE", "SETFONT",       "SETFONTSTYLE", "BLACK",       "MAROON",       "GREEN",
    "OLIVE",       "NAVY",          "PURPLE",       "TEAL",        "GRAY",         "SILVER",
    "RED",         "LIME",          "BLUE",         "FUCHSIA",     "AQUA",         "WHITE",
    "RGBCOLOR",    "PIXELS"};
} // namespace

TEST(ExtLibrary, ReportFunctionsFillTheirReservedRowsInTheFixedOrder)
{
    ASSERT_EQ(ExtendedOrder.size(), 80);
    // A library filled like the process-wide one.
    TQRFunctionLibrary library;
    RegisterStandardFunctions(library);
    RegisterExtendedFunctions(library);
    const int standard = library.IndexOf("FORMATNUMERIC") + 1;
    ASSERT_GT(standard, 0);
    const QStringList waiting = library.ReservedNames();
    // The functions that act on the report: all rows without a function of this library.
    ASSERT_EQ(waiting.size(), 39);
    EXPECT_EQ(waiting.first(), "NEWPAGE");
    EXPECT_EQ(waiting.last(), "PIXELS");
    EXPECT_EQ(library.Count(), standard + 41);

    // A waiting row is no function yet: not listed, not callable.
    EXPECT_TRUE(library.IsReserved("newpage"));
    EXPECT_FALSE(library.Contains("NEWPAGE"));
    EXPECT_EQ(library.Find("NEWPAGE"), nullptr);
    std::unique_ptr<TQREvElement> notYet(library.CreateFunction("NEWPAGE"));
    auto *error = dynamic_cast<TQREvElementError *>(notYet.get());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Message, "Unknown function : NEWPAGE");

    // The report layer registers its functions in any order; each takes its reserved row.
    for (qsizetype i = waiting.size() - 1; i >= 0; --i) {
        EXPECT_TRUE(QREvAddFunction(library, &QREvCreateFunction<TFakeReportFunction>, waiting.at(i),
                                    waiting.at(i) + "|fake", "report", "0"))
            << qPrintable(waiting.at(i));
    }
    EXPECT_TRUE(library.ReservedNames().isEmpty());
    EXPECT_EQ(library.Count(), standard + 80);
    EXPECT_EQ(library.Names().mid(standard), ExtendedOrder);
    for (int i = 0; i < ExtendedOrder.size(); ++i)
        EXPECT_EQ(library.IndexOf(ExtendedOrder.at(i)), standard + i) << qPrintable(ExtendedOrder.at(i));
    EXPECT_EQ(library.Entry(standard)->Description, "NEWPAGE|fake");
    EXPECT_EQ(library.Find("counter")->Description, "COUNTER|Counter; will be incremented on each print");
    std::unique_ptr<TQREvElement> created(library.CreateFunction("pixels"));
    EXPECT_NE(dynamic_cast<TFakeReportFunction *>(created.get()), nullptr);

    // A filled row, and any existing function, keeps its entry; new names still go to the end.
    EXPECT_FALSE(
        QREvAddFunction(library, &QREvCreateFunction<TFakeReportFunction>, "NEWPAGE", "x", "x", "0"));
    EXPECT_FALSE(QREvAddFunction(library, &QREvCreateFunction<TFakeReportFunction>, "TRIM", "x", "x", "0"));
    EXPECT_FALSE(library.Reserve("TRIM"));
    EXPECT_TRUE(
        QREvAddFunction(library, &QREvCreateFunction<TFakeReportFunction>, "LATECOMER", "x", "x", "0"));
    EXPECT_EQ(library.IndexOf("LATECOMER"), standard + 80);
}

TEST(ExtLibrary, TheProcessWideLibraryHoldsTheReportRowsOpen)
{
    const TQRFunctionLibrary &library = EvFunctionLibrary();
    for (const char *name : {"NEWPAGE", "PAGENUMBER", "GETCAPTION", "SETCOLOR", "RGBCOLOR", "PIXELS"})
        EXPECT_TRUE(library.IsReserved(name) || library.Contains(name)) << name;
    EXPECT_FALSE(library.IsReserved("COUNTER"));
}

TEST(ExtLibrary, DescriptionsAndSignatures)
{
    const TQRFunctionLibrary &library = EvFunctionLibrary();
    struct Expected {
        const char *name;
        const char *signature;
        const char *description;
    };
    const Expected entries[] = {
        {"PADLEFT", "7SN", "PADLEFT(<S>,<Len>)|Fills up the string S to Len characters."},
        {"PADRIGHT", "7SN", "PADRIGHT(<S>,<Len>)|Fills up the string S to Len characters"},
        {"PADLEFTZERO", "7SN", "PADLEFTZERO(<S>,<Len>)|Fills up the string S to Len characters with 0."},
        {"CURRENCY", "7", "CURRENCY|Returns Windows' default currency "},
        {"ABS", "2N", "ABS(<I>)|Returns the absolute value of I."},
        {"COUNTER", "7", "COUNTER|Counter; will be incremented on each print"},
        {"PRINTDATE", "1", "PRINTDATE|Returns the printing date"},
        {"CALCDATE", "1SNNN", "CALCDATE( DT, D, M, Y )|Adds D days, M months and Y years to a given date DT"},
        {"CALCTIME", "1SNNN",
         "CALCTIME( T, H, M, S )|Adds H hours, M minutes and S seconds to a given time T"},
        {"DAYSTRING", "1N", "DAYSTRING(<D>)|Returns the day name for the given day (1=Sunday,2=...)."},
        {"GETVAR", "7S", "SETVAR(<Name>)|Returns a variable's value set with \"SetVar\""},
        {"SETVAR", "7SS", "SETVAR(<Name>,<Value>)|Sets an internal variable with a given value"},
        {"QUERYPARAM", "4SS",
         "QUERYPARAM(<Q>,<P>)|Gets parameter value from a query\rExample: "
         "QueryParam('CustQuery','MaxAmount')"},
        {"MEMOLINE", "4SSN",
         "MEMOLINE(TABLE,FIELD,LINENO)|Returns a single line (1..n) from a memo field.\r"
         "Example: MEMOLINE('CustTable','Info',1)"},
        {"READREGISTRY", "7SSS",
         "READREGISTRY(S1,S2,S3)|Reads entry S3 in section S2 from registry key S1\r"
         "Example: ReadRegistry('HKEY_USERS','Software\\Microsoft','Test')"},
        {"ISNULL", "4SS", "ISNULL(TABLE,FIELD)|Checks if a table's field contains no data."},
        {"EOF", "4S", "EOF(TABLE)|Tests whether the current dataset position is the end-of-file"},
        {"INPUTBOX", "7SSS",
         "INPUTBOX(<TITLE>,<TEXT>,<VARNAME>)|Asks the user for a string and stores it in the VARNAME "
         "variable, "
         "returns TRUE or FALSE"},
        {"INSERTSTR", "7SS", "INSERTSTR(<Source>,<Insert>)|Insert string into Source at position %s"},
    };
    for (const Expected &e : entries) {
        const TQRLibraryEntry *entry = library.Find(QString::fromLatin1(e.name));
        ASSERT_NE(entry, nullptr) << e.name;
        EXPECT_EQ(entry->ArgumentSignature, QString::fromLatin1(e.signature)) << e.name;
        EXPECT_EQ(entry->Description, QString::fromLatin1(e.description)) << e.name;
    }
}
