#include "tools/hstgen/series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "tests/support/test_support.h"
#include "tests/tools/bytes.h"

namespace hstgen {
namespace {

std::string SeriesBytes(const SeriesOptions& options) {
    return BuildHistoryBytes(BuildSeriesPlan(options));
}

int PrintedWidth(double value) {
    return std::snprintf(nullptr, 0, "%10.3f", value);
}

// Pinned: a change here changes every benchmark and test file made from a seed.
TEST(Series, SameSeedSameBytes) {
    SeriesOptions compact;
    compact.tags = 5;
    compact.records = 500;
    compact.wideTags = 2;
    compact.seed = 42;
    EXPECT_EQ(hstgen_test::Fnv1a(SeriesBytes(compact)), 17410245526760012329u);

    SeriesOptions wide;
    wide.layout = Layout::Wide;
    wide.pattern = ValuePattern::Random;
    wide.tags = 7;
    wide.records = 300;
    wide.stepTicks = 12345;
    wide.seed = 7;
    EXPECT_EQ(hstgen_test::Fnv1a(SeriesBytes(wide)), 13486229789352166000u);

    ++wide.seed;
    EXPECT_NE(hstgen_test::Fnv1a(SeriesBytes(wide)), 13486229789352166000u);
}

TEST(Series, StreamedFileEqualsTheSeriesBuiltInMemory) {
    testsupport::TempDir dir;
    SeriesOptions options;
    options.layout = Layout::Wide;
    options.tags = 250;
    options.records = 600;  // 1.2 MB: more than one write chunk
    options.wideTags = 3;
    const std::string path = dir.file("series.hst");
    ASSERT_TRUE(WriteSeriesFile(path, options));
    EXPECT_TRUE(testsupport::ReadFileBytes(path) == SeriesBytes(options));

    options.layout = Layout::Compact;
    options.tags = 2;
    options.records = 3;
    options.pattern = ValuePattern::Const;
    options.constBits = 0x7F800001u;
    ASSERT_TRUE(WriteSeriesFile(path, options));
    const std::string bytes = testsupport::ReadFileBytes(path);
    EXPECT_EQ(bytes, SeriesBytes(options));
    EXPECT_EQ(hstgen_test::Le(bytes, 60 + 2 * 256 + 4, 4), 0x7F800001u);
}

TEST(Series, TrendRepeatsMostValuesAndMarksWideTags) {
    SeriesOptions options;
    options.tags = 6;
    options.records = 2000;
    options.wideTags = 2;
    for (Layout layout : {Layout::Compact, Layout::Wide}) {
        options.layout = layout;
        const HistoryPlan content = BuildSeriesPlan(options);
        EXPECT_EQ(content.tags.front(), "Tag001");
        EXPECT_EQ(content.tags.back(), "Tag006");
        std::size_t repeats = 0;
        std::size_t pairs = 0;
        for (std::size_t r = 0; r < content.records.size(); ++r) {
            for (std::size_t t = 0; t < 6; ++t) {
                const double value = content.records[r].values[t];
                const bool wide = t == 2 || t == 5;  // spread out, the last among them
                EXPECT_EQ(PrintedWidth(value) > 10, wide) << value;
                if (r > 0) {
                    ++pairs;
                    repeats += value == content.records[r - 1].values[t];
                }
            }
        }
        EXPECT_GT(repeats, pairs * 3 / 4);
        EXPECT_LT(repeats, pairs * 19 / 20);
    }
}

TEST(Series, RandomSpansDecadesBothSignsAndZeros) {
    SeriesOptions options;
    options.pattern = ValuePattern::Random;
    options.records = 1000;
    const HistoryPlan content = BuildSeriesPlan(options);
    double smallest = HUGE_VAL;
    double largest = 0;
    int zeros = 0;
    int negatives = 0;
    for (const Record& record : content.records) {
        for (double value : record.values) {
            zeros += value == 0;
            negatives += value < 0;
            if (value != 0) {
                smallest = std::min(smallest, std::fabs(value));
                largest = std::max(largest, std::fabs(value));
            }
        }
    }
    EXPECT_LT(smallest, 1e-15);
    EXPECT_GT(largest, 1e15);
    EXPECT_GT(zeros, 100);
    EXPECT_GT(negatives, 1500);
}

TEST(Series, StampsFollowStartAndStep) {
    SeriesOptions options;
    options.pattern = ValuePattern::Ramp;
    options.tags = 2;
    options.records = 4;
    options.layout = Layout::Wide;
    options.startTicks = -20000;
    options.stepTicks = 12345;  // 1.2345 ms
    HistoryPlan content = BuildSeriesPlan(options);
    EXPECT_EQ(content.records[3].stamp, -20000 + 3 * 12345);
    EXPECT_EQ(content.records[3].values, (std::vector<double>{3, 4}));

    options.layout = Layout::Compact;
    options.startTicks = (kSecondsFrom1601To1970 + 10) * kTicksPerSecond;
    options.stepTicks = -kTicksPerSecond * 3 / 2;  // compact stamps round down
    content = BuildSeriesPlan(options);
    EXPECT_EQ(content.records[1].stamp, 8);
    EXPECT_EQ(content.records[3].stamp, 5);
}

TEST(Series, OptionChecks) {
    SeriesOptions options;
    EXPECT_EQ(CheckSeriesOptions(options), "");
    options.tags = 251;
    EXPECT_NE(CheckSeriesOptions(options), "");
    options.tags = 2;
    options.wideTags = 3;
    EXPECT_NE(CheckSeriesOptions(options), "");
    options.wideTags = 0;
    options.startTicks = 0;  // 1601: before 32-bit seconds
    EXPECT_NE(CheckSeriesOptions(options), "");
    options.startTicks = (kSecondsFrom1601To1970 + 2147483648) * kTicksPerSecond;
    options.records = 1;
    EXPECT_NE(CheckSeriesOptions(options), "") << "would wrap to a negative stamp";
    options.startTicks = (kSecondsFrom1601To1970 + 2147483647) * kTicksPerSecond;
    EXPECT_EQ(CheckSeriesOptions(options), "");
    options.records = 2;
    EXPECT_NE(CheckSeriesOptions(options), "");
    options.records = std::uint64_t{1} << 62;
    options.stepTicks = -4;  // the span alone leaves 64 bits
    EXPECT_NE(CheckSeriesOptions(options), "");
    options.layout = Layout::Wide;  // wide stamps wrap
    EXPECT_EQ(CheckSeriesOptions(options), "");
}

}  // namespace
}  // namespace hstgen
