// The current zone through the platform services, one zone per test process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "tests/support/test_support.h"
#include "tests/timelib/filetime_test_util.h"
#include "timelib/portable/zone_rules.h"

using namespace timelibtest;

namespace {

std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) {
        out.push_back(static_cast<char>(*text));
    }
    return out;
}

struct ExpectedZone {
    const char* tz;
    const char* standardName;
    const char* daylightName;
    LONG bias;
    LONG daylightBias;
    int daylightMonth, daylightWeek, daylightHour;
    int standardMonth, standardWeek, standardHour;
};

const ExpectedZone kZones[] = {
    {"UTC0", "UTC", "", 0, 0, 0, 0, 0, 0, 0, 0},
    {"UTC", "UTC", "", 0, 0, 0, 0, 0, 0, 0, 0},
    {"Etc/UTC", "Etc/UTC", "", 0, 0, 0, 0, 0, 0, 0, 0},
    {"Europe/Berlin", "Europe/Berlin", "CEST", -60, -60, 3, 5, 2, 10, 5, 3},
    {"America/New_York", "America/New_York", "EDT", 300, -60, 3, 2, 2, 11, 1, 2},
    {"EST5EDT,M3.2.0,M11.1.0", "EST", "EDT", 300, -60, 3, 2, 2, 11, 1, 2},
    {"Asia/Kolkata", "Asia/Kolkata", "", -330, 0, 0, 0, 0, 0, 0, 0},
    {"Australia/Sydney", "Australia/Sydney", "AEDT", -600, -60, 10, 1, 2, 4, 1, 3},
};

const ExpectedZone* FindZone(const std::string& tz) {
    for (const ExpectedZone& zone : kZones) {
        if (tz == zone.tz) {
            return &zone;
        }
    }
    return nullptr;
}

long OffsetNow() {
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    localtime_r(&now, &fields);
    return fields.tm_gmtoff;
}

}  // namespace

TEST(ZoneInformationInZone, DescribesTheCurrentZone) {
    TIME_ZONE_INFORMATION info{};
    const DWORD result = GetTimeZoneInformation(&info);
    std::string tz = testsupport::TestZone();
    if (std::getenv("TZ") == nullptr) {
        // No TZ: /etc/localtime, named by where it links to in the zone directory.
        const std::filesystem::path target = std::filesystem::canonical("/etc/localtime");
        const std::filesystem::path base = std::filesystem::canonical("/usr/share/zoneinfo");
        tz = target.lexically_relative(base).generic_string();
        EXPECT_EQ(Narrow(info.StandardName), tz);
    }
    const ExpectedZone* expected = FindZone(tz);
    if (expected == nullptr) {
        GTEST_SKIP() << "no expectations for TZ=" << tz;
    }
    EXPECT_EQ(Narrow(info.StandardName), expected->standardName);
    EXPECT_EQ(Narrow(info.DaylightName), expected->daylightName);
    EXPECT_EQ(info.Bias, expected->bias);
    EXPECT_EQ(info.StandardBias, 0);
    EXPECT_EQ(info.DaylightBias, expected->daylightBias);
    EXPECT_EQ(info.DaylightDate.wMonth, expected->daylightMonth);
    EXPECT_EQ(info.DaylightDate.wDay, expected->daylightWeek);
    EXPECT_EQ(info.DaylightDate.wHour, expected->daylightHour);
    EXPECT_EQ(info.StandardDate.wMonth, expected->standardMonth);
    EXPECT_EQ(info.StandardDate.wDay, expected->standardWeek);
    EXPECT_EQ(info.StandardDate.wHour, expected->standardHour);
    if (expected->daylightMonth == 0) {
        EXPECT_EQ(result, TIME_ZONE_ID_UNKNOWN);
    } else {
        const bool daylightNow = -OffsetNow() / 60 == info.Bias + info.DaylightBias;
        EXPECT_EQ(result, daylightNow ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD);
    }
}

