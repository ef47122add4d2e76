#include "tools/hstexport/utc_offsets.h"

#include "history/stamp_decoder.h"
#include "timelib/civil_time.h"
#include "timelib/filetime_math.h"

namespace hstexport {
namespace {

namespace civil = trendtab::civil;

trendtab::platform::WideString Wide(const std::string& text) {
    trendtab::platform::WideString wide;
    trendtab::platform::WideFromUtf8(text, &wide);
    return wide;
}

}  // namespace

struct UtcOffsets::FailureFlag : trendtab::TimeZoneErrorSink {
    void ReportError(const WCHAR*) override { failed = true; }
    bool failed = false;
};

UtcOffsets::UtcOffsets(TimeMode mode, const std::string& zone)
    : mode_(mode), failure_(std::make_unique<FailureFlag>()) {
    if (mode == TimeMode::Zone) {
        zone_ = std::make_unique<trendtab::TimeZone>(failure_.get());
        zone_->SelectZone(Wide(zone).c_str());
    }
}

UtcOffsets::~UtcOffsets() = default;

bool UtcOffsets::ZoneKnown(const std::string& zone) {
    trendtab::TimeZone probe;
    return !zone.empty() && probe.SelectZone(Wide(zone).c_str());
}

bool UtcOffsets::Compute(std::int64_t unixSeconds, std::int32_t& offset) const {
    if (mode_ == TimeMode::Utc || mode_ == TimeMode::Epoch) {
        offset = 0;
        return true;
    }
    // Stamps of 2^63 ticks and more are no FILETIME any platform service takes: shown in UTC.
    const std::int64_t since1601 = unixSeconds + civil::kSecondsFrom1601To1970;
    if (since1601 < 0 || since1601 >= static_cast<std::int64_t>(civil::kFirstInvalidTicks /
                                                                civil::kTicksPerSecond)) {
        return false;
    }
    if (mode_ == TimeMode::Local) {
        // The C library's own breakdown, which knows the zone's whole history.
        std::tm local;
        if (!snapshot_.BreakDownUtc(unixSeconds, local)) {
            return false;
        }
        offset = static_cast<std::int32_t>(trendtab::SecondsOfFields(local) - unixSeconds);
        return true;
    }
    const std::uint64_t ticks = static_cast<std::uint64_t>(since1601) * civil::kTicksPerSecond;
    const FILETIME utc = trendtab::filetime::FromTicks(ticks);
    FILETIME local = utc;
    failure_->failed = false;
    zone_->UtcToLocal(utc, &local);
    if (failure_->failed) {
        return false;
    }
    const std::int64_t difference =
        static_cast<std::int64_t>(trendtab::filetime::Ticks(local) - ticks);
    offset = static_cast<std::int32_t>(difference / civil::kTicksPerSecond);
    return true;
}

bool UtcOffsets::LocalToUtc(std::uint64_t localTicks, std::uint64_t& utcTicks) const {
    if (mode_ == TimeMode::Utc || mode_ == TimeMode::Epoch) {
        utcTicks = localTicks;
        return true;
    }
    const auto local = static_cast<std::int64_t>(localTicks / civil::kTicksPerSecond) -
                       civil::kSecondsFrom1601To1970;
    // Every instant whose reading could be `local` lies within this reach of it, since offsets
    // stay within a day and two hours of UTC; the offset at the reach's start is the one before
    // every change that matters. Changes are found hour by hour, then to the second.
    constexpr std::int64_t kReach = 27 * 3600;
    constexpr std::int64_t kStep = 3600;
    std::int64_t at = local - kReach;
    std::int32_t before = 0;
    bool known = false;
    std::int32_t chosen = 0;
    for (; at <= local + kReach; at += kStep) {
        std::int32_t offset;
        if (!Compute(at, offset)) {
            continue;  // outside the range the zone can place: no change there
        }
        if (!known) {
            known = true;
            before = chosen = offset;
            continue;
        }
        if (offset == before) {
            continue;
        }
        std::int64_t low = at - kStep;  // still `before` (or unplaceable) here
        std::int64_t high = at;
        while (high - low > 1) {
            const std::int64_t middle = low + (high - low) / 2;
            std::int32_t there;
            if (Compute(middle, there) && there != before) {
                high = middle;
            } else {
                low = middle;
            }
        }
        // A change at `high` moves readings from high + before on to high + offset on: both
        // readings of a repeated time and all of a skipped stretch keep the offset before it.
        if (high + std::max(before, offset) <= local) {
            chosen = offset;
        }
        before = offset;
    }
    if (!known) {
        return false;
    }
    const std::int64_t shift = static_cast<std::int64_t>(chosen) * civil::kTicksPerSecond;
    if ((shift > 0 && localTicks < static_cast<std::uint64_t>(shift)) ||
        (shift < 0 && UINT64_MAX - localTicks < static_cast<std::uint64_t>(-shift))) {
        return false;
    }
    utcTicks = localTicks - static_cast<std::uint64_t>(shift);
    return true;
}

}  // namespace hstexport
