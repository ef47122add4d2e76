// A fresh directory for the files a fuzz target writes, memory-backed where possible.
#pragma once

#include <unistd.h>

#include <cstdlib>
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
    return directory;
}
