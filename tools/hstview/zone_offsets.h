// The UTC offsets of a zone over a range, from the time library's zone data (the same the
// exports use), so that the page labels local time without the browser's own zone data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hstview {

struct OffsetChange {
    std::int64_t at = 0;      // Unix seconds from which `offset` holds
    std::int32_t offset = 0;  // local time minus UTC, seconds
};

// The offset at `from` (as a change at `from`) and every change in (from, to]. `zone`: "" for the
// zone the viewer runs in, "UTC", or a zone the time library knows. False with `error` for an
// unknown zone or a range too long (more than kMaxZoneYears) to search.
inline constexpr std::int64_t kMaxZoneYears = 400;
bool ZoneOffsets(const std::string& zone, std::int64_t from, std::int64_t to,
                 std::vector<OffsetChange>& changes, std::string& error);

}  // namespace hstview
