// Builds the parameter dialog a descriptor (.cfg) of any content describes, without widgets, as
// tabulon-cfg check does. Profile files its INI sources and macros name are looked up in a
// directory holding sets.ini, so that those paths run too. The report must either succeed or end
// with exactly one error line.
#include "common/profile.h"
#include "fuzzsupport.h"
#include "params/model/descriptorcheck.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_descriptors: %s\n", what);
    std::abort();
}

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSetUp();
    static const QDir dir(FuzzScratchDir());
    static const bool ready =
        writeFile(dir.filePath(QStringLiteral("sets.ini")),
                  "[main]\nx=Sum\ntitle=\"Hello world\"\nday=20240115\n[list]\nItem1=North\nItem2=South\n");
    if (!ready)
        return 0;
    const QString descriptor = dir.filePath(QStringLiteral("fuzz.cfg"));
    if (!writeFile(descriptor, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))))
        return 0;

    const TDescriptorCheck check = CheckDescriptor(descriptor, dir.path());
    int errors = 0;
    for (const QString &line : check.Lines)
        errors += line.startsWith(QLatin1String("error ")) ? 1 : 0;
    if (check.Succeeded ? errors != 0
                        : (errors != 1 || !check.Lines.last().startsWith(QLatin1String("error "))))
        fail("the report is neither a success nor ends with its one error");
    return 0;
}
