#include "convert.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "build_flavor.h"
#include "console.h"
#include "history_header.h"
#include "platform.h"
#include "record_pipeline.h"
#include "record_reader.h"
#include "record_time.h"
#include "row_format.h"
#include "row_format_variants.h"
#include "row_selection.h"
#include "text_output.h"
#include "value_columns.h"

namespace trendtab {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// A date piece and a time piece with milliseconds, each with its separator.
constexpr std::size_t kLongestRowStart = 2 * fast::kMaxDateTimePiece;

// Streams the records into rows. False when writing the .txt failed.
bool ConvertRecords(std::FILE* history, const HistoryHeader& header, const ConvertOptions& options,
                    TextOutput& text, Console& console) {
    if constexpr (!kPlainBuild) {
        return ConvertRecordsInBlocks(history, header, options, text, console);
    }
    // One record at a time, each row piece by piece, handed to the runtime's buffered output.
    const bool compact = header.layout() == Layout::Compact;
    RecordReader reader(history, header.recordSize);
    ValueColumns values(header.layout(), header.numTags, options.separator, options.extended);
    const StampDecoder stamps;
    RowSelection selection(options);
    std::string row;
    const std::size_t valuesOffset = compact ? kCompactStampSize : kWideStampSize;
    std::int64_t line = 1;

    while (const unsigned char* record = reader.Next()) {
        console.Progress(line++);
        RecordTime time;
        if (compact) {
            if (!stamps.DecodeCompact(CompactStampOf(record), time)) {
                continue;
            }
        } else {
            stamps.DecodeWide(record, time);
        }
        if (!selection.Keep(time)) {
            continue;
        }
        row.clear();
        AppendDatePiece(row, time, options.separator);
        AppendTimePiece(row, time, options.separator, options.withMilliseconds);
        values.Append(row, record + valuesOffset);
        row += '\n';
        if (!text.WriteRow(row)) {
            return false;
        }
    }
    return true;
}

// Writes the tag list. False when the file could be created but not written.
bool WriteHeaderFile(std::FILE* file, const HistoryHeader& header) {
    bool ok = std::fprintf(file, "%d\n", header.numTags) >= 0;
    for (const std::string& name : header.tagNames) {
        ok = ok && std::fprintf(file, "%s                \n", name.c_str()) >= 0;
    }
    return (std::fclose(file) == 0) && ok;
}

}  // namespace

std::string DeriveOutputName(const std::string& path, const char* extension) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return std::string();
    }
    return path.substr(0, dot) + extension;
}

void ConvertHistoryFile(const std::string& path, const ConvertOptions& options) {
    Console console;
    const std::string txtName = DeriveOutputName(path, ".txt");
    const std::string hdrName = DeriveOutputName(path, ".hdr");
    // An input named like its own output, or reached through it by a link, would be destroyed
    // by creating that output.
    if (txtName.empty() || platform::SamePathName(txtName, path) ||
        platform::SamePathName(hdrName, path) || platform::SameFile(txtName, path) ||
        platform::SameFile(hdrName, path)) {
        console.Print("Invalid filename: %s\n", path.c_str());
        return;
    }
    console.Print("\n* Creating file %s\n", txtName.c_str());

    UniqueFile history(std::fopen(path.c_str(), "r+b"));
    if (!history) {
        console.Print("    Could not open: %s\n", path.c_str());
        return;
    }
    std::FILE* txtFile = std::fopen(txtName.c_str(), "wt");
    if (!txtFile) {
        history.reset();
        console.Print("    Could not create: %s\n", txtName.c_str());
        return;
    }
    TextOutput text(txtFile, kLongestRowStart + ValueColumns::LongestPieces(kMaxTags) + 1);

    HistoryHeader header;
    if (!ReadHistoryHeader(history.get(), path, header, console)) {
        return;
    }
    const bool recordsWritten = ConvertRecords(history.get(), header, options, text, console);
    history.reset();
    if (!text.Close() || !recordsWritten) {
        console.Print("    Could not write: %s\n", txtName.c_str());
        return;
    }

    console.Print("\n   => Creating file %s\n", hdrName.c_str());
    std::FILE* hdrFile = std::fopen(hdrName.c_str(), "wt");
    if (!hdrFile) {
        console.Print("    Could not create: %s\n", hdrName.c_str());
        return;
    }
    if (!WriteHeaderFile(hdrFile, header)) {
        console.Print("    Could not write: %s\n", hdrName.c_str());
    }
}

}  // namespace trendtab
