// The archive against the plain truth: M4 columns from the summaries equal those computed from
// every sample, over a table of windows, for ordered, unordered, overlapping and NaN-holding files.
#include "history/archive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <thread>

#include "history/content_hash.h"
#include "history/record_cursor.h"
#include "history/record_values.h"
#include "history/stamp_ticks.h"
#include "history/summary_cache.h"
#include "platform/file_services.h"
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

// The disk cache and grown files: what the archive answers from a loaded or extended summary
// must equal what every sample gives, and the counts say which way the summary came.
std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ExpectEverySampleAnswers(const Archive& archive, const std::string& path, std::int64_t start,
                              const std::string& what) {
    for (const WindowCase& w : kWindows) {
        const M4Window window{Ticks(start + w.from), Ticks(start + w.to), w.width};
        ExpectSameColumns(EverySample({{path, IdOf(archive, path)}}, 0, window),
                          archive.Query("a", window), what + " " + Describe(path, 0, w));
    }
}

void ExpectCounts(const Archive& archive, std::uint64_t built, std::uint64_t extended,
                  std::uint64_t loaded, const std::string& what) {
    const Archive::SummaryCounts counts = archive.Counts();
    EXPECT_EQ(counts.built, built) << what;
    EXPECT_EQ(counts.extended, extended) << what;
    EXPECT_EQ(counts.loaded, loaded) << what;
}

// Rewrites a stored entry's trailing hash, so that only the checks behind it can refuse it.
void Rehash(std::string& entry) {
    entry.resize(entry.size() - 8);
    const std::uint64_t hash =
        HashBytes(reinterpret_cast<const unsigned char*>(entry.data()), entry.size());
    for (int i = 0; i < 8; ++i) {
        entry.push_back(static_cast<char>(hash >> (8 * i) & 0xff));
    }
}

