// Runtime calendar functions, backed by tzset(3), mktime(3), localtime_r(3) and gmtime_r(3),
// limited to the Microsoft runtime's ranges.
#include <cerrno>

#include "timelib/platform/platform.h"
#include "timelib/platform/posix/posix_internal.h"

namespace {

// 1970-01-01 00:00:00 UTC .. 3000-12-31 23:59:59 UTC.
constexpr std::int64_t kLastTime64 = 32'535'215'999;

bool InRange(std::int64_t time) {
    return time >= 0 && time <= kLastTime64;
}

void FillInvalid(std::tm* fields) {
    fields->tm_sec = fields->tm_min = fields->tm_hour = -1;
    fields->tm_mday = fields->tm_mon = fields->tm_year = -1;
    fields->tm_wday = fields->tm_yday = fields->tm_isdst = -1;
}

}  // namespace

std::tm* _localtime32(const LONG* time) {
    static thread_local std::tm result;
    if (*time < 0) {
        return nullptr;
    }
    tzset();  // follow TZ as it stands now
    const std::time_t t = *time;
    return localtime_r(&t, &result);
}

std::int64_t _mktime64(std::tm* fields) {
    std::tm work = *fields;
    tzset();
    errno = 0;
    const std::time_t result = mktime(&work);
    // -1 with errno set is mktime's failure; -1 itself lies before 1970 anyway.
    if (result == static_cast<std::time_t>(-1) || !InRange(result)) {
        return -1;
    }
    *fields = work;
    return result;
}

errno_t _localtime64_s(std::tm* fields, const std::int64_t* time) {
    if (fields == nullptr) {
        return EINVAL;
    }
    if (time == nullptr || !InRange(*time)) {
        FillInvalid(fields);
        return EINVAL;
    }
    if (!trendtab::posix::LocalBreakdown(static_cast<std::time_t>(*time), fields)) {
        FillInvalid(fields);
        return EINVAL;
    }
    return 0;
}

errno_t _gmtime64_s(std::tm* fields, const std::int64_t* time) {
    if (fields == nullptr) {
        return EINVAL;
    }
    const std::time_t t = time != nullptr ? static_cast<std::time_t>(*time) : 0;
    if (time == nullptr || !InRange(*time) || gmtime_r(&t, fields) == nullptr) {
        FillInvalid(fields);
        return EINVAL;
    }
    return 0;
}
