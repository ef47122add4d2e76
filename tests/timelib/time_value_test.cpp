#include "timelib/time_value.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "tests/support/test_support.h"
#include "tests/timelib/filetime_test_util.h"

using namespace timelibtest;
using trendtab::TimeError;
using trendtab::TimeValue;

namespace {

HRESULT StatusOf(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t hour,
                 std::int32_t minute, std::int32_t second) {
    try {
        TimeValue value(year, month, day, hour, minute, second, -1);
        return S_OK;
    } catch (const TimeError& error) {
        return error.Status();
    }
}

HRESULT StatusOf(const SYSTEMTIME& time) {
    try {
        TimeValue value(time, -1);
        return S_OK;
    } catch (const TimeError& error) {
        return error.Status();
    }
}

void ExpectFields(const TimeValue& value, int year, int month, int day, int hour, int minute,
                  int second) {
    EXPECT_EQ(value.GetYear(), year);
    EXPECT_EQ(value.GetMonth(), month);
    EXPECT_EQ(value.GetDay(), day);
    EXPECT_EQ(value.GetHour(), hour);
    EXPECT_EQ(value.GetMinute(), minute);
    EXPECT_EQ(value.GetSecond(), second);
}

}  // namespace

TEST(TimeValue, FieldRangesFailInOrder) {
    EXPECT_EQ(StatusOf(2011, 3, 4, 14, 5, 9), S_OK);
    EXPECT_EQ(StatusOf(1899, 1, 1, 0, 0, 0), E_FAIL);
    for (int month : {0, 13}) {
        EXPECT_EQ(StatusOf(2011, month, 1, 0, 0, 0), E_FAIL);
    }
    for (int day : {0, 32}) {
        EXPECT_EQ(StatusOf(2011, 1, day, 0, 0, 0), E_FAIL);
    }
    EXPECT_EQ(StatusOf(2011, 1, 1, 24, 0, 0), E_FAIL);
    EXPECT_EQ(StatusOf(2011, 1, 1, -1, 0, 0), E_FAIL);
    EXPECT_EQ(StatusOf(2011, 1, 1, 0, 60, 0), E_FAIL);
    EXPECT_EQ(StatusOf(2011, 1, 1, 0, 0, 60), E_FAIL);  // no leap second
    // The range tests come before the platform step: a year out of the platform's range with
    // a bad second still reports E_FAIL, and only valid fields reach E_INVALIDARG.
    EXPECT_EQ(StatusOf(1950, 1, 1, 0, 0, 60), E_FAIL);
    EXPECT_EQ(StatusOf(1950, 1, 1, 0, 0, 0), E_INVALIDARG);
    EXPECT_EQ(StatusOf(3001, 1, 2, 0, 0, 0), E_INVALIDARG);
}

