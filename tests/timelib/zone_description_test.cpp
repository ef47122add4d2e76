#include "zone_description.h"

#include <gtest/gtest.h>

#include <string>

using trendtab::posix::ParsePosixZoneRule;
using trendtab::posix::PosixZoneRule;
using trendtab::posix::WindowsZone;

namespace {

WindowsZone Describe(const char* text, std::int64_t year = 2024) {
    PosixZoneRule rule;
    EXPECT_TRUE(ParsePosixZoneRule(text, &rule)) << text;
    return trendtab::posix::PosixRuleToWindows(rule, year);
}

std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) {
        out.push_back(static_cast<char>(*text));
    }
    return out;
}

// "month/occurrence/weekday hh:mm:ss"
std::string Date(const SYSTEMTIME& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%d/%d/%d %02d:%02d:%02d", t.wMonth, t.wDay, t.wDayOfWeek,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

}  // namespace

TEST(ZoneDescription, ExactRules) {
    const WindowsZone berlin = Describe("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_FALSE(berlin.approximated);
    EXPECT_EQ(berlin.info.Bias, -60);
    EXPECT_EQ(berlin.info.StandardBias, 0);
    EXPECT_EQ(berlin.info.DaylightBias, -60);
    EXPECT_EQ(Narrow(berlin.info.StandardName), "CET");
    EXPECT_EQ(Narrow(berlin.info.DaylightName), "CEST");
    EXPECT_EQ(Date(berlin.info.DaylightDate), "3/5/0 02:00:00");
    EXPECT_EQ(Date(berlin.info.StandardDate), "10/5/0 03:00:00");
    EXPECT_EQ(berlin.info.DaylightDate.wYear, 0);

    const WindowsZone kolkata = Describe("IST-5:30");
    EXPECT_FALSE(kolkata.approximated);
    EXPECT_EQ(kolkata.info.Bias, -330);
    EXPECT_EQ(kolkata.info.DaylightDate.wMonth, 0);
    EXPECT_EQ(kolkata.info.StandardDate.wMonth, 0);
    EXPECT_EQ(Narrow(kolkata.info.DaylightName), "");

    const WindowsZone lordHowe = Describe("<+1030>-10:30<+11>-11,M10.1.0,M4.1.0");
    EXPECT_FALSE(lordHowe.approximated);
    EXPECT_EQ(lordHowe.info.DaylightBias, -30);
}

TEST(ZoneDescription, ApproximatedRules) {
    // Change times outside 0..23 hours move to a neighbouring weekday.
    const WindowsZone jerusalem = Describe("IST-2IDT,M3.4.4/26,M10.5.0");
    EXPECT_TRUE(jerusalem.approximated);
    EXPECT_EQ(Date(jerusalem.info.DaylightDate), "3/4/5 02:00:00");
    const WindowsZone nuuk = Describe("<-02>2<-01>,M3.5.0/-1,M10.5.0/0");
    EXPECT_TRUE(nuuk.approximated);
    EXPECT_EQ(nuuk.info.Bias, 120);
    EXPECT_EQ(Date(nuuk.info.DaylightDate), "3/5/6 23:00:00");
    EXPECT_EQ(Date(nuuk.info.StandardDate), "10/5/0 00:00:00");

    // Negative daylight saving: winter is the C library's daylight time; the roles swap.
    const WindowsZone dublin = Describe("IST-1GMT0,M10.5.0,M3.5.0/1");
    EXPECT_TRUE(dublin.approximated);
    EXPECT_EQ(dublin.info.Bias, 0);
    EXPECT_EQ(dublin.info.DaylightBias, -60);
    EXPECT_EQ(Narrow(dublin.info.StandardName), "GMT");
    EXPECT_EQ(Narrow(dublin.info.DaylightName), "IST");
    EXPECT_EQ(Date(dublin.info.DaylightDate), "3/5/0 01:00:00");
    EXPECT_EQ(Date(dublin.info.StandardDate), "10/5/0 02:00:00");

    // Day-of-year dates take their weekday in the reference year: 2024-03-01 is the first
    // Friday of March (J60 skips February 29, so it is March 1 in every year).
    const WindowsZone julian = Describe("AAA3BBB,J60/0,J300/0", 2024);
    EXPECT_TRUE(julian.approximated);
    EXPECT_EQ(Date(julian.info.DaylightDate), "3/1/5 00:00:00");
    EXPECT_EQ(Date(julian.info.StandardDate), "10/5/0 00:00:00");  // 2024-10-27, last Sunday

    // Daylight saving all year: a fixed zone at the daylight offset.
    const WindowsZone always = Describe("EST5EDT,0/0,J365/25");
    EXPECT_TRUE(always.approximated);
    EXPECT_EQ(always.info.Bias, 240);
    EXPECT_EQ(always.info.DaylightDate.wMonth, 0);

    const WindowsZone seconds = Describe("<+001730>-0:17:30");
    EXPECT_TRUE(seconds.approximated);
    EXPECT_EQ(seconds.info.Bias, -18);  // rounded to the nearest minute, halves away from 0
}

TEST(ZoneDescription, ZoneFilesAndNames) {
    WindowsZone zone;
    EXPECT_FALSE(trendtab::posix::ZoneFileToWindows("/nonexistent", 2024, &zone));

    WCHAR name[32];
    trendtab::posix::SetZoneName(std::string(40, 'x'), name);
    EXPECT_EQ(Narrow(name), std::string(31, 'x'));
}
