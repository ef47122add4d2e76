// The trend history file (.hst), and the opening and checking of one: the header, the tag table
// and where the records lie. Nothing here prints; failures come back as values
// (rejection_message.h has the converter's words for them).
//
// A file is four regions back to back, with no gaps or alignment; every field is little-endian.
//
//   infoFile block: 6 bytes in the compact layout, 16 in the wide one
//     offset 0  int16   type         2 selects the compact layout, any other value the wide one
//     offset 2  2 bytes              not interpreted
//     offset 4  uint16  recordSize   bytes per record
//     offset 6  uint16  tagTextSize  wide only: bytes of tag text
//     offset 8  8 bytes              wide only: not interpreted
//   infoHead block: 54 bytes
//     offset 0  52 bytes             not interpreted
//     offset 52 int16   numTags      0 to 250
//   tag table
//     compact: numTags slots of 256 bytes. A name is its slot up to the first NUL or line feed,
//              all 256 bytes where there is neither.
//     wide:    tagTextSize bytes of 8-bit text, no terminator. Fields are split at TABs as strtok
//              splits them (a run of TABs is one separator, no field is empty) and a NUL ends the
//              text. The fields pair up, one pair per tag in order: the name, then a second field
//              the converter does not use. Pairs beyond numTags are ignored.
//   records, recordSize bytes each, to the end of the file; bytes that do not make up a whole
//   record at the end are ignored. A record is a stamp, then one value per tag:
//     compact: int32 seconds since 1970-01-01 00:00:00 UTC, then numTags IEEE singles
//     wide:    uint64 FILETIME ticks (100 ns since 1601-01-01 00:00:00 UTC), then numTags
//              IEEE doubles
//     Bytes past the values, up to recordSize, are not interpreted. A recordSize of 0 means no
//     records; one too small for the stamp and the values makes the file invalid.
//
// Reading a file (record_cursor.h, stamp_decoder.h):
//
//   const OpenedHistoryFile opened = OpenHistoryFile(path);
//   if (!opened.info.ok()) { report RejectionMessage(opened.info.error, path); return; }
//   const HistoryHeader& header = opened.info.header;
//   RecordCursor cursor(opened.file.get(), header.recordSize);
//   FileStampDecoder stamps(header.layout());
//   for (RecordSpan span = cursor.Next(); !span.empty(); span = cursor.Next()) {
//       for (std::size_t i = 0; i < span.count; ++i) {
//           const unsigned char* record = span.Record(i);  // values at header.StampSize()
//           RecordTime time;
//           if (stamps.Decode(record, time)) { ... }
//       }
//   }
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace trendtab {

enum class Layout { Compact, Wide };

inline constexpr std::int16_t kCompactType = 2;  // any other type is the wide layout
inline constexpr std::size_t kCompactInfoFileSize = 6;
inline constexpr std::size_t kWideInfoFileSize = 16;
inline constexpr std::size_t kInfoHeadSize = 54;
inline constexpr std::size_t kNumTagsOffsetInHead = 52;
inline constexpr std::size_t kCompactSlotSize = 256;
inline constexpr int kMaxTags = 250;

inline constexpr std::size_t kCompactStampSize = 4;  // signed seconds since 1970 (UTC)
inline constexpr std::size_t kCompactValueSize = 4;  // IEEE single
inline constexpr std::size_t kWideStampSize = 8;     // FILETIME ticks (UTC)
inline constexpr std::size_t kWideValueSize = 8;     // IEEE double

struct HistoryHeader {
    std::int16_t type = 0;
    std::uint16_t recordSize = 0;   // bytes per record
    std::uint16_t tagTextSize = 0;  // wide layout only: bytes of tag text
    std::int16_t numTags = 0;       // 0 to 250 once checked
    std::vector<std::string> tagNames;
    std::vector<std::string> tagSecondFields;  // wide layout only; "" where the file has none

    Layout layout() const { return type == kCompactType ? Layout::Compact : Layout::Wide; }
    std::size_t StampSize() const;  // where a record's values begin
    std::size_t ValueSize() const;  // bytes per value
    // Bytes a record needs for its stamp and numTags values.
    std::size_t MinimumRecordSize() const;
};

// Why a file was refused, in the order the checks run.
enum class HistoryError {
    None,
    CannotOpen,          // OpenHistoryFile only: the file could not be opened for reading
    TypeMissing,         // fewer than 2 bytes
    InfoFileIncomplete,  // the infoFile block cut short (reported by no message)
    InfoHeadIncomplete,  // the infoHead block cut short
    TagCountOutOfRange,  // numTags outside 0..250
    TagTableCutShort,    // the end of the file comes inside the tag table
    TagNamesMissing,     // wide: fewer name / second-field pairs than numTags
    RecordTooSmall,      // recordSize above 0 but below MinimumRecordSize()
};

// What opening a history file found.
struct HistoryFile {
    // The fields read so far. After a failure in the tag table, the names read before it are
    // kept (the converter lists them before its message).
    HistoryHeader header;
    HistoryError error = HistoryError::None;
    std::uint64_t recordStart = 0;    // file offset of the first record
    std::uint64_t recordCount = 0;    // whole records in the file (0 for recordSize 0)
    std::uint64_t trailingBytes = 0;  // bytes after the last whole record

    bool ok() const { return error == HistoryError::None; }
};

// Reads and checks the header and tag table from the start of `file`, leaving it at the first
// record when they are sound. The record geometry comes from the size of the open file (counts
// stay 0 if the system cannot say).
HistoryFile ReadHistoryFile(std::FILE* file);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// A history file opened for reading only, as the converter opens it, and checked; `file` stands at
// the first record when `info.ok()`, and is null when the file could not be opened (a folder, say).
struct OpenedHistoryFile {
    UniqueFile file;
    HistoryFile info;
};
OpenedHistoryFile OpenHistoryFile(const std::string& path);

// The name in a compact tag slot: up to its first NUL or line feed, all bytes if it has neither.
std::string CompactSlotName(const char* slot, std::size_t size);

// Splits wide tag text into name / second-field pairs the way the runtime's strtok splits on TAB:
// runs of TABs are one separator, empty fields do not occur, and a NUL ends the text. At most
// `numTags` pairs are taken; fewer means the file is invalid.
void SplitWideTagText(const std::string& text, int numTags, std::vector<std::string>& names,
                      std::vector<std::string>& secondFields);

}  // namespace trendtab
