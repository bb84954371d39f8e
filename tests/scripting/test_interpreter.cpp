#include "common/prompt.h"
#include "expressions/elements.h"
#include "expressions/library.h"
#include "expressions/variables.h"
#include "scripting/interpreter.h"

#include <gtest/gtest.h>


#include <atomic>

namespace
{

bool hasVar(const char *name)
{
    return QRVariables().Find(QString::fromLatin1(name)) != nullptr;
}

qint32 intVar(const char *name)
{
    const TQREvValue *v = QRVariables().Find(QString::fromLatin1(name));
    return v && v->ValueKind == rkInteger ? v->IntValue : -1;
}

class ScriptTest : public ::testing::Test
{
protected:
    void SetUp() override { QRVariables().Clear(); }

    TQREvValue run(const QStringList &script, const QString &element = QStringLiteral("Band"),
                   const QString &event = QStringLiteral("BeforePrint"), TScriptRunOptions options = {})
    {
        return RunScriptEvent(script, element, event, options);
    }

    QStringList messages() const
    {
        QStringList texts;
        for (const auto &r : prompt.Records())
            texts << r.text;
        return texts;
    }

    TScriptedPrompt prompt;
    TPromptGuard guard{&prompt};
};

QStringList section(const QStringList &body)
{
    return QStringList{QStringLiteral("[Band.BeforePrint]")} + body;
}

} // namespace

TEST(ScriptSections, FoundByExactHeaderWithLength)
{
    const QStringList script = {
        "[Report.BeforePrint]", "TRUE", "[Band.AfterPrint]", "x", "y", "[band.beforeprint]",
        "[Band.BeforePrint]",   "z"};
    TScriptSection s = FindScriptSection(script, QStringLiteral("Band"), QStringLiteral("AfterPrint"));
    EXPECT_EQ(s.Header, 2);
    EXPECT_EQ(s.Length, 3);
    // Case counts: the lower-case header is not the section.
    s = FindScriptSection(script, QStringLiteral("Band"), QStringLiteral("BeforePrint"));
    EXPECT_EQ(s.Header, 6);
    EXPECT_EQ(s.Length, 2); // the last section runs to the end
    EXPECT_FALSE(FindScriptSection(script, QStringLiteral("Title"), QStringLiteral("BeforePrint")).Found());
    // Blanks around a header make it another line.
    EXPECT_FALSE(FindScriptSection({" [A.B]"}, QStringLiteral("A"), QStringLiteral("B")).Found());
}

