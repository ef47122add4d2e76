// The UTC offset in force at an instant, in the system's current zone or in a zone the time
// library selects by name. Offsets change rarely, so one found at an instant and again a quarter
// of an hour later is taken for every instant between.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
        if (unixSeconds >= low_ && unixSeconds <= high_) {
            offset = offset_;
            return true;
        }
        return Find(unixSeconds, offset);
    }

    // Ticks (100 ns since 1601, UTC) of a local time given as ticks of the same calendar fields.
    bool LocalToUtc(std::uint64_t localTicks, std::uint64_t& utcTicks) const;

    static bool ZoneKnown(const std::string& zone);

  private:
    struct FailureFlag;
    bool Find(std::int64_t unixSeconds, std::int32_t& offset);
    bool Compute(std::int64_t unixSeconds, std::int32_t& offset) const;

    TimeMode mode_;
    trendtab::platform::LocalTimeSnapshot snapshot_;
    std::unique_ptr<FailureFlag> failure_;
    std::unique_ptr<trendtab::TimeZone> zone_;
    std::int64_t low_ = 1;  // the instants known to have offset_: none yet
    std::int64_t high_ = 0;
    std::int32_t offset_ = 0;
};

}  // namespace hstexport
