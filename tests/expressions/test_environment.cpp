// Environments of expression variables and the global environment.

#include "exprtest.h"

#include "common/properties.h"

#include <QTime>

using namespace exprtest;

TEST(Environment, AddKeepsTheFirstAndStoresCapitals)
{
    TQREvEnvironment environment;
    environment.AddVariable("x", "1");
    environment.AddVariable("X", "2");
    ASSERT_EQ(environment.Count(), 1);
    EXPECT_EQ(environment.Name(0), "X");
    EXPECT_EQ(environment.Expression(0), "1");
    EXPECT_EQ(environment.Strings(), QStringList{"X"});
    EXPECT_EQ(environment.Data(), QStringList{"1"});
}

TEST(Environment, RecursiveVariables)
{
    TQREvEnvironment environment;
    environment.AddVariable("A", "[B] + 1");
    environment.AddVariable("B", "[A] + 1");
    environment.AddVariable("SELF", "[SELF]");
    environment.AddVariable("OK", "[C] * 2");
    environment.AddVariable("C", "21");
    environment.Engage();
    EXPECT_ERR(Eval("[A]", &environment), "Recursive calls not allowed");
    EXPECT_ERR(Eval("[SELF]", &environment), "Recursive calls not allowed");
    // Variables may use variables added after them, and the same one twice.
    EXPECT_INT(Eval("[OK]", &environment), 42);
    EXPECT_INT(Eval("[C] + [C]", &environment), 42);
    environment.Disengage();
}

TEST(Environment, ComputeLookupAndRemove)
{
    TQREvEnvironment environment;
    environment.AddVariable("Total", "40 + 2");
    environment.Engage();
    TQREvValue value;
    environment.ComputeVariable("total", value);
    EXPECT_INT(value, 42);
    environment.ComputeVariable("missing", value);
    EXPECT_EQ(value.ValueKind, rkError);

    std::unique_ptr<TQREvElement> wrapper(environment.LookupVariable("total"));
    ASSERT_NE(dynamic_cast<TQREvElementWrapper *>(wrapper.get()), nullptr);
    TQRFiFo form;
    wrapper->Yield(form, value);
    EXPECT_INT(value, 42);
    std::unique_ptr<TQREvElement> missing(environment.LookupVariable("Missing"));
    auto *error = dynamic_cast<TQREvElementError *>(missing.get());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Message, "Unknown function : Missing");

    // A prepared expression that still refers to a removed variable gets an error, not a crash.
    TQREvaluator evaluator;
    evaluator.SetEnvironment(&environment);
    evaluator.Compile("[TOTAL] + 1");
    EXPECT_INT(evaluator.Compute(), 43);
    environment.RemoveVariable("TOTAL");
    EXPECT_EQ(environment.Count(), 0);
    EXPECT_ERR(evaluator.Compute(), "Unknown function : TOTAL");
    environment.RemoveVariable("TOTAL"); // nothing left: no change
    environment.Disengage();
}

TEST(Environment, EngineWritesIntoPreparedVariables)
{
    TQREvEnvironment environment;
    environment.SetStrings({"PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE"});
    environment.SetData({"0", "0", "''"});
    EXPECT_EQ(environment.VariableElement("PAGENUMBER"), nullptr); // not prepared yet
    environment.Engage();
    EXPECT_TRUE(environment.IsEngaged());
    EXPECT_INT(Eval("[PAGENUMBER]", &environment), 0);
    TQREvEnvironment::SetVariableInteger(environment.VariableElement("PAGENUMBER"), 3);
    TQREvEnvironment::SetVariableText(environment.VariableElement("REPORTTITLE"), "Sales");
    // Wrong element kinds are left alone.
    TQREvEnvironment::SetVariableText(environment.VariableElement("COLUMNNUMBER"), "x");
    TQREvEnvironment::SetVariableInteger(environment.VariableElement("REPORTTITLE"), 9);
    EXPECT_INT(Eval("[PAGENUMBER]", &environment), 3);
    EXPECT_INT(Eval("[COLUMNNUMBER]", &environment), 0);
    EXPECT_STR(Eval("[REPORTTITLE]", &environment), "Sales");
    TQREvEnvironment::SetVariableValue(environment.VariableElement("REPORTTITLE"), TQREvValue::Integer(5));
    EXPECT_STR(Eval("[REPORTTITLE]", &environment), "Sales");
    TQREvEnvironment::SetVariableValue(environment.VariableElement("REPORTTITLE"), TQREvValue::String("New"));
    EXPECT_STR(Eval("[REPORTTITLE]", &environment), "New");
    TQREvEnvironment::SetVariableValue(environment.VariableElement("COLUMNNUMBER"), TQREvValue::Float(1.5));
    EXPECT_FLOAT_VALUE(Eval("[COLUMNNUMBER]", &environment), 1.5);

    // Added while prepared: prepared at once.
    environment.AddVariable("LOOPBAND", "7");
    EXPECT_INT(Eval("[LOOPBAND]", &environment), 7);
    ASSERT_NE(environment.VariableElement("LOOPBAND"), nullptr);

    environment.Disengage();
    EXPECT_FALSE(environment.IsEngaged());
    EXPECT_EQ(environment.VariableElement("PAGENUMBER"), nullptr);
    // Unprepared again: the text is what it was, the engine's value is gone.
    environment.Engage();
    EXPECT_INT(Eval("[PAGENUMBER]", &environment), 0);
    environment.Disengage();
}

