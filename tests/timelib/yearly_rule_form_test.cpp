#include "timelib/portable/yearly_rule_form.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

using trendtab::platform::ParsePosixZoneRule;
using trendtab::platform::PosixZoneRule;
using trendtab::platform::WindowsZone;

namespace {

WindowsZone Describe(const char* text, std::int64_t year = 2024) {
    PosixZoneRule rule;
    EXPECT_TRUE(ParsePosixZoneRule(text, &rule)) << text;
    return trendtab::platform::PosixRuleToWindows(rule, year);
}

std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) {
        out.push_back(static_cast<char>(*text));
    }
    return out;
}

// "month/occurrence/weekday hh:mm:ss.mmm"
std::string Date(const SYSTEMTIME& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%d/%d/%d %02d:%02d:%02d.%03d", t.wMonth, t.wDay, t.wDayOfWeek,
                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

}  // namespace

TEST(YearlyRuleForm, ExactRules) {
    const WindowsZone berlin = Describe("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_FALSE(berlin.approximated);
    EXPECT_EQ(berlin.info.Bias, -60);
    EXPECT_EQ(berlin.info.StandardBias, 0);
    EXPECT_EQ(berlin.info.DaylightBias, -60);
    EXPECT_EQ(Narrow(berlin.info.StandardName), "CET");
    EXPECT_EQ(Narrow(berlin.info.DaylightName), "CEST");
    EXPECT_EQ(Date(berlin.info.DaylightDate), "3/5/0 02:00:00.000");
    EXPECT_EQ(Date(berlin.info.StandardDate), "10/5/0 03:00:00.000");
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

TEST(YearlyRuleForm, ApproximatedRules) {
    // A change outside 0..23 hours keeps the weekday its date counts from, at the nearest time
    // of that day: the right day every year, never a week off.
    const WindowsZone jerusalem = Describe("IST-2IDT,M3.4.4/26,M10.5.0");
    EXPECT_TRUE(jerusalem.approximated);
    EXPECT_EQ(Date(jerusalem.info.DaylightDate), "3/4/4 23:59:59.999");
    const WindowsZone santiago = Describe("<-04>4<-03>,M9.1.6/24,M4.1.6/24");
    EXPECT_EQ(Date(santiago.info.DaylightDate), "9/1/6 23:59:59.999");
    EXPECT_EQ(Date(santiago.info.StandardDate), "4/1/6 23:59:59.999");
    const WindowsZone nuuk = Describe("<-02>2<-01>,M3.5.0/-1,M10.5.0/0");
    EXPECT_TRUE(nuuk.approximated);
    EXPECT_EQ(nuuk.info.Bias, 120);
    EXPECT_EQ(Date(nuuk.info.DaylightDate), "3/5/0 00:00:00.000");
    EXPECT_EQ(Date(nuuk.info.StandardDate), "10/5/0 00:00:00.000");

    // Negative daylight saving: winter is the C library's daylight time; the roles swap.
    const WindowsZone dublin = Describe("IST-1GMT0,M10.5.0,M3.5.0/1");
    EXPECT_TRUE(dublin.approximated);
    EXPECT_EQ(dublin.info.Bias, 0);
    EXPECT_EQ(dublin.info.DaylightBias, -60);
    EXPECT_EQ(Narrow(dublin.info.StandardName), "GMT");
    EXPECT_EQ(Narrow(dublin.info.DaylightName), "IST");
    EXPECT_EQ(Date(dublin.info.DaylightDate), "3/5/0 01:00:00.000");
    EXPECT_EQ(Date(dublin.info.StandardDate), "10/5/0 02:00:00.000");

    // Day-of-year dates take their weekday in the reference year: 2024-03-01 is the first
    // Friday of March (J60 skips February 29, so it is March 1 in every year).
    const WindowsZone julian = Describe("AAA3BBB,J60/0,J300/0", 2024);
    EXPECT_TRUE(julian.approximated);
    EXPECT_EQ(Date(julian.info.DaylightDate), "3/1/5 00:00:00.000");
    EXPECT_EQ(Date(julian.info.StandardDate), "10/5/0 00:00:00.000");  // 2024-10-27, last Sunday

    // Daylight saving all year: a fixed zone at the daylight offset.
    const WindowsZone always = Describe("EST5EDT,0/0,J365/25");
    EXPECT_TRUE(always.approximated);
    EXPECT_EQ(always.info.Bias, 240);
    EXPECT_EQ(always.info.DaylightDate.wMonth, 0);

    const WindowsZone seconds = Describe("<+001730>-0:17:30");
    EXPECT_TRUE(seconds.approximated);
    EXPECT_EQ(seconds.info.Bias, -18);  // rounded to the nearest minute, halves away from 0
}

TEST(YearlyRuleForm, Names) {
    WCHAR name[32];
    trendtab::platform::SetZoneName(std::string(40, 'x'), name);
    EXPECT_EQ(Narrow(name), std::string(31, 'x'));
}

// Every year, each change of the form lies as near the rule's change as its worst year allows.
TEST(YearlyRuleForm, OutOfDayChangesStayNearTheRuleInEveryYear) {
    struct Case {
        const char* rule;
        std::int64_t maxErrorMs;  // start and end
    };
    const Case cases[] = {
        {"<-04>4<-03>,M9.1.6/24,M4.1.6/24", 1},             // Sunday 00:00 after a Saturday
        {"EET-2EEST,M4.5.5/0,M10.5.4/24", 1},               // last Thursday 24:00
        {"IST-2IDT,M3.4.4/26,M10.5.0", 2 * 3'600'000 + 1},  // Friday 02:00 after a Thursday
        {"EET-2EEST,M3.4.4/50,M10.4.4/50", 26 * 3'600'000 + 1},
        {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", 3'600'000},  // Saturday 23:00 before a Sunday
    };
    for (const Case& c : cases) {
        PosixZoneRule rule;
        ASSERT_TRUE(ParsePosixZoneRule(c.rule, &rule));
        const WindowsZone zone = trendtab::platform::PosixRuleToWindows(rule, 2024);
        for (std::int64_t year = 1970; year <= 2400; ++year) {
            for (const auto& [change, date] : {std::pair{rule.start, zone.info.DaylightDate},
                                               std::pair{rule.end, zone.info.StandardDate}}) {
                const trendtab::platform::PosixChangeRule form{
                    trendtab::platform::PosixChangeRule::Kind::kMonthWeekDay,
                    0,
                    date.wMonth,
                    date.wDay,
                    date.wDayOfWeek,
                    0};
                const std::int64_t formMs =
                    trendtab::platform::LocalChangeSeconds(form, year) * 1000 +
                    ((date.wHour * 60 + date.wMinute) * 60 + date.wSecond) * 1000 +
                    date.wMilliseconds;
                const std::int64_t ruleMs =
                    trendtab::platform::LocalChangeSeconds(change, year) * 1000;
                EXPECT_LE(std::llabs(formMs - ruleMs), c.maxErrorMs) << c.rule << " " << year;
            }
        }
    }
}
