#include "paramtest.h"

#include "params/model/macros.h"

#include <QStringList>

namespace
{

// A filter expansion whose declared controls are the given names.
struct TFilterRun {
    bool ok = false;
    TFilterExpansion expansion;
    QString error;
};

TFilterRun expandFilter(const QString &filter, const QStringList &declared, const QString &baseDir)
{
    TFilterRun run;
    const auto declaredAbove = [&](const QString &name) {
        for (const QString &d : declared)
            if (d.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    run.ok =
        ExpandTableFilter(filter, QStringLiteral("Towns"), declaredAbove, baseDir, run.expansion, run.error);
    return run;
}

} // namespace

TEST(MacroSpan, NestedBracesAreCounted)
{
    const auto m = FindFirstMacro(QStringLiteral("a {x{y}z} {w}"));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->Start, 2);
    EXPECT_EQ(m->Length, 7);
    EXPECT_EQ(m->Content, QStringLiteral("x{y}z"));
    EXPECT_FALSE(FindFirstMacro(QStringLiteral("no macro } here")).has_value());
}

TEST(MacroSpan, AnUnmatchedBraceTakesTheRestLessItsLastCharacter)
{
    const auto m = FindFirstMacro(QStringLiteral("id = {INI.f,s,key"));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->Start, 5);
    EXPECT_EQ(m->Length, 12);
    EXPECT_EQ(m->Content, QStringLiteral("INI.f,s,ke"));

    const auto atEnd = FindFirstMacro(QStringLiteral("x{"));
    ASSERT_TRUE(atEnd.has_value());
    EXPECT_EQ(atEnd->Length, 1);
    EXPECT_TRUE(atEnd->Content.isEmpty());
}

TEST(MacroSplit, AtTheFirstDot)
{
    QString head;
    QString rest;
    SplitAtFirstDot(QStringLiteral("CONST.a.b"), head, rest);
    EXPECT_EQ(head, QStringLiteral("CONST"));
    EXPECT_EQ(rest, QStringLiteral("a.b"));
    SplitAtFirstDot(QStringLiteral("nodot"), head, rest);
    EXPECT_TRUE(head.isEmpty());
    EXPECT_EQ(rest, QStringLiteral("nodot"));
}

class IniValues : public TParamFiles
{
protected:
    void SetUp() override
    {
        write(QStringLiteral("Values.INI"), QStringLiteral("[Main]\n"
                                                           "region=North\n"
                                                           "none=<Нету>\n"
                                                           "empty=\n"
                                                           "quoted=\" padded \"\n"
                                                           "macro={INI.values.ini,Main,region}\n"
                                                           "self={INI.values.ini,Main,self}\n"
                                                           "ctl={Region.Value}\n"
                                                           "name=Region\n"
                                                           "key=region\n"));
    }
};

TEST_F(IniValues, ReadsWithCaseInsensitiveFileSectionAndKey)
{
    QString v;
    EXPECT_TRUE(ReadIniArgument(QStringLiteral("values.ini,MAIN,Region"), dir.path(), v));
    EXPECT_EQ(v, QStringLiteral("North"));
    EXPECT_TRUE(ReadIniArgument(QStringLiteral(" values.ini , Main , quoted "), dir.path(), v));
    EXPECT_EQ(v, QStringLiteral(" padded "));
    EXPECT_TRUE(ReadIniArgument(QStringLiteral("values.ini,Main,empty"), dir.path(), v));
    EXPECT_TRUE(v.isEmpty()) << "a present empty value is a value";
    // An absolute name is used as it stands.
    EXPECT_TRUE(ReadIniArgument(path(QStringLiteral("Values.INI")) + QStringLiteral(",Main,region"),
                                QStringLiteral("/nonexistent"), v));
}

TEST_F(IniValues, MissingValues)
{
    QString v = QStringLiteral("unchanged");
    for (const char *arg : {"values.ini,Main,none", "values.ini,Main,absent", "values.ini,Other,region",
                            "missing.ini,Main,region", "values.ini,Main", "values.ini", "", ",Main,region"})
        EXPECT_FALSE(ReadIniArgument(QString::fromUtf8(arg), dir.path(), v)) << arg;
    EXPECT_EQ(v, QStringLiteral("unchanged"));
    // A directory is no profile file.
    EXPECT_FALSE(ReadIniArgument(QStringLiteral(".,Main,region"), dir.path(), v));
}

