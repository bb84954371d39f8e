// Reads a profile (INI) file of any content through every read call, then writes into it: a
// written value must read back as written (its blanks and quotes too), and a deleted key or section must be
// gone.
#include "common/profile.h"
#include "fuzzsupport.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_profile: %s\n", what);
    std::abort();
}

// A file's sections and keys are read whatever their number, but only the first ones are asked
// for one by one: more only repeat the same paths.
constexpr int MaxAsked = 16;

void readEverything(const TIniFile &ini)
{
    const QStringList sections = ini.ReadSections();
    for (int s = 0; s < sections.size() && s < MaxAsked; ++s) {
        const QString &section = sections.at(s);
        if (!ini.SectionExists(section))
            fail("a listed section does not exist");
        ini.ReadSectionValues(section);
        const QStringList keys = ini.ReadSection(section);
        for (int k = 0; k < keys.size() && k < MaxAsked; ++k) {
            const QString &key = keys.at(k);
            if (!ini.ValueExists(section, key))
                fail("a listed key does not exist");
            QString raw;
            if (!ini.ReadRawString(section, key, raw))
                fail("a listed key has no raw value");
            if (ini.ReadString(section, key, QString()) != TIniFile::UnquoteValue(raw))
                fail("a read value is not its unquoted raw value");
            ini.ReadInteger(section, key, 0);
            ini.ReadBool(section, key, false);
            ini.ReadFloat(section, key, 0.0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSetUp();
    const QString fileName = QDir(FuzzScratchDir()).filePath(QStringLiteral("fuzz.ini"));
    {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    {
        TIniFile ini(fileName);
        readEverything(ini);
        const QStringList sections = ini.ReadSections();
        // Into a section the file has and into one it has not.
        const QString section = sections.isEmpty() ? QStringLiteral("Fuzz") : sections.first();
        const QString value = QStringLiteral(" \"quoted\" = [value] ");
        if (ini.WriteString(section, QStringLiteral("Written"), value)) {
            if (ini.ReadString(section, QStringLiteral("Written"), QString()) != value)
                fail("a written value reads back different");
        }
        if (ini.WriteInteger(QStringLiteral("New section"), QStringLiteral("n"), -42) &&
            ini.ReadInteger(QStringLiteral("New section"), QStringLiteral("n"), 0) != -42)
            fail("a written integer reads back different");
        if (ini.DeleteKey(section, QStringLiteral("Written")) &&
            ini.ValueExists(section, QStringLiteral("Written")))
            fail("a deleted key is still there");
        if (!sections.isEmpty() && ini.EraseSection(sections.last()) && ini.SectionExists(sections.last()))
            fail("an erased section is still there");
    }

    // What was written must read again from a fresh start.
    TIniFile again(fileName);
    readEverything(again);
    return 0;
}
