// How texts are split into operators and factors, and what the pieces compute to.

#include "exprtest.h"

using namespace exprtest;

TEST(Language, EmptyExpressionIsOneBlank)
{
    EXPECT_STR(Eval(""), " ");
    EXPECT_STR(Eval("''"), "");
}

TEST(Language, PrecedenceAndLeftToRightChains)
{
    EXPECT_INT(Eval("1 + 2 * 3"), 7);
    EXPECT_INT(Eval("(1 + 2) * 3"), 9);
    EXPECT_INT(Eval("10 - 4 - 3"), 3);
    EXPECT_INT(Eval("10 - 4 + 3"), 9);
    EXPECT_INT(Eval("10-4-3-2"), 1);
    EXPECT_INT(Eval("1-2+3-4+5"), 3);
    EXPECT_FLOAT_VALUE(Eval("12 / 3 * 2"), 8.0);
    EXPECT_FLOAT_VALUE(Eval("100 / 5 / 2"), 10.0);
    EXPECT_FLOAT_VALUE(Eval("2 * 12 / 3 * 2"), 16.0);
    // A parenthesised group keeps its own signs.
    EXPECT_INT(Eval("10 - (4 - 3)"), 9);
    EXPECT_INT(Eval("10 - (4 + 3) - 1"), 2);
    EXPECT_INT(Eval("10 - 2 * 3 - 1"), 3);
}

TEST(Language, OtherOperatorsOfALevelGroupFromTheRight)
{
    // a - b OR c is a - (b OR c); a OR b - c is a OR (b - c).
    EXPECT_INT(Eval("8 - 1 OR 2"), 5);
    EXPECT_INT(Eval("1 OR 4 - 1"), 3);
    EXPECT_INT(Eval("3 * 6 AND 3"), 6);
}

TEST(Language, Division)
{
    EXPECT_FLOAT_VALUE(Eval("7 / 2"), 3.5);
    EXPECT_ERR(Eval("6 / 0"), "Cannot divide by 0");
    EXPECT_ERR(Eval("6.5 / 0.0"), "Cannot divide by 0");
    EXPECT_ERR(Eval("6 / (1 - 1)"), "Cannot divide by 0");
}

TEST(Language, IntegerWrapAndLargeConstants)
{
    EXPECT_INT(Eval("2147483647 + 1"), -2147483647 - 1);
    EXPECT_INT(Eval("0 - 2147483647 - 2"), 2147483647);
    EXPECT_INT(Eval("65536 * 65536"), 0);
    EXPECT_FLOAT_VALUE(Eval("2147483648"), 2147483648.0);
    EXPECT_INT(Eval("2147483647"), 2147483647);
    EXPECT_FLOAT_VALUE(Eval("99999999999999999999"), 1e20);
}

TEST(Language, MixedKindsConvertToText)
{
    EXPECT_STR(Eval("'Page ' + 3"), "Page 3");
    EXPECT_STR(Eval("'x' + 1.5"), "x1.5");
    EXPECT_STR(Eval("'is ' + (1 = 1)"), "is True");
    EXPECT_BOOL(Eval("1 = '1'"), true);
    EXPECT_BOOL(Eval("'7' = 7"), true);
    EXPECT_BOOL(Eval("'abc' = 'ABC'"), false);
    EXPECT_BOOL(Eval("'B' < 'a'"), true);
    EXPECT_BOOL(Eval("'ab' < 'abc'"), true);
    EXPECT_BOOL(Eval("'abc' >= 'abc'"), true);
    EXPECT_BOOL(Eval("1 < 1.5"), true);
    EXPECT_FLOAT_VALUE(Eval("1 + 0.5"), 1.5);
    // Integer beside boolean is a pair of texts: "1" + "True".
    EXPECT_STR(Eval("1 + (2 = 2)"), "1True");
}

TEST(Language, BitwiseAndLogicalWords)
{
    EXPECT_INT(Eval("5 OR 2"), 7);
    EXPECT_INT(Eval("6 AND 3"), 2);
    EXPECT_INT(Eval("6 and 3"), 2);
    EXPECT_INT(Eval("5 oR 2"), 7);
    EXPECT_BOOL(Eval("(1 = 1) AND (2 = 3)"), false);
    EXPECT_BOOL(Eval("(1 = 1) OR (2 = 3)"), true);
    EXPECT_ERR(Eval("1.5 OR 2"), "Operator OR is not compatible with numeric expressions");
    EXPECT_ERR(Eval("'a' AND 'b'"), "Operator AND is not compatible with string expressions");
    // The words need a blank on both sides.
    EXPECT_ERR(Eval("(TRUE)AND(TRUE)"), "Unknown function : ");
    EXPECT_BOOL(Eval("TRUE AND TRUE"), true);
}

