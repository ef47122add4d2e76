// A record's values as doubles, whatever the layout: a compact single widens exactly.
#pragma once

#include <bit>
#include <cstdint>

#include "history/history_file.h"
#include "history/little_endian.h"

namespace trendtab {

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
