// A record's stamp and values as numbers, whatever the layout: stamps as FILETIME ticks
// (100 ns since 1601-01-01 00:00:00 UTC), values as doubles (a compact single widens exactly).
#pragma once

#include <bit>
#include <cstdint>

#include "history/history_file.h"
#include "history/little_endian.h"

namespace trendtab {

inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
inline constexpr std::int64_t kUnixEpochSince1601Seconds = 11'644'473'600LL;

inline std::uint64_t RecordStampTicks(const unsigned char* record, Layout layout) {
    if (layout == Layout::Wide) {
        return LoadLittleEndian<std::uint64_t>(record);
    }
    // Seconds from 1901 on, so never before 1601.
    const auto seconds = LoadLittleEndian<std::int32_t>(record);
    return static_cast<std::uint64_t>(seconds + kUnixEpochSince1601Seconds) *
           static_cast<std::uint64_t>(kTicksPerSecond);
}

// Value `tag` (0-based) of a record.
inline double RecordValue(const unsigned char* record, Layout layout, std::size_t tag) {
    if (layout == Layout::Wide) {
        return std::bit_cast<double>(
            LoadLittleEndian<std::uint64_t>(record + kWideStampSize + tag * kWideValueSize));
    }
    return static_cast<double>(std::bit_cast<float>(
        LoadLittleEndian<std::uint32_t>(record + kCompactStampSize + tag * kCompactValueSize)));
}

}  // namespace trendtab
