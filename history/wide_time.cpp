#include <cstring>

#include "record_time.h"

namespace trendtab {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b) < 0);
}

}  // namespace

// Interim: the stamp's UTC calendar time. Local time comes with the time-zone object.
void DecodeWideTimestamp(const unsigned char* stamp, RecordTime& time) {
    std::uint64_t ticks = 0;
    for (int i = 7; i >= 0; --i) {
        ticks = (ticks << 8) | stamp[i];
    }
    if (ticks >> 63) {
        time = RecordTime{-1, -1, -1, 0, -1, -1900, 0};
        return;
    }
    const std::int64_t ms = static_cast<std::int64_t>(ticks / 10000);
    std::int64_t seconds = ms / 1000 - 11644473600;
    const std::int64_t days = FloorDiv(seconds, 86400);
    const std::int64_t secOfDay = seconds - days * 86400;
    // Civil date from days since 1970-01-01.
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2);
    time.second = static_cast<std::int32_t>(secOfDay % 60);
    time.minute = static_cast<std::int32_t>(secOfDay / 60 % 60);
    time.hour = static_cast<std::int32_t>(secOfDay / 3600);
    time.day = static_cast<std::int32_t>(day);
    time.month0 = static_cast<std::int32_t>(month - 1);
    time.year1900 = static_cast<std::int32_t>(year - 1900);
    time.milliseconds = static_cast<std::int32_t>(ms % 1000);
}

void StampDecoder::DecodeWide(const unsigned char* stamp, RecordTime& time) const {
    DecodeWideTimestamp(stamp, time);
}

}  // namespace trendtab
