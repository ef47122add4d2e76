// Fuzz target: the whole conversion of one history file from arbitrary bytes. The first bytes
// choose the options (the same way the command line would give them); the rest is the file.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/options.h"
#include "fuzz/scratch_directory.h"

namespace {

std::string g_directory;

// The options come from up to five NUL-terminated arguments at the start of the input, ended by
// an empty one; an input without that ending converts with the defaults.
std::size_t ScanFuzzedOptions(const std::uint8_t* data, std::size_t size,
                              trendtab::ConvertOptions& options) {
    std::vector<std::string> args = {"trendtab", "f.hst"};
    std::size_t pos = 0;
    while (pos < size && args.size() < 8) {
        std::size_t end = pos;
        while (end < size && data[end] != 0) {
            ++end;
        }
        if (end == size) {
            return 0;
        }
        if (end == pos) {
            pos = end + 1;
            std::vector<const char*> argv;
            for (const std::string& arg : args) {
                argv.push_back(arg.c_str());
            }
            trendtab::ConvertOptions scanned;
            if (trendtab::ScanOptions(static_cast<int>(argv.size()), argv.data(), scanned)) {
                options = scanned;
            }
            return pos;
        }
        args.emplace_back(reinterpret_cast<const char*>(data + pos), end - pos);
        pos = end + 1;
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Console text (a progress line per record) would drown the fuzzer's own output.
    if (!std::freopen("/dev/null", "w", stdout)) {
        std::abort();
    }
    g_directory = MakeScratchDirectory();  // the target writes three files per input
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    trendtab::ConvertOptions options;
    const std::size_t start = ScanFuzzedOptions(data, size, options);
    const std::string path = g_directory + "/f.hst";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::abort();
    }
    std::fwrite(data + start, 1, size - start, file);
    std::fclose(file);
    trendtab::ConvertHistoryFile(path, options);
    // The input must come out untouched.
    file = std::fopen(path.c_str(), "rb");
    std::vector<std::uint8_t> after(size - start + 1);
    const std::size_t got = std::fread(after.data(), 1, after.size(), file);
    std::fclose(file);
    if (got != size - start || !std::equal(data + start, data + size, after.begin())) {
        std::abort();
    }
    return 0;
}
