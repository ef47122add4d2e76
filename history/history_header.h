// The trend history file format (.hst) and the reading of its header and tag table.
//
// A file is four regions back to back, all little-endian: the infoFile block (6 bytes compact,
// 16 bytes wide), the 54-byte infoHead block, the tag table, then fixed-size records.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace trendtab {

class Console;

enum class Layout { Compact, Wide };

inline constexpr std::int16_t kCompactType = 2;  // any other type is the wide layout
inline constexpr std::size_t kCompactInfoFileSize = 6;
inline constexpr std::size_t kWideInfoFileSize = 16;
inline constexpr std::size_t kInfoHeadSize = 54;
inline constexpr std::size_t kNumTagsOffsetInHead = 52;
inline constexpr std::size_t kCompactSlotSize = 256;
inline constexpr int kMaxTags = 250;

// Record layout: a stamp, then one value per tag.
inline constexpr std::size_t kCompactStampSize = 4;  // signed seconds since 1970 (UTC)
inline constexpr std::size_t kCompactValueSize = 4;  // IEEE single
inline constexpr std::size_t kWideStampSize = 8;     // FILETIME ticks (UTC)
inline constexpr std::size_t kWideValueSize = 8;     // IEEE double

struct HistoryHeader {
    std::int16_t type = 0;
    std::uint16_t recordSize = 0;   // bytes per record
    std::uint16_t tagTextSize = 0;  // wide layout only: bytes of tag text
    std::int16_t numTags = 0;       // 0 to 250
    std::vector<std::string> tagNames;
    std::vector<std::string> tagSecondFields;  // wide layout only; "" where the file has none

    Layout layout() const { return type == kCompactType ? Layout::Compact : Layout::Wide; }
    // Bytes a record needs for its stamp and numTags values.
    std::size_t MinimumRecordSize() const;
};

// Reads the header and the tag table from the start of `file`, printing a "Tag:" line per tag,
// and leaves the file at the first record. On failure the message is already printed (`path`
// fills its "%s") and the caller only closes its files.
bool ReadHistoryHeader(std::FILE* file, const std::string& path, HistoryHeader& header,
                       Console& console);

// The name in a compact tag slot: up to its first NUL or line feed, all bytes if it has neither.
std::string CompactSlotName(const char* slot, std::size_t size);

// Splits wide tag text into name / second-field pairs the way the runtime's strtok splits on TAB:
// runs of TABs are one separator, empty fields do not occur, and a NUL ends the text. At most
// `numTags` pairs are taken; fewer means the file is invalid.
void SplitWideTagText(const std::string& text, int numTags, std::vector<std::string>& names,
                      std::vector<std::string>& secondFields);

}  // namespace trendtab
