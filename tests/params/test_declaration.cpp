#include "params/model/controlkind.h"
#include "params/model/declaration.h"

#include <gtest/gtest.h>

TEST(Declaration, CommasInsideTheCaptionDoNotCount)
{
    const TDeclaration d = ParseDeclaration(QStringLiteral("Edit \"Total, net\",10,20,150"));
    EXPECT_EQ(d.TypeWord, QStringLiteral("Edit"));
    EXPECT_EQ(d.Caption, QStringLiteral("Total, net"));
    EXPECT_EQ(d.X, 10);
    EXPECT_EQ(d.Y, 20);
    EXPECT_EQ(d.Width, 150);
}

TEST(Declaration, NumbersFollowTheFirstCommaAfterTheClosingQuote)
{
    // Text between the closing quote and the first comma is skipped.
    const TDeclaration d = ParseDeclaration(QStringLiteral("LIST \"A\" junk ,5, 6 ,-7"));
    EXPECT_EQ(d.Caption, QStringLiteral("A"));
    EXPECT_EQ(d.X, 5);
    EXPECT_EQ(d.Y, 6);
    EXPECT_EQ(d.Width, -7);
}

TEST(Declaration, NonNumbersCountAsZero)
{
    const TDeclaration d = ParseDeclaration(QStringLiteral("Edit \"C\",1x,2.5,150,4"));
    EXPECT_EQ(d.X, 0);
    EXPECT_EQ(d.Y, 0);
    EXPECT_EQ(d.Width, 0) << "the width is the whole rest of the value";

    const TDeclaration big = ParseDeclaration(QStringLiteral("Edit \"C\",99999999999,,"));
    EXPECT_EQ(big.X, 0);
    EXPECT_EQ(big.Y, 0);
    EXPECT_EQ(big.Width, 0);
}

TEST(Declaration, MissingPartsLeaveZeros)
{
    const TDeclaration noClose = ParseDeclaration(QStringLiteral("Edit \"Open caption,10,20,30"));
    EXPECT_EQ(noClose.Caption, QStringLiteral("Open caption,10,20,30"));
    EXPECT_EQ(noClose.X, 0);
    EXPECT_EQ(noClose.Y, 0);
    EXPECT_EQ(noClose.Width, 0);

    const TDeclaration onlyX = ParseDeclaration(QStringLiteral("Edit \"C\",12"));
    EXPECT_EQ(onlyX.X, 12);
    EXPECT_EQ(onlyX.Y, 0);

    const TDeclaration xy = ParseDeclaration(QStringLiteral("Edit \"C\",12,13"));
    EXPECT_EQ(xy.X, 12);
    EXPECT_EQ(xy.Y, 13);
    EXPECT_EQ(xy.Width, 0);

    const TDeclaration noQuotes = ParseDeclaration(QStringLiteral("Edit Caption,1,2,3"));
    EXPECT_EQ(noQuotes.TypeWord, QStringLiteral("Edit"));
    EXPECT_TRUE(noQuotes.Caption.isEmpty());
    EXPECT_EQ(noQuotes.X, 0);

    const TDeclaration typeOnly = ParseDeclaration(QStringLiteral("Check"));
    EXPECT_EQ(typeOnly.TypeWord, QStringLiteral("Check"));
    EXPECT_TRUE(typeOnly.Caption.isEmpty());

    const TDeclaration empty = ParseDeclaration(QString());
    EXPECT_TRUE(empty.TypeWord.isEmpty());
}

TEST(Declaration, TheTypeWordEndsAtTheFirstBlank)
{
    EXPECT_EQ(ParseDeclaration(QStringLiteral("Edit\t\"C\",1,2,3")).TypeWord, QStringLiteral("Edit"));
    // A quote inside the type word still opens the caption.
    const TDeclaration d = ParseDeclaration(QStringLiteral("Ed\"it\" \"C\",1,2,3"));
    EXPECT_EQ(d.TypeWord, QStringLiteral("Ed\"it\""));
    EXPECT_EQ(d.Caption, QStringLiteral("it"));
}

