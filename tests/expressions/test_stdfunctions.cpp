// The standard functions and their registration.

#include "exprtest.h"

#include "expressions/library.h"

#include <QDate>
#include <QTime>

using namespace exprtest;

TEST(StandardLibrary, RegistrationOrderDescriptionsAndSignatures)
{
    const TQRFunctionLibrary &library = EvFunctionLibrary();
    const QStringList expected = {"IF",    "STR", "UPPER", "LOWER", "PRETTY", "TIME",    "DATE",
                                  "COPY",  "SUM", "COUNT", "MAX",   "MIN",    "AVERAGE", "TRUE",
                                  "FALSE", "INT", "FRAC",  "SQRT",  "DIV",    "TYPEOF",  "FORMATNUMERIC"};
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(library.Entry(i)->Name, expected[i]) << i;
    EXPECT_EQ(library.Find("IF")->Description,
              "IF(<Exp>, <X>, <Y>)|Returns <X> or <Y> depending on the boolean expression <Exp>");
    EXPECT_EQ(library.Find("IF")->ArgumentSignature, "5BVV");
    EXPECT_EQ(library.Find("DIV")->Description, "DIV(<X>, <Y>) | Integer division of <X> by <Y>");
    EXPECT_EQ(library.Find("COPY")->Description, "COPY(<X>, <St>,<Len>)|Returns a substring of string X");
    EXPECT_EQ(library.Find("COUNT")->ArgumentSignature, "3");
    EXPECT_EQ(library.Find("TYPEOF")->ArgumentSignature, "6N");
    EXPECT_EQ(library.Find("FORMATNUMERIC")->ArgumentSignature, "7SN");
    EXPECT_EQ(library.Find("TRUE")->Description, "TRUE|boolean value");
}

TEST(StandardLibrary, If)
{
    EXPECT_STR(Eval("IF(1 = 1, 'a', 2)"), "a");
    EXPECT_INT(Eval("IF(1 = 2, 'a', 2)"), 2);
    EXPECT_ERR(Eval("IF(1, 'a', 'b')"), "Wrong arguments for IF");
    EXPECT_ERR(Eval("IF(1 = 1, 'a')"), "Wrong arguments for IF");
    // The chosen branch passes its error on; the other branch's error does not matter.
    EXPECT_ERR(Eval("IF(1 = 1, 1 / 0, 2)"), "Cannot divide by 0");
    EXPECT_INT(Eval("IF(1 = 2, 1 / 0, 2)"), 2);
}

TEST(StandardLibrary, TrueFalse)
{
    EXPECT_BOOL(Eval("TRUE"), true);
    EXPECT_BOOL(Eval("FALSE()"), false);
    EXPECT_ERR(Eval("TRUE(1)"), "Too many arguments");
    EXPECT_ERR(Eval("FALSE(1)"), "Too many arguments");
}

TEST(StandardLibrary, Str)
{
    EXPECT_STR(Eval("STR(3.5)"), "3.5");
    EXPECT_STR(Eval("STR(-12)"), "-12");
    EXPECT_STR(Eval("STR(TRUE)"), "True");
    EXPECT_STR(Eval("STR(FALSE)"), "False");
    EXPECT_ERR(Eval("STR('x')"), "Conversion error");
    EXPECT_ERR(Eval("STR(1 / 0)"), "Conversion error");
    EXPECT_ERR(Eval("STR(1, 2)"), "Conversion error");
    LocaleGuard guard("de_DE");
    EXPECT_STR(Eval("STR(3.5)"), "3,5");
}

TEST(StandardLibrary, CaseFunctions)
{
    EXPECT_STR(Eval("UPPER('abc xyz')"), "ABC XYZ");
    EXPECT_STR(Eval("LOWER('ABC Xyz')"), "abc xyz");
    EXPECT_STR(Eval("PRETTY('hELLO wORLD')"), "Hello world");
    EXPECT_STR(Eval("UPPER('привет ёж')"), "ПРИВЕТ ЁЖ");
    EXPECT_STR(Eval("LOWER('ÀÉÎÕÜ')"), "àéîõü");
    EXPECT_STR(Eval("PRETTY('яБЛОКО')"), "Яблоко");
    EXPECT_STR(Eval("PRETTY('')"), "");
    EXPECT_ERR(Eval("UPPER()"), "Missing argument for UPPER");
    EXPECT_ERR(Eval("LOWER('a', 'b')"), "Missing argument for LOWER");
    EXPECT_ERR(Eval("PRETTY()"), "Missing argument for PRETTY");
    EXPECT_ERR(Eval("UPPER(1 / 0)"), "Cannot divide by 0");
    EXPECT_ERR(Eval("UPPER(12)"), "");
}

TEST(StandardLibrary, Copy)
{
    EXPECT_STR(Eval("COPY('abcdef', 0, 3)"), "abc");
    EXPECT_STR(Eval("COPY('abcdef', -5, 2)"), "ab");
    EXPECT_STR(Eval("COPY('abcdef', 5, 10)"), "ef");
    EXPECT_STR(Eval("COPY('abcdef', 2, 3)"), "bcd");
    EXPECT_STR(Eval("COPY('abcdef', 7, 1)"), "");
    EXPECT_STR(Eval("COPY('abcdef', 2, 0)"), "");
    EXPECT_STR(Eval("COPY('abcdef', 2, -1)"), "");
    EXPECT_EQ(Eval("COPY('abc', 1.0, 2)").ValueKind, rkError);
    EXPECT_EQ(Eval("COPY('abc', 1, 2.0)").ValueKind, rkError);
    EXPECT_EQ(Eval("COPY(123, 1, 2)").ValueKind, rkError);
    EXPECT_EQ(Eval("COPY('abc', 1)").ValueKind, rkError);
    // A character outside the basic plane is never cut in half.
    const QString smile = QString::fromUtf8("a\xF0\x9F\x98\x80"
                                            "b");
    EXPECT_STR(Eval("COPY('" + smile + "', 1, 2)"), "a");
    EXPECT_STR(Eval("COPY('" + smile + "', 3, 2)"), "b");
}

