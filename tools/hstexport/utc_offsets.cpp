#include "tools/hstexport/utc_offsets.h"

#include "timelib/civil_time.h"
#include "timelib/filetime_math.h"

namespace hstexport {
namespace {

namespace civil = trendtab::civil;

// Two changes of offset this close together that cancel out do not occur in any zone.
constexpr std::int64_t kSteadySeconds = 15 * 60;

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
    if (mode == TimeMode::Zone || mode == TimeMode::Local) {
        zone_ = std::make_unique<trendtab::TimeZone>(failure_.get());
        if (mode == TimeMode::Zone) {
            zone_->SelectZone(Wide(zone).c_str());
        }
    }
}

UtcOffsets::~UtcOffsets() = default;

bool UtcOffsets::ZoneKnown(const std::string& zone) {
    trendtab::TimeZone probe;
    return !zone.empty() && probe.SelectZone(Wide(zone).c_str());
}

bool UtcOffsets::Find(std::int64_t unixSeconds, std::int32_t& offset) {
    std::int32_t later;
    if (!Compute(unixSeconds, offset)) {
        return false;
    }
    low_ = high_ = unixSeconds;
    offset_ = offset;
    if (Compute(unixSeconds + kSteadySeconds, later) && later == offset) {
        high_ = unixSeconds + kSteadySeconds;
    }
    return true;
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
        const std::int64_t localSeconds =
            civil::DaysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday) * 86'400 +
            local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
        offset = static_cast<std::int32_t>(localSeconds - unixSeconds);
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
    const FILETIME local = trendtab::filetime::FromTicks(localTicks);
    FILETIME utc = local;
    failure_->failed = false;
    zone_->LocalToUtc(local, &utc);
    utcTicks = trendtab::filetime::Ticks(utc);
    return !failure_->failed;
}

}  // namespace hstexport