TEST(SummaryCache, RestartLoadsFromDiskAndADamagedEntryIsRebuilt) {
    struct Damage {
        const char* what;
        std::function<void(std::string&)> apply;  // to the entry's bytes
        bool loaded;
    };
    const Damage damages[] = {
        {"as written", [](std::string&) {}, true},
        {"cut in half", [](std::string& e) { e.resize(e.size() / 2); }, false},
        {"last byte missing", [](std::string& e) { e.pop_back(); }, false},
        {"one byte flipped", [](std::string& e) { e[e.size() / 2] ^= 0x10; }, false},
        {"empty", [](std::string& e) { e.clear(); }, false},
        {"foreign", [](std::string& e) { e = "not a summary at all, just some text\n"; }, false},
        {"another format version", [](std::string& e) { e[8] = 2, Rehash(e); }, false},
        // Sound framing, but a record offset beyond its block: must not be trusted.
        {"offset beyond its block", [](std::string& e) { e[e.size() - 9] = 0x7f, Rehash(e); },
         false},
        {"a byte added", [](std::string& e) { e.insert(e.size() - 8, 1, '\0'), Rehash(e); }, false},
    };
    const std::int64_t start = 1'650'000'000;
    for (const auto layout : {hstgen::Layout::Compact, hstgen::Layout::Wide}) {
        for (const Damage& damage : damages) {
            const std::string what = std::string(damage.what) +
                                     (layout == hstgen::Layout::Wide ? " (wide)" : " (compact)");
            testsupport::TempDir dir;
            const std::string path = dir.file("day.hst");
            testsupport::WriteFileBytes(
                path, hstgen::BuildHistoryBytes(MakeSeries(layout, start, 9'000, 4)));
            auto cache = std::make_shared<SummaryCache>(dir.file("cache"), 64 << 20);
            std::string identity;
            ASSERT_TRUE(platform::ExistingFileKey(path, true, identity));
            {
                Archive first(64 << 20, cache);
                first.Refresh({path});
                first.Query("a", M4Window{Ticks(start), Ticks(start + 9'000), 10});
                ExpectCounts(first, 1, 0, 0, what);
            }
            std::string entry = ReadBytes(cache->PathFor(identity));
            ASSERT_FALSE(entry.empty()) << what;
            damage.apply(entry);
            testsupport::WriteFileBytes(cache->PathFor(identity), entry);

            Archive restarted(64 << 20, cache);
            restarted.Refresh({path});
            ExpectEverySampleAnswers(restarted, path, start, what);
            ExpectCounts(restarted, damage.loaded ? 0 : 1, 0, damage.loaded ? 1 : 0, what);
            Archive again(64 << 20, cache);  // the rebuilt entry was stored whole
            again.Refresh({path});
            again.Query("a", M4Window{Ticks(start), Ticks(start + 9'000), 10});
            ExpectCounts(again, 0, 0, 1, what);
        }
    }
}

TEST(SummaryCache, GrownFileIsExtendedAndAChangedOneSummarisedAgain) {
    struct Change {
        const char* what;
        int records;    // the file afterwards: MakeSeries(records, seed), first 5'000 records kept
        unsigned seed;  // 4: the same samples as before
        bool renamedTag;
        bool extended;
    };
    const Change changes[] = {
        {"grown by many blocks", 12'345, 4, false, true},
        {"grown inside its last block", 5'010, 4, false, true},
        {"grown by one record", 5'001, 4, false, true},
        {"cut short", 4'000, 4, false, false},
        {"rewritten at the same size", 5'000, 9, false, false},
        {"grown with other samples", 7'000, 9, false, false},
        {"grown with another header", 7'000, 4, true, false},
    };
    const std::int64_t start = 1'660'000'000;
    for (const Change& change : changes) {
        for (const bool restart : {false, true}) {
            const std::string what =
                std::string(change.what) + (restart ? ", after a restart" : ", while served");
            testsupport::TempDir dir;
            const std::string path = dir.file("live.hst");
            const std::string before =
                hstgen::BuildHistoryBytes(MakeSeries(hstgen::Layout::Compact, start, 5'000, 4));
            testsupport::WriteFileBytes(path, before);
            auto cache = std::make_shared<SummaryCache>(dir.file("cache"), 64 << 20);
            auto archive = std::make_unique<Archive>(64 << 20, cache);
            archive->Refresh({path});
            archive->Query("a", M4Window{Ticks(start), Ticks(start + 5'000), 10});
            std::string buildReason;
            const auto earlier = MinMaxSummary::Build(path, buildReason);
            ASSERT_TRUE(earlier);

            hstgen::HistoryPlan plan =
                MakeSeries(hstgen::Layout::Compact, start, change.records, change.seed);
            if (change.renamedTag) {
                plan.tags[1] = "c";
            }
            const std::string after = hstgen::BuildHistoryBytes(plan);
            if (after.size() > before.size() && after.compare(0, before.size(), before) == 0) {
                std::ofstream(path, std::ios::binary | std::ios::app)
                    .write(after.data() + before.size(),
                           static_cast<std::streamsize>(after.size() - before.size()));
            } else {
                ASSERT_FALSE(change.extended) << what << ": the new bytes must extend the old";
                std::ofstream(path, std::ios::binary | std::ios::trunc)
                    .write(after.data(), static_cast<std::streamsize>(after.size()));
            }
            // A later time whatever the clock's resolution.
            std::filesystem::last_write_time(
                path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
            if (restart) {
                archive = std::make_unique<Archive>(64 << 20, cache);
            }
            archive->Refresh({path});
            ExpectEverySampleAnswers(*archive, path, start, what);
            const auto counts = archive->Counts();
            EXPECT_EQ(counts.extended, change.extended ? 1U : 0U) << what;
            EXPECT_EQ(counts.built, (change.extended ? 0U : 1U) + (restart ? 0U : 1U)) << what;

            // Extended, the summary is the one a fresh build makes, byte for byte.
            std::string reason;
            bool extended = false;
            const auto grown = MinMaxSummary::Extend(path, *earlier, reason, extended);
            const auto rebuilt = MinMaxSummary::Build(path, reason);
            ASSERT_TRUE(grown && rebuilt) << what << ": " << reason;
            EXPECT_EQ(extended, change.extended) << what;
            std::string grownBytes, rebuiltBytes;
            grown->Serialize(grownBytes);
            rebuilt->Serialize(rebuiltBytes);
            EXPECT_EQ(grownBytes, rebuiltBytes) << what;
        }
    }
}

TEST(SummaryCache, KeepsWithinItsSizeDroppingTheLeastRecentlyUsed) {
    testsupport::TempDir dir;
    const std::int64_t start = 1'670'000'000;
    std::vector<std::string> paths;
    for (const char* name : {"a.hst", "b.hst", "c.hst"}) {
        paths.push_back(dir.file(name));
        testsupport::WriteFileBytes(paths.back(), hstgen::BuildHistoryBytes(MakeSeries(
                                                      hstgen::Layout::Compact, start, 3'000,
                                                      static_cast<unsigned>(paths.size()))));
    }
    auto entryOf = [&](const SummaryCache& cache, const std::string& path) {
        std::string identity;
        platform::ExistingFileKey(path, true, identity);
        return cache.PathFor(identity);
    };
    auto use = [&](const std::shared_ptr<SummaryCache>& cache, const std::string& path) {
        // Apart by more than the file system's clock step (a timer tick): uses are ordered.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Archive archive(64 << 20, cache);
        archive.Refresh({path});
        archive.Query("a", M4Window{Ticks(start), Ticks(start + 3'000), 10});
        return archive.Counts();
    };
    // Nothing kept at size 0, not even the folder.
    use(std::make_shared<SummaryCache>(dir.file("none"), 0), paths[0]);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));

    auto measure = std::make_shared<SummaryCache>(dir.file("measure"), 64 << 20);
    use(measure, paths[0]);
    const std::uint64_t entrySize = std::filesystem::file_size(entryOf(*measure, paths[0]));
    // Room for two entries and a half.
    auto cache = std::make_shared<SummaryCache>(dir.file("cache"), entrySize * 5 / 2);
    use(cache, paths[0]);
    use(cache, paths[1]);
    EXPECT_EQ(use(cache, paths[0]).loaded, 1U);  // a used again: b is now the oldest
    use(cache, paths[2]);
    EXPECT_TRUE(std::filesystem::exists(entryOf(*cache, paths[0])));
    EXPECT_FALSE(std::filesystem::exists(entryOf(*cache, paths[1])));
    EXPECT_TRUE(std::filesystem::exists(entryOf(*cache, paths[2])));
    EXPECT_EQ(use(cache, paths[1]).built, 1U);  // dropped: summarised again, a now goes
    EXPECT_FALSE(std::filesystem::exists(entryOf(*cache, paths[0])));
    std::uint64_t total = 0;
    for (const auto& item : std::filesystem::directory_iterator(dir.file("cache"))) {
        total += item.file_size();
    }
    EXPECT_LE(total, cache->maxBytes());
}

}  // namespace
}  // namespace trendtab