TEST_F(ScriptTest, NothingRunsWithoutSectionBodyOrWhenSwitchedOff)
{
    EXPECT_EQ(run({"[Band.BeforePrint]"}).ValueKind, rkError);
    EXPECT_EQ(run({"[Other.Event]", "SETVAR('A', 1)"}).ValueKind, rkError);
    TScriptRunOptions off;
    off.ScriptsEnabled = false;
    const TQREvValue r = run(section({"SETVAR('A', 1)", "RETURN(TRUE)", "ENDIF"}), QStringLiteral("Band"),
                             QStringLiteral("BeforePrint"), off);
    EXPECT_EQ(r.ValueKind, rkError);
    EXPECT_TRUE(r.Text.isEmpty());
    EXPECT_EQ(QRVariables().Count(), 0);
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST_F(ScriptTest, ReturnIsReplacedByALaterReturnAndKeptByExit)
{
    TQREvValue r = run(section({"RETURN(FALSE)", "RETURN(TRUE)"}));
    ASSERT_EQ(r.ValueKind, rkBoolean);
    EXPECT_TRUE(r.BoolValue);
    r = run(section({"RETURN(FALSE);", "EXIT", "RETURN(TRUE)"}));
    ASSERT_EQ(r.ValueKind, rkBoolean);
    EXPECT_FALSE(r.BoolValue);
    // Lower-case keywords and surrounding blanks are fine; operands keep their case.
    r = run(section({"  return('Mixed Case')  "}));
    EXPECT_EQ(r.ValueKind, rkString);
    EXPECT_EQ(r.Text, QStringLiteral("Mixed Case"));
}

TEST_F(ScriptTest, SectionEndsAtTheNextSection)
{
    const QStringList script = {"[Band.BeforePrint]", "SETVAR('A', 1)", "[Band.AfterPrint]", "SETVAR('B', 2)"};
    run(script);
    EXPECT_TRUE(hasVar("A"));
    EXPECT_FALSE(hasVar("B"));
}

TEST_F(ScriptTest, FalseSkipPassesNestedIfAndStopsAtTheOuterElse)
{
    run(section({"IF (1 = 2)", "IF (TRUE)", "SETVAR('INNER', 1)", "ELSE", "SETVAR('INNERELSE', 1)", "ENDIF",
                 "ELSE", "SETVAR('X', 1)", "ENDIF", "SETVAR('AFTER', 1)"}));
    EXPECT_FALSE(hasVar("INNER"));
    EXPECT_FALSE(hasVar("INNERELSE"));
    EXPECT_TRUE(hasVar("X"));
    EXPECT_TRUE(hasVar("AFTER"));
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST_F(ScriptTest, ElseSkipAfterTheTrueBranch)
{
    run(section({"IF (TRUE)", "SETVAR('THEN', 1)", "ELSE", "IF (TRUE)", "SETVAR('NESTED', 1)", "ENDIF",
                 "SETVAR('ELSE', 1)", "ENDIF", "SETVAR('AFTER', 1)"}));
    EXPECT_TRUE(hasVar("THEN"));
    EXPECT_FALSE(hasVar("NESTED"));
    EXPECT_FALSE(hasVar("ELSE"));
    EXPECT_TRUE(hasVar("AFTER"));
    EXPECT_TRUE(prompt.Records().isEmpty()); // the ENDIF found its IF
}

TEST_F(ScriptTest, BreakLoopLeavesTheLoopThroughTheIf)
{
    run(section({"SETVAR('I', 0)", "LOOP", "IF (GETVAR('I') > 3)", "BREAKLOOP", "ENDIF",
                 "SETVAR('I', GETVAR('I') + 1)", "ENDLOOP", "SETVAR('DONE', GETVAR('I'))"}));
    ASSERT_TRUE(hasVar("DONE"));
    EXPECT_EQ(intVar("DONE"), 4);
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST_F(ScriptTest, BreakLeavesOnlyTheIfAndTheLoopGoesOn)
{
    std::atomic<bool> cancel{false};
    TScriptRunOptions options;
    options.Cancel = &cancel;
    // The loop never ends by itself; the events hook plays the user pressing Cancel.
    int hookCalls = 0;
    options.ProcessEvents = [&] {
        if (++hookCalls > 20)
            cancel = true;
    };
    const TQREvValue r =
        run(section({"SETVAR('I', 0)", "LOOP", "IF (GETVAR('I') > 3)", "BREAK", "SETVAR('NEVER', 1)", "ENDIF",
                     "SETVAR('I', GETVAR('I') + 1)", "RETURN(GETVAR('I'))", "ENDLOOP"}),
            QStringLiteral("Band"), QStringLiteral("BeforePrint"), options);
    EXPECT_FALSE(hasVar("NEVER"));
    // Still counting well past 3: BREAK did not leave the loop.
    ASSERT_EQ(r.ValueKind, rkInteger);
    EXPECT_GT(r.IntValue, 10);
    EXPECT_TRUE(prompt.Records().isEmpty()); // cancelling is quiet
}

TEST_F(ScriptTest, NestedLoopsBreakLoopLeavesTheInnermost)
{
    run(section({"SETVAR('O', 0)", "SETVAR('N', 0)", "LOOP", "IF (GETVAR('O') = 3)", "BREAKLOOP", "ENDIF",
                 "SETVAR('O', GETVAR('O') + 1)", "LOOP", "SETVAR('N', GETVAR('N') + 1)", "BREAKLOOP", "ENDLOOP",
                 "ENDLOOP", "SETVAR('DONE', 1)"}));
    EXPECT_EQ(intVar("O"), 3);
    EXPECT_EQ(intVar("N"), 3); // the inner loop ran once per outer pass
    EXPECT_TRUE(hasVar("DONE"));
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST_F(ScriptTest, IfNeedsExactlyOneBlank)
{
    // "IF(1=1)" is an expression line: an unknown function, its error ignored.
    const TQREvValue r = run(section({"IF(1=1)", "RETURN(TRUE)"}));
    ASSERT_EQ(r.ValueKind, rkBoolean);
    EXPECT_TRUE(prompt.Records().isEmpty());
    // An assignment-looking line is just an expression with an error value.
    run(section({"x := 1;", "SETVAR('AFTER', 1)"}));
    EXPECT_TRUE(hasVar("AFTER"));
    EXPECT_TRUE(prompt.Records().isEmpty());
}

TEST_F(ScriptTest, ErrorMessagesNameTheLine)
{
    const TQREvValue r = run({"[Band.BeforePrint]", "ENDIF"});
    EXPECT_EQ(r.ValueKind, rkError);
    ASSERT_EQ(prompt.Records().size(), 1);
    EXPECT_EQ(prompt.Records().at(0).type, mtError);
    EXPECT_EQ(prompt.Records().at(0).buttons, TMsgButtons::OK);
    EXPECT_EQ(messages().at(0),
              QStringLiteral("Script error on line 1: ENDIF without IF\nLine 1: \"ENDIF\""));
}

TEST_F(ScriptTest, EachScriptError)
{
    struct Case {
        QStringList body;
        int line;
        const char *text;
    };
    const Case cases[] = {
        {{"ENDLOOP"}, 2, "ENDLOOP without LOOP"},
        {{"IF (5)"}, 2, "Invalid IF statement"},
        {{"IF (NOSUCHNAME)"}, 2, "Invalid IF statement"},
        {{"  else"}, 2, "ELSE without IF"},
        {{"BREAK"}, 2, "BREAK outside of LOOP or IF block"},
        {{"IF (TRUE)", "BREAKLOOP"}, 3, "BREAKLOOP outside of LOOP block"},
        {{"LOOP", "ENDIF"}, 3, "ENDIF without IF"},
    };
    for (const Case &c : cases) {
        prompt.Clear();
        const QStringList script = QStringList{"[Report.OnStart]", "[Band.BeforePrint]"} + c.body;
        run(script);
        ASSERT_EQ(prompt.Records().size(), 1) << c.text;
        const QString n = QString::number(c.line);
        EXPECT_EQ(messages().at(0), QStringLiteral("Script error on line ") + n + QStringLiteral(": ") +
                                        QString::fromLatin1(c.text) + QStringLiteral("\nLine ") + n +
                                        QStringLiteral(": \"") + script.at(c.line) + QLatin1Char('"'));
    }
}

TEST_F(ScriptTest, ErrorEndsTheRunKeepingTheLastReturn)
{
    const TQREvValue r = run(section({"RETURN(7)", "ENDIF", "SETVAR('AFTER', 1)", "RETURN(8)"}));
    ASSERT_EQ(r.ValueKind, rkInteger);
    EXPECT_EQ(r.IntValue, 7);
    EXPECT_FALSE(hasVar("AFTER"));
}

TEST_F(ScriptTest, LongLinesAreCutAndTheMessageToo)
{
    const QString longLine = QStringLiteral("ENDIF") + QString(300, QLatin1Char(' ')) + QStringLiteral("x");
    run(section({longLine}));
    ASSERT_EQ(prompt.Records().size(), 1);
    // Only the first 255 characters are read: "ENDIF" plus blanks, trimmed, is ENDIF.
    EXPECT_TRUE(messages().at(0).startsWith(QStringLiteral("Script error on line 1: ENDIF without IF\n")));
    EXPECT_EQ(messages().at(0).size(), 255);
}

TEST_F(ScriptTest, OpenBlocksAtTheEndAreNotReported)
{
    const TQREvValue r = run(section({"IF (TRUE)", "LOOP", "RETURN(1)", "EXIT"}));
    EXPECT_EQ(r.IntValue, 1);
    EXPECT_TRUE(prompt.Records().isEmpty());
    run(section({"IF (FALSE)", "RETURN(1)"})); // the false skip runs off the end
    EXPECT_TRUE(prompt.Records().isEmpty());
}
