// Offsets found over spans against the zone asked at every instant, for made-up zones whose
// changes come as close as real ones do, in every order of stamps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "history/offset_spans.h"

namespace trendtab {
namespace {

constexpr std::int64_t kDay = 86'400;
constexpr std::int64_t kStart = 1'300'000'000;

// A zone as a list of (from this instant on, offset); no offset (a failed lookup) where empty.
struct MadeUpZone {
    const char* name;
    std::vector<std::pair<std::int64_t, std::optional<std::int32_t>>> changes;

    std::optional<std::int32_t> At(std::int64_t seconds) const {
        std::optional<std::int32_t> offset;  // fails before the first entry
        for (const auto& [from, then] : changes) {
            if (seconds >= from) {
                offset = then;
            }
        }
        return offset;
    }
};

const MadeUpZone kZones[] = {
    {"constant", {{0, 3600}}},
    {"summer time", {{0, 3600}, {kStart + kDay + 7, 7200}, {kStart + 30 * kDay + 3, 3600}}},
    // Forward and back four days apart, the shortest stretch in the zone database.
    {"four days", {{0, -3 * 3600}, {kStart + 2 * kDay, -2 * 3600}, {kStart + 6 * kDay, -3 * 3600}}},
    // One instant with no plain offset (a leap second), and a new offset right after it.
    {"leap second", {{0, 0}, {kStart + 3 * kDay, std::nullopt}, {kStart + 3 * kDay + 1, -1}}},
    {"no offset before", {{kStart + kDay / 2, 19800}}},
    {"no offset after", {{0, 19800}, {kStart + 5 * kDay, std::nullopt}}},
};

// The stamps of a file: seconds and quarter hours on and on, days apart, backwards, shuffled,
// and (pattern 5, made as the test goes) each one just past the farthest instant looked up.
std::vector<std::int64_t> Stamps(int pattern) {
    std::vector<std::int64_t> stamps;
    switch (pattern) {
        case 0:
            for (std::int64_t s = kStart - 3600; s < kStart + 8 * kDay; ++s)
                stamps.push_back(s);
            break;
        case 1:
            for (std::int64_t s = kStart - kDay; s < kStart + 40 * kDay; s += 900) {
                stamps.push_back(s);
            }
            break;
        case 2:
            for (std::int64_t s = kStart - kDay; s < kStart + 40 * kDay; s += kDay + 1) {
                stamps.push_back(s);
            }
            break;
        case 3:
            for (std::int64_t s = kStart + 8 * kDay; s > kStart - kDay; s -= 97)
                stamps.push_back(s);
            break;
        default: {
            std::mt19937_64 random(static_cast<std::uint64_t>(pattern));
            for (int i = 0; i < (pattern == 5 ? 20'000 : 200'000); ++i) {
                stamps.push_back(kStart - kDay + static_cast<std::int64_t>(random() % (40 * kDay)));
            }
            break;
        }
    }
    return stamps;
}

TEST(OffsetSpans, SameOffsetsAsAskingAtEveryStamp) {
    for (const MadeUpZone& zone : kZones) {
        for (int pattern = 0; pattern < 6; ++pattern) {
            OffsetSpans spans;
            std::size_t lookups = 0;
            std::int64_t farthest = 0;  // the latest instant looked up
            const auto lookup = [&](std::int64_t at, std::int32_t& offset) {
                ++lookups;
                farthest = std::max(farthest, at);
                const std::optional<std::int32_t> found = zone.At(at);
                offset = found.value_or(0);
                return found.has_value();
            };
            std::vector<std::int64_t> stamps = Stamps(pattern);
            std::size_t failing = 0;
            for (std::size_t i = 0; i < stamps.size(); ++i) {
                if (pattern == 5 && i > 0) {
                    stamps[i] = farthest + 1;  // each stamp just past the last span's end
                }
                const std::int64_t stamp = stamps[i];
                std::int32_t offset = 12345;
                const bool found = spans.At(stamp, offset, lookup);
                const std::optional<std::int32_t> expected = zone.At(stamp);
                failing += expected ? 0 : 1;
                ASSERT_EQ(found, expected.has_value())
                    << zone.name << " " << pattern << " " << stamp;
                if (found) {
                    ASSERT_EQ(offset, *expected) << zone.name << " " << pattern << " " << stamp;
                }
            }
            // Stamps in order cost a few lookups per change, scattered ones about one each, those
            // just past every span a few each, and every stamp with no offset its own.
            const std::size_t tenthsEach = pattern < 3 ? 0 : pattern == 5 ? 40 : 11;
            const std::size_t most = 400 + failing + stamps.size() * tenthsEach / 10;
            EXPECT_LE(lookups, most) << zone.name << " " << pattern;
        }
    }
}

}  // namespace
}  // namespace trendtab