TEST(Language, OperatorErrorTexts)
{
    EXPECT_ERR(Eval("(1=1) < (1=2)"), "Operator < is not compatible with boolean expressions");
    EXPECT_ERR(Eval("(1=1) >= (1=2)"), "Operator >= is not compatible with boolean expressions");
    EXPECT_ERR(Eval("(1=1) + (1=2)"), "Cannot add boolean expressions");
    EXPECT_ERR(Eval("(1=1) - (1=2)"), "Cannot subtract boolean expressions");
    EXPECT_ERR(Eval("(1=1) * (1=2)"), "Cannot multiply boolean expressions");
    EXPECT_ERR(Eval("(1=1) / (1=2)"), "Cannot divide boolean expressions");
    EXPECT_ERR(Eval("'a' - 'b'"), "Cannot subtract string expressions");
    EXPECT_ERR(Eval("'a' * 'b'"), "Cannot multiply string expressions");
    EXPECT_ERR(Eval("'a' / 'b'"), "Cannot divide string expressions");
    EXPECT_BOOL(Eval("(1=1) = (2=2)"), true);
    EXPECT_BOOL(Eval("(1=1) <> (2=2)"), false);
}

TEST(Language, ErrorsTravelOutwardsLeftFirst)
{
    EXPECT_ERR(Eval("(6 / 0) + 'x'"), "Cannot divide by 0");
    EXPECT_ERR(Eval("('a' - 'b') + (1 / 0)"), "Cannot subtract string expressions");
    // a - b + c is a - (b - c): the right side's error comes first there.
    EXPECT_ERR(Eval("'a' - 'b' + (1 / 0)"), "Cannot divide by 0");
    EXPECT_ERR(Eval("1 + (1 / 0)"), "Cannot divide by 0");
}

TEST(Language, Not)
{
    EXPECT_BOOL(Eval("NOT (1 = 2)"), true);
    EXPECT_BOOL(Eval("not(1 = 1)"), false);
    EXPECT_ERR(Eval("NOT 5"), "Invalid use of NOT");
    // The comparison splits first, so NOT applies to the 1 alone.
    EXPECT_ERR(Eval("NOT 1 = 1"), "Invalid use of NOT");
    EXPECT_BOOL(Eval("NOT NOT (1 = 1)"), true);
}

TEST(Language, NotesIsNotAppliedToEs)
{
    TQREvEnvironment environment;
    environment.AddVariable("ES", "1 = 1");
    environment.AddVariable("NOTES", "'a note'");
    environment.Engage();
    EXPECT_BOOL(Eval("NOTES", &environment), false);
    EXPECT_STR(Eval("[NOTES]", &environment), "a note");
    environment.Disengage();
    EXPECT_ERR(Eval("NOTES"), "Invalid use of NOT");
}

TEST(Language, SignsSplitFirst)
{
    // The '-' splits "2 * " from "3": the left piece lacks its right operand.
    EXPECT_EQ(Eval("2 * -3").ValueKind, rkError);
    EXPECT_INT(Eval("2 * (-3)"), -6);
    EXPECT_INT(Eval("-3"), -3);
    EXPECT_INT(Eval("+3"), 3);
    EXPECT_INT(Eval("-(2 + 3)"), -5);
    // The second '-' splits "-" from "3", and a lone "-" is the bad constant "0-".
    EXPECT_ERR(Eval("--3"), "Illegal character in numeric contant \"0-\"");
    EXPECT_INT(Eval("-(-3)"), 3);
    EXPECT_FLOAT_VALUE(Eval("-1.5"), -1.5);
}

TEST(Language, NumericConstants)
{
    EXPECT_FLOAT_VALUE(Eval("1E3"), 1000.0);
    EXPECT_FLOAT_VALUE(Eval("1.5e3"), 1500.0);
    EXPECT_FLOAT_VALUE(Eval("2.25"), 2.25);
    EXPECT_INT(Eval("007"), 7);
    EXPECT_ERR(Eval("1E-3"), "Illegal character in numeric contant \"1E\"");
    EXPECT_ERR(Eval("1.2.3"), "Illegal character in numeric contant \"1.2.3\"");
    EXPECT_ERR(Eval("12abc"), "Illegal character in numeric contant \"12abc\"");
    EXPECT_ERR(Eval("1 +"), "Illegal character in numeric contant \"1 +\"");
}

TEST(Language, NumericConstantsUseTheLocaleSeparator)
{
    LocaleGuard guard("de_DE");
    EXPECT_FLOAT_VALUE(Eval("2.5"), 2.5);
    EXPECT_STR(Eval("'' + 2.5"), "2,5");
    EXPECT_ERR(Eval("2,5"), "Illegal character in numeric contant \"2,5\"");
}

