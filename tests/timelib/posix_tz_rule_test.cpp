#include "timelib/portable/posix_tz_rule.h"

#include <gtest/gtest.h>

using trendtab::platform::ParsePosixZoneRule;
using trendtab::platform::PosixChangeRule;
using trendtab::platform::PosixZoneRule;
using Kind = trendtab::platform::PosixChangeRule::Kind;

TEST(PosixTzRule, ParsesTheForms) {
    PosixZoneRule rule;
    ASSERT_TRUE(ParsePosixZoneRule("CET-1CEST,M3.5.0,M10.5.0/3", &rule));
    EXPECT_EQ(rule.standardName, "CET");
    EXPECT_EQ(rule.standardOffset, 3600);
    EXPECT_EQ(rule.daylightName, "CEST");
    EXPECT_EQ(rule.daylightOffset, 7200);  // one hour ahead by default
    EXPECT_EQ(rule.start.month, 3);
    EXPECT_EQ(rule.start.week, 5);
    EXPECT_EQ(rule.start.time, 7200);  // 02:00 by default
    EXPECT_EQ(rule.end.time, 3 * 3600);

    ASSERT_TRUE(ParsePosixZoneRule("<+0530>-5:30", &rule));
    EXPECT_EQ(rule.standardName, "+0530");
    EXPECT_EQ(rule.standardOffset, 19'800);
    EXPECT_FALSE(rule.hasDaylight);

    ASSERT_TRUE(ParsePosixZoneRule("<-02>2<-01>,M3.5.0/-1,M10.5.0/0", &rule));
    EXPECT_EQ(rule.standardOffset, -7200);
    EXPECT_EQ(rule.start.time, -3600);

    ASSERT_TRUE(ParsePosixZoneRule("AAA3:20:15BBB2,J60/+167,0/-167:59:59", &rule));
    EXPECT_EQ(rule.standardOffset, -(3 * 3600 + 20 * 60 + 15));
    EXPECT_EQ(rule.daylightOffset, -7200);
    EXPECT_EQ(rule.start.kind, Kind::kJulian);
    EXPECT_EQ(rule.start.day, 60);
    EXPECT_EQ(rule.start.time, 167 * 3600);
    EXPECT_EQ(rule.end.kind, Kind::kDayOfYear);
    EXPECT_EQ(rule.end.day, 0);
    EXPECT_EQ(rule.end.time, -(167 * 3600 + 59 * 60 + 59));

    ASSERT_TRUE(ParsePosixZoneRule("EST5EDT", &rule));  // no dates: the US rules
    EXPECT_EQ(rule.start.month, 3);
    EXPECT_EQ(rule.start.week, 2);
    EXPECT_EQ(rule.end.month, 11);
    EXPECT_EQ(rule.end.week, 1);
}

TEST(PosixTzRule, RefusesMalformedText) {
    PosixZoneRule rule;
    rule.standardName = "kept";
    for (const char* text : {"",
                             "UTC",
                             "AB1",
                             "EST25",
                             "EST5:60",
                             "EST5EDT,M3.2.0",
                             "EST5EDT,M13.1.0,M11.1.0",
                             "EST5EDT,M3.6.0,M11.1.0",
                             "EST5EDT,M3.2.7,M11.1.0",
                             "EST5EDT,M3.2.0/168,M11.1.0",
                             "EST5EDT,J0,J365",
                             "EST5EDT,366,0",
                             "EST5x",
                             "<+05",
                             "<+5>-5",
                             "<+05>-5<",
                             "EST5ED",
                             "EST99999999999",
                             "EST5EDT,M3.2.0,M11.1.0,",
                             "EST5EDT,M003.2.0,M11.1.0",
                             "5EST"}) {
        EXPECT_FALSE(ParsePosixZoneRule(text, &rule)) << text;
    }
    EXPECT_EQ(rule.standardName, "kept");
    // Arbitrary bytes: bounded, no crash.
    std::string noise;
    for (int i = 0; i < 4096; ++i) {
        noise.push_back(static_cast<char>(i * 7919 % 256));
        ParsePosixZoneRule(noise, &rule);
    }
}