TEST(ZoneInformationInZone, LocalFileTimeUsesTheBiasInForceNow) {
    const long offset = OffsetNow();
    for (std::int64_t t : {0LL, 1'310'000'000LL, 1'326'000'000LL}) {  // the date does not matter
        const FILETIME utc = Ft(UnixTicks(t));
        FILETIME local{};
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        EXPECT_EQ(Ticks(local), UnixTicks(t + offset));
    }
    const FILETIME refused = Ft(std::uint64_t{1} << 63);
    FILETIME local = Ft(5);
    EXPECT_FALSE(FileTimeToLocalFileTime(&refused, &local));
    EXPECT_EQ(Ticks(local), 5u);
}

// Null record: the C library's zone with its history. The record the zone reports, run through
// the yearly rule, agrees with it hour by hour in a year of the current rules.
TEST(ZoneInformationInZone, ConversionsFollowTheZone) {
    TIME_ZONE_INFORMATION info{};
    GetTimeZoneInformation(&info);
    const std::int64_t start = 1'704'067'200;  // 2024-01-01 00:00:00 UTC
    const int hours = static_cast<int>(366 * 24 / testsupport::HeavyTestDivisor());
    for (int hour = 0; hour < hours; ++hour) {
        const std::time_t t = start + hour * 3600LL + 1800;
        std::tm fields{};
        localtime_r(&t, &fields);
        SYSTEMTIME utc{}, local{}, byRule{}, back{};
        const FILETIME stamp = Ft(UnixTicks(t) + 1'230'000);  // .123
        ASSERT_TRUE(FileTimeToSystemTime(&stamp, &utc));
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
        EXPECT_EQ(local.wHour, fields.tm_hour) << t;
        EXPECT_EQ(local.wDay, fields.tm_mday) << t;
        EXPECT_EQ(local.wMilliseconds, 123) << t;
        ASSERT_TRUE(trendtab::platform::RuleUtcToLocal(info, utc, &byRule));
        EXPECT_EQ(byRule.wHour, local.wHour) << t;
        EXPECT_EQ(byRule.wDay, local.wDay) << t;
        std::tm before{}, after{};
        const std::time_t earlier = t - 7200, later = t + 7200;
        localtime_r(&earlier, &before);
        localtime_r(&later, &after);
        if (before.tm_gmtoff == after.tm_gmtoff) {  // away from the repeated hour
            ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &back));
            EXPECT_EQ(back.wHour, utc.wHour) << t;
            EXPECT_EQ(back.wMilliseconds, 123) << t;
        }
    }
    // History: New York's daylight saving began on April 2 in 2006, on March 11 in 2007.
    if (testsupport::TestZone() == "America/New_York") {
        SYSTEMTIME local{};
        SYSTEMTIME utc = St(2006, 3, 20, 12);
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
        EXPECT_EQ(local.wHour, 7);
        utc = St(2007, 3, 20, 12);
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
        EXPECT_EQ(local.wHour, 8);
    }
}

// The extended entry points pass a null record through and read the first seven fields of a
// dynamic one.
TEST(ZoneInformationInZone, ExtendedEntryPointsDelegate) {
    DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
    dynamic.Bias = -330;
    SYSTEMTIME utc = St(2024, 7, 1, 12), local{}, current{};
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTimeEx(&dynamic, &utc, &local));
    EXPECT_EQ(local.wHour, 17);
    EXPECT_EQ(local.wMinute, 30);
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTimeEx(&dynamic, &local, &utc));
    EXPECT_EQ(utc.wHour, 12);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTimeEx(nullptr, &utc, &local));
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &current));
    EXPECT_EQ(local.wHour, current.wHour);
    SYSTEMTIME bad = St(2024, 2, 30);
    SetLastError(0);
    EXPECT_FALSE(TzSpecificLocalTimeToSystemTimeEx(nullptr, &bad, &local));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}
