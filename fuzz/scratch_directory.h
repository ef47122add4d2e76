// A fresh directory for the files a fuzz target writes, memory-backed where possible, removed with
// what is in it when the process exits normally (the fuzzer's run limit ends with exit()).
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string MakeScratchDirectory() {
    char memory[] = "/dev/shm/trendtab-fuzz-XXXXXX";
    char disk[] = "/tmp/trendtab-fuzz-XXXXXX";
    const char* directory = mkdtemp(memory);
    if (!directory) {
        directory = mkdtemp(disk);
    }
    if (!directory) {
        std::abort();
    }
    struct RemovedAtExit {
        std::filesystem::path path;
        ~RemovedAtExit() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static RemovedAtExit removed{directory};
    return directory;
}
