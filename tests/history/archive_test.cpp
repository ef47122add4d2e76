// The archive against the plain truth: M4 columns from the summaries equal those computed from
// every sample, over a table of windows, for ordered, unordered, overlapping and NaN-holding files.
#include "history/archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <sstream>

#include "history/record_cursor.h"
#include "history/record_values.h"
#include "history/stamp_ticks.h"
#include "tests/support/test_support.h"
#include "tools/hstgen/hst_writer.h"

namespace trendtab {
namespace {

constexpr std::uint64_t kSecond = 10'000'000;
constexpr std::uint64_t kEpochTicks = 116'444'736'000'000'000ULL;  // 1970 in FILETIME ticks
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A file of `count` records a second apart from `startSeconds`, tags "a" and "b": a random walk
// with runs of NaN and plateaus of equal values, so ties and gaps are met.
hstgen::HistoryPlan MakeSeries(hstgen::Layout layout, std::int64_t startSeconds, int count,
                               unsigned seed) {
    hstgen::HistoryPlan plan;
    plan.layout = layout;
    plan.tags = {"a", "b"};
    plan.tagSecondFields = {"Flow in", "-"};
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> step(-1, 1);
    double walk = 0;
    for (int i = 0; i < count; ++i) {
        walk += step(random);
        const double a = (i / 500) % 3 == 1 && i % 500 < 40 ? kNaN : walk;
        const double b = (i / 100) % 2 == 0 ? 7.0 : std::round(walk);
        const std::int64_t seconds = startSeconds + i - (i % 97 == 5 ? 1 : 0);  // equal stamps
        const std::int64_t stamp = layout == hstgen::Layout::Compact
                                       ? seconds
                                       : static_cast<std::int64_t>(kEpochTicks) +
                                             seconds * static_cast<std::int64_t>(kSecond);
        plan.records.emplace_back(stamp, std::vector<double>{a, b});
    }
    return plan;
}

std::uint64_t Ticks(std::int64_t unixSeconds) {
    return kEpochTicks + static_cast<std::uint64_t>(unixSeconds) * kSecond;
}

// Every sample of `tag` in the files, numbered as the archive numbers them.
std::vector<M4Column> EverySample(const std::vector<std::pair<std::string, std::uint32_t>>& files,
                                  std::size_t tag, const M4Window& window) {
    std::vector<M4Column> columns(window.width);
    for (const auto& [path, id] : files) {
        const OpenedHistoryFile opened = OpenHistoryFile(path);
        const Layout layout = opened.info.header.layout();
        RecordCursor cursor(opened.file.get(), opened.info.header.recordSize);
        std::uint32_t index = 0;
        for (RecordSpan span = cursor.Next(); !span.empty(); span = cursor.Next()) {
            for (std::size_t i = 0; i < span.count; ++i, ++index) {
                const M4Sample sample{StampTicks(span.Record(i), layout),
                                      RecordValue(span.Record(i), layout, tag),
                                      static_cast<std::uint64_t>(id) << 32 | index};
                AddToColumns(columns, window, sample);
            }
        }
    }
    return columns;
}

bool SameSample(const M4Sample& a, const M4Sample& b) {
    return a.ticks == b.ticks && a.order == b.order &&
           std::memcmp(&a.value, &b.value, sizeof(double)) == 0;
}

void ExpectSameColumns(const std::vector<M4Column>& expected, const std::vector<M4Column>& got,
                       const std::string& what) {
    ASSERT_EQ(expected.size(), got.size()) << what;
    for (std::size_t c = 0; c < expected.size(); ++c) {
        const M4Column& e = expected[c];
        const M4Column& g = got[c];
        SCOPED_TRACE(::testing::Message() << what << ", column " << c);
        ASSERT_EQ(e.count, g.count);
        if (e.count == 0) {
            continue;
        }
        EXPECT_TRUE(SameSample(e.first, g.first));
        EXPECT_TRUE(SameSample(e.last, g.last));
        ASSERT_EQ(e.hasValue, g.hasValue);
        if (e.hasValue) {
            EXPECT_TRUE(SameSample(e.min, g.min));
            EXPECT_TRUE(SameSample(e.max, g.max));
        }
        ASSERT_EQ(e.hasNaN, g.hasNaN);
        if (e.hasNaN) {
            EXPECT_TRUE(SameSample(e.firstNaN, g.firstNaN));
        }
    }
    const auto a = DrawnPoints(expected);
    const auto b = DrawnPoints(got);
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_TRUE(SameSample(a[i], b[i])) << what << ", point " << i;
    }
}

std::uint32_t IdOf(const Archive& archive, const std::string& path) {
    for (const ArchiveFile& file : archive.Files()) {
        if (file.path == path) {
            return file.id;
        }
    }
    return 0;
}

struct WindowCase {
    std::int64_t from;  // seconds after the series' start
    std::int64_t to;
    std::uint32_t width;
};

// Whole ranges, edges inside blocks, columns of fewer than four samples, windows past the ends.
std::string Describe(const std::string& file, std::size_t tag, const WindowCase& w) {
    std::ostringstream text;
    text << file << " tag " << tag << " [" << w.from << "," << w.to << ") / " << w.width;
    return text.str();
}

const WindowCase kWindows[] = {
    {0, 20'000, 1000}, {0, 20'000, 7},       {-500, 25'000, 333}, {63, 4'161, 64},
    {1, 2, 5},         {100, 110, 1},        {100, 103, 3},       {5'000, 5'700, 700},
    {-100, 10, 9},     {19'900, 30'000, 50}, {12'345, 19'999, 1}, {0, 20'000, 20'000},
};

TEST(ArchiveM4, SummaryEqualsEverySampleForBothLayoutsAndTags) {
    testsupport::TempDir dir;
    for (const auto layout : {hstgen::Layout::Compact, hstgen::Layout::Wide}) {
        const std::string path = dir.file(layout == hstgen::Layout::Compact ? "c.hst" : "w.hst");
        const std::int64_t start = 1'700'000'000;
        testsupport::WriteFileBytes(
            path, hstgen::BuildHistoryBytes(MakeSeries(layout, start, 20'000, 7)));
        Archive archive(64 << 20);
        archive.Refresh({path});
        for (std::size_t tag = 0; tag < 2; ++tag) {
            for (const WindowCase& w : kWindows) {
                const M4Window window{Ticks(start + w.from), Ticks(start + w.to), w.width};
                ExpectSameColumns(EverySample({{path, IdOf(archive, path)}}, tag, window),
                                  archive.Query(tag == 0 ? "a" : "b", window),
                                  Describe(path, tag, w));
            }
        }
    }
}

TEST(ArchiveM4, OverlappingAndUnorderedFilesMergeAsOneSeries) {
    testsupport::TempDir dir;
    const std::int64_t start = 1'600'000'000;
    const std::string first = dir.file("day1.hst");
    const std::string second = dir.file("day2.hst");
    const std::string shuffled = dir.file("shuffled.hst");
    testsupport::WriteFileBytes(
        first, hstgen::BuildHistoryBytes(MakeSeries(hstgen::Layout::Compact, start, 6'000, 1)));
    testsupport::WriteFileBytes(second, hstgen::BuildHistoryBytes(MakeSeries(
                                            hstgen::Layout::Compact, start + 5'000, 6'000, 2)));
    hstgen::HistoryPlan backwards = MakeSeries(hstgen::Layout::Compact, start + 2'000, 3'000, 3);
    std::reverse(backwards.records.begin(), backwards.records.end());
    testsupport::WriteFileBytes(shuffled, hstgen::BuildHistoryBytes(backwards));

    Archive archive(64 << 20);
    archive.Refresh({second, shuffled, first});
    const auto files = archive.Files();
    ASSERT_EQ(files.size(), 3U);
    EXPECT_EQ(files[0].path, first);  // time order: day1 starts first
    EXPECT_FALSE(files[0].overlapsEarlier);
    EXPECT_TRUE(files[1].overlapsEarlier || files[2].overlapsEarlier);
    const std::vector<std::pair<std::string, std::uint32_t>> all = {
        {first, IdOf(archive, first)},
        {second, IdOf(archive, second)},
        {shuffled, IdOf(archive, shuffled)}};
    for (const WindowCase& w : kWindows) {
        const M4Window window{Ticks(start + w.from / 2), Ticks(start + w.to / 2), w.width};
        ExpectSameColumns(EverySample(all, 0, window), archive.Query("a", window),
                          Describe("all", 0, w));
    }
}

TEST(Archive, ListsRefusedFilesTagsAcrossFilesAndFollowsChanges) {
    testsupport::TempDir dir;
    const std::string good = dir.file("good.hst");
    const std::string wide = dir.file("wide.hst");
    const std::string broken = dir.file("broken.hst");
    testsupport::WriteFileBytes(
        good, hstgen::BuildHistoryBytes(MakeSeries(hstgen::Layout::Compact, 1000, 300, 1)));
    testsupport::WriteFileBytes(
        wide, hstgen::BuildHistoryBytes(MakeSeries(hstgen::Layout::Wide, 2000, 300, 1)));
    testsupport::WriteFileBytes(broken, std::string("\x02\x00\x00", 3));
    Archive archive(1 << 20);
    EXPECT_TRUE(archive.Refresh({good, wide, broken, dir.file("missing.hst")}));
    auto files = archive.Files();
    ASSERT_EQ(files.size(), 3U);
    EXPECT_EQ(files[2].path, broken);
    EXPECT_NE(files[2].refusal.find("not a history file"), std::string::npos) << files[2].refusal;
    EXPECT_EQ(files[0].recordCount, 300U);
    EXPECT_EQ(files[0].firstTicks, Ticks(1000));
    const auto tags = archive.Tags();
    ASSERT_EQ(tags.size(), 2U);
    EXPECT_EQ(tags[0].name, "a");
    EXPECT_EQ(tags[0].files.size(), 2U);
    EXPECT_EQ(tags[0].description, "Flow in");  // the wide file's, the compact one has none
    EXPECT_EQ(tags[1].description, "");

    const M4Window window{Ticks(0), Ticks(10'000), 100};
    ASSERT_GT(archive.Query("a", window)[10].count, 0U);
    // Cut short and grown while served: no crash, and the next look sees the new state.
    std::filesystem::resize_file(good, 2000);
    for (const M4Column& column : archive.Query("a", window)) {
        (void)column;
    }
    EXPECT_TRUE(archive.Refresh({good, wide, broken}));
    files = archive.Files();
    EXPECT_LT(files.front().recordCount, 300U);
    EXPECT_FALSE(archive.Refresh({good, wide, broken}));  // nothing new
    std::filesystem::remove(wide);
    EXPECT_TRUE(archive.Refresh({good, wide, broken}));
    EXPECT_EQ(archive.Files().size(), 2U);
    EXPECT_LE(archive.SummaryBytes(), 1U << 20);
}

}  // namespace
}  // namespace trendtab
