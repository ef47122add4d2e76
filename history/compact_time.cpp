#include "build_flavor.h"
#include "record_time.h"

namespace trendtab {
namespace {

void CopyFields(const std::tm& local, RecordTime& time) {
    time.second = local.tm_sec;
    time.minute = local.tm_min;
    time.hour = local.tm_hour;
    time.day = local.tm_mday;
    time.month0 = local.tm_mon;
    time.year1900 = local.tm_year;
    time.milliseconds = 0;
}

}  // namespace

bool DecodeCompactStamp(std::int32_t stamp, RecordTime& time) {
    if (stamp < 0) {
        return false;
    }
    const LONG count = stamp;  // the runtime's 32-bit seconds count
    const std::tm* local = _localtime32(&count);
    if (local == nullptr) {
        return false;
    }
    CopyFields(*local, time);
    return true;
}

bool StampDecoder::DecodeCompact(std::int32_t stamp, RecordTime& time) const {
    if constexpr (kPlainBuild) {
        return DecodeCompactStamp(stamp, time);
    }
    std::tm local;
    if (stamp < 0 || !snapshot_.BreakDown32(stamp, local)) {
        return false;
    }
    CopyFields(local, time);
    return true;
}

}  // namespace trendtab
