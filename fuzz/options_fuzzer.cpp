// Fuzz target: the option scan from arbitrary argument vectors (arguments split at NUL bytes).
#include <cstdint>
#include <string>
#include <vector>

#include "converter/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args = {"trendtab"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    trendtab::ConvertOptions options;
    const bool good = trendtab::ScanOptions(static_cast<int>(argv.size()), argv.data(), options);
    // More than five options can never be accepted.
    if (good && argv.size() > 7) {
        __builtin_trap();
    }
    return 0;
}
