// TimeValue: one instant as signed 64-bit seconds since 1970-01-01 00:00:00 UTC, built from
// calendar fields, a SYSTEMTIME or a FILETIME, and broken down again in local time. Local time
// is always the system's current zone. Construction throws TimeError; getters return failure
// values instead.
#pragma once

#include <cstdint>
#include <ctime>
#include <exception>

#include "timelib/platform/platform.h"

namespace trendtab {

// The time library's error: a 32-bit HRESULT (E_FAIL for a calendar field out of range,
// E_INVALIDARG for a value the platform refuses).
class TimeError : public std::exception {
  public:
    explicit TimeError(HRESULT status) noexcept : status_(status) {}
    HRESULT Status() const noexcept { return status_; }
    const char* what() const noexcept override;

  private:
    HRESULT status_;
};

class TimeValue {
  public:
    // The count as it is, unchecked.
    explicit TimeValue(std::int64_t epochSeconds) noexcept : seconds_(epochSeconds) {}
    // Local calendar fields; month [1:12], day [1:31] (not checked against the month; overflow
    // rolls over), hour [0:23], minute [0:59], second [0:59], year from 1900. daylight: > 0
    // daylight time, 0 standard time, < 0 the zone rules decide. Throws TimeError(E_FAIL) for
    // the first field out of range, TimeError(E_INVALIDARG) for a time before 1970-01-01
    // 00:00:00 UTC or after 3000-12-31 23:59:59 UTC.
    TimeValue(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t hour,
              std::int32_t minute, std::int32_t second, std::int32_t daylight);
    // As the fields (milliseconds and day of week ignored); a year below 1900 gives count 0.
    TimeValue(const SYSTEMTIME& time, std::int32_t daylight);
    // A UTC FILETIME, moved to local time with the bias in force now, then read as local
    // fields. Throws TimeError(E_INVALIDARG) when the platform refuses the value.
    TimeValue(const FILETIME& time, std::int32_t daylight);

    std::int64_t GetEpochSeconds() const noexcept { return seconds_; }

    // The whole broken-down time, or null (destination untouched) when the platform cannot
    // split the count. A null destination throws TimeError(E_FAIL).
    std::tm* GetLocalFields(std::tm* destination) const;
    std::tm* GetUtcFields(std::tm* destination) const;

    // Local fields; 0 (year, month, day) or -1 (hour, minute, second) when the split fails.
    std::int32_t GetYear() const;
    std::int32_t GetMonth() const;  // [1:12]
    std::int32_t GetDay() const;    // [1:31]
    std::int32_t GetHour() const;
    std::int32_t GetMinute() const;
    std::int32_t GetSecond() const;

    // Throws std::bad_alloc for E_OUTOFMEMORY and TimeError carrying the status otherwise.
    [[noreturn]] static void RaiseTimeError(HRESULT status);

  private:
    std::int64_t seconds_;
};

}  // namespace trendtab
