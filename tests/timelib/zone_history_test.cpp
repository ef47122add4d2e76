// Registry zones through the extended entry points: each zone's own history from its zone file,
// checked around every offset change from 1970 to 2037 against changes found by an independent
// implementation (data/make_zone_changes.py), with the zone files pinned in data/zoneinfo. The
// plain entry points keep the yearly rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_zone_directory.h"
#include "tests/timelib/filetime_test_util.h"
#include "timelib/time_zone.h"

using namespace timelibtest;

namespace {

struct Change {
    std::int64_t at;  // UTC seconds since 1970
    std::int32_t before;
    std::int32_t after;  // seconds east of UTC
};

struct ZoneChanges {
    const char* zone;
    std::vector<Change> changes;
};

const ZoneChanges kZones[] = {
#include "tests/timelib/data/zone_changes.inc"
};

FILETIME At(std::int64_t seconds) {
    return Ft(UnixTicks(seconds));
}

std::int64_t Seconds(const FILETIME& time) {
    return static_cast<std::int64_t>(Ticks(time) / kTicksPerSecond) -
           static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond);
}

class ZoneHistory : public ::testing::Test {
  protected:
    void SetUp() override { trendtab::LoadZoneEntryPoints(); }
    void TearDown() override { trendtab::ReleaseZoneEntryPoints(); }

    testsupport::ScopedZoneDirectory systemZones_{std::nullopt};
};

// The zones of the change table, read from the files the table was made from.
class PinnedZoneHistory : public ZoneHistory {
  protected:
    testsupport::ScopedZoneDirectory pinnedZones_{std::string(TRENDTAB_PINNED_ZONES)};
};

std::int64_t ToLocal(const trendtab::TimeZone& zone, std::int64_t utc) {
    FILETIME time = At(utc);
    zone.UtcToLocal(&time);
    return Seconds(time);
}

std::int64_t ToUtc(const trendtab::TimeZone& zone, std::int64_t local) {
    FILETIME time = At(local);
    zone.LocalToUtc(&time);
    return Seconds(time);
}

trendtab::WideString Wide(const char* text) {
    trendtab::WideString wide;
    trendtab::platform::WideFromUtf8(text, &wide);
    return wide;
}

}  // namespace

// A change takes effect at its wall-clock reading in the offset before it: a skipped reading
// takes the offset after it, a repeated one the offset before it (the earlier instant).
TEST_F(PinnedZoneHistory, EveryChangeFrom1970To2037) {
    ASSERT_TRUE(trendtab::ZoneEntryPointsLoaded());
    std::size_t checked = 0;
    for (const ZoneChanges& expected : kZones) {
        trendtab::TimeZone zone;
        ASSERT_TRUE(zone.SelectZone(Wide(expected.zone).c_str())) << expected.zone;
        for (const Change& c : expected.changes) {
            SCOPED_TRACE(std::string(expected.zone) + " at " + std::to_string(c.at));
            EXPECT_EQ(ToLocal(zone, c.at - 1), c.at - 1 + c.before);
            EXPECT_EQ(ToLocal(zone, c.at), c.at + c.after);
            const std::int64_t wall = c.at + c.before;
            EXPECT_EQ(ToUtc(zone, wall - 1), wall - 1 - c.before);
            EXPECT_EQ(ToUtc(zone, wall), wall - c.after);
            if (c.after < c.before) {
                EXPECT_EQ(ToUtc(zone, c.at + c.after), c.at + c.after - c.before);
            }
            ++checked;
        }
    }
    EXPECT_GE(checked, 300u);
}

TEST_F(ZoneHistory, FarBeyondTheTransitionListTheRuleGoesOn) {
    trendtab::TimeZone zone;
    ASSERT_TRUE(zone.SelectZone(TT_WIDE("America/New_York")));
    const auto local = [&zone](int year, int month) {
        const SYSTEMTIME fields = St(year, month, 1, 12);
        FILETIME time{};
        EXPECT_TRUE(SystemTimeToFileTime(&fields, &time));
        zone.UtcToLocal(&time);
        SYSTEMTIME out{};
        EXPECT_TRUE(FileTimeToSystemTime(&time, &out));
        return out.wHour;
    };
    for (int year : {2100, 2400, 30000}) {
        EXPECT_EQ(local(year, 1), 7) << year;
        EXPECT_EQ(local(year, 7), 8) << year;
    }
}

// The plain entry points, a disabled dynamic daylight time and a key that names no zone keep
// today's rule in every year: 2006-03-20 then counts as daylight time in New York.
TEST_F(ZoneHistory, OtherwiseTheYearlyRule) {
    trendtab::TimeZone zone;
    ASSERT_TRUE(zone.SelectZone(TT_WIDE("America/New_York")));
    const SYSTEMTIME utc = St(2006, 3, 20, 12);
    SYSTEMTIME local{};
    DYNAMIC_TIME_ZONE_INFORMATION dynamic = zone.GetDynamicZoneInformation();
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTimeEx(&dynamic, &utc, &local));
    EXPECT_EQ(local.wHour, 7);
    dynamic.DynamicDaylightTimeDisabled = TRUE;
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTimeEx(&dynamic, &utc, &local));
    EXPECT_EQ(local.wHour, 8);
    dynamic = zone.GetDynamicZoneInformation();
    const trendtab::WideString nowhere = Wide("Nowhere/Else");
    std::copy(nowhere.c_str(), nowhere.c_str() + nowhere.size() + 1, dynamic.TimeZoneKeyName);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTimeEx(&dynamic, &utc, &local));
    EXPECT_EQ(local.wHour, 8);
    SYSTEMTIME back{};
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTimeEx(&dynamic, &local, &back));
    EXPECT_EQ(back.wHour, 12);

    EXPECT_EQ(ToLocal(zone, 1'142'856'000), 1'142'856'000 - 5 * 3600);  // 2006-03-20 12:00
    trendtab::ReleaseZoneEntryPoints();
    EXPECT_EQ(ToLocal(zone, 1'142'856'000), 1'142'856'000 - 4 * 3600);
}