TEST(StandardLibrary, Arithmetic)
{
    EXPECT_INT(Eval("INT(-2.7)"), -2);
    EXPECT_INT(Eval("INT(2.7)"), 2);
    EXPECT_INT(Eval("INT(7)"), 7);
    EXPECT_INT(Eval("INT(4294967297.5)"), 1);
    EXPECT_ERR(Eval("INT('1')"), "Wrong arguments for INT");
    EXPECT_ERR(Eval("INT()"), "Wrong arguments for INT");

    EXPECT_FLOAT_VALUE(Eval("FRAC(2)"), 0.0);
    EXPECT_FLOAT_VALUE(Eval("FRAC(-2.5)"), -0.5);
    EXPECT_FLOAT_VALUE(Eval("FRAC(3.25)"), 0.25);
    EXPECT_EQ(Eval("FRAC('x')").ValueKind, rkError);

    EXPECT_FLOAT_VALUE(Eval("SQRT(16)"), 4.0);
    EXPECT_FLOAT_VALUE(Eval("SQRT(2.25)"), 1.5);
    EXPECT_ERR(Eval("SQRT(-1)"), "Invalid argument to SQRT function");
    EXPECT_ERR(Eval("SQRT('4')"), "Invalid argument to SQRT function");
    EXPECT_ERR(Eval("SQRT(1, 2)"), "Invalid argument to SQRT function");

    EXPECT_ERR(Eval("DIV(7, 0)"), "Division by Zero");
    EXPECT_INT(Eval("DIV(6.5, 1)"), 6);
    EXPECT_INT(Eval("DIV(7.5, 2)"), 4);
    EXPECT_INT(Eval("DIV(-7, 2)"), -3);
    EXPECT_INT(Eval("DIV(7, 2)"), 3);
    EXPECT_ERR(Eval("DIV(7, 0.4)"), "Division by Zero");
    EXPECT_ERR(Eval("DIV(7)"), "Wrong arguments for DIV");
    EXPECT_ERR(Eval("DIV('7', 2)"), "Wrong arguments for DIV");
    EXPECT_INT(Eval("DIV(0 - 2147483647 - 1, 0 - 1)"), -2147483647 - 1);
}

TEST(StandardLibrary, TypeOf)
{
    EXPECT_STR(Eval("TYPEOF(1)"), "INTEGER");
    EXPECT_STR(Eval("TYPEOF(1/1)"), "FLOAT");
    EXPECT_STR(Eval("TYPEOF('a')"), "STRING");
    EXPECT_STR(Eval("TYPEOF(TRUE)"), "BOOLEAN");
    EXPECT_STR(Eval("TYPEOF(DATE)"), "STRING");
    EXPECT_STR(Eval("TYPEOF(1/0)"), "ERROR");
    EXPECT_ERR(Eval("TYPEOF()"), "Wrong arguments for TypeOf");
}

TEST(StandardLibrary, DateAndTimeFollowTheLocale)
{
    {
        LocaleGuard guard("en_US");
        EXPECT_STR(Eval("DATE"), LocaleSettings().DateToStr(QDate::currentDate()));
    }
    {
        LocaleGuard guard("ru_RU");
        const TQREvValue date = Eval("DATE");
        EXPECT_STR(date, LocaleSettings().DateToStr(QDate::currentDate()));
        EXPECT_TRUE(date.Text.contains(u'.')) << qPrintable(date.Text);
        const TQREvValue time = Eval("TIME");
        EXPECT_EQ(time.ValueKind, rkString);
        QTime parsed;
        EXPECT_TRUE(LocaleSettings().TryStrToTime(time.Text, parsed)) << qPrintable(time.Text);
    }
    EXPECT_EQ(Eval("DATE(1)").ValueKind, rkError);
    EXPECT_EQ(Eval("TIME(1)").ValueKind, rkError);
}

TEST(StandardLibrary, FormatNumeric)
{
    EXPECT_STR(Eval("FORMATNUMERIC('#,##0.00', 1234.5)"), "1,234.50");
    EXPECT_STR(Eval("FORMATNUMERIC('0.0;(0.0)', -2)"), "(2.0)");
    EXPECT_STR(Eval("FORMATNUMERIC('', 2.5)"), "2.5");
    EXPECT_EQ(Eval("FORMATNUMERIC(2, '0')").ValueKind, rkError);
    EXPECT_EQ(Eval("FORMATNUMERIC('0')").ValueKind, rkError);
    EXPECT_ERR(Eval("FORMATNUMERIC('0', 1E308 * 10)"), "Invalid format or value specified");
    LocaleGuard guard("de_DE");
    EXPECT_STR(Eval("FORMATNUMERIC('#,##0.00', 1234.5)"), "1.234,50");
}
