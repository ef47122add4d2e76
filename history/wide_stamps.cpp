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

// The UTC calendar fields of seconds since 1970.
void UtcFields(std::int64_t seconds, std::tm& fields) {
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const std::int64_t secondOfDay = seconds - days * 86400;
    const civil::CivilDate date = civil::CivilFromDays(days);
    fields = std::tm{};
    fields.tm_year = static_cast<int>(date.year - 1900);
    fields.tm_mon = date.month - 1;
    fields.tm_mday = date.day;
    fields.tm_hour = static_cast<int>(secondOfDay / 3600);
    fields.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    fields.tm_sec = static_cast<int>(secondOfDay % 60);
}

}  // namespace

void DecodeWideStamp(std::uint64_t ticks, RecordTime& time) {
    const TimeZone zone;
    DecodeWithZone(zone, ticks, time);
}

FileStampDecoder::FileStampDecoder(Layout layout)
    : layout_(layout), utcZone_(TimeZone::IsUtcName(zone_.GetName())) {}

void FileStampDecoder::DecodeWide(std::uint64_t ticks, RecordTime& time) const {
    // Between 1970 and 3000 the designed chain gives back the local calendar time itself, where
    // the calendar library reads local time as the zone conversion wrote it: its count of that
    // local time breaks down to the same fields. Any other year takes the chain.
    if (platform::kRuntimeZoneIsKernelZone && ticks >> 63 == 0) {
        const std::int64_t seconds =
            static_cast<std::int64_t>(ticks / kTicksPerSecond) - civil::kSecondsFrom1601To1970;
        std::tm local;
        bool split = true;
        if (utcZone_) {
            UtcFields(seconds, local);  // a zone named "UTC" leaves the stamp as it is
        } else {
            split = snapshot_.BreakDownUtc(seconds, local);
        }
        if (split && local.tm_year >= 70 && local.tm_year <= 1100) {
            FillFromFields(local, time);
            time.milliseconds = static_cast<std::int32_t>(ticks / kTicksPerMillisecond % 1000);
            return;
        }
    }
    DecodeWithZone(zone_, ticks, time);
}

}  // namespace trendtab
