// Hostile texts: deep nesting, huge expressions, arbitrary characters. Each must give an error value
// or a result, never a crash.

#include "exprtest.h"

#include <QRandomGenerator>

using namespace exprtest;

TEST(Robustness, DeepParenthesesGiveAnError)
{
    const int depth = 20000;
    const QString text = QString(depth, u'(') + "1" + QString(depth, u')');
    EXPECT_ERR(Eval(text), "Expression is nested too deeply");
    const QString shallow = QString(50, u'(') + "1" + QString(50, u')');
    EXPECT_INT(Eval(shallow), 1);
}

TEST(Robustness, DeepCallsSignsAndNots)
{
    QString calls;
    for (int i = 0; i < 5000; ++i)
        calls += "TYPEOF(";
    calls += "1" + QString(5000, u')');
    // The innermost calls become an error; the TYPEOFs around it report its kind, then STRING.
    EXPECT_STR(Eval(calls), "STRING");

    EXPECT_EQ(Eval(QString(50000, u'+') + "1").ValueKind, rkError);
    QString nots;
    for (int i = 0; i < 20000; ++i)
        nots += "NOT ";
    EXPECT_EQ(Eval(nots + "(1=1)").ValueKind, rkError);
    EXPECT_BOOL(Eval("NOT NOT NOT NOT (1=1)"), true);
}

TEST(Robustness, LongChainsComputeCorrectly)
{
    // 100,000 characters: a chain of additions nests no calls.
    QString sum = "1";
    for (int i = 1; i < 50000; ++i)
        sum += "+1";
    EXPECT_GE(sum.size(), 99999);
    EXPECT_INT(Eval(sum), 50000);

    QString difference = "100000";
    for (int i = 0; i < 30000; ++i)
        difference += "-1";
    EXPECT_INT(Eval(difference), 70000);

    QString mixed = "0";
    for (int i = 0; i < 20000; ++i)
        mixed += i % 2 ? "-2" : "+3";
    EXPECT_INT(Eval(mixed), 10000);

    QString product = "1";
    for (int i = 0; i < 30000; ++i)
        product += i % 2 ? "/2" : "*2";
    EXPECT_FLOAT_VALUE(Eval(product), 1.0);

    QString comparison = "1";
    for (int i = 0; i < 20000; ++i)
        comparison += " + 1";
    comparison += " = 20001";
    EXPECT_BOOL(Eval(comparison), true);
}

TEST(Robustness, LongTextsAndManyArguments)
{
    EXPECT_EQ(Eval("'" + QString(100000, u'x') + "'").Text.size(), 255);
    EXPECT_ERR(Eval("[" + QString(100000, u'x') + "]"),
               "Unknown function : " + QString(100000, u'x').left(236));
    QString args = "TYPEOF(1";
    for (int i = 0; i < 20000; ++i)
        args += ",1";
    args += ")";
    EXPECT_ERR(Eval(args), "Wrong arguments for TypeOf");
}

TEST(Robustness, ArbitraryCharactersNeverCrash)
{
    QRandomGenerator random(20261209);
    const QString alphabet =
        QStringLiteral("()[]'+-*/<>=,.;01239aAeEnNoOtTdDrR _#\"\\\t\n\x7f\u00e9\u0416\U0001F600");
    const QList<QChar> characters(alphabet.begin(), alphabet.end());
    for (int round = 0; round < 3000; ++round) {
        const int length = random.bounded(1, 60);
        QString text;
        for (int i = 0; i < length; ++i)
            text += characters[random.bounded(int(characters.size()))];
        TQREvaluator evaluator;
        evaluator.Compile(text);
        TQREvValue value;
        evaluator.Compute(value);
        evaluator.Accumulate();
        evaluator.ResetAggregates();
        EXPECT_LE(value.Text.size(), 255) << qPrintable(text);
    }
    for (int round = 0; round < 500; ++round) {
        QString text;
        const int length = random.bounded(1, 40);
        for (int i = 0; i < length; ++i)
            text += QChar(char16_t(random.bounded(1, 0xFFFF)));
        TQREvValue value;
        TQREvaluator evaluator;
        evaluator.ComputeText(text, value);
        EXPECT_LE(value.Text.size(), 255);
    }
}

TEST(Robustness, CyclicAndDeepVariableChains)
{
    TQREvEnvironment environment;
    // A chain deeper than the nesting limit: V0 -> V1 -> ... -> V399.
    for (int i = 0; i < 400; ++i)
        environment.AddVariable(QString("V%1").arg(i),
                                i == 399 ? QString("1") : QString("[V%1] + 1").arg(i + 1));
    environment.Engage();
    EXPECT_EQ(Eval("[V0]", &environment).ValueKind, rkError);
    EXPECT_INT(Eval("[V300]", &environment), 100);
    environment.Disengage();
}
