// Fuzz target: the reading core on arbitrary bytes. A sound file's geometry must add up to its
// size, and the cursor must hand out exactly the records the geometry counts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/scratch_directory.h"
#include "history/history_file.h"
#include "history/record_cursor.h"

namespace {
std::string g_path;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_path = MakeScratchDirectory() + "/f.hst";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* out = std::fopen(g_path.c_str(), "wb");
    if (!out) {
        std::abort();
    }
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    const trendtab::OpenedHistoryFile opened = trendtab::OpenHistoryFile(g_path);
    const trendtab::HistoryFile& info = opened.info;
    if (!info.ok()) {
        return 0;
    }
    const std::size_t recordSize = info.header.recordSize;
    if (info.recordStart + info.recordCount * recordSize + info.trailingBytes != size) {
        std::abort();
    }
    trendtab::RecordCursor cursor(opened.file.get(), recordSize, 64);
    std::uint64_t records = 0;
    for (trendtab::RecordSpan span = cursor.Next(); !span.empty(); span = cursor.Next()) {
        records += span.count;
    }
    if (records != info.recordCount) {
        std::abort();
    }
    return 0;
}
