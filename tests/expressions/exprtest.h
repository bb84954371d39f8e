#pragma once

#include "common/localesettings.h"
#include "expressions/environment.h"
#include "expressions/evaluator.h"
#include "expressions/value.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable failure output.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(TQREvResultType kind, std::ostream *os)
{
    *os << QREvKindName(kind).toStdString();
}

namespace exprtest
{

// Compiles and computes once.
inline TQREvValue Eval(const QString &text, TQREvEnvironment *environment = nullptr,
                       TQRDatasetList *datasets = nullptr)
{
    TQREvaluator evaluator;
    evaluator.SetEnvironment(environment);
    if (datasets)
        evaluator.SetDatasets(datasets);
    TQREvValue value;
    evaluator.ComputeText(text, value);
    return value;
}

// Switches the process-wide locale for one test.
class LocaleGuard
{
public:
    explicit LocaleGuard(const QString &name) : m_saved(LocaleSettings()) { LocaleSettings().Load(name); }
    ~LocaleGuard() { LocaleSettings() = m_saved; }

private:
    TLocaleSettings m_saved;
};

} // namespace exprtest

#define EXPECT_INT(value, expected)                                                                          \
    do {                                                                                                     \
        const TQREvValue v_ = (value);                                                                       \
        EXPECT_EQ(v_.ValueKind, rkInteger) << qPrintable(v_.Text);                                           \
        EXPECT_EQ(v_.IntValue, (expected));                                                                  \
    } while (0)

#define EXPECT_FLOAT_VALUE(value, expected)                                                                  \
    do {                                                                                                     \
        const TQREvValue v_ = (value);                                                                       \
        EXPECT_EQ(v_.ValueKind, rkFloat) << qPrintable(v_.Text);                                             \
        EXPECT_DOUBLE_EQ(v_.FloatValue, (expected));                                                         \
    } while (0)

#define EXPECT_STR(value, expected)                                                                          \
    do {                                                                                                     \
        const TQREvValue v_ = (value);                                                                       \
        EXPECT_EQ(v_.ValueKind, rkString) << qPrintable(v_.Text);                                            \
        EXPECT_EQ(v_.Text, QString(expected));                                                               \
    } while (0)

#define EXPECT_BOOL(value, expected)                                                                         \
    do {                                                                                                     \
        const TQREvValue v_ = (value);                                                                       \
        EXPECT_EQ(v_.ValueKind, rkBoolean) << qPrintable(v_.Text);                                           \
        EXPECT_EQ(v_.BoolValue, (expected));                                                                 \
    } while (0)

#define EXPECT_ERR(value, expected)                                                                          \
    do {                                                                                                     \
        const TQREvValue v_ = (value);                                                                       \
        EXPECT_EQ(v_.ValueKind, rkError);                                                                    \
        EXPECT_EQ(v_.Text, QString(expected));                                                               \
    } while (0)
