// libFuzzer target: any bytes, read as UTF-8 or as Latin-1, go through Compile and Compute. Every
// input must give a value (an error value is fine) without crashing or raising.

#include "expressions/environment.h"
#include "expressions/evaluator.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{

TQREvEnvironment &environment()
{
    static TQREvEnvironment *env = [] {
        auto *e = new TQREvEnvironment;
        e->AddVariable("A", "[B] + 1");
        e->AddVariable("B", "[A] + 1");
        e->AddVariable("N", "42");
        e->AddVariable("S", "'text'");
        e->Engage();
        return e;
    }();
    return *env;
}

void check(const QString &text)
{
    TQREvaluator evaluator;
    evaluator.SetEnvironment(&environment());
    evaluator.Compile(text);
    TQREvValue value;
    evaluator.Compute(value);
    if (value.Text.size() > QREvMaxTextLength)
        std::abort();
    evaluator.Accumulate();
    evaluator.Compute(value);
    evaluator.ResetAggregates();
    evaluator.Compute(value);
    evaluator.Discard();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSetUp();
    const char *bytes = reinterpret_cast<const char *>(data);
    check(QString::fromUtf8(bytes, qsizetype(size)));
    check(QString::fromLatin1(bytes, qsizetype(size)));
    return 0;
}
