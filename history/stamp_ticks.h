// A record's stamp as FILETIME ticks (100 ns since 1601-01-01 00:00:00 UTC), whatever the layout.
#pragma once

#include <cstdint>

#include "history/history_file.h"
#include "history/little_endian.h"
#include "timelib/civil_time.h"

namespace trendtab {

// A compact stamp (signed seconds since 1970) in ticks. Compact stamps start in 1901, so the
// result is never before 1601.
constexpr std::uint64_t CompactStampTicks(std::int32_t seconds) {
    return static_cast<std::uint64_t>((seconds + civil::kSecondsFrom1601To1970) *
                                      civil::kTicksPerSecond);
}

// The stamp at the start of `record`, in ticks.
inline std::uint64_t StampTicks(const unsigned char* record, Layout layout) {
    if (layout == Layout::Wide) {
        return LoadLittleEndian<std::uint64_t>(record);
    }
    return CompactStampTicks(LoadLittleEndian<std::int32_t>(record));
}

}  // namespace trendtab
