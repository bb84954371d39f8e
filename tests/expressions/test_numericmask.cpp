// The numeric mask formatter against masks and values worked out by hand from its rules.

#include "expressions/numericmask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

struct MaskCase {
    const char *Mask;
    double Value;
    const char *Expected;
};

QString format(const char *mask, double value, QChar decimal = u'.', QChar thousands = u',')
{
    QString result = QStringLiteral("<unset>");
    EXPECT_TRUE(QRFormatNumeric(QString::fromUtf8(mask), value, result, decimal, thousands)) << mask;
    return result;
}

} // namespace

TEST(NumericMask, Placeholders)
{
    const MaskCase cases[] = {
        {"0", 0, "0"},
        {"0", 1234.4, "1234"},
        {"0", 2.5, "3"}, // half away from zero
        {"0", -2.5, "-3"},
        {"#", 0, ""},
        {"#", 1234, "1234"}, // digits without a placeholder all show
        {"#.##", 0.5, ".5"},
        {"000", 7, "007"},
        {"0.00", 3.14159, "3.14"},
        {"0.00", 2.005, "2.01"}, // rounded on the 15 significant digits
        {"0.###", 1.5, "1.5"},
        {"0.###", 2, "2"},
        {"0.0##", 2, "2.0"},
        {"0.0##", 2.12345, "2.123"},
        {".00", 12.5, "12.50"},
        {"0.0.0", 1.25, "1.25"},  // further points are ignored
        {"0.00", -0.001, "0.00"}, // rounds to zero: no sign
        {"0", 123456789012345678.0, "123456789012346000"},
    };
    for (const MaskCase &c : cases)
        EXPECT_EQ(format(c.Mask, c.Value), QString::fromUtf8(c.Expected)) << c.Mask << " " << c.Value;
}

TEST(NumericMask, ThousandsSeparators)
{
    const MaskCase cases[] = {
        {"#,##0.00", 1234.5, "1,234.50"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,##0.00", -1234.5, "-1,234.50"},
        {"#,##0.00", 0, "0.00"},
        {"#,##0", 999.5, "1,000"},
        {"#,#", 1234567, "1,234,567"},
        {"0,", 1234, "1,234"}, // the comma counts anywhere
        {"#,##0", 12, "12"},
    };
    for (const MaskCase &c : cases)
        EXPECT_EQ(format(c.Mask, c.Value), QString::fromUtf8(c.Expected)) << c.Mask << " " << c.Value;
    EXPECT_EQ(format("#,##0.00", 1234.5, u',', u'.'), "1.234,50");
    EXPECT_EQ(format("#,##0.00", 1234567.5, u',', u'\u00a0'), QString::fromUtf8("1\u00a0234\u00a0567,50"));
}

TEST(NumericMask, Sections)
{
    const MaskCase cases[] = {
        {"0.0;(0.0)", -2, "(2.0)"},
        {"0.0;(0.0)", 2, "2.0"},
        {"0.00;(0.00);'zero'", 0, "zero"},
        {"0.00;(0.00);'zero'", -1.5, "(1.50)"},
        {"0.00;(0.00);'zero'", 1.5, "1.50"},
        {"0.00;;'zero'", -1.5, "-1.50"}, // empty negative section: the first, with a sign
        {"0.00;(0.00);", 0, "0.00"},     // empty zero section: the first
        {"0;0-", -5, "5-"},
        {"", 2.5, "2.5"}, // empty mask: general form
        {"", -2.5, "-2.5"},
        {";(0)", 5, "5"}, // empty first section: general form
    };
    for (const MaskCase &c : cases)
        EXPECT_EQ(format(c.Mask, c.Value), QString::fromUtf8(c.Expected)) << c.Mask << " " << c.Value;
}

TEST(NumericMask, Scientific)
{
    const MaskCase cases[] = {
        {"0.00E+00", 1234.5, "1.23E+03"},
        {"0.00E-00", 1234.5, "1.23E03"},
        {"0.00E-00", 0.00012345, "1.23E-04"},
        {"0.00e+00", 0.00012345, "1.23e-04"},
        {"0.0E+0", 0, "0.0E+0"},
        {"00.0E+0", 1234.5, "12.3E+2"},
        {"0.00E+0000", 1.5e-7, "1.50E-0007"},
        {"0.0E+00", 9.96, "1.0E+01"}, // the carry moves the exponent
        {"0E+0", 5e20, "5E+20"},
        {"0.00E+00", -1234.5, "-1.23E+03"},
        {"0.00E+00", 1e300, "1.00E+300"},
    };
    for (const MaskCase &c : cases)
        EXPECT_EQ(format(c.Mask, c.Value), QString::fromUtf8(c.Expected)) << c.Mask << " " << c.Value;
}

TEST(NumericMask, LiteralsAndLargeValues)
{
    const MaskCase cases[] = {
        {"'$'#,##0.00", 1234.5, "$1,234.50"},
        {"0 'units'", 5, "5 units"},
        {"\"x\"0", 3, "x3"},
        {"0 kg", 3, "3 kg"},
        {"'a;b'0", 1, "a;b1"}, // a quoted ';' does not separate
        {"0", 1e18, "1E18"},   // without scientific notation: the general form from 1E18
        {"#,##0", -2e19, "-2E19"},
    };
    for (const MaskCase &c : cases)
        EXPECT_EQ(format(c.Mask, c.Value), QString::fromUtf8(c.Expected)) << c.Mask << " " << c.Value;
}

TEST(NumericMask, RejectsValuesThatAreNotFinite)
{
    QString result = "unchanged";
    EXPECT_FALSE(QRFormatNumeric("0.00", std::numeric_limits<double>::infinity(), result, u'.', u','));
    EXPECT_FALSE(QRFormatNumeric("0.00", std::nan(""), result, u'.', u','));
    EXPECT_EQ(result, "unchanged");
}
