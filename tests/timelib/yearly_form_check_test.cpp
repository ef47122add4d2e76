// Every approximated zone of the system's zone database: its registry record's yearly changes
// against the zone file's real changes, 2000 to 2037. Prints the figures; fails when a year
// that the zone's present rule governs lands further off than the nearest yearly form allows.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/support/test_zone_directory.h"
#include "timelib/civil_time.h"
#include "timelib/platform/posix/zone_description.h"
#include "timelib/platform/posix/zone_history.h"
#include "timelib/platform/posix/zone_keys.h"

namespace posix = trendtab::posix;
namespace civil = trendtab::civil;

namespace {

constexpr std::int64_t kHourMs = 3'600'000;

struct RecordChange {
    std::int64_t atMs;  // UTC milliseconds since 1970
    std::int32_t beforeMinutes;
    std::int32_t afterMinutes;  // east of UTC
};

// The record's two changes in a year, as the Windows rule places them.
std::vector<RecordChange> RecordChanges(const TIME_ZONE_INFORMATION& info, std::int64_t year) {
    if (info.DaylightDate.wMonth == 0 || info.StandardDate.wMonth == 0) {
        return {};
    }
    const std::int32_t standard = -(info.Bias + info.StandardBias);
    const std::int32_t daylight = -(info.Bias + info.DaylightBias);
    const auto wallMs = [year](const SYSTEMTIME& d) {
        const trendtab::platform::PosixChangeRule form{
            trendtab::platform::PosixChangeRule::Kind::kMonthWeekDay,
            0,
            d.wMonth,
            d.wDay,
            d.wDayOfWeek,
            0};
        return trendtab::platform::LocalChangeSeconds(form, year) * 1000 +
               ((d.wHour * 60 + d.wMinute) * 60 + d.wSecond) * 1000 + d.wMilliseconds;
    };
    return {{wallMs(info.DaylightDate) - standard * 60'000, standard, daylight},
            {wallMs(info.StandardDate) - daylight * 60'000, daylight, standard}};
}

std::int32_t Minutes(std::int32_t seconds) {
    return (seconds + (seconds < 0 ? -30 : 30)) / 60;
}

}  // namespace

TEST(YearlyFormCheck, ApproximatedZonesAgainstTheirZoneFiles) {
    testsupport::ScopedZoneDirectory systemZones(std::nullopt);
    std::vector<posix::ZoneKey> keys;
    ASSERT_TRUE(posix::ListZoneKeys(posix::ZoneDirectory(), &keys));
    int zones = 0;
    int ruleYears = 0;
    int otherYears = 0;
    std::map<std::string, int> ruleBuckets;  // the present rule's years, by largest difference
    int otherDiffering = 0;
    std::int64_t worstRuleMs = 0;
    std::string worstZone;
    std::string perZone;
    for (const posix::ZoneKey& key : keys) {
        std::string name;
        std::vector<std::uint8_t> bytes;
        posix::TzifData data;
        if (!posix::FindZoneKey(posix::ZoneDirectory(), key.name, &name, &bytes) ||
            !posix::ParseTzif(bytes.data(), bytes.size(), &data)) {
            continue;
        }
        const posix::WindowsZone zone = posix::TzifToWindows(data, 2024);
        if (!zone.approximated) {
            continue;
        }
        ++zones;
        const posix::ZoneHistory history = posix::HistoryFromTzif(data);
        int zoneRuleYears = 0;
        std::int64_t zoneWorst = 0;
        for (std::int64_t year = 2000; year <= 2037; ++year) {
            const std::int64_t from = civil::DaysFromCivil(year, 1, 1) * 86'400;
            const std::int64_t to = civil::DaysFromCivil(year + 1, 1, 1) * 86'400;
            std::vector<posix::OffsetChange> real;
            posix::ChangesBetween(history, from, to, 64, &real);
            std::vector<posix::OffsetChange> rule;
            if (history.hasRule) {
                posix::RuleChangesBetween(history.rule, from, to, &rule);
            }
            bool ruleYear = history.hasRule && real.size() == rule.size();
            for (std::size_t i = 0; ruleYear && i < real.size(); ++i) {
                ruleYear = real[i].at == rule[i].at && real[i].after == rule[i].after;
            }
            // Pair each real change with the record's change between the same offsets.
            std::vector<RecordChange> recorded = RecordChanges(zone.info, year);
            std::int64_t worst = 0;
            bool unmatched = false;
            for (const posix::OffsetChange& change : real) {
                bool found = false;
                for (RecordChange& r : recorded) {
                    if (r.beforeMinutes == Minutes(change.before) &&
                        r.afterMinutes == Minutes(change.after)) {
                        const std::int64_t diff = std::llabs(r.atMs - change.at * 1000);
                        worst = diff > worst ? diff : worst;
                        r.beforeMinutes = INT32_MIN;  // used
                        found = true;
                        break;
                    }
                }
                unmatched = unmatched || !found;
            }
            for (const RecordChange& r : recorded) {
                unmatched = unmatched || r.beforeMinutes != INT32_MIN;
            }
            if (!ruleYear) {
                ++otherYears;
                otherDiffering += unmatched || worst > 0 ? 1 : 0;
                continue;
            }
            ++ruleYears;
            ++zoneRuleYears;
            zoneWorst = worst > zoneWorst ? worst : zoneWorst;
            const char* bucket = unmatched                   ? "unmatched"
                                 : worst == 0                ? "exact"
                                 : worst <= 1                ? "1 ms"
                                 : worst <= kHourMs          ? "<= 1 h"
                                 : worst <= 26 * kHourMs + 1 ? "<= 26 h"
                                                             : "more";
            ++ruleBuckets[bucket];
            if (!unmatched && worst > worstRuleMs) {
                worstRuleMs = worst;
                worstZone = key.name + " " + std::to_string(year);
            }
            EXPECT_FALSE(unmatched) << key.name << " " << year;
            EXPECT_LE(worst, 26 * kHourMs + 1) << key.name << " " << year;
        }
        perZone += "  " + key.name + ": " + std::to_string(zoneRuleYears) +
                   " years of the present rule, largest difference " + std::to_string(zoneWorst) +
                   " ms\n";
    }
    std::printf("approximated zones: %d; zone-years 2000-2037 governed by the present rule: %d",
                zones, ruleYears);
    for (const auto& [bucket, count] : ruleBuckets) {
        std::printf("; %s: %d", bucket.c_str(), count);
    }
    std::printf(
        "\nworst: %lld ms (%s); other zone-years (history unlike the present rule): %d, "
        "of which the record differs in %d\n",
        static_cast<long long>(worstRuleMs), worstZone.c_str(), otherYears, otherDiffering);
    std::printf("%s", perZone.c_str());
}
