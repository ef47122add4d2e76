// The per-file stamp decoder (the zone taken once) against the designed per-record decoding,
// second by second around daylight-saving changes and over random stamps, in the process's zone.
#include <gtest/gtest.h>

#include <random>

#include "history/stamp_decoder.h"
#include "tests/support/test_support.h"

namespace trendtab {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

std::string Show(const RecordTime& t) {
    return std::to_string(t.year1900 + 1900) + "-" + std::to_string(t.month0 + 1) + "-" +
           std::to_string(t.day) + " " + std::to_string(t.hour) + ":" + std::to_string(t.minute) +
           ":" + std::to_string(t.second) + "." + std::to_string(t.milliseconds);
}

void ExpectSameWide(FileStampDecoder& decoder, std::uint64_t ticks) {
    RecordTime fast;
    RecordTime plain;
    decoder.DecodeWide(ticks, fast);
    DecodeWideStamp(ticks, plain);
    ASSERT_EQ(Show(fast), Show(plain)) << "ticks " << ticks;
}

void ExpectSameCompact(FileStampDecoder& decoder, std::int32_t seconds) {
    RecordTime fast;
    RecordTime plain;
    const bool fastKept = decoder.DecodeCompact(seconds, fast);
    ASSERT_EQ(fastKept, DecodeCompactStamp(seconds, plain)) << "seconds " << seconds;
    if (fastKept) {
        ASSERT_EQ(Show(fast), Show(plain)) << "seconds " << seconds;
    }
}

// Seconds since 1970 of the changes in 2011 and 2024 in Europe, the United States, Australia and
// (none) India, and of the leap seconds of 2015 and 2016 in a zone that counts them: the zone of
// the process picks which of them matter.
const std::int64_t kChanges[] = {
    1301187600, 1319936400, 1300000000 + 14400, 1320559200, 1301760000, 1317484800, 1711846800,
    1729990800, 1710054000, 1730613600,         1712419200, 1727971200, 1435708825, 1483228826,
};

TEST(StampDecoderInZone, SameFieldsSecondBySecondAroundChanges) {
    FileStampDecoder decoder(Layout::Compact);
    const int span = static_cast<int>(4 * 3600 / testsupport::HeavyTestDivisor());
    for (std::int64_t change : kChanges) {
        for (std::int64_t s = change - span; s <= change + span; ++s) {
            ExpectSameCompact(decoder, static_cast<std::int32_t>(s));
            ExpectSameWide(
                decoder, static_cast<std::uint64_t>((s + kSecondsFrom1601To1970) * kTicksPerSecond +
                                                    (s % 7) * 1'234'567));
        }
    }
}

TEST(StampDecoderInZone, SameFieldsOverRandomStampsOfEveryKind) {
    FileStampDecoder decoder(Layout::Compact);
    std::mt19937_64 random(1601);
    const int count = static_cast<int>(300'000 / testsupport::HeavyTestDivisor());
    for (int i = 0; i < count; ++i) {
        ExpectSameCompact(decoder, static_cast<std::int32_t>(random()));
        // Any tick count: 1601 to 30828, and the invalid ones above 2^63.
        ExpectSameWide(decoder, random());
        // 1970 to 2100, where the fast path works.
        ExpectSameWide(decoder,
                       static_cast<std::uint64_t>(
                           (kSecondsFrom1601To1970 + random() % 4'102'444'800LL) * kTicksPerSecond +
                           random() % kTicksPerSecond));
    }
    // The edges of the fast path's range and of the calendar library's.
    for (std::int64_t seconds : {-86400LL, -1LL, 0LL, 1LL, 32'535'215'999LL, 32'535'216'000LL,
                                 32'535'302'400LL, -2'208'988'800LL, -2'208'988'801LL}) {
        for (std::int64_t delta : {-50'000LL, 0LL, 50'000LL}) {
            ExpectSameWide(decoder,
                           static_cast<std::uint64_t>((seconds + delta + kSecondsFrom1601To1970) *
                                                      kTicksPerSecond));
        }
    }
}

}  // namespace
}  // namespace trendtab