TEST(TimeValue, FieldsRollOverAndBreakDown) {
    const TimeValue rolled(2011, 2, 31, 0, 0, 0, -1);
    EXPECT_EQ(rolled.GetMonth(), 3);
    EXPECT_EQ(rolled.GetDay(), 3);
    const TimeValue value(St(2011, 3, 4, 14, 5, 9, 250), -1);
    ExpectFields(value, 2011, 3, 4, 14, 5, 9);
    EXPECT_EQ(value.GetEpochSeconds(), 1'299'247'509);  // under TZ=UTC0
    std::tm fields{};
    ASSERT_EQ(value.GetUtcFields(&fields), &fields);
    EXPECT_EQ(fields.tm_yday, 62);
    EXPECT_EQ(fields.tm_wday, 5);
}

TEST(TimeValue, SystemTimeYearsBefore1900GiveZero) {
    const TimeValue early(St(1899, 12, 31, 23, 59, 59), -1);
    EXPECT_EQ(early.GetEpochSeconds(), 0);
    ExpectFields(early, 1970, 1, 1, 0, 0, 0);
    EXPECT_EQ(TimeValue(St(1899, 0, 0, 99, 99, 99), -1).GetEpochSeconds(), 0);  // not checked
    EXPECT_EQ(StatusOf(St(1950, 6, 1)), E_INVALIDARG);  // from the calendar step
    EXPECT_EQ(StatusOf(St(2011, 0, 1)), E_FAIL);
    EXPECT_EQ(StatusOf(St(2011, 1, 1, 0, 0, 60)), E_FAIL);
}

TEST(TimeValue, FileTimeConstructor) {
    EXPECT_EQ(TimeValue(Ft(UnixTicks(1'299'247'509) + 2'500'000), -1).GetEpochSeconds(),
              1'299'247'509);
    EXPECT_EQ(TimeValue(Ft(UnixTicks(-5'364'662'400)), -1).GetEpochSeconds(), 0);  // 1800
    for (std::uint64_t refused : {UnixTicks(-631'152'000), std::uint64_t{1} << 63}) {
        try {
            TimeValue value(Ft(refused), -1);
            ADD_FAILURE() << refused;
        } catch (const TimeError& error) {
            EXPECT_EQ(error.Status(), E_INVALIDARG);
        }
    }
}

TEST(TimeValue, GettersFailQuietly) {
    for (std::int64_t count : {std::int64_t{-1}, std::int64_t{40'000'000'000}}) {
        const TimeValue value(count);
        ExpectFields(value, 0, 0, 0, -1, -1, -1);
        std::tm fields{};
        fields.tm_year = 42;
        EXPECT_EQ(value.GetLocalFields(&fields), nullptr);
        EXPECT_EQ(value.GetUtcFields(&fields), nullptr);
        EXPECT_EQ(fields.tm_year, 42);  // untouched
    }
    ExpectFields(TimeValue(32'535'215'999), 3000, 12, 31, 23, 59, 59);
    EXPECT_THROW(TimeValue(0).GetLocalFields(nullptr), TimeError);
}

TEST(TimeValue, OutOfMemoryIsItsOwnError) {
    EXPECT_THROW(TimeValue::RaiseTimeError(E_OUTOFMEMORY), std::bad_alloc);
}

TEST(TimeValueInZone, LocalFieldsFollowTheZone) {
    // 2011-07-01 12:00 and 2011-01-15 12:00 local, daylight saving decided by the zone.
    const TimeValue summer(2011, 7, 1, 12, 0, 0, -1);
    const TimeValue winter(2011, 1, 15, 12, 0, 0, -1);
    ExpectFields(summer, 2011, 7, 1, 12, 0, 0);
    ExpectFields(winter, 2011, 1, 15, 12, 0, 0);
    const std::string zone = testsupport::TestZone();
    const struct {
        const char* zone;
        std::int64_t summerUtc, winterUtc;
    } expected[] = {
        {"UTC", 1'309'521'600, 1'295'092'800},
        {"Europe/Berlin", 1'309'521'600 - 7200, 1'295'092'800 - 3600},
        {"America/New_York", 1'309'521'600 + 4 * 3600, 1'295'092'800 + 5 * 3600},
        {"EST5EDT,M3.2.0,M11.1.0", 1'309'521'600 + 4 * 3600, 1'295'092'800 + 5 * 3600},
        {"Asia/Kolkata", 1'309'521'600 - 19'800, 1'295'092'800 - 19'800},
        {"Australia/Sydney", 1'309'521'600 - 36'000, 1'295'092'800 - 39'600},
    };
    for (const auto& e : expected) {
        if (zone == e.zone) {
            EXPECT_EQ(summer.GetEpochSeconds(), e.summerUtc);
            EXPECT_EQ(winter.GetEpochSeconds(), e.winterUtc);
        }
    }
    // An explicit flag overrides the rules where the zone has daylight saving.
    const TimeValue forced(2011, 1, 15, 12, 0, 0, 1);
    EXPECT_TRUE(forced.GetEpochSeconds() == winter.GetEpochSeconds() ||
                forced.GetEpochSeconds() == winter.GetEpochSeconds() - 3600);
}
