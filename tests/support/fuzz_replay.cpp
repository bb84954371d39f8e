// Runs a fuzz target's entry point over files instead of under libFuzzer: each argument is an
// input file or a directory of them. Used by the NAME_replay tests, so that every build compiles
// the fuzz targets and feeds them their seeds; an input that crashes or trips a sanitizer fails.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace
{

bool runFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "input %s (%zu bytes)\n", path.c_str(), bytes.size());
    // libFuzzer never passes a null pointer, not even for empty input; neither do we.
    static const std::uint8_t empty = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &empty : reinterpret_cast<const std::uint8_t *>(bytes.data()),
                           bytes.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(arg)) {
            for (const auto &entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                    files.push_back(entry.path());
        } else {
            files.push_back(arg);
        }
        std::sort(files.begin(), files.end());
        for (const auto &file : files) {
            if (!runFile(file))
                return 1;
            ++inputs;
        }
    }
    std::fprintf(stderr, "%d input(s) replayed\n", inputs);
    // No inputs means the seed corpus went missing: a silent pass would hide that.
    return inputs > 0 ? 0 : 1;
}
