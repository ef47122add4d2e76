// hstinfo: what is in a history file before converting it. Read-only; one "field: value" per line.
//
//   hstinfo [--] FILE...
//
// Exit status: 0 when every file could be read, 1 when one could not or the converter would
// reject it (with the converter's own message), 2 for bad arguments.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "history/little_endian.h"
#include "history/output_names.h"
#include "history/rejection_message.h"
#include "history/stamp_decoder.h"
#include "history/stamp_ticks.h"
#include "platform/process_setup.h"
#include "platform/terminal.h"
#include "platform/file_services.h"
#include "platform/standard_streams.h"
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
    // Checked before opening, as the converter does: such a file is refused whatever it holds.
    if (!trendtab::HasOwnOutputNames(path)) {
        std::printf("%sstatus: rejected\n", trendtab::InvalidFilenameMessage(path).c_str());
        return false;
    }
    errno = 0;
    const trendtab::OpenedHistoryFile opened = trendtab::OpenHistoryFile(path);
    const trendtab::HistoryFile& info = opened.info;
    if (info.error == trendtab::HistoryError::CannotOpen && errno == EINVAL) {
        std::printf("    Could not open: %s: not a regular file\nstatus: rejected\n", path.c_str());
        return false;
    }
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
        // From the file opened once, within its snapshot (it may grow meanwhile).
        auto stampOf = [&](std::uint64_t index, const char* which) {
            std::FILE* data = opened.file.get();
            if (trendtab::platform::SeekTo(data, dataStart + index * header.recordSize) &&
                std::fread(record.data(), 1, record.size(), data) == record.size()) {
                PrintStamp(which, reinterpret_cast<const unsigned char*>(record.data()),
                           header.layout());
            }
        };
        stampOf(0, "first");
        stampOf(records - 1, "last");
    }
    return true;
}

const char* const kUsage = "usage: hstinfo [--] FILE...\n       hstinfo -h | --help | --version\n";

}  // namespace

int main(int argc, char** argv) {
    trendtab::platform::SetUpStandardStreams();
    trendtab::platform::UseUtf8Console();
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnded && trendtab::IsPlatformHelpRequest(argument)) {
            std::printf("%s", kUsage);
            return 0;
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            std::printf("%s", kUsage);
            return 0;
        } else if (argument == "--version") {
            std::printf("hstinfo %s\n", trendtab::kVersion);
            return 0;
        } else {
            // A misspelt option is a bad command line, not a file that cannot be opened.
            std::fprintf(stderr, "hstinfo: unknown option: %s\n%s", argument.c_str(), kUsage);
            return 2;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    bool allGood = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) {
            std::printf("\n");
        }
        allGood = Inspect(files[i]) && allGood;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "hstinfo: cannot write the standard output: %s\n",
                     std::strerror(errno));
        return 1;
    }
    return allGood ? 0 : 1;
}