TEST_F(IniValues, SourceMacrosAreReplacedAndRescanned)
{
    QString out;
    QString error;
    ASSERT_TRUE(
        ExpandSourceMacros(QStringLiteral("CONST.{INI.values.ini,Main,region}-{ini.values.ini,main,macro}"),
                           QStringLiteral("P"), dir.path(), out, error))
        << error.toStdString();
    EXPECT_EQ(out, QStringLiteral("CONST.North-North"));

    // Nested macros are replaced innermost first.
    ASSERT_TRUE(ExpandSourceMacros(QStringLiteral("{INI.values.ini,Main,{INI.values.ini,Main,key}}.TEXT"),
                                   QStringLiteral("P"), dir.path(), out, error));
    EXPECT_EQ(out, QStringLiteral("North.TEXT"));

    ASSERT_TRUE(
        ExpandSourceMacros(QStringLiteral("Edit1.Value"), QStringLiteral("P"), dir.path(), out, error));
    EXPECT_EQ(out, QStringLiteral("Edit1.Value"));
}

TEST_F(IniValues, SourceMacroErrors)
{
    QString out;
    QString error;
    EXPECT_FALSE(
        ExpandSourceMacros(QStringLiteral("{Edit1.Value}"), QStringLiteral("P1"), dir.path(), out, error));
    EXPECT_EQ(error, QStringLiteral("Edit1 -macros not supported for variables (P1)!"));

    EXPECT_FALSE(ExpandSourceMacros(QStringLiteral("CONST.{INI.values.ini,Main,none}"), QStringLiteral("P2"),
                                    dir.path(), out, error));
    EXPECT_EQ(error, QStringLiteral("Required value not found in .INI file for variable \"P2\"!"));

    // A nested macro in a source must be an INI macro too.
    EXPECT_FALSE(ExpandSourceMacros(QStringLiteral("{INI.values.ini,Main,{Kind.Text}}"), QStringLiteral("P3"),
                                    dir.path(), out, error));
    EXPECT_EQ(error, QStringLiteral("Kind -macros not supported for variables (P3)!"));

    // A value holding a control macro is scanned again and refused.
    EXPECT_FALSE(ExpandSourceMacros(QStringLiteral("{INI.values.ini,Main,ctl}"), QStringLiteral("P4"),
                                    dir.path(), out, error));
    EXPECT_EQ(error, QStringLiteral("Region -macros not supported for variables (P4)!"));

    // Without a closing brace the last character is lost: the key "regio" does not exist.
    EXPECT_FALSE(ExpandSourceMacros(QStringLiteral("{INI.values.ini,Main,region"), QStringLiteral("P5"),
                                    dir.path(), out, error));
    EXPECT_EQ(error, QStringLiteral("Required value not found in .INI file for variable \"P5\"!"));

    // A macro without a dot has an empty part before it.
    EXPECT_FALSE(
        ExpandSourceMacros(QStringLiteral("{whatever}"), QStringLiteral("P6"), dir.path(), out, error));
    EXPECT_EQ(error, QStringLiteral(" -macros not supported for variables (P6)!"));
}

TEST_F(IniValues, AValueThatHoldsItsOwnMacroStops)
{
    QString out;
    QString error;
    EXPECT_FALSE(ExpandSourceMacros(QStringLiteral("CONST.{INI.values.ini,Main,self}"), QStringLiteral("P"),
                                    dir.path(), out, error));
    EXPECT_EQ(error, QStringLiteral("The macros of variable \"P\" expand without end!"));

    TFilterRun run = expandFilter(QStringLiteral("a = {INI.values.ini,Main,self}"), {}, dir.path());
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, QStringLiteral("The macros of table \"Towns\" expand without end!"));
}

TEST_F(IniValues, FilterControlMacrosAreNumberedInOrder)
{
    TFilterRun run = expandFilter(QStringLiteral("ID_REGION = {Region.Value} AND KIND = {Kind.Text}"),
                                  {QStringLiteral("Region"), QStringLiteral("Kind")}, dir.path());
    ASSERT_TRUE(run.ok) << run.error.toStdString();
    EXPECT_EQ(run.expansion.Filter, QStringLiteral("ID_REGION = :param1 AND KIND = :param2"));
    ASSERT_EQ(run.expansion.Macros.size(), 2);
    EXPECT_EQ(run.expansion.Macros[0].Control, QStringLiteral("Region"));
    EXPECT_TRUE(run.expansion.Macros[0].UseValue);
    EXPECT_EQ(run.expansion.Macros[0].Param, QStringLiteral("param1"));
    EXPECT_EQ(run.expansion.Macros[1].Control, QStringLiteral("Kind"));
    EXPECT_FALSE(run.expansion.Macros[1].UseValue);
    EXPECT_EQ(run.expansion.Macros[1].Param, QStringLiteral("param2"));
}

