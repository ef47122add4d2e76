// The UTC offset in force at an instant, in the system's current zone or in a zone the time
// library selects by name (with the zone's whole history where the extended entry points are
// loaded). Offsets change rarely: once found at an instant, the offset is known up to the next
// change (looked for further ahead while the stamps move on), so dense stamps cost a few lookups
// per change and scattered ones a lookup each.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "history/offset_spans.h"
#include "timelib/platform/platform.h"
#include "timelib/time_zone.h"
#include "tools/hstexport/export_options.h"

namespace hstexport {

class UtcOffsets {
  public:
    // Local: the C library's current zone. Zone: `zone` by name (check with ZoneKnown first).
    // Utc and Epoch: always 0.
    UtcOffsets(TimeMode mode, const std::string& zone);
    ~UtcOffsets();
    UtcOffsets(const UtcOffsets&) = delete;
    UtcOffsets& operator=(const UtcOffsets&) = delete;

    // Local time minus UTC in seconds at `unixSeconds`; false where the zone cannot place it.
    bool At(std::int64_t unixSeconds, std::int32_t& offset) {
        return spans_.At(unixSeconds, offset, [this](std::int64_t at, std::int32_t& found) {
            return Compute(at, found);
        });
    }

    // Ticks (100 ns since 1601, UTC) of a local time given as ticks of the same calendar fields,
    // by one rule for every zone and mode (zoneinfo's fold=0): a local time that occurs twice
    // means its first occurrence, one that a change forward skips is read with the offset in
    // force before the change. Found from the offsets at instants alone, so that TZ and --tz
    // read a time alike.
    bool LocalToUtc(std::uint64_t localTicks, std::uint64_t& utcTicks) const;

    static bool ZoneKnown(const std::string& zone);

  private:
    struct FailureFlag;
    bool Compute(std::int64_t unixSeconds, std::int32_t& offset) const;

    TimeMode mode_;
    trendtab::platform::LocalTimeSnapshot snapshot_;
    std::unique_ptr<FailureFlag> failure_;
    std::unique_ptr<trendtab::TimeZone> zone_;
    trendtab::OffsetSpans spans_;
};

}  // namespace hstexport
