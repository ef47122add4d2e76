// Writes trend history (.hst) files, well-formed or deliberately broken, for tests, examples and
// benchmarks. All multi-byte fields are little-endian.
#pragma once

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
    Record(std::int64_t stamp, std::vector<double> values)
        : stamp(stamp), values(std::move(values)) {}
    // A record of exactly these bytes.
    static Record Raw(std::string bytes) {
        Record record;
        record.raw = std::move(bytes);
        return record;
    }

    std::int64_t stamp = 0;
    std::vector<double> values;
    // When set, these bytes are written instead of the stamp and values above.
    std::optional<std::string> raw;
};

// A whole file. Every header field defaults to what a well-formed file holds; set one to break it.
struct HistorySpec {
    Layout layout = Layout::Compact;
    std::optional<std::int16_t> type;          // default: 2 (compact), 1 (wide)
    std::optional<std::uint16_t> recordSize;   // default: 4 + 4n (compact), 8 + 8n (wide)
    std::optional<std::uint16_t> tagTextSize;  // wide only; default: size of the tag text
    std::optional<std::int16_t> numTags;       // default: tags.size()
    std::vector<std::string> tags;             // tag names
    std::vector<std::string> tagSecondFields;  // wide: second field of each pair; default "-"
    std::optional<std::string> rawTagText;     // wide: the tag text exactly as given
    // Compact: a slot's bytes exactly as given (cut or zero-padded to 256); index = tag position.
    std::vector<std::optional<std::string>> rawSlots;
    std::vector<Record> records;
    std::string trailing;                   // appended after the records
    std::optional<std::size_t> truncateTo;  // the file is cut to this many bytes
};

// The bytes of the file `spec` describes.
std::string BuildHistoryBytes(const HistorySpec& spec);

// Writes the file; false when it cannot be written.
bool WriteHistoryFile(const std::string& path, const HistorySpec& spec);

// FILETIME ticks of a UTC calendar time (proleptic Gregorian), for building wide stamps.
std::int64_t FileTimeTicks(int year, int month, int day, int hour, int minute, int second,
                           int milliseconds = 0);

// Seconds since 1970-01-01 00:00:00 UTC of a UTC calendar time, for building compact stamps.
std::int64_t UnixSeconds(int year, int month, int day, int hour, int minute, int second);

}  // namespace hstgen
