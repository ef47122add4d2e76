// Wide-layout stamps: a FILETIME in UTC shown in the local time of the system's current zone.
#include <cstdint>

#include "history/stamp_decoder.h"
#include "timelib/civil_time.h"
#include "timelib/filetime_math.h"
#include "timelib/time_value.h"
#include "timelib/time_zone.h"

namespace trendtab {
namespace {

constexpr std::uint64_t kTicksPerSecond = civil::kTicksPerSecond;
constexpr std::uint64_t kTicksPerMillisecond = civil::kTicksPerMillisecond;

// The getters' failure values: the row shows 00/00/0000 and -1:-1:-1.
constexpr RecordTime kFailedTime = {-1, -1, -1, 0, -1, -1900, 0};

void FromSystemTime(const SYSTEMTIME& local, RecordTime& time) {
    time.second = local.wSecond;
    time.minute = local.wMinute;
    time.hour = local.wHour;
    time.day = local.wDay;
    time.month0 = local.wMonth - 1;
    time.year1900 = local.wYear - 1900;
}

// The stamp in local time through `zone`, then back through the calendar library's own
// breakdown, as designed.
void DecodeWithZone(const TimeZone& zone, std::uint64_t ticks, RecordTime& time) {
    FILETIME local = filetime::FromTicks(ticks);
    zone.UtcToLocal(&local);  // left as it is when the platform refuses, or in a "UTC" zone
    SYSTEMTIME split;
    if (!FileTimeToSystemTime(&local, &split)) {
        time = kFailedTime;  // 2^63 ticks and above
        return;
    }
    try {
        const TimeValue value(split, -1);  // a year below 1900 gives the count 0
        time.second = value.GetSecond();
        time.minute = value.GetMinute();
        time.hour = value.GetHour();
        time.day = value.GetDay();
        time.month0 = value.GetMonth() - 1;
        time.year1900 = value.GetYear() - 1900;
    } catch (const TimeError&) {
        // From 1900 on, but before 1970 or after 3000 in UTC: the calendar library has no count
        // for it, and the row shows the stamp's own local calendar time.
        FromSystemTime(split, time);
    }
    time.milliseconds = split.wMilliseconds;
}

}  // namespace

void DecodeWideStamp(std::uint64_t ticks, RecordTime& time) {
    const TimeZone zone;
    DecodeWithZone(zone, ticks, time);
}

FileStampDecoder::FileStampDecoder(Layout layout)
    : layout_(layout), utcZone_(TimeZone::IsUtcName(zone_.GetName())) {
    // The leap second at the end of 2016 shows as second 60 only in a zone that counts them.
    constexpr std::int64_t kLeapSecond2016 = 1'483'228'800 + 26;
    std::tm local;
    countsLeapSeconds_ = snapshot_.BreakDownUtc(kLeapSecond2016, local) && local.tm_sec == 60;
}

void FileStampDecoder::DecodeWide(std::uint64_t ticks, RecordTime& time) {
    // Between 1970 and 3000 the designed chain gives back the local calendar time itself, where
    // the calendar library reads local time as the zone conversion wrote it: its count of that
    // local time breaks down to the same fields. Any other year takes the chain.
    if (platform::kRuntimeZoneIsKernelZone && !countsLeapSeconds_ && ticks >> 63 == 0) {
        const std::int64_t seconds =
            static_cast<std::int64_t>(ticks / kTicksPerSecond) - civil::kSecondsFrom1601To1970;
        const auto offsetAt = [this](std::int64_t at, std::int32_t& offset) {
            std::tm local;
            return snapshot_.BreakDownUtc(at, local) && OffsetOfFields(local, at, offset);
        };
        bool split = true;
        std::int32_t offset = 0;  // a zone named "UTC" leaves the stamp as it is
        if (utcZone_ || offsets_.At(seconds, offset, offsetAt)) {
            FillFromSeconds(seconds + offset, time);
        } else {
            std::tm local;
            split = snapshot_.BreakDownUtc(seconds, local);
            if (split) {
                FillFromFields(local, time);
            }
        }
        if (split && time.year1900 >= 70 && time.year1900 <= 1100) {
            time.milliseconds = static_cast<std::int32_t>(ticks / kTicksPerMillisecond % 1000);
            return;
        }
    }
    DecodeWithZone(zone_, ticks, time);
}

}  // namespace trendtab
