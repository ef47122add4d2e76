// Writes trend history (.hst) files, well-formed or deliberately broken, for tests, examples and
// benchmarks. All multi-byte fields are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hstgen {

enum class Layout { Compact, Wide };

// One record. Compact: `stamp` is seconds since 1970-01-01 00:00:00 UTC (its low 32 bits are
// written), values are stored as floats. Wide: `stamp` is a FILETIME tick count (all 64 bits
// written as they are), values are stored as doubles.
struct Record {
    Record() = default;
    Record(std::int64_t stamp, std::vector<double> values,
           std::vector<std::optional<std::uint64_t>> valueBits = {})
        : stamp(stamp), values(std::move(values)), valueBits(std::move(valueBits)) {}
    // A record of exactly these bytes.
    static Record Raw(std::string bytes) {
        Record record;
        record.raw = std::move(bytes);
        return record;
    }

    std::int64_t stamp = 0;
    std::vector<double> values;
    // Bit patterns written instead of values[i] where set: a float's (low 32 bits) in the compact
    // layout, a double's in the wide layout. They keep NaN signs and payloads exactly. The record
    // holds max(values.size(), valueBits.size()) values; one given by neither is 0.
    std::vector<std::optional<std::uint64_t>> valueBits;
    // When set, these bytes are written instead of the stamp and values above.
    std::optional<std::string> raw;
};

// A whole file. Every header field defaults to what a well-formed file holds; set one to break it.
struct HistoryPlan {
    Layout layout = Layout::Compact;
    std::optional<std::int16_t> type;          // default: 2 (compact), 1 (wide)
    std::optional<std::uint16_t> recordSize;   // default: 4 + 4n (compact), 8 + 8n (wide)
    std::optional<std::uint16_t> tagTextSize;  // wide only; default: size of the tag text
    std::optional<std::int16_t> numTags;       // default: n, the number of tags (TagCount)
    std::vector<std::string> tags;             // tag names
    std::vector<std::string> tagSecondFields;  // wide: second field of each pair; default "-"
    std::optional<std::string> rawTagText;     // wide: the tag text exactly as given
    // Compact: a slot's bytes exactly as given (cut or zero-padded to 256); index = tag position.
    // A raw slot past the named tags adds a tag.
    std::vector<std::optional<std::string>> rawSlots;
    std::vector<Record> records;
    std::string trailing;                   // appended after the records
    std::optional<std::size_t> truncateTo;  // the file is cut to this many bytes
};

constexpr std::size_t kCompactInfoFileSize = 6;
constexpr std::size_t kWideInfoFileSize = 16;
constexpr std::size_t kInfoHeadSize = 54;
constexpr std::size_t kCompactSlotSize = 256;

// n: the tags the tag table holds. Compact: named tags and raw slots, whichever reach further.
std::size_t TagCount(const HistoryPlan& content);

// The bytes of the file `content` describes.
std::string BuildHistoryBytes(const HistoryPlan& content);

// The infoFile and infoHead blocks and the tag table: everything before the first record.
std::string BuildHeaderBytes(const HistoryPlan& content);

// Appends the bytes of one record as `layout` stores it.
void AppendRecordBytes(std::string& out, Layout layout, const Record& record);

// Bits of the float a compact value is stored as: rounded to nearest even, magnitudes beyond the
// float range become FLT_MAX or infinity as IEEE rounding has it.
std::uint32_t CompactValueBits(double value);
std::uint64_t WideValueBits(double value);

// Writes the file; false when it cannot be written.
bool WriteHistoryFile(const std::string& path, const HistoryPlan& content);

// FILETIME ticks of a UTC calendar time (proleptic Gregorian), for building wide stamps.
std::int64_t FileTimeTicks(int year, int month, int day, int hour, int minute, int second,
                           int milliseconds = 0);

// Seconds since 1970-01-01 00:00:00 UTC of a UTC calendar time, for building compact stamps.
std::int64_t UnixSeconds(int year, int month, int day, int hour, int minute, int second);

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

}  // namespace hstgen