TEST(Environment, PrepareCountNests)
{
    TQREvEnvironment environment;
    environment.AddVariable("V", "1");
    environment.Engage();
    environment.Engage();
    TQREvEnvironment::SetVariableInteger(environment.VariableElement("V"), 5);
    environment.Disengage();
    EXPECT_TRUE(environment.IsEngaged());
    EXPECT_INT(Eval("[V]", &environment), 5); // still the same prepared form
    environment.Disengage();
    EXPECT_FALSE(environment.IsEngaged());
    environment.Disengage(); // one too many: ignored
    EXPECT_FALSE(environment.IsEngaged());
}

TEST(Environment, UnpreparedVariableIsAnErrorValue)
{
    TQREvEnvironment environment;
    environment.AddVariable("V", "1");
    EXPECT_ERR(Eval("[V]", &environment), "Evaluator not prepared");
}

TEST(Environment, StreamingAsStringsAndData)
{
    TQREvEnvironment environment;
    EXPECT_TRUE(SetPropertyValue(&environment, "Strings", QStringList{"pagenumber", "TITLE"}));
    EXPECT_TRUE(SetPropertyValue(&environment, "DATA", QStringList{"0", "'Report'"}));
    EXPECT_EQ(environment.Strings(), (QStringList{"PAGENUMBER", "TITLE"}));
    EXPECT_EQ(GetPropertyValue(&environment, "DATA").toStringList(), (QStringList{"0", "'Report'"}));
    environment.Engage();
    EXPECT_STR(Eval("[TITLE]", &environment), "Report");
    environment.Disengage();
    environment.Purge();
    EXPECT_EQ(environment.Count(), 0);
}

TEST(Environment, EditingAVariable)
{
    TQREvEnvironment environment;
    environment.AddVariable("A", "1");
    environment.AddVariable("B", "2");
    EXPECT_TRUE(environment.RenameVariable(0, "first"));
    EXPECT_EQ(environment.Name(0), "FIRST");
    EXPECT_FALSE(environment.RenameVariable(0, "b"));
    EXPECT_TRUE(environment.SetVariableExpression(1, "3"));
    environment.Engage();
    EXPECT_FALSE(environment.SetVariableExpression(1, "4")); // refused while prepared
    EXPECT_INT(Eval("[B]", &environment), 3);
    environment.Disengage();
}

TEST(Environment, GlobalVariablesAndLocalPrecedence)
{
    const TQREvValue time = Eval("[APPSTARTTIME]");
    EXPECT_EQ(time.ValueKind, rkString);
    QTime parsed;
    EXPECT_TRUE(LocaleSettings().TryStrToTime(time.Text, parsed)) << qPrintable(time.Text);
    EXPECT_EQ(Eval("[APPSTARTDATE]").ValueKind, rkString);
    EXPECT_EQ(Eval("APPNAME").ValueKind, rkString);
    EXPECT_GE(GlobalEvEnvironment().IndexOf("APPNAME"), 0);
    // The global environment stays prepared once used.
    EXPECT_TRUE(GlobalEvEnvironment().IsEngaged());

    TQREvEnvironment local;
    local.AddVariable("APPNAME", "'local'");
    local.Engage();
    EXPECT_STR(Eval("APPNAME", &local), "local");
    local.Disengage();
}
