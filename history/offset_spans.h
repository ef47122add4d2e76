// The offset of local time from UTC over stretches of instants, from a few lookups of the zone
// instead of one per stamp. Offsets change rarely, and no zone changes its offset and back
// within four days (the shortest such stretch from 1900 to 2100 in the zone database is
// Freetown's 4 days in 1939), so an offset found at two instants a day apart holds between them.
//
// A lookup is any `bool(std::int64_t seconds, std::int32_t& offset)`; false where the zone
// gives no offset, which counts as a change: an instant where it fails is never inside a span.
// Instants are seconds since 1970 within a few thousand years of it.
#pragma once

#include <algorithm>
#include <cstdint>

namespace trendtab {

class OffsetSpans {
  public:
    // The offset at `seconds` (since 1970, UTC); false where the lookup gives none.
    template <typename Lookup>
    bool At(std::int64_t seconds, std::int32_t& offset, const Lookup& lookup) {
        if (seconds >= low_ && seconds <= high_) {
            offset = offset_;
            ++served_;
            return true;
        }
        return Find(seconds, offset, lookup);
    }

  private:
    static constexpr std::int64_t kFirstStep = 15 * 60;
    static constexpr std::int64_t kLongestStep = 86'400;
    static constexpr std::int64_t kLongestReach = 32 * 86'400;

    template <typename Lookup>
    bool Find(std::int64_t seconds, std::int32_t& offset, const Lookup& lookup) {
        // Stamps that move on past the span just found look further ahead each time, while a
        // span serves at least one stamp (this one included) for every four lookups it took;
        // a stamp elsewhere (out of order, or more than a day on) costs its own lookup alone. So
        // no order of stamps costs more than a few lookups each.
        const bool onward = low_ <= high_ && seconds > high_ && seconds - high_ <= kLongestStep &&
                            (served_ + 1) * 4 >= cost_;
        reach_ = onward ? std::min(std::max(2 * reach_, kFirstStep), kLongestReach) : 0;
        low_ = 1;
        high_ = 0;
        served_ = 0;
        cost_ = 1;
        const auto counted = [&](std::int64_t at, std::int32_t& found) {
            ++cost_;
            return lookup(at, found);
        };
        if (!lookup(seconds, offset)) {
            return false;
        }
        // The offset holds until the next change, looked for at steps growing to a day and
        // then found to the second.
        std::int64_t known = seconds;  // the last instant known to have `offset`
        std::int64_t step = kFirstStep;
        while (known - seconds < reach_) {
            std::int32_t there;
            const std::int64_t probe = known + step;
            if (!counted(probe, there) || there != offset) {
                std::int64_t changed = probe;
                while (changed - known > 1) {
                    const std::int64_t middle = known + (changed - known) / 2;
                    if (counted(middle, there) && there == offset) {
                        known = middle;
                    } else {
                        changed = middle;
                    }
                }
                break;
            }
            known = probe;
            step = std::min(step * 2, kLongestStep);
        }
        low_ = seconds;
        high_ = known;
        offset_ = offset;
        return true;
    }

    std::int64_t low_ = 1;  // the instants known to have offset_: none yet
    std::int64_t high_ = 0;
    std::int32_t offset_ = 0;
    std::int64_t reach_ = 0;    // how far past its stamp the last search looked
    std::uint64_t cost_ = 0;    // the lookups the last search took
    std::uint64_t served_ = 0;  // the stamps its span has given an offset since
};

}  // namespace trendtab
