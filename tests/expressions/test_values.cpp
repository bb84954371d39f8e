// Text forms of values and the evaluator's own contract.

#include "exprtest.h"

#include "expressions/library.h"

#include <cmath>
#include <limits>

using namespace exprtest;

TEST(TextForm, GeneralFloatingFormat)
{
    const QChar dot = u'.';
    EXPECT_EQ(QREvFloatToText(0.0, dot), "0");
    EXPECT_EQ(QREvFloatToText(3.5, dot), "3.5");
    EXPECT_EQ(QREvFloatToText(-2.5, dot), "-2.5");
    EXPECT_EQ(QREvFloatToText(1000.0, dot), "1000");
    EXPECT_EQ(QREvFloatToText(0.1 + 0.2, dot), "0.3");
    EXPECT_EQ(QREvFloatToText(1.0 / 3.0, dot), "0.333333333333333");
    EXPECT_EQ(QREvFloatToText(2.0 / 3.0, dot), "0.666666666666667");
    EXPECT_EQ(QREvFloatToText(0.0001, dot), "0.0001");
    EXPECT_EQ(QREvFloatToText(0.00001, dot), "1E-5");
    EXPECT_EQ(QREvFloatToText(0.000015, dot), "1.5E-5");
    EXPECT_EQ(QREvFloatToText(1.5e20, dot), "1.5E20");
    EXPECT_EQ(QREvFloatToText(-1.5e20, dot), "-1.5E20");
    EXPECT_EQ(QREvFloatToText(123456789012345.0, dot), "123456789012345");
    EXPECT_EQ(QREvFloatToText(1e15, dot), "1E15");
    EXPECT_EQ(QREvFloatToText(999999999999999.9, dot), "1E15");
    EXPECT_EQ(QREvFloatToText(1234.5678, u','), "1234,5678");
    EXPECT_EQ(QREvFloatToText(std::numeric_limits<double>::infinity(), dot), "INF");
    EXPECT_EQ(QREvFloatToText(-std::numeric_limits<double>::infinity(), dot), "-INF");
    EXPECT_EQ(QREvFloatToText(std::nan(""), dot), "NAN");
}

TEST(TextForm, ValueTexts)
{
    EXPECT_EQ(QREvValueText(TQREvValue::Integer(-42)), "-42");
    EXPECT_EQ(QREvValueText(TQREvValue::Boolean(true)), "True");
    EXPECT_EQ(QREvValueText(TQREvValue::Boolean(false)), "False");
    EXPECT_EQ(QREvValueText(TQREvValue::String("abc")), "abc");
    EXPECT_EQ(QREvValueText(TQREvValue::Error("bad")), "bad");
    EXPECT_EQ(TQREvValue::String(QString(256, u'x')).Text.size(), 255);
    EXPECT_EQ(TQREvValue::Error(QString(300, u'x')).Text.size(), 255);
}

TEST(Evaluator, ComputeWithoutCompileRaises)
{
    TQREvaluator evaluator;
    TQREvValue value;
    EXPECT_THROW(evaluator.Compute(value), EQREvaluatorError);
    evaluator.Compile("1");
    EXPECT_NO_THROW(evaluator.Compute(value));
    evaluator.Discard();
    try {
        evaluator.Compute(value);
        FAIL() << "no exception";
    } catch (const EQREvaluatorError &e) {
        EXPECT_EQ(e.Message(), "Evaluator not prepared");
    }
}

TEST(Evaluator, CompileReplacesAndComputeRepeats)
{
    TQREvaluator evaluator;
    evaluator.Compile("1 + 1");
    EXPECT_INT(evaluator.Compute(), 2);
    EXPECT_INT(evaluator.Compute(), 2);
    evaluator.Compile("'x'");
    EXPECT_STR(evaluator.Compute(), "x");
    EXPECT_TRUE(evaluator.Prepared());
    evaluator.Discard();
    EXPECT_FALSE(evaluator.Prepared());
    EXPECT_EQ(evaluator.Form(), nullptr);
}

TEST(Evaluator, FormIsInPrefixOrder)
{
    TQREvaluator evaluator;
    evaluator.Compile("1 + 2 * 3");
    const TQRFiFo *form = evaluator.Form();
    ASSERT_EQ(form->Count(), 5u);
    auto *add = dynamic_cast<TQREvElementOperator *>(form->At(0));
    auto *mul = dynamic_cast<TQREvElementOperator *>(form->At(2));
    ASSERT_NE(add, nullptr);
    ASSERT_NE(mul, nullptr);
    EXPECT_EQ(add->Operator, okAdd);
    EXPECT_EQ(mul->Operator, okMul);
    EXPECT_NE(dynamic_cast<TQREvElementConstant *>(form->At(1)), nullptr);

    evaluator.Compile("TYPEOF(1)");
    ASSERT_EQ(evaluator.Form()->Count(), 3u);
    EXPECT_TRUE(evaluator.Form()->At(2)->IsArgumentEnd());
}

TEST(Evaluator, OwnDatasetListIsCreatedOnRead)
{
    TQREvaluator evaluator;
    EXPECT_FALSE(evaluator.HasDatasets());
    TQRDatasetList *own = evaluator.Datasets();
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(own->isEmpty());
    EXPECT_EQ(evaluator.Datasets(), own);
    TQRDatasetList mine;
    evaluator.SetDatasets(&mine);
    EXPECT_EQ(evaluator.Datasets(), &mine);
    evaluator.SetDatasets(nullptr);
    EXPECT_FALSE(evaluator.HasDatasets());
}

TEST(Library, LookupIsCaseInsensitiveAndOrdered)
{
    const TQRFunctionLibrary &library = EvFunctionLibrary();
    ASSERT_GE(library.Count(), 21);
    EXPECT_EQ(library.Entry(0)->Name, "IF");
    EXPECT_EQ(library.IndexOf("if"), 0);
    EXPECT_EQ(library.IndexOf("nosuch"), -1);
    EXPECT_EQ(library.Entry(-1), nullptr);
    EXPECT_EQ(library.Entry(library.Count()), nullptr);

    std::unique_ptr<TQREvElement> unknown(library.CreateFunction("nosuch"));
    auto *error = dynamic_cast<TQREvElementError *>(unknown.get());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Message, "Unknown function : nosuch");
    std::unique_ptr<TQREvElement> known(library.CreateFunction("typeof"));
    EXPECT_NE(dynamic_cast<TQREvElementFunction *>(known.get()), nullptr);
}

namespace
{
class TAnswerFunction : public TQREvElementFunction
{
public:
    void Apply(TQREvValue &value) override { value.SetInteger(ArgumentCount() == 0 ? 42 : -ArgumentCount()); }
};
} // namespace

TEST(Library, AddedFunctionsAreCallableAndNotReplaced)
{
    EXPECT_TRUE(AddEvalFunction<TAnswerFunction>("TESTANSWER", "TESTANSWER|test", "tests", "0"));
    EXPECT_FALSE(AddEvalFunction<TAnswerFunction>("IF", "IF|x", "tests", "0"));
    EXPECT_INT(Eval("TESTANSWER"), 42);
    EXPECT_INT(Eval("testanswer(1, 2, 3)"), -3);
    EXPECT_STR(Eval("IF(1 = 1, 'kept', 0)"), "kept");
}
