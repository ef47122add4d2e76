// Compact stamps: signed seconds since 1970 in the local time of the system's zone.
#include <cstdint>

#include "history/stamp_decoder.h"

namespace trendtab {

void FillFromFields(const std::tm& fields, RecordTime& time) {
    time.second = fields.tm_sec;
    time.minute = fields.tm_min;
    time.hour = fields.tm_hour;
    time.day = fields.tm_mday;
    time.month0 = fields.tm_mon;
    time.year1900 = fields.tm_year;
    time.milliseconds = 0;
}

bool DecodeCompactStamp(std::int32_t seconds, RecordTime& time) {
    if (seconds < 0) {
        return false;
    }
    const LONG count = seconds;  // the runtime's 32-bit seconds count
    const std::tm* local = _localtime32(&count);
    if (local == nullptr) {
        return false;
    }
    FillFromFields(*local, time);
    return true;
}

bool FileStampDecoder::DecodeCompact(std::int32_t seconds, RecordTime& time) {
    if (seconds < 0) {
        return false;
    }
    // The runtime's 32-bit breakdown takes counts from 0 to 2^31 - 1 alone.
    const auto offsetAt = [this](std::int64_t at, std::int32_t& offset) {
        std::tm local;
        return at >= 0 && at <= INT32_MAX && snapshot_.BreakDown32(static_cast<LONG>(at), local) &&
               OffsetOfFields(local, at, offset);
    };
    std::int32_t offset;
    if (offsets_.At(seconds, offset, offsetAt)) {
        FillFromSeconds(std::int64_t{seconds} + offset, time);
        return true;
    }
    std::tm local;
    if (!snapshot_.BreakDown32(seconds, local)) {
        return false;
    }
    FillFromFields(local, time);
    return true;
}

}  // namespace trendtab
