// Time text: ISO 8601 in UTC and Unix seconds for any stamp, the fraction digits a file needs,
// and the absolute times of --from and --to.
#include <gtest/gtest.h>

#include "tools/hstexport/time_text.h"
#include "tools/hstgen/hst_writer.h"

namespace {

using hstexport::TimeMode;
using hstexport::TimeText;
using hstexport::UtcOffsets;

std::string Text(TimeMode mode, std::uint64_t ticks, int digits) {
    UtcOffsets offsets(mode, "");
    TimeText time(mode, offsets);
    char out[TimeText::kLongest];
    return std::string(out, time.Write(ticks, digits, out));
}

std::uint64_t Ticks(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return static_cast<std::uint64_t>(hstgen::FileTimeTicks(y, mo, d, h, mi, s, ms));
}

TEST(TimeText, UtcAndEpochKeepEveryDigit) {
    const std::uint64_t stamp = Ticks(2024, 10, 27, 0, 30, 0, 250) + 1234;
    EXPECT_EQ(Text(TimeMode::Utc, stamp, 7), "2024-10-27T00:30:00.2501234Z");
    EXPECT_EQ(Text(TimeMode::Utc, Ticks(2024, 10, 27, 0, 30, 0, 250), 3),
              "2024-10-27T00:30:00.250Z");
    EXPECT_EQ(Text(TimeMode::Utc, Ticks(2024, 2, 29, 23, 59, 59), 0), "2024-02-29T23:59:59Z");
    EXPECT_EQ(Text(TimeMode::Epoch, Ticks(1970, 1, 1, 0, 0, 1, 500), 3), "1.500");
    // Before 1970: sign and magnitude, -1.75 s.
    EXPECT_EQ(Text(TimeMode::Epoch, Ticks(1969, 12, 31, 23, 59, 58, 250), 3), "-1.750");
    EXPECT_EQ(Text(TimeMode::Utc, 0, 7), "1601-01-01T00:00:00.0000000Z");
    // The largest stamps lie past the year 9999: the expanded form.
    EXPECT_EQ(Text(TimeMode::Utc, UINT64_MAX, 7), "+60056-05-28T05:36:10.9551615Z");
    EXPECT_EQ(Text(TimeMode::Epoch, UINT64_MAX, 7), "1833029933770.9551615");
    // Local time (this process runs in UTC) names its offset; stamps no platform service takes
    // (2^63 ticks and more) are shown in UTC on every platform.
    EXPECT_EQ(Text(TimeMode::Local, stamp, 7), "2024-10-27T00:30:00.2501234+00:00");
    EXPECT_EQ(Text(TimeMode::Local, UINT64_MAX, 0), "+60056-05-28T05:36:10Z");
}

TEST(TimeText, FractionDigitsAFileNeeds) {
    const std::uint64_t second = Ticks(2020, 1, 1, 0, 0, 0);
    EXPECT_EQ(hstexport::FractionDigitsFor(second), 0);
    EXPECT_EQ(hstexport::FractionDigitsFor(second + 10'000), 3);
    EXPECT_EQ(hstexport::FractionDigitsFor(second + 10), 6);
    EXPECT_EQ(hstexport::FractionDigitsFor(second + 1), 7);
}

TEST(TimeText, AbsoluteTimesOfTheCommandLine) {
    UtcOffsets utc(TimeMode::Utc, "");
    auto parse = [&](const std::string& text) { return hstexport::ParseAbsoluteTime(text, utc); };
    EXPECT_EQ(parse("2024-10-27"), Ticks(2024, 10, 27, 0, 0, 0));
    EXPECT_EQ(parse("2024-10-27T02:30"), Ticks(2024, 10, 27, 2, 30, 0));
    EXPECT_EQ(parse("2024-10-27 02:30:00.25Z"), Ticks(2024, 10, 27, 2, 30, 0, 250));
    EXPECT_EQ(parse("2024-10-27T02:30:00+02:00"), Ticks(2024, 10, 27, 0, 30, 0));
    EXPECT_EQ(parse("2024-10-27T02:30:00-05:30"), Ticks(2024, 10, 27, 8, 0, 0));
    EXPECT_EQ(parse("@0"), Ticks(1970, 1, 1, 0, 0, 0));
    EXPECT_EQ(parse("@-1"), Ticks(1969, 12, 31, 23, 59, 59));
    for (const char* bad :
         {"", "2024", "2024-13-01", "2024-02-30", "2024-10-27T24:00", "2024-10-27T02:30:00.",
          "2024-10-27T02:30:00+2", "@", "@1x", "2024-10-27T02:30:00.00000001", "yesterday"}) {
        EXPECT_FALSE(parse(bad)) << bad;
    }
}

}  // namespace
