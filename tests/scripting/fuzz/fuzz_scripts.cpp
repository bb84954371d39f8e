// Runs the section [Band.BeforePrint] of a script of any content (one line per input line). Loops
// without end are stopped through the run's cancel flag after a fixed number of lines, as a user
// pressing Cancel would stop them.
#include "expressions/variables.h"
#include "fuzzsupport.h"
#include "scripting/interpreter.h"

#include <atomic>
#include <cstdint>

namespace
{

// The events hook runs every 64 lines; this many calls end a run.
constexpr int MaxEventCalls = 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSetUp();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList script = text.split(u'\n');

    std::atomic<bool> cancel{false};
    int calls = 0;
    TScriptRunOptions options;
    options.Cancel = &cancel;
    options.ProcessEvents = [&] {
        if (++calls >= MaxEventCalls)
            cancel = true;
    };
    FindScriptSection(script, QStringLiteral("Band"), QStringLiteral("BeforePrint"));
    RunScriptEvent(script, QStringLiteral("Band"), QStringLiteral("BeforePrint"), options);
    // Variables live for the process; each input starts without the last one's.
    QRVariables().Clear();
    return 0;
}
