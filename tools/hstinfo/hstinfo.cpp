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

#include "civil_time.h"
#include "console.h"
#include "file_services.h"
#include "filetime_math.h"
#include "history_header.h"
#include "platform.h"
#include "version.h"

namespace {

using trendtab::HistoryHeader;
using trendtab::Layout;

std::string Format(const SYSTEMTIME& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

std::uint64_t LoadLe(const unsigned char* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | p[i];
    }
    return value;
}

// "UTC | local" of a record's stamp, as the converter would see it.
void PrintStamp(const char* which, const unsigned char* record, Layout layout) {
    std::string utc = "-";
    std::string local = "-";
    if (layout == Layout::Compact) {
        const auto seconds = static_cast<std::int32_t>(LoadLe(record, 4));
        SYSTEMTIME split;
        const std::int64_t ticks =
            (seconds + trendtab::civil::kSecondsFrom1601To1970) * trendtab::civil::kTicksPerSecond;
        const FILETIME ft = trendtab::filetime::FromTicks(static_cast<std::uint64_t>(ticks));
        if (FileTimeToSystemTime(&ft, &split)) {
            utc = Format(split);
        }
        std::tm fields;
        if (trendtab::platform::LocalTimeSnapshot().BreakDown32(seconds, fields)) {
            char text[64];
            std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.000",
                          fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour,
                          fields.tm_min, fields.tm_sec);
            local = text;
        } else {
            local += " (negative stamp: no row)";
        }
        std::printf("%s.seconds: %d\n", which, seconds);
    } else {
        const std::uint64_t ticks = LoadLe(record, 8);
        const FILETIME ft = trendtab::filetime::FromTicks(ticks);
        SYSTEMTIME split;
        SYSTEMTIME shifted;
        if (FileTimeToSystemTime(&ft, &split)) {
            utc = Format(split);
            if (SystemTimeToTzSpecificLocalTime(nullptr, &split, &shifted)) {
                local = Format(shifted);
            }
        }
        std::printf("%s.ticks: %llu\n", which, static_cast<unsigned long long>(ticks));
    }
    std::printf("%s.utc: %s\n%s.local: %s\n", which, utc.c_str(), which, local.c_str());
}

// Everything but the converter's "Tag:" lines.
std::string WithoutTagLines(const std::string& text) {
    std::string kept;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        if (text.compare(pos, 8, "   Tag: ") != 0) {
            kept.append(text, pos, end - pos);
        }
        pos = end;
    }
    return kept;
}

bool Inspect(const std::string& path) {
    std::printf("file: %s\n", path.c_str());
    // Opened as the converter opens it, so a folder gets its message too.
    std::FILE* file = trendtab::platform::OpenForReading(path);
    if (!file) {
        std::printf("    Could not open: %s\nstatus: rejected\n", path.c_str());
        return false;
    }
    HistoryHeader header;
    std::string messages;
    bool ok;
    {
        trendtab::Console console(&messages);
        ok = trendtab::ReadHistoryHeader(file, path, header, console);
    }
    if (!ok) {
        // The converter's own words (none for an incomplete infoFile block), then the verdict.
        const std::string message = WithoutTagLines(messages);
        if (!message.empty()) {
            std::printf("%s%s", message.c_str(), message.back() != '\n' ? "\n" : "");
        }
        std::printf("status: rejected\n");
        std::fclose(file);
        return false;
    }
    // The header is small; the records may lie beyond what a long offset reaches on Windows.
    const std::uint64_t dataStart = static_cast<std::uint64_t>(std::ftell(file));
    std::fclose(file);
    std::ifstream data(path, std::ios::binary | std::ios::ate);
    const std::uint64_t fileSize = static_cast<std::uint64_t>(data.tellg());
    const std::uint64_t dataBytes = fileSize > dataStart ? fileSize - dataStart : 0;
    const std::uint64_t records = header.recordSize ? dataBytes / header.recordSize : 0;
    const std::uint64_t trailing = dataBytes - records * header.recordSize;

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
