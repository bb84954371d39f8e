// Aggregates over record passes: the value of X changes from pass to pass through a variable that
// the test overwrites, as the engine does with its page number.

#include "exprtest.h"

using namespace exprtest;

namespace
{

// An environment with a variable X whose value the test sets before each pass.
class AggregateFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        environment.AddVariable("X", "0");
        environment.Engage();
    }
    void TearDown() override { environment.Disengage(); }

    void setX(const TQREvValue &value)
    {
        // X's text "0" prepares as a constant, which takes any value.
        TQREvEnvironment::SetVariableValue(environment.VariableElement("X"), value);
    }

    // Compiles the expression and runs one aggregate pass per value.
    TQREvValue run(const QString &text, const QList<TQREvValue> &values)
    {
        TQREvaluator evaluator;
        evaluator.SetEnvironment(&environment);
        evaluator.Compile(text);
        evaluator.ResetAggregates();
        for (const TQREvValue &v : values) {
            setX(v);
            evaluator.Accumulate();
        }
        return evaluator.Compute();
    }

    TQREvEnvironment environment;
};

TQREvValue I(int v)
{
    return TQREvValue::Integer(v);
}
TQREvValue F(double v)
{
    return TQREvValue::Float(v);
}
TQREvValue S(const char *v)
{
    return TQREvValue::String(v);
}
TQREvValue B(bool v)
{
    return TQREvValue::Boolean(v);
}

} // namespace

TEST_F(AggregateFixture, WithoutPasses)
{
    EXPECT_INT(run("SUM([X])", {}), 0);
    EXPECT_INT(run("MAX([X])", {}), 0);
    EXPECT_INT(run("MIN([X])", {}), 0);
    EXPECT_INT(run("COUNT", {}), 0);
    EXPECT_FLOAT_VALUE(run("AVERAGE([X])", {}), 0.0);
}

TEST_F(AggregateFixture, IntegerPasses)
{
    const QList<TQREvValue> values = {I(3), I(5), I(1)};
    EXPECT_INT(run("SUM([X])", values), 9);
    EXPECT_INT(run("MAX([X])", values), 5);
    EXPECT_INT(run("MIN([X])", values), 1);
    EXPECT_FLOAT_VALUE(run("AVERAGE([X])", values), 3.0);
    EXPECT_INT(run("COUNT", values), 3);
    EXPECT_INT(run("SUM([X] * 2) + COUNT", values), 21);
}

TEST_F(AggregateFixture, StringsAndBooleans)
{
    EXPECT_STR(run("MAX([X])", {S("b"), S("a"), S("c")}), "c");
    EXPECT_STR(run("MIN([X])", {S("b"), S("a"), S("c")}), "a");
    EXPECT_BOOL(run("MAX([X])", {B(true), B(false)}), true);
    EXPECT_BOOL(run("MIN([X])", {B(true), B(false)}), false);
    EXPECT_BOOL(run("MIN([X])", {B(false), B(true)}), false);
}

TEST_F(AggregateFixture, MixedNumericKindsBecomeFloating)
{
    EXPECT_FLOAT_VALUE(run("SUM([X])", {I(1), F(0.5), I(2)}), 3.5);
    EXPECT_FLOAT_VALUE(run("SUM([X])", {F(0.5), I(1)}), 1.5);
    EXPECT_FLOAT_VALUE(run("AVERAGE([X])", {I(1), F(2.0)}), 1.5);
    EXPECT_FLOAT_VALUE(run("MAX([X])", {I(1), F(2.5), I(2)}), 2.5);
    EXPECT_FLOAT_VALUE(run("MAX([X])", {F(1.5), I(2)}), 2.0);
    EXPECT_INT(run("MIN([X])", {I(1), F(2.5)}), 1);
}

TEST_F(AggregateFixture, SumOfOtherKinds)
{
    // Booleans and errors after the first value change nothing; a string spoils the total.
    EXPECT_INT(run("SUM([X])", {I(2), B(true), TQREvValue::Error("x"), I(3)}), 5);
    EXPECT_EQ(run("SUM([X])", {I(2), S("a"), I(3)}).ValueKind, rkError);
    EXPECT_EQ(run("SUM([X])", {S("a"), I(3)}).ValueKind, rkError);
    EXPECT_EQ(run("AVERAGE([X])", {S("a"), I(3)}).ValueKind, rkError);
    // Wrong argument counts never assign: the total stays 0.
    EXPECT_INT(run("SUM()", {I(1), I(2)}), 0);
    EXPECT_INT(run("SUM([X], 1)", {I(1), I(2)}), 0);
    EXPECT_INT(run("MAX()", {I(1)}), 0);
}

TEST_F(AggregateFixture, ExtremeErrorsStay)
{
    EXPECT_EQ(run("MAX([X])", {TQREvValue::Error("bad"), I(3)}).ValueKind, rkError);
    EXPECT_INT(run("MAX([X])", {I(3), S("zzz"), I(4)}), 4);
}

TEST_F(AggregateFixture, CountRejectsArguments)
{
    EXPECT_ERR(run("COUNT(1)", {I(1)}), "COUNT - Too many arguments");
}

TEST_F(AggregateFixture, ResetAndIndependentOccurrences)
{
    TQREvaluator evaluator;
    evaluator.SetEnvironment(&environment);
    evaluator.Compile("SUM([X]) + SUM([X]) * 10 + COUNT * 100");
    EXPECT_TRUE(evaluator.HasAggregates());
    setX(I(1));
    evaluator.Accumulate();
    setX(I(2));
    evaluator.Accumulate();
    // Computing outside a pass changes no state.
    EXPECT_INT(evaluator.Compute(), 3 + 30 + 200);
    EXPECT_INT(evaluator.Compute(), 3 + 30 + 200);
    evaluator.ResetAggregates();
    EXPECT_INT(evaluator.Compute(), 0);
    setX(I(5));
    evaluator.Accumulate();
    EXPECT_INT(evaluator.Compute(), 5 + 50 + 100);

    // Two expressions count separately.
    TQREvaluator other;
    other.Compile("COUNT");
    other.Accumulate();
    EXPECT_INT(other.Compute(), 1);
    EXPECT_INT(evaluator.Compute(), 5 + 50 + 100);

    TQREvaluator plain;
    plain.Compile("1 + 2");
    EXPECT_FALSE(plain.HasAggregates());
}

TEST_F(AggregateFixture, AverageResetKeepsItAnAggregate)
{
    TQREvaluator evaluator;
    evaluator.SetEnvironment(&environment);
    evaluator.Compile("AVERAGE([X])");
    setX(I(4));
    evaluator.Accumulate();
    setX(I(8));
    evaluator.Accumulate();
    EXPECT_FLOAT_VALUE(evaluator.Compute(), 6.0);
    evaluator.ResetAggregates();
    EXPECT_TRUE(evaluator.HasAggregates());
    EXPECT_FLOAT_VALUE(evaluator.Compute(), 0.0);
    setX(I(1));
    evaluator.Accumulate();
    EXPECT_FLOAT_VALUE(evaluator.Compute(), 1.0);
}

TEST_F(AggregateFixture, BothBranchesOfIfAccumulate)
{
    // Every argument is computed before IF chooses, in every pass.
    EXPECT_INT(run("IF(1 = 1, SUM([X]), COUNT * 1000)", {I(2), I(3)}), 5);
    EXPECT_INT(run("IF(1 = 2, SUM([X]), COUNT * 1000)", {I(2), I(3)}), 2000);
}
