#include "convert.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "build_flavor.h"
#include "console.h"
#include "file_services.h"
#include "history_header.h"
#include "record_reader.h"
#include "record_time.h"
#include "replaced_output.h"
#include "row_format.h"
#include "row_format_variants.h"
#include "text_output.h"
#include "value_columns.h"

namespace trendtab {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

std::int32_t LoadI32(const unsigned char* p) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

// A date piece and a time piece with milliseconds, each with its separator.
constexpr std::size_t kLongestRowStart = 2 * fast::kMaxDateTimePiece;

// Lexicographic order of (hour, minute, second).
int CompareTimeOfDay(const RecordTime& time, const TimeOfDay& bound) {
    if (time.hour != bound.hour) {
        return time.hour < bound.hour ? -1 : 1;
    }
    if (time.minute != bound.minute) {
        return time.minute < bound.minute ? -1 : 1;
    }
    if (time.second != bound.second) {
        return time.second < bound.second ? -1 : 1;
    }
    return 0;
}

// Streams the records into rows. False when writing the .txt failed.
bool ConvertRecords(std::FILE* history, const HistoryHeader& header, const ConvertOptions& options,
                    TextOutput& text, Console& console) {
    const bool compact = header.layout() == Layout::Compact;
    const int tagCount = header.numTags;
    RecordReader reader(history, header.recordSize);
    const StampDecoder stamps;
    ValueColumns values(header.layout(), tagCount, options.separator, options.extended);
    std::string row;
    const std::size_t valuesOffset = compact ? kCompactStampSize : kWideStampSize;
    std::int64_t line = 1;
    std::int32_t decimation = options.everyN;

    while (const unsigned char* record = reader.Next()) {
        console.Progress(line++);
        RecordTime time;
        if (compact) {
            if (!stamps.DecodeCompact(LoadI32(record), time)) {
                continue;
            }
        } else {
            stamps.DecodeWide(record, time);
        }
        if (options.hasStart && CompareTimeOfDay(time, options.start) < 0) {
            continue;
        }
        if (options.hasFinish && CompareTimeOfDay(time, options.finish) > 0) {
            continue;
        }
        if (options.everyN > 1) {
            if (decimation != options.everyN) {
                ++decimation;
                continue;
            }
            decimation = 1;
        }

        if constexpr (kPlainBuild) {
            // Piece by piece into a row, handed to the runtime's buffered output.
            row.clear();
            AppendDatePiece(row, time, options.separator);
            AppendTimePiece(row, time, options.separator, options.withMilliseconds);
            values.Append(row, record + valuesOffset);
            row += '\n';
            if (!text.WriteRow(row)) {
                return false;
            }
        } else {
            char* out = text.RowStart();
            out = fast::PutDatePiece(out, time, options.separator);
            out = fast::PutTimePiece(out, time, options.separator, options.withMilliseconds);
            out = values.Put(out, record + valuesOffset);
            *out++ = '\n';
            if (!text.EndRow(out)) {
                return false;
            }
        }
    }
    return true;
}

// Writes the tag list. False when it could not be written whole.
bool WriteHeaderFile(ReplacedOutput& file, const HistoryHeader& header) {
    bool ok = std::fprintf(file.file(), "%d\n", header.numTags) >= 0;
    for (const std::string& name : header.tagNames) {
        ok = ok && std::fprintf(file.file(), "%s                \n", name.c_str()) >= 0;
    }
    return file.Close() && ok;
}

}  // namespace

std::string DeriveOutputName(const std::string& path, const char* extension) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < platform::FileNameStart(path)) {
        return std::string();
    }
    return path.substr(0, dot) + extension;
}

bool ConvertHistoryFile(const std::string& path, const ConvertOptions& options) {
    Console console;
    const std::string txtName = DeriveOutputName(path, ".txt");
    const std::string hdrName = DeriveOutputName(path, ".hdr");
    // An input named like its own output, or reached through it by a link, would be destroyed
    // by creating that output.
    if (txtName.empty() || platform::SamePathName(txtName, path) ||
        platform::SamePathName(hdrName, path) || platform::SameFile(txtName, path) ||
        platform::SameFile(hdrName, path)) {
        console.Print("Invalid filename: %s\n", path.c_str());
        return false;
    }
    console.Print("\n* Creating file %s\n", txtName.c_str());

    // Read only: read-only files, shares and archives convert too.
    UniqueFile history(platform::OpenForReading(path));
    if (!history) {
        console.Print("    Could not open: %s\n", path.c_str());
        return false;
    }
    // Both outputs go to temporaries and replace the old pair only once everything succeeded.
    ReplacedOutput txtFile(txtName, ReplacedOutput::Mode::Text);
    if (!txtFile.Open()) {
        history.reset();
        console.Print("    Could not create: %s\n", txtName.c_str());
        return false;
    }
    TextOutput text(txtFile.Release(),
                    kLongestRowStart + ValueColumns::LongestPieces(kMaxTags) + 1);

    HistoryHeader header;
    if (!ReadHistoryHeader(history.get(), path, header, console)) {
        return false;
    }
    const bool recordsWritten = ConvertRecords(history.get(), header, options, text, console);
    history.reset();
    if (!text.Close() || !recordsWritten) {
        console.EndProgressLine();
        console.Print("    Could not write: %s\n", txtName.c_str());
        return false;
    }

    console.Print("\n   => Creating file %s\n", hdrName.c_str());
    ReplacedOutput hdrFile(hdrName, ReplacedOutput::Mode::Text);
    if (!hdrFile.Open()) {
        console.Print("    Could not create: %s\n", hdrName.c_str());
        return false;
    }
    if (!WriteHeaderFile(hdrFile, header)) {
        console.Print("    Could not write: %s\n", hdrName.c_str());
        return false;
    }

    // No interruption between the two renames: a .txt without its .hdr is what this prevents.
    const platform::InterruptionHold hold;
    if (!txtFile.Commit()) {
        console.Print("    Could not create: %s\n", txtName.c_str());
        return false;
    }
    if (!hdrFile.Commit()) {
        // The old tag list would describe another .txt.
        platform::RemoveFile(hdrName);
        console.Print("    Could not create: %s\n", hdrName.c_str());
        return false;
    }
    return true;
}

}  // namespace trendtab
