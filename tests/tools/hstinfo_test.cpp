// hstinfo end to end: what it reports of good files, and the converter's verdict on bad ones.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/run_program.h"
#include "tests/support/test_support.h"
#include "tools/hstgen/hst_writer.h"

namespace {

using hstgen::FileTimeTicks;
using hstgen::HistoryPlan;
using hstgen::UnixSeconds;

// Runs in processes with TZ=JST-9 (nine hours ahead, no daylight saving): the child inherits
// the zone, as the Windows services under Wine need.
class HstinfoInZone : public ::testing::Test {
  protected:
    testsupport::RunResult Inspect(const std::vector<std::string>& names) {
        testsupport::RunOptions options;
        options.workingDirectory = dir.path().string();
        testsupport::RunResult result = testsupport::RunProgram(HSTINFO_EXE, names, options);
        result.output = testsupport::WithLfLineEnds(result.output);
        return result;
    }
    void Write(const std::string& name, const HistoryPlan& content) {
        ASSERT_TRUE(hstgen::WriteHistoryFile(dir.file(name), content));
    }

    testsupport::TempDir dir;
};

TEST_F(HstinfoInZone, CompactFile) {
    HistoryPlan content;
    content.tags = {"Tank1", "Tank2"};
    content.records = {{UnixSeconds(2011, 3, 4, 13, 5, 9), {1, 2}},
                       {-1, {3, 4}},
                       {UnixSeconds(2011, 3, 4, 23, 0, 0), {5, 6}}};
    content.trailing = "abc";
    Write("c.hst", content);
    const std::string before = testsupport::ReadFileBytes(dir.file("c.hst"));
    const auto result = Inspect({"c.hst"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "file: c.hst\nstatus: ok\nlayout: compact\ntype: 2\nrecordSize: 12\nnumTags: 2\n"
              "tag.1: Tank1\ntag.2: Tank2\nrecords: 3\ntrailingBytes: 3\n"
              "first.seconds: 1299243909\nfirst.utc: 2011-03-04 13:05:09.000\n"
              "first.local: 2011-03-04 22:05:09.000\n"
              "last.seconds: 1299279600\nlast.utc: 2011-03-04 23:00:00.000\n"
              "last.local: 2011-03-05 08:00:00.000\n");
    EXPECT_EQ(testsupport::ReadFileBytes(dir.file("c.hst")), before);
    EXPECT_FALSE(testsupport::FileExists(dir.file("c.txt")));
}

TEST_F(HstinfoInZone, WideFileWithSecondFieldsAndOddStamps) {
    HistoryPlan content;
    content.layout = hstgen::Layout::Wide;
    content.tags = {"A", "B"};
    content.tagSecondFields = {"level, %", "flow"};
    content.records = {{FileTimeTicks(2011, 3, 4, 13, 5, 9, 250) + 1234, {1, 2}},
                       {static_cast<std::int64_t>(0x8000000000000000ULL), {3, 4}}};
    Write("w.hst", content);
    const auto result = Inspect({"w.hst"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "file: w.hst\nstatus: ok\nlayout: wide\ntype: 1\nrecordSize: 24\n"
              "tagTextSize: 17\nnumTags: 2\ntag.1: A\ntag.1.second: level, %\ntag.2: B\n"
              "tag.2.second: flow\nrecords: 2\ntrailingBytes: 0\n"
              "first.ticks: 129437175092501234\nfirst.utc: 2011-03-04 13:05:09.250\n"
              "first.local: 2011-03-04 22:05:09.250\n"
              "last.ticks: 9223372036854775808\nlast.utc: -\nlast.local: -\n");
}

TEST_F(HstinfoInZone, LocalTimesAreTheConvertersEvenBefore1900) {
    // A local year below 1900 shows the local breakdown of 1970-01-01 00:00:00 UTC, as the
    // converter's rows do; the UTC column keeps the stamp's own time.
    HistoryPlan content;
    content.layout = hstgen::Layout::Wide;
    content.tags = {"A"};
    content.records = {{FileTimeTicks(1800, 6, 1, 12, 0, 0, 0), {1}}};
    Write("old.hst", content);
    const auto result = Inspect({"old.hst"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("first.utc: 1800-06-01 12:00:00.000\n"
                                 "first.local: 1970-01-01 09:00:00.000\n"),
              std::string::npos)
        << result.output;
}

TEST_F(HstinfoInZone, RejectedFilesGetTheConvertersMessage) {
    HistoryPlan badCount;
    badCount.numTags = 251;
    Write("count.hst", badCount);
    HistoryPlan pairs;
    pairs.layout = hstgen::Layout::Wide;
    pairs.rawTagText = "A\t\tB";
    pairs.numTags = 2;
    Write("pairs.hst", pairs);
    testsupport::WriteFileBytes(dir.file("short.hst"), std::string("\x05\0\0\0\0", 5));
    HistoryPlan good;
    Write("good.hst", good);
    std::filesystem::create_directory(dir.path() / "folder.hst");
    const auto result =
        Inspect({"count.hst", "pairs.hst", "short.hst", "missing.hst", "folder.hst", "good.hst"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output,
              "file: count.hst\n    Error in number of tags of infoHead data: count.hst\n"
              "status: rejected\n\n"
              "file: pairs.hst\n   Invalid history file\nstatus: rejected\n\n"
              "file: short.hst\nstatus: rejected\n\n"
              "file: missing.hst\n    Could not open: missing.hst\nstatus: rejected\n\n"
              "file: folder.hst\n    Could not open: folder.hst\nstatus: rejected\n\n"
              "file: good.hst\nstatus: ok\nlayout: compact\ntype: 2\nrecordSize: 4\nnumTags: 0\n"
              "records: 0\ntrailingBytes: 0\n");
}

TEST_F(HstinfoInZone, UsageAndVersion) {
    EXPECT_EQ(Inspect({}).exitCode, 2);
    const auto version = Inspect({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("hstinfo ", 0), 0u);
}

}  // namespace