TEST(Declaration, FormatReadsBack)
{
    const QString line =
        FormatDeclaration(QStringLiteral("IntEdit"), QStringLiteral("Count, max"), -3, 40, 0);
    EXPECT_EQ(line, QStringLiteral("IntEdit \"Count, max\",-3,40,0"));
    const TDeclaration d = ParseDeclaration(line);
    EXPECT_EQ(d.TypeWord, QStringLiteral("IntEdit"));
    EXPECT_EQ(d.Caption, QStringLiteral("Count, max"));
    EXPECT_EQ(d.X, -3);
    EXPECT_EQ(d.Y, 40);
    EXPECT_EQ(d.Width, 0);
    // Placeholders in captions are not expanded.
    EXPECT_EQ(FormatDeclaration(QStringLiteral("Edit"), QStringLiteral("%1 %2"), 1, 2, 3),
              QStringLiteral("Edit \"%1 %2\",1,2,3"));
}

TEST(Declaration, DecimalIntegers)
{
    int v = 99;
    EXPECT_TRUE(ParseDecimalInteger(QStringLiteral(" -12 "), v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(ParseDecimalInteger(QStringLiteral("+7"), v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ParseDecimalInteger(QStringLiteral("-2147483648"), v));
    EXPECT_EQ(v, INT_MIN);
    EXPECT_TRUE(ParseDecimalInteger(QStringLiteral("2147483647"), v));
    EXPECT_EQ(v, INT_MAX);
    v = 5;
    for (const char *bad : {"", "-", "2147483648", "-2147483649", "$10", "0x10", "1 2", "1e3", "١٢"})
        EXPECT_FALSE(ParseDecimalInteger(QString::fromUtf8(bad), v)) << bad;
    EXPECT_EQ(v, 5) << "a failed parse leaves the value alone";
}

TEST(ControlKinds, TypeWordsInAnyCase)
{
    for (const char *word : {"edit", "Edit", "EDIT", "eDiT"})
        EXPECT_EQ(ControlKindFromTypeWord(QLatin1String(word)), TControlKind::Edit) << word;
    EXPECT_EQ(ControlKindFromTypeWord(QStringLiteral("intedit")), TControlKind::IntEdit);
    EXPECT_EQ(ControlKindFromTypeWord(QStringLiteral("FloatEdit")), TControlKind::FloatEdit);
    EXPECT_EQ(ControlKindFromTypeWord(QStringLiteral("DATEEDIT")), TControlKind::DateEdit);
    EXPECT_EQ(ControlKindFromTypeWord(QStringLiteral("list")), TControlKind::List);
    EXPECT_EQ(ControlKindFromTypeWord(QStringLiteral("Table")), TControlKind::Table);
    EXPECT_EQ(ControlKindFromTypeWord(QStringLiteral("check")), TControlKind::Check);
    for (const char *word : {"", "Edits", "Combo", " Edit", "Int Edit"})
        EXPECT_FALSE(ControlKindFromTypeWord(QLatin1String(word)).has_value()) << word;
}

TEST(ControlKinds, NamesAndEditorWords)
{
    const char *names[] = {"EDIT", "INTEDIT", "FLOATEDIT", "DATEEDIT", "LIST", "TABLE", "CHECK"};
    const char *words[] = {"Edit", "IntEdit", "FloatEdit", "DateEdit", "List", "Table", "Check"};
    for (int i = 0; i < ControlKindCount; ++i) {
        const TControlKind kind = ControlKindAt(i);
        EXPECT_EQ(ControlKindName(kind), QLatin1String(names[i]));
        EXPECT_EQ(ControlKindTypeWord(kind), QLatin1String(words[i]));
        EXPECT_EQ(ControlKindNamePrefix(kind), QLatin1String(words[i]) + u'_');
        // What the editor writes reads back as the same kind.
        EXPECT_EQ(ControlKindFromTypeWord(ControlKindTypeWord(kind)), kind);
    }
}
