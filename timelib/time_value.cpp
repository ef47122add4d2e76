#include "timelib/time_value.h"

#include <new>

namespace trendtab {
namespace {

std::int64_t FieldsToSeconds(std::int32_t year, std::int32_t month, std::int32_t day,
                             std::int32_t hour, std::int32_t minute, std::int32_t second,
                             std::int32_t daylight) {
    // The order of the tests decides which failure a value with several bad fields reports.
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59) {
        TimeValue::RaiseTimeError(E_FAIL);
    }
    std::tm fields{};
    fields.tm_sec = second;
    fields.tm_min = minute;
    fields.tm_hour = hour;
    fields.tm_mday = day;
    fields.tm_mon = month - 1;
    fields.tm_year = year - 1900;
    fields.tm_isdst = daylight;
    const std::int64_t seconds = _mktime64(&fields);
    if (seconds == -1) {
        TimeValue::RaiseTimeError(E_INVALIDARG);
    }
    return seconds;
}

std::int64_t SystemTimeToSeconds(const SYSTEMTIME& time, std::int32_t daylight) {
    if (time.wYear < 1900) {
        return 0;
    }
    return FieldsToSeconds(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                           time.wSecond, daylight);
}

std::int64_t FileTimeToSeconds(const FILETIME& time, std::int32_t daylight) {
    FILETIME local{};
    SYSTEMTIME fields{};
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &fields)) {
        TimeValue::RaiseTimeError(E_INVALIDARG);
    }
    return SystemTimeToSeconds(fields, daylight);
}

}  // namespace

const char* TimeError::what() const noexcept {
    return status_ == E_FAIL ? "time field out of range" : "time value refused by the platform";
}

TimeValue::TimeValue(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t hour,
                     std::int32_t minute, std::int32_t second, std::int32_t daylight)
    : seconds_(FieldsToSeconds(year, month, day, hour, minute, second, daylight)) {}

TimeValue::TimeValue(const SYSTEMTIME& time, std::int32_t daylight)
    : seconds_(SystemTimeToSeconds(time, daylight)) {}

TimeValue::TimeValue(const FILETIME& time, std::int32_t daylight)
    : seconds_(FileTimeToSeconds(time, daylight)) {}

std::tm* TimeValue::GetLocalFields(std::tm* destination) const {
    if (destination == nullptr) {
        RaiseTimeError(E_FAIL);
    }
    std::tm fields{};
    const std::int64_t seconds = seconds_;
    if (_localtime64_s(&fields, &seconds) != 0) {
        return nullptr;
    }
    *destination = fields;
    return destination;
}

std::tm* TimeValue::GetUtcFields(std::tm* destination) const {
    if (destination == nullptr) {
        RaiseTimeError(E_FAIL);
    }
    std::tm fields{};
    const std::int64_t seconds = seconds_;
    if (_gmtime64_s(&fields, &seconds) != 0) {
        return nullptr;
    }
    *destination = fields;
    return destination;
}

std::int32_t TimeValue::GetYear() const {
    std::tm fields{};
    return GetLocalFields(&fields) != nullptr ? fields.tm_year + 1900 : 0;
}

std::int32_t TimeValue::GetMonth() const {
    std::tm fields{};
    return GetLocalFields(&fields) != nullptr ? fields.tm_mon + 1 : 0;
}

std::int32_t TimeValue::GetDay() const {
    std::tm fields{};
    return GetLocalFields(&fields) != nullptr ? fields.tm_mday : 0;
}

std::int32_t TimeValue::GetHour() const {
    std::tm fields{};
    return GetLocalFields(&fields) != nullptr ? fields.tm_hour : -1;
}

std::int32_t TimeValue::GetMinute() const {
    std::tm fields{};
    return GetLocalFields(&fields) != nullptr ? fields.tm_min : -1;
}

std::int32_t TimeValue::GetSecond() const {
    std::tm fields{};
    return GetLocalFields(&fields) != nullptr ? fields.tm_sec : -1;
}

void TimeValue::RaiseTimeError(HRESULT status) {
    if (status == E_OUTOFMEMORY) {
        throw std::bad_alloc();
    }
    throw TimeError(status);
}

}  // namespace trendtab
