#include "tools/hstview/zone_offsets.h"

#include "tools/hstexport/utc_offsets.h"

namespace hstview {

using hstexport::TimeMode;
using hstexport::UtcOffsets;

namespace {

bool IsUtc(const std::string& zone) {
    return zone.size() == 3 && (zone[0] | 0x20) == 'u' && (zone[1] | 0x20) == 't' &&
           (zone[2] | 0x20) == 'c';
}

// Offsets are looked at a day apart; a change between two looks is found to the second.
constexpr std::int64_t kStep = 86'400;

}  // namespace

bool ZoneOffsets(const std::string& zone, std::int64_t from, std::int64_t to,
                 std::vector<OffsetChange>& changes, std::string& error) {
    if (to < from || to - from > kMaxZoneYears * 366 * kStep) {
        error = "the range must be ordered and at most " + std::to_string(kMaxZoneYears) +
                " years long";
        return false;
    }
    TimeMode mode = TimeMode::Zone;
    if (zone.empty()) {
        mode = TimeMode::Local;
    } else if (IsUtc(zone)) {
        mode = TimeMode::Utc;
    } else if (!UtcOffsets::ZoneKnown(zone)) {
        error = "the time library knows no zone \"" + zone + "\"";
        return false;
    }
    UtcOffsets offsets(mode, zone);
    auto at = [&](std::int64_t seconds) {
        std::int32_t offset = 0;
        return offsets.At(seconds, offset) ? offset : 0;  // unplaceable instants read as UTC
    };
    changes.clear();
    std::int32_t current = at(from);
    changes.push_back({from, current});
    for (std::int64_t low = from; low < to;) {
        const std::int64_t high = std::min(to, low + kStep);
        const std::int32_t next = at(high);
        if (next != current) {
            // The first second with the new offset, in (low, high].
            std::int64_t before = low;
            std::int64_t after = high;
            while (after - before > 1) {
                const std::int64_t middle = before + (after - before) / 2;
                (at(middle) == current ? before : after) = middle;
            }
            current = at(after);
            changes.push_back({after, current});
            low = after;
        } else {
            low = high;
        }
    }
    return true;
}

}  // namespace hstview
