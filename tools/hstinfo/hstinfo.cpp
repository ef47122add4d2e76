// hstinfo: what is in a history file before converting it. Read-only; one "field: value" per line.
//
//   hstinfo FILE...
//
// Exit status: 0 when every file could be read, 1 when one could not or the converter would
// reject it (with the converter's own message), 2 for bad arguments.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "history/history_file.h"
#include "history/little_endian.h"
#include "history/rejection_message.h"
#include "history/stamp_decoder.h"
#include "history/stamp_ticks.h"
#include "timelib/civil_time.h"
#include "trendtab/version.h"

namespace {

using trendtab::HistoryHeader;
using trendtab::Layout;

std::string Format(const trendtab::civil::CivilTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d.%03d",
                  static_cast<long long>(t.year), t.month, t.day, t.hour, t.minute, t.second,
                  t.millisecond);
    return text;
}

// "UTC | local" of a record's stamp; the local time as the converter shows it.
void PrintStamp(const char* which, const unsigned char* record, Layout layout) {
    std::string utc = "-";
    std::string local = "-";
    const bool compact = layout == Layout::Compact;
    std::int64_t seconds = 0;
    std::uint64_t ticks = 0;
    if (compact) {
        seconds = trendtab::LoadLittleEndian<std::int32_t>(record);
        std::printf("%s.seconds: %lld\n", which, static_cast<long long>(seconds));
        ticks = trendtab::CompactStampTicks(static_cast<std::int32_t>(seconds));
    } else {
        ticks = trendtab::LoadLittleEndian<std::uint64_t>(record);
        std::printf("%s.ticks: %llu\n", which, static_cast<unsigned long long>(ticks));
    }
    // FILETIMEs of 2^63 ticks and more name no time.
    const bool valid = ticks < trendtab::civil::kFirstInvalidTicks;
    if (valid) {
        utc = Format(trendtab::civil::CivilFromTicks(ticks));
    }
    trendtab::RecordTime time;
    if (!trendtab::FileStampDecoder(layout).Decode(record, time)) {
        local += " (negative stamp: no row)";
    } else if (valid) {
        char text[96];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", time.year1900 + 1900,
                      time.month0 + 1, time.day, time.hour, time.minute, time.second,
                      time.milliseconds);
        local = text;
    }
    std::printf("%s.utc: %s\n%s.local: %s\n", which, utc.c_str(), which, local.c_str());
}

bool Inspect(const std::string& path) {
    std::printf("file: %s\n", path.c_str());
    const trendtab::OpenedHistoryFile opened = trendtab::OpenHistoryFile(path);
    const trendtab::HistoryFile& info = opened.info;
    if (!info.ok()) {
        // The converter's own words (none for an incomplete infoFile block), then the verdict.
        const std::string message = trendtab::RejectionMessage(info.error, path);
        if (!message.empty()) {
            std::printf("%s%s", message.c_str(), message.back() != '\n' ? "\n" : "");
        }
        std::printf("status: rejected\n");
        return false;
    }
    const HistoryHeader& header = info.header;
    const std::uint64_t dataStart = info.recordStart;
    const std::uint64_t records = info.recordCount;
    const std::uint64_t trailing = info.trailingBytes;
    // The records may lie beyond what a long offset reaches on Windows.
    std::ifstream data(path, std::ios::binary);

    const bool compact = header.layout() == Layout::Compact;
    std::printf("status: ok\nlayout: %s\n", compact ? "compact" : "wide");
    std::printf("type: %d\nrecordSize: %u\n", header.type, header.recordSize);
    if (!compact) {
        std::printf("tagTextSize: %u\n", header.tagTextSize);
    }
    std::printf("numTags: %d\n", header.numTags);
    for (std::size_t i = 0; i < header.tagNames.size(); ++i) {
        std::printf("tag.%zu: %s\n", i + 1, header.tagNames[i].c_str());
        if (!compact) {
            std::printf("tag.%zu.second: %s\n", i + 1, header.tagSecondFields[i].c_str());
        }
    }
    std::printf("records: %llu\ntrailingBytes: %llu\n", static_cast<unsigned long long>(records),
                static_cast<unsigned long long>(trailing));
    if (records > 0) {
        std::string record(header.recordSize, '\0');
        auto stampOf = [&](std::uint64_t index, const char* which) {
            data.seekg(static_cast<std::streamoff>(dataStart + index * header.recordSize));
            if (data.read(record.data(), static_cast<std::streamsize>(record.size()))) {
                PrintStamp(which, reinterpret_cast<const unsigned char*>(record.data()),
                           header.layout());
            }
        };
        stampOf(0, "first");
        stampOf(records - 1, "last");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(argc < 2 ? stderr : stdout, "usage: hstinfo FILE...\n");
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("hstinfo %s\n", trendtab::kVersion);
        return 0;
    }
    bool allGood = true;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            std::printf("\n");
        }
        allGood = Inspect(argv[i]) && allGood;
    }
    return allGood ? 0 : 1;
}