TEST(Language, Strings)
{
    EXPECT_STR(Eval("'it''s'"), "it''s");
    EXPECT_EQ(Eval("'it''s'").Text.size(), 5);
    EXPECT_ERR(Eval("'abc"), "Missing '");
    EXPECT_ERR(Eval("'"), "Missing '");
    EXPECT_STR(Eval("'a+b-c'"), "a+b-c");
    EXPECT_STR(Eval("'1 = 2'"), "1 = 2");
    EXPECT_STR(Eval("  'x'  "), "x");
    EXPECT_STR(Eval("'(' + 'x' + ')'"), "(x)");
}

TEST(Language, TextsAreCutTo255)
{
    const QString longText(300, u'a');
    EXPECT_EQ(Eval("'" + longText + "'").Text.size(), 255);
    const QString half(200, u'b');
    const TQREvValue joined = Eval("'" + half + "' + '" + half + "'");
    EXPECT_EQ(joined.ValueKind, rkString);
    EXPECT_EQ(joined.Text.size(), 255);
    EXPECT_EQ(joined.Text, QString(half + half).left(255));
}

TEST(Language, UnterminatedGroups)
{
    EXPECT_ERR(Eval("(1 + 2"), "Missing )");
    EXPECT_ERR(Eval("[Amount"), "Missing ]");
    EXPECT_ERR(Eval("#"), "Error in expression : #");
    EXPECT_ERR(Eval("1 + _x"), "Error in expression : _x");
    EXPECT_ERR(Eval("()"), "Missing operand");
}

TEST(Language, SecondComparisonIsNoOperator)
{
    TQREvEnvironment environment;
    environment.AddVariable("A", "1");
    environment.AddVariable("B", "1");
    environment.AddVariable("C", "1");
    environment.Engage();
    EXPECT_BOOL(Eval("a = b", &environment), true);
    EXPECT_ERR(Eval("a = b = c", &environment), "Unknown function : B = C");
    environment.Disengage();
}

TEST(Language, Comparisons)
{
    EXPECT_BOOL(Eval("1 < 2"), true);
    EXPECT_BOOL(Eval("2 <= 2"), true);
    EXPECT_BOOL(Eval("3 > 2"), true);
    EXPECT_BOOL(Eval("2 >= 3"), false);
    EXPECT_BOOL(Eval("2 <> 3"), true);
    EXPECT_BOOL(Eval("1 + 1 = 2"), true);
    EXPECT_BOOL(Eval("2 * 3 > 1 + 4"), true);
}

TEST(Language, Arguments)
{
    // A trailing delimiter stays part of the last argument.
    EXPECT_STR(Eval("TYPEOF(1,)"), "ERROR");
    EXPECT_ERR(Eval("TYPEOF(1, 2)"), "Wrong arguments for TypeOf");
    EXPECT_STR(Eval("TYPEOF('a,b')"), "STRING");
    EXPECT_STR(Eval("TYPEOF((1, 2))"), "ERROR");
    // Arguments may hold comparisons.
    EXPECT_STR(Eval("IF(1 < 2, 'yes', 'no')"), "yes");
    EXPECT_STR(Eval("IF(1 > 2,'yes','no')"), "no");
    EXPECT_ERR(Eval("IF(,1,2)"), "Wrong arguments for IF");
    // Blanks around an argument do not count, so a leading sign works there.
    EXPECT_INT(Eval("IF(1 = 1, -1, 1)"), -1);
    EXPECT_INT(Eval("IF( 1 = 2 ,1, - 1 )"), -1);
    // Elsewhere a sign after a blank still splits first.
    EXPECT_EQ(Eval("1 + -2").ValueKind, rkError);
}

TEST(Language, NamesAndCalls)
{
    EXPECT_BOOL(Eval("TRUE"), true);
    EXPECT_BOOL(Eval("true"), true);
    EXPECT_ERR(Eval("NOSUCH"), "Unknown function : NOSUCH");
    EXPECT_ERR(Eval("nosuch(1)"), "Unknown function : NOSUCH");
    EXPECT_ERR(Eval("nosuch()"), "Unknown function : NOSUCH");
    EXPECT_ERR(Eval("[nosuch]"), "Unknown function : nosuch");
    EXPECT_ERR(Eval("nosuch(1"), "Unknown function : ");
    // A call is only ever a function; a bare name or X() may be a variable.
    TQREvEnvironment environment;
    environment.AddVariable("X", "40 + 2");
    environment.Engage();
    EXPECT_INT(Eval("x", &environment), 42);
    EXPECT_INT(Eval("X()", &environment), 42);
    EXPECT_INT(Eval("[x]", &environment), 42);
    EXPECT_ERR(Eval("X(1)", &environment), "Unknown function : X");
    environment.Disengage();
}

TEST(Language, FunctionNamesWinOverVariables)
{
    TQREvEnvironment environment;
    environment.AddVariable("TRUE", "'variable'");
    environment.Engage();
    EXPECT_BOOL(Eval("TRUE", &environment), true);
    EXPECT_STR(Eval("[TRUE]", &environment), "variable");
    environment.Disengage();
}
