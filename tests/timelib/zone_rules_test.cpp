// The yearly-rule algorithm for explicit zone records, with hand-made records.
#include "timelib/portable/zone_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/timelib/filetime_test_util.h"

using namespace timelibtest;
using trendtab::platform::RuleLocalToUtc;
using trendtab::platform::RuleUtcToLocal;

namespace {

// A yearly change: the occurrence-th (5 = last) weekday of month, at hour:minute.
SYSTEMTIME Change(int month, int occurrence, int weekday, int hour, int minute = 0) {
    SYSTEMTIME t{};
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(occurrence);
    t.wDayOfWeek = static_cast<WORD>(weekday);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    return t;
}

TIME_ZONE_INFORMATION Zone(LONG bias, SYSTEMTIME daylightDate, SYSTEMTIME standardDate,
                           LONG daylightBias = -60) {
    TIME_ZONE_INFORMATION zone{};
    zone.Bias = bias;
    zone.DaylightDate = daylightDate;
    zone.StandardDate = standardDate;
    zone.DaylightBias = daylightBias;
    return zone;
}

// 2nd Sunday of March 02:00 to 1st Sunday of November 02:00, five hours behind UTC.
const TIME_ZONE_INFORMATION kNewYork = Zone(300, Change(3, 2, 0, 2), Change(11, 1, 0, 2));
// Last Sunday of March 02:00 to last Sunday of October 03:00, one hour ahead.
const TIME_ZONE_INFORMATION kBerlin = Zone(-60, Change(3, 5, 0, 2), Change(10, 5, 0, 3));
// 1st Sunday of October 02:00 to 1st Sunday of April 03:00, ten hours ahead: across new year.
const TIME_ZONE_INFORMATION kSydney = Zone(-600, Change(10, 1, 0, 2), Change(4, 1, 0, 3));

std::string Text(const SYSTEMTIME& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

std::string ToLocal(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
    SYSTEMTIME local{};
    return RuleUtcToLocal(zone, utc, &local) ? Text(local) : "refused";
}

std::string ToUtc(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local) {
    SYSTEMTIME utc{};
    return RuleLocalToUtc(zone, local, &utc) ? Text(utc) : "refused";
}

}  // namespace

TEST(ZoneRules, FirstAndSecondWeekRules) {
    EXPECT_EQ(ToLocal(kNewYork, St(2024, 3, 10, 6, 59, 59, 999)), "2024-03-10 01:59:59.999");
    EXPECT_EQ(ToLocal(kNewYork, St(2024, 3, 10, 7)), "2024-03-10 03:00:00.000");
    EXPECT_EQ(ToLocal(kNewYork, St(2024, 11, 3, 5, 59, 59)), "2024-11-03 01:59:59.000");
    EXPECT_EQ(ToLocal(kNewYork, St(2024, 11, 3, 6)), "2024-11-03 01:00:00.000");
    EXPECT_EQ(ToLocal(kNewYork, St(2015, 11, 1, 6)), "2015-11-01 01:00:00.000");  // 1st is Sunday
    EXPECT_EQ(ToUtc(kNewYork, St(2024, 7, 4, 12)), "2024-07-04 16:00:00.000");
    EXPECT_EQ(ToUtc(kNewYork, St(2024, 1, 4, 12)), "2024-01-04 17:00:00.000");
    // Skipped hour: read as daylight time. Repeated hour: the daylight (first) reading.
    EXPECT_EQ(ToUtc(kNewYork, St(2024, 3, 10, 2, 30)), "2024-03-10 06:30:00.000");
    EXPECT_EQ(ToUtc(kNewYork, St(2024, 11, 3, 1, 30)), "2024-11-03 05:30:00.000");
    EXPECT_EQ(ToUtc(kNewYork, St(2024, 11, 3, 2)), "2024-11-03 07:00:00.000");
}

TEST(ZoneRules, LastWeekRules) {
    EXPECT_EQ(ToLocal(kBerlin, St(2024, 3, 31, 0, 59, 59)), "2024-03-31 01:59:59.000");
    EXPECT_EQ(ToLocal(kBerlin, St(2024, 3, 31, 1)), "2024-03-31 03:00:00.000");
    EXPECT_EQ(ToLocal(kBerlin, St(2024, 10, 27, 0, 59)), "2024-10-27 02:59:00.000");
    EXPECT_EQ(ToLocal(kBerlin, St(2024, 10, 27, 1)), "2024-10-27 02:00:00.000");
    // March 2023 has four Sundays: "5" still means the last one, the 26th.
    EXPECT_EQ(ToLocal(kBerlin, St(2023, 3, 26, 1)), "2023-03-26 03:00:00.000");
    EXPECT_EQ(ToLocal(kBerlin, St(2023, 3, 19, 1)), "2023-03-19 02:00:00.000");
    EXPECT_EQ(ToUtc(kBerlin, St(2024, 10, 27, 2, 30)), "2024-10-27 00:30:00.000");
    EXPECT_EQ(ToUtc(kBerlin, St(2024, 10, 27, 3)), "2024-10-27 02:00:00.000");
}

TEST(ZoneRules, SouthernHemisphereAcrossTheNewYear) {
    EXPECT_EQ(ToLocal(kSydney, St(2023, 12, 31, 13, 30)), "2024-01-01 00:30:00.000");
    EXPECT_EQ(ToLocal(kSydney, St(2024, 6, 15)), "2024-06-15 10:00:00.000");
    EXPECT_EQ(ToLocal(kSydney, St(2024, 4, 6, 15, 59, 59)), "2024-04-07 02:59:59.000");
    EXPECT_EQ(ToLocal(kSydney, St(2024, 4, 6, 16)), "2024-04-07 02:00:00.000");
    EXPECT_EQ(ToLocal(kSydney, St(2024, 10, 5, 15, 59)), "2024-10-06 01:59:00.000");
    EXPECT_EQ(ToLocal(kSydney, St(2024, 10, 5, 16)), "2024-10-06 03:00:00.000");
    EXPECT_EQ(ToUtc(kSydney, St(2024, 1, 1, 0, 30)), "2023-12-31 13:30:00.000");
    EXPECT_EQ(ToUtc(kSydney, St(2024, 12, 31, 23, 59, 59, 500)), "2024-12-31 12:59:59.500");
    EXPECT_EQ(ToUtc(kSydney, St(2024, 7, 1)), "2024-06-30 14:00:00.000");
}

TEST(ZoneRules, NoDaylightSavingAndAbsoluteDates) {
    TIME_ZONE_INFORMATION kolkata = Zone(-330, SYSTEMTIME{}, SYSTEMTIME{}, -60);
    kolkata.StandardBias = 99;  // ignored without change dates
    EXPECT_EQ(ToLocal(kolkata, St(2024, 7, 1, 20)), "2024-07-02 01:30:00.000");
    EXPECT_EQ(ToUtc(kolkata, St(2024, 1, 1)), "2023-12-31 18:30:00.000");

    SYSTEMTIME start = Change(3, 15, 0, 2);
    start.wYear = 2024;
    SYSTEMTIME end = Change(9, 15, 0, 2);
    end.wYear = 2024;
    const TIME_ZONE_INFORMATION once = Zone(0, start, end);
    EXPECT_EQ(ToLocal(once, St(2024, 6, 1)), "2024-06-01 01:00:00.000");
    EXPECT_EQ(ToLocal(once, St(2024, 3, 15, 1, 59)), "2024-03-15 01:59:00.000");
    EXPECT_EQ(ToLocal(once, St(2024, 9, 15, 1)), "2024-09-15 01:00:00.000");
    EXPECT_EQ(ToLocal(once, St(2025, 6, 1)), "2025-06-01 00:00:00.000");  // another year
}

TEST(ZoneRules, DayOfWeekAndRefusals) {
    SYSTEMTIME local{};
    ASSERT_TRUE(RuleUtcToLocal(kBerlin, St(2024, 2, 29, 23, 30), &local));
    EXPECT_EQ(local.wDayOfWeek, 5);  // Friday, March 1
    EXPECT_EQ(ToLocal(kBerlin, St(2024, 2, 30)), "refused");
    EXPECT_EQ(ToLocal(kNewYork, St(1601, 1, 1, 1)), "refused");  // before 1601 locally
    EXPECT_EQ(ToUtc(kBerlin, St(1601, 1, 1)), "refused");
    // The last FILETIME year: October's change lies beyond 2^63 ticks, so summer stays summer.
    EXPECT_EQ(ToLocal(kBerlin, St(30828, 9, 13)), "30828-09-13 02:00:00.000");
    EXPECT_EQ(ToUtc(kBerlin, St(30828, 9, 13)), "30828-09-12 22:00:00.000");
    TIME_ZONE_INFORMATION broken = kBerlin;
    broken.DaylightDate.wMonth = 13;
    EXPECT_EQ(ToLocal(broken, St(2024, 6, 1)), "refused");
    broken = kBerlin;
    broken.StandardDate.wDay = 6;
    EXPECT_EQ(ToUtc(broken, St(2024, 6, 1)), "refused");
    const TIME_ZONE_INFORMATION absurd =
        Zone(-2147483647 - 1, Change(3, 5, 0, 2), Change(10, 5, 0, 3), -2147483647 - 1);
    EXPECT_EQ(ToLocal(absurd, St(30000, 1, 1)), "refused");  // no overflow, just refused
}