TEST_F(IniValues, FilterIniMacrosAreNotCounted)
{
    TFilterRun run = expandFilter(QStringLiteral("R = '{INI.values.ini,Main,region}' AND K = {kind.text} AND "
                                                 "C = {region.VALUE}"),
                                  {QStringLiteral("Region"), QStringLiteral("Kind")}, dir.path());
    ASSERT_TRUE(run.ok) << run.error.toStdString();
    EXPECT_EQ(run.expansion.Filter, QStringLiteral("R = 'North' AND K = :param1 AND C = :param2"));
    ASSERT_EQ(run.expansion.Macros.size(), 2);
    EXPECT_EQ(run.expansion.Macros[0].Control, QStringLiteral("kind")) << "the name as written";
    EXPECT_FALSE(run.expansion.Macros[0].UseValue);

    // The same control twice gives two parameters.
    run = expandFilter(QStringLiteral("{Kind.Value} or {Kind.Value}"), {QStringLiteral("Kind")}, dir.path());
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.expansion.Filter, QStringLiteral(":param1 or :param2"));
}

TEST_F(IniValues, FilterMacrosBuiltFromIniValues)
{
    // A nested INI macro names the control; an INI value holding a control macro counts as one.
    TFilterRun run = expandFilter(QStringLiteral("A = {{INI.values.ini,Main,name}.Value} AND B = "
                                                 "{INI.values.ini,Main,ctl}"),
                                  {QStringLiteral("Region")}, dir.path());
    ASSERT_TRUE(run.ok) << run.error.toStdString();
    EXPECT_EQ(run.expansion.Filter, QStringLiteral("A = :param1 AND B = :param2"));
    ASSERT_EQ(run.expansion.Macros.size(), 2);
    EXPECT_EQ(run.expansion.Macros[0].Control, QStringLiteral("Region"));
    EXPECT_EQ(run.expansion.Macros[1].Control, QStringLiteral("Region"));
}

TEST_F(IniValues, FilterErrors)
{
    TFilterRun run =
        expandFilter(QStringLiteral("x = {Later.Value}"), {QStringLiteral("Region")}, dir.path());
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, QStringLiteral("Control \"Later\" must be declared before \"Towns\" !"));

    run = expandFilter(QStringLiteral("x = {Region.Caption}"), {QStringLiteral("Region")}, dir.path());
    EXPECT_EQ(run.error, QStringLiteral("Unknown field \"CAPTION\" in table description \"Towns\"!"));

    run = expandFilter(QStringLiteral("x = {Region}"), {QStringLiteral("Region")}, dir.path());
    EXPECT_EQ(run.error, QStringLiteral("Control \"\" must be declared before \"Towns\" !"));

    run = expandFilter(QStringLiteral("x = {Region.}"), {QStringLiteral("Region")}, dir.path());
    EXPECT_EQ(run.error, QStringLiteral("Unknown field \"\" in table description \"Towns\"!"));

    run = expandFilter(QStringLiteral("x = {INI.values.ini,Main,none}"), {}, dir.path());
    EXPECT_EQ(run.error, QStringLiteral("Required value not found in .INI file fo table \"Towns\"!"));

    run = expandFilter(QStringLiteral("x = {INI.values.ini,Main,{Region.Value}}"), {QStringLiteral("Region")},
                       dir.path());
    EXPECT_EQ(run.error,
              QStringLiteral("\"INI\" macros only supported in embedded macros (control \"Towns\")!"));

    run = expandFilter(QStringLiteral("x = {{INI.values.ini,Main,absent}.Value}"), {QStringLiteral("Region")},
                       dir.path());
    EXPECT_EQ(run.error, QStringLiteral("Required value not found in .INI file for control \"Towns\"!"));

    // The control check comes before the field check.
    run = expandFilter(QStringLiteral("{Nobody.Nothing}"), {}, dir.path());
    EXPECT_EQ(run.error, QStringLiteral("Control \"Nobody\" must be declared before \"Towns\" !"));
}

TEST_F(IniValues, FilterWithoutMacrosStaysAsItIs)
{
    TFilterRun run = expandFilter(QStringLiteral("A > 1 AND B < '}'"), {}, dir.path());
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.expansion.Filter, QStringLiteral("A > 1 AND B < '}'"));
    EXPECT_TRUE(run.expansion.Macros.isEmpty());
}
