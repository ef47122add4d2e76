// The current zone's record where the offset in force now comes from the zone file's transition
// list, not its footer rule: zones compiled by zic around the moment the test runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "tests/support/test_support.h"
#include "tests/support/test_zone_directory.h"
#include "timelib/include/trendtime.h"
#include "timelib/time_zone.h"

namespace {

const char kZic[] = "/usr/sbin/zic";

// "YYYY Mon D HH:MM:SSu": a zic date in UTC.
std::string ZicDate(std::time_t t) {
    std::tm fields{};
    gmtime_r(&t, &fields);
    char text[40];
    std::strftime(text, sizeof text, "%Y %b %d %H:%M:%Su", &fields);
    return text;
}

int Year(std::time_t t) {
    std::tm fields{};
    gmtime_r(&t, &fields);
    return fields.tm_year + 1900;
}

class PresentZone : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testsupport::FileExists(kZic)) {
            GTEST_SKIP() << "no zic";
        }
        const std::time_t now = std::time(nullptr);
        const std::time_t from = now - 10 * 86'400;
        const std::time_t until = now + 10 * 86'400;
        const std::string later = std::to_string(Year(now) + 3);
        // Test/Present: +01 with a stretch at +00 (negative daylight saving) around now, as
        // in a Ramadan; its footer is a fixed +01. Test/Future: old southern rules until a
        // year ahead, then a fixed +04 that its footer holds.
        const std::string source =
            "Rule Tp " + std::to_string(Year(from)) + " only - " + ZicDate(from).substr(5) +
            " -1:00 -\n"
            "Rule Tp " +
            std::to_string(Year(until)) + " only - " + ZicDate(until).substr(5) +
            " 0 -\n"
            "Zone Test/Present 1:00 Tp +01/+00 " +
            later +
            "\n"
            "                  1:00 - +01\n"
            "Rule Old 1990 max - Oct Sun>=1 2:00 1:00 -\n"
            "Rule Old 1990 max - Apr Sun>=1 3:00 0 -\n"
            "Zone Test/Future 2:00 Old +02/+03 " +
            later +
            "\n"
            "                 4:00 - +04\n";
        testsupport::WriteFileBytes(dir_.file("zones.zi"), source);
        const std::string command =
            std::string(kZic) + " -d " + dir_.path().string() + " " + dir_.file("zones.zi");
        ASSERT_EQ(std::system(command.c_str()), 0) << source;
        const char* tz = std::getenv("TZ");
        savedTz_ = tz != nullptr ? tz : "";
        hadTz_ = tz != nullptr;
    }

    void TearDown() override {
        if (hadTz_) {
            setenv("TZ", savedTz_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    testsupport::TempDir dir_;
    testsupport::ScopedZoneDirectory zones_{dir_.path().string()};
    std::string savedTz_;
    bool hadTz_ = false;
};

// The C library's bias now: UTC minus local, in minutes.
long LibraryBias() {
    tzset();
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    localtime_r(&now, &fields);
    return -fields.tm_gmtoff / 60;
}

FILETIME Now() {
    FILETIME now{};
    SYSTEMTIME fields{};
    GetSystemTime(&fields);
    SystemTimeToFileTime(&fields, &now);
    return now;
}

void ExpectAgreement(const char* zone) {
    SCOPED_TRACE(zone);
    setenv("TZ", zone, 1);
    const long bias = LibraryBias();
    EXPECT_EQ(GetCurrentBias(), bias);
    EXPECT_EQ(trendtab::GetBiasAt(Now()), bias);
    TIME_ZONE_INFORMATION info{};
    const DWORD state = GetTimeZoneInformation(&info);
    const long recorded = info.Bias + (state == TIME_ZONE_ID_DAYLIGHT   ? info.DaylightBias
                                       : state == TIME_ZONE_ID_STANDARD ? info.StandardBias
                                                                        : 0);
    EXPECT_EQ(recorded, bias);
    // The record's own rule gives the same bias now.
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    GetSystemTime(&utc);
    utc.wMilliseconds = 0;
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&info, &utc, &local));
    FILETIME utcTime{};
    FILETIME localTime{};
    SystemTimeToFileTime(&utc, &utcTime);
    SystemTimeToFileTime(&local, &localTime);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<std::int64_t>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
    };
    EXPECT_EQ((ticks(utcTime) - ticks(localTime)) / 600'000'000, bias);
}

}  // namespace

TEST_F(PresentZone, OffsetFromTheTransitionList) {
    ExpectAgreement("Test/Present");
    EXPECT_EQ(GetCurrentBias(), 0);  // the +00 stretch, where the footer says +01
}

TEST_F(PresentZone, RuleThatChangesInAFutureYear) {
    ExpectAgreement("Test/Future");
    TIME_ZONE_INFORMATION info{};
    GetTimeZoneInformation(&info);
    EXPECT_EQ(info.Bias, -120);  // today's standard time, not the footer's +04
    EXPECT_EQ(info.DaylightBias, -60);
}
