// hstexport end to end, on files from hstgen: formats, selection, placement, failures, gzip, and
// times with their offsets read back to the right instants in zones with daylight saving.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>

#include "platform/path_text.h"
#include "tests/support/run_program.h"
#include "tests/support/test_support.h"
#include "tools/hstgen/hst_writer.h"

namespace {

namespace fs = std::filesystem;
using hstgen::FileTimeTicks;
using hstgen::HistoryPlan;
using hstgen::Layout;
using hstgen::UnixSeconds;
using Table = std::vector<std::vector<std::string>>;

// Rows and cells of CSV text (quoted cells with doubled quotes, "\n" row ends).
Table ParseCsv(const std::string& text, char separator = ',') {
    Table rows;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            row.push_back(cell);
            cell.clear();
        } else if (c == '\n') {
            row.push_back(cell);
            rows.push_back(row);
            row.clear();
            cell.clear();
        } else {
            cell += c;
        }
    }
    return rows;
}

// FILETIME ticks of "YYYY-MM-DDTHH:MM:SS[.fffffff](Z|+hh:mm|-hh:mm)", read independently of
// the program.
std::int64_t IsoTicks(const std::string& text) {
    auto number = [&](std::size_t at, std::size_t length) {
        return std::stoi(text.substr(at, length));
    };
    std::int64_t ticks = FileTimeTicks(number(0, 4), number(5, 2), number(8, 2), number(11, 2),
                                       number(14, 2), number(17, 2));
    std::size_t at = 19;
    if (text[at] == '.') {
        std::int64_t scale = hstgen::kTicksPerSecond;
        for (++at; std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
            scale /= 10;
            ticks += (text[at] - '0') * scale;
        }
    }
    if (text[at] != 'Z') {
        const int sign = text[at] == '-' ? -1 : 1;
        const std::int64_t offset = number(at + 1, 2) * 3600 + number(at + 4, 2) * 60;
        ticks -= sign * offset * hstgen::kTicksPerSecond;
    }
    return ticks;
}

// The text of every gzip member in `bytes`, one after the other, as gzip -d gives it; fails
// unless the members use up the bytes exactly.
std::string Gunzip(const std::string& bytes, int* members = nullptr) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
    std::string out;
    char buffer[1 << 16];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    int status;
    int count = 0;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
        if (status == Z_STREAM_END) {
            ++count;
            if (stream.avail_in > 0) {
                status = inflateReset(&stream);  // the next member
            }
        }
    } while (status == Z_OK);
    EXPECT_EQ(status, Z_STREAM_END);
    EXPECT_EQ(stream.avail_in, 0u);
    inflateEnd(&stream);
    if (members != nullptr) {
        *members = count;
    }
    return out;
}

class HstexportTest : public ::testing::Test {
  protected:
    testsupport::RunResult Run(const std::vector<std::string>& arguments,
                               testsupport::RunOptions options = {}) {
        options.workingDirectory = dir.path().string();
        return testsupport::RunProgram(HSTEXPORT_EXE, arguments, options);
    }
    void Write(const std::string& name, const HistoryPlan& content) {
        fs::create_directories(fs::path(dir.file(name)).parent_path());
        ASSERT_TRUE(hstgen::WriteHistoryFile(dir.file(name), content));
    }
    std::string Read(const std::string& name) { return testsupport::ReadFileBytes(dir.file(name)); }

    static HistoryPlan Small() {
        HistoryPlan content;
        content.tags = {"Tank1", "Tank2", "Flow"};
        for (int i = 0; i < 6; ++i) {
            content.records.push_back(
                {UnixSeconds(2024, 1, 2, 3, 4, 5 + i), {i * 1.5, -0.1 * i, 1e30}});
        }
        return content;
    }

    testsupport::TempDir dir;
};

// Every value class, float and double, read back from the text bit for bit.
TEST_F(HstexportTest, ValuesReadBackBitExact) {
    std::mt19937_64 random(42);
    for (const Layout layout : {Layout::Compact, Layout::Wide}) {
        HistoryPlan content;
        content.layout = layout;
        content.tags = {"a", "b", "c", "d"};
        const bool wide = layout == Layout::Wide;
        const std::vector<std::uint64_t> specials =
            wide ? std::vector<std::uint64_t>{0,
                                              1ULL << 63,
                                              0x7FF0000000000000ULL,
                                              0xFFF0000000000000ULL,
                                              0xFFF8000000000001ULL,
                                              1,
                                              0x7FEFFFFFFFFFFFFFULL,
                                              0x4415AF1D78B58C40ULL}
                 : std::vector<std::uint64_t>{0,           0x80000000u, 0x7F800000u, 0xFF800000u,
                                              0xFFC00001u, 1,           0x7F7FFFFFu, 0x3DCCCCCDu};
        std::vector<std::uint64_t> all = specials;
        for (int i = 0; i < 4000; ++i) {
            all.push_back(wide ? random() : random() & 0xFFFFFFFFu);
        }
        for (std::size_t i = 0; i < all.size(); i += 4) {
            hstgen::Record record(
                wide ? FileTimeTicks(2020, 1, 1, 0, 0, 0) + static_cast<std::int64_t>(i)
                     : UnixSeconds(2020, 1, 1, 0, 0, 0) + static_cast<std::int64_t>(i),
                {});
            for (std::size_t k = i; k < i + 4; ++k) {
                record.valueBits.push_back(k < all.size() ? all[k] : 0);
            }
            content.records.push_back(record);
        }
        Write("v.hst", content);
        const auto result = Run({"--utc", "-q", "v.hst"});
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        const Table table = ParseCsv(Read("v.csv"));
        ASSERT_EQ(table.size(), content.records.size() + 1);
        for (std::size_t row = 1; row < table.size(); ++row) {
            for (std::size_t column = 1; column <= 4; ++column) {
                const std::uint64_t bits =
                    all.size() > (row - 1) * 4 + column - 1 ? all[(row - 1) * 4 + column - 1] : 0;
                const std::string& cell = table[row][column];
                const double asDouble = std::bit_cast<double>(bits);
                const float asFloat = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
                if (wide ? std::isnan(asDouble) : std::isnan(asFloat)) {
                    EXPECT_EQ(cell, "nan");
                } else if (wide) {
                    double back = 0;
                    std::from_chars(cell.data(), cell.data() + cell.size(), back);
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(back), bits) << cell;
                } else {
                    float back = 0;
                    std::from_chars(cell.data(), cell.data() + cell.size(), back);
                    EXPECT_EQ(std::bit_cast<std::uint32_t>(back), bits) << cell;
                }
            }
        }
    }
}

TEST_F(HstexportTest, FormatsHeaderAndSeparator) {
    HistoryPlan content;
    content.tags = {"plain", "a,b", "say \"hi\"", " padded"};
    content.records = {{UnixSeconds(2024, 1, 2, 3, 4, 5), {1, 2.5, -3, 1e300}}};
    Write("f.hst", content);
    ASSERT_EQ(Run({"--utc", "f.hst"}).exitCode, 0);
    EXPECT_EQ(Read("f.csv"),
              "time,plain,\"a,b\",\"say \"\"hi\"\"\",\" padded\"\n"
              "2024-01-02T03:04:05Z,1,2.5,-3,inf\n");
    ASSERT_EQ(Run({"--utc", "--format", "tsv", "--no-header", "f.hst"}).exitCode, 0);
    EXPECT_EQ(Read("f.tsv"), "2024-01-02T03:04:05Z\t1\t2.5\t-3\tinf\n");
    ASSERT_EQ(
        Run({"--utc", "--format", "long", "--sep", ";", "--tags", "plain,a?b", "f.hst"}).exitCode,
        0);
    // The long form has a name of its own: the table beside it stays.
    EXPECT_EQ(Read("f.long.csv"),
              "time;tag;value\n2024-01-02T03:04:05Z;plain;1\n2024-01-02T03:04:05Z;a,b;2.5\n");
    EXPECT_EQ(Read("f.csv").substr(0, 10), "time,plain");
    ASSERT_EQ(Run({"--format", "long", "--sep", "\t", "--gzip", "f.hst"}).exitCode, 0);
    EXPECT_TRUE(testsupport::FileExists(dir.file("f.long.tsv.gz")));
    ASSERT_EQ(Run({"--epoch", "f.hst"}).exitCode, 0);
    EXPECT_EQ(ParseCsv(Read("f.csv"))[1][0], "1704164645");
}

TEST_F(HstexportTest, SelectionByTagsTimeAndEvery) {
    Write("s.hst", Small());
    Write("t.hst", Small());
    // --tags takes one value and leaves the inputs after it alone.
    const auto result = Run({"--utc", "--tags", "Tank*", "--from", "2024-01-02T03:04:06Z", "--to",
                             "2024-01-02T04:04:10+01:00", "--every", "2", "s.hst", "t.hst"});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const std::string expected =
        "time,Tank1,Tank2\n"
        "2024-01-02T03:04:06Z,1.5,-0.1\n"
        "2024-01-02T03:04:08Z,4.5,-0.3\n";
    EXPECT_EQ(Read("s.csv"), expected);
    EXPECT_EQ(Read("t.csv"), expected);
    const auto none = Run({"--tags", "Nothing", "s.hst"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.errors.find("hstexport: s.hst: none of its tags"), std::string::npos);
}

TEST_F(HstexportTest, FolderTreeMirroredBelowTheOutputFolder) {
    Write("data/site1/a.hst", Small());
    Write("data/site2/a.HST", Small());
    Write("data/site2/deep/b.hst", Small());
    testsupport::WriteFileBytes(dir.file("data/notes.txt"), "not history");
    const auto result = Run({"-r", "-o", "out", "-j", "2", "data"});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    for (const char* name :
         {"out/data/site1/a.csv", "out/data/site2/a.csv", "out/data/site2/deep/b.csv"}) {
        EXPECT_TRUE(testsupport::FileExists(dir.file(name))) << name;
    }
    EXPECT_NE(result.errors.find("3 converted, 0 skipped, 0 failed"), std::string::npos);
    EXPECT_FALSE(testsupport::FileExists(dir.file("out/data/notes.csv")));
    // A folder needs -r; a pattern is expanded here, quoted or not.
    EXPECT_EQ(Run({"data"}).exitCode, 1);
    ASSERT_EQ(Run({"-o", "pat", "data/site1/*.hst"}).exitCode, 0);
    EXPECT_TRUE(testsupport::FileExists(dir.file("pat/data/site1/a.csv")));
    EXPECT_EQ(Run({"data/site1/*.none"}).exitCode, 1);
    // Two inputs with one output: the first writes it, the second is refused.
    const auto clash =
        Run({"-o", "flat", dir.file("data/site1/a.hst"), dir.file("data/site2/a.HST")});
    EXPECT_EQ(clash.exitCode, 1);
    EXPECT_NE(clash.errors.find("a.HST: its output "), std::string::npos) << clash.errors;
    EXPECT_TRUE(testsupport::FileExists(dir.file("flat/a.csv")));
    // A path from the root of the current drive (Windows' "\data\a.hst", POSIX's "/data/a.hst")
    // lands below DIR too, not beside itself.
    const fs::path full = dir.file("data/site1/a.hst");
    ASSERT_EQ(
        Run({"-o", "rooted", (full.root_directory() / full.relative_path()).string()}).exitCode, 0);
    EXPECT_TRUE(testsupport::FileExists(dir.file("rooted/a.csv")));
    EXPECT_FALSE(testsupport::FileExists(dir.file("data/site1/a.csv")));
    // An absolute folder keeps its own name below DIR, with or without a trailing separator.
    for (const std::string& folder : {dir.file("data"), dir.file("data") + "/"}) {
        fs::remove_all(dir.file("abs"));
        ASSERT_EQ(Run({"-r", "-o", "abs", folder}).exitCode, 0) << folder;
        EXPECT_TRUE(testsupport::FileExists(dir.file("abs/data/site2/deep/b.csv"))) << folder;
        EXPECT_FALSE(testsupport::FileExists(dir.file("abs/site2/deep/b.csv"))) << folder;
    }
}

TEST_F(HstexportTest, StandardOutputWithAFileColumn) {
    Write("one.hst", Small());
    HistoryPlan other;
    other.tags = {"Flow", "Extra"};
    other.records = {{UnixSeconds(2024, 1, 2, 3, 4, 5), {7, 8}}};
    Write("two.hst", other);
    auto result = Run({"--utc", "-o", "-", "--tags", "Flow,Extra", "one.hst", "two.hst"});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const Table table = ParseCsv(result.output);
    ASSERT_EQ(table.size(), 8u);
    EXPECT_EQ(table[0], (std::vector<std::string>{"file", "time", "Flow", "Extra"}));
    EXPECT_EQ(table[1], (std::vector<std::string>{"one.hst", "2024-01-02T03:04:05Z", "1e+30", ""}));
    EXPECT_EQ(table[7], (std::vector<std::string>{"two.hst", "2024-01-02T03:04:05Z", "7", "8"}));
    result = Run({"--utc", "-o", "-", "--format", "long", "--no-header", "two.hst"});
    EXPECT_EQ(result.output, "2024-01-02T03:04:05Z,Flow,7\n2024-01-02T03:04:05Z,Extra,8\n");
    EXPECT_FALSE(testsupport::FileExists(dir.file("two.csv")));
}

TEST_F(HstexportTest, BadFileAmongGoodOnes) {
    Write("good1.hst", Small());
    Write("good2.hst", Small());
    HistoryPlan broken = Small();
    broken.numTags = 251;
    Write("bad.hst", broken);
    testsupport::WriteFileBytes(dir.file("bad.csv"), "earlier output\n");
    const auto result = Run({"good1.hst", "bad.hst", "missing.hst", "good2.hst"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errors.find("hstexport: bad.hst: bad header: the number of tags is outside"),
              std::string::npos)
        << result.errors;
    EXPECT_NE(result.errors.find("hstexport: missing.hst: "), std::string::npos);
    EXPECT_NE(result.errors.find("2 converted, 0 skipped, 2 failed"), std::string::npos);
    EXPECT_TRUE(testsupport::FileExists(dir.file("good1.csv")));
    EXPECT_TRUE(testsupport::FileExists(dir.file("good2.csv")));
    EXPECT_EQ(Read("bad.csv"), "earlier output\n");
    EXPECT_TRUE(result.output.empty());
    // On standard output the header still comes first when the first file fails.
    const auto piped = Run({"--utc", "-o", "-", "bad.hst", "good1.hst"});
    EXPECT_EQ(piped.exitCode, 1);
    EXPECT_EQ(piped.output.substr(0, 37), "file,time,Tank1,Tank2,Flow\ngood1.hst,");
    // No temporary is left behind.
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
}

TEST_F(HstexportTest, UpToDateOutputsAreSkipped) {
    Write("u.hst", Small());
    // The output takes its input's time: up to date while the input keeps it.
    ASSERT_EQ(Run({"--skip-up-to-date", "u.hst"}).exitCode, 0);
    EXPECT_EQ(fs::last_write_time(dir.file("u.csv")), fs::last_write_time(dir.file("u.hst")));
    auto result = Run({"--skip-up-to-date", "u.hst"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.errors.find("0 converted, 1 skipped, 0 failed"), std::string::npos);
    // An input changed after its output converts again, even to an older time.
    fs::last_write_time(dir.file("u.hst"),
                        fs::last_write_time(dir.file("u.csv")) - std::chrono::seconds(5));
    result = Run({"--skip-up-to-date", "u.hst"});
    EXPECT_NE(result.errors.find("1 converted, 0 skipped, 0 failed"), std::string::npos);
}

// Records appended while a file is exported are not read: a wide file whose late stamp needs
// more fraction digits than the rows before it starts its output over (the TRENDTAB_TEST_PAUSE_AT
// knob stops it there, its second pass), and both passes read the snapshot; the up-to-date check
// sees the file changed.
TEST_F(HstexportTest, FileGrowingDuringTheExportGivesItsSnapshot) {
    if (!testsupport::PosixChildControls()) {
        GTEST_SKIP() << "a child cannot stop itself on this platform";
    }
    HistoryPlan content = Small();
    content.layout = Layout::Wide;
    for (std::size_t i = 0; i < content.records.size(); ++i) {
        content.records[i].stamp = FileTimeTicks(2024, 1, 2, 3, 4, 5 + static_cast<int>(i));
    }
    content.records.back().stamp += hstgen::kTicksPerSecond / 4;  // milliseconds, late
    Write("g.hst", content);
    HistoryPlan longer = content;
    // 100 ns: a stamp that needs every fraction digit.
    longer.records.push_back({FileTimeTicks(2024, 1, 2, 3, 5, 0) + 1, {1, 2, 3}});
    testsupport::RunOptions options;
    options.environment = {{"TRENDTAB_TEST_PAUSE_AT", "between-passes"},
                           {"TRENDTAB_WORKERS", "1:2"}};
    bool grown = false;
    options.whenStopped = [&] {
        const auto time = fs::last_write_time(dir.file("g.hst"));
        Write("g.hst", longer);  // in place, as a logger appends
        fs::last_write_time(dir.file("g.hst"), time + std::chrono::seconds(3));
        grown = true;
    };
    ASSERT_EQ(Run({"--utc", "--skip-up-to-date", "g.hst"}, options).exitCode, 0);
    EXPECT_TRUE(grown);
    const Table rows = ParseCsv(Read("g.csv"));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[1][0], "2024-01-02T03:04:05.000Z");
    EXPECT_EQ(rows[6][0], "2024-01-02T03:04:10.250Z");
    const auto again = Run({"--utc", "--skip-up-to-date", "g.hst"});
    EXPECT_NE(again.errors.find("1 converted, 0 skipped"), std::string::npos) << again.errors;
    const Table grownRows = ParseCsv(Read("g.csv"));
    ASSERT_EQ(grownRows.size(), 8u);
    EXPECT_EQ(grownRows[7][0], "2024-01-02T03:05:00.0000001Z");
}

// Outputs compared with the inputs and with each other as files, never as spellings; a link at
// an output name is replaced, a FIFO there or as an input is never opened.
TEST_F(HstexportTest, OutputsNeverReplaceAnInputOrEachOtherOrGoThroughALink) {
    Write("x/a.hst", Small());
    Write("y/a.hst", Small());
    Write("y/a.csv", Small());  // a history file named like a.hst's output
    const std::string yInput = Read("y/a.csv");
    auto result = Run({"x/a.hst", "./x/a.hst", "y/a.hst", "y/a.csv"});
    EXPECT_EQ(result.exitCode, 1);
    // Messages name paths in the platform's separator: compared here in "/".
    std::string errors = result.errors;
    std::replace(errors.begin(), errors.end(), '\\', '/');
    EXPECT_NE(errors.find("./x/a.hst: its output ./x/a.csv is also x/a.hst's"), std::string::npos)
        << result.errors;
    EXPECT_NE(errors.find("y/a.hst: the output y/a.csv would replace the input y/a.csv"),
              std::string::npos);
    EXPECT_NE(result.errors.find("1 converted, 0 skipped, 3 failed"), std::string::npos);
    EXPECT_EQ(Read("y/a.csv"), yInput);

    Write("l.hst", Small());
    testsupport::WriteFileBytes(dir.file("outside.conf"), "key=value\n");
    if (testsupport::MakeSymbolicLink("outside.conf", dir.file("l.csv"))) {
        EXPECT_EQ(Run({"l.hst"}).exitCode, 0);
        EXPECT_FALSE(fs::is_symlink(dir.file("l.csv")));
        EXPECT_EQ(Read("outside.conf"), "key=value\n");
    }
    if (testsupport::MakeFifo(dir.file("f.csv")) && testsupport::MakeFifo(dir.file("p.hst"))) {
        Write("f.hst", Small());
        result = Run({"f.hst", "p.hst"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.errors.find("hstexport: f.hst: cannot create f.csv"), std::string::npos)
            << result.errors;
        EXPECT_NE(result.errors.find("hstexport: p.hst: not a regular file"), std::string::npos);
        EXPECT_TRUE(fs::is_fifo(dir.file("f.csv")));
    }
}

// An unreadable folder is reported and counted, and the search goes on; links to folders are
// not followed.
TEST_F(HstexportTest, SearchGoesOnPastAnUnreadableFolderAndSkipsFolderLinks) {
    if (!testsupport::FolderPermissionsBindChildren()) {
        GTEST_SKIP() << "folder permissions do not bind a child here";
    }
    for (const char* name : {"r/a/x.hst", "r/b/y.hst", "r/c/z.hst"}) {
        Write(name, Small());
    }
    const bool linked = testsupport::MakeSymbolicLink("../a", dir.file("r/c/loop"));
    for (const char* folder : {"", "r", "r/a", "r/c"}) {
        fs::permissions(dir.path() / folder, fs::perms::all);
    }
    fs::permissions(dir.path() / "r/b", fs::perms::none);
    testsupport::RunOptions options;
    options.unprivileged = true;
    const auto result = Run({"-r", "r"}, options);
    fs::permissions(dir.path() / "r/b", fs::perms::all);
    if (result.exitCode == 125 || result.exitCode == 127) {
        GTEST_SKIP() << "the unprivileged user cannot run hstexport here";
    }
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errors.find("hstexport: r/b: "), std::string::npos) << result.errors;
    // Two: r/c/loop/x.hst, through the link, is not searched.
    EXPECT_NE(result.errors.find("2 converted, 0 skipped, 1 failed"), std::string::npos) << linked;
    EXPECT_TRUE(testsupport::FileExists(dir.file("r/a/x.csv")));
    EXPECT_TRUE(testsupport::FileExists(dir.file("r/c/z.csv")));
}

// Under any address-space limit (`ulimit -v`) a file that does not fit fails with "not enough
// memory", never an abort, and leaves no temporary. Natively only (sanitizers, Wine reserve their
// own).
TEST_F(HstexportTest, MemoryLimitsNeverAbortNorLeaveTemporaries) {
    if (!testsupport::PosixChildControls() || testsupport::HeavyTestDivisor() > 1) {
        GTEST_SKIP() << "address-space limits are meaningful natively only";
    }
    Write("a.hst", Small());
    HistoryPlan large = Small();
    large.records.resize(200000, large.records.back());
    Write("b.hst", large);
    int firstWhole = 0;
    for (int mebibytes = 8; mebibytes <= 128; mebibytes += 8) {
        SCOPED_TRACE(mebibytes);
        testsupport::RunOptions options;
        options.memoryLimit = static_cast<std::uint64_t>(mebibytes) << 20;
        const auto result = Run({"-j", "2", "a.hst", "b.hst"}, options);
        // 127: too little even to load the program.
        EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1 || result.exitCode == 127)
            << result.exitCode << result.errors;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
        }
        if (result.exitCode == 0 && firstWhole == 0) {
            firstWhole = mebibytes;
        }
    }
    EXPECT_GT(firstWhole, 0);
    std::printf("every file exports from a limit of %d MiB\n", firstWhole);
}

// With standard error closed, no output file takes its descriptor and its messages.
TEST_F(HstexportTest, ClosedStandardErrorNeverLandsInAnOutput) {
    if (!testsupport::PosixChildControls()) {
        GTEST_SKIP() << "standard error is closed by POSIX means here";
    }
    Write("good.hst", Small());
    testsupport::WriteFileBytes(dir.file("bad.hst"), "x");
    testsupport::RunOptions options;
    options.closeStandardError = true;
    EXPECT_EQ(Run({"-j", "2", "bad.hst", "good.hst"}, options).exitCode, 1);
    EXPECT_EQ(Read("good.csv").find("hstexport"), std::string::npos);
}

TEST_F(HstexportTest, GzipRoundTrip) {
    HistoryPlan content = Small();
    for (int i = 0; i < 20'000; ++i) {
        content.records.push_back(
            {UnixSeconds(2024, 2, 1, 0, 0, 0) + i, {i * 0.25, 1.0, -i * 1e-3}});
    }
    Write("g.hst", content);
    ASSERT_EQ(Run({"g.hst"}).exitCode, 0);
    const std::string plain = Read("g.csv");
    std::size_t previousSize = 0;
    for (const char* level : {"0", "1", "9"}) {  // stored, the default, the smallest
        ASSERT_EQ(Run({"--gzip", "--gzip-level", level, "g.hst"}).exitCode, 0) << level;
        const std::string packed = Read("g.csv.gz");
        EXPECT_EQ(Gunzip(packed), plain) << level;
        if (previousSize != 0) {
            EXPECT_LT(packed.size(), std::string(level) == "1" ? plain.size() / 2 : previousSize);
        }
        previousSize = packed.size();
    }
    ASSERT_EQ(Run({"--gzip", "g.hst"}).exitCode, 0);
    const auto result = Run({"--gzip", "-o", "-", "g.hst"});
    EXPECT_EQ(Gunzip(result.output), plain);
    // No rows at all is still a gzip file, of nothing.
    ASSERT_EQ(Run({"--gzip", "--no-header", "--from", "2030-01-01T00:00Z", "g.hst"}).exitCode, 0);
    EXPECT_EQ(Gunzip(Read("g.csv.gz")), "");
    EXPECT_EQ(Run({"--gzip-level", "1", "g.hst"}).exitCode, 2);  // without --gzip
    EXPECT_EQ(Run({"--gzip", "--gzip-level", "10", "g.hst"}).exitCode, 2);
    // A write error names the system's reason, also when it shows at the last flush.
    if (testsupport::SupportsFileSizeLimit()) {
        testsupport::RunOptions limited;
        limited.fileSizeLimit = 1000;
        const auto full = Run({"--gzip", "-o", "small", "g.hst"}, limited);
        EXPECT_EQ(full.exitCode, 1);
        EXPECT_NE(full.errors.find("g.hst: write error: File too large"), std::string::npos)
            << full.errors;
    }
}

TEST_F(HstexportTest, CommandLine) {
    Write("c.hst", Small());
    auto result = Run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("--skip-up-to-date"), std::string::npos);
    result = Run({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(testsupport::WithLfLineEnds(result.output),
              std::string("hstexport ") + PROJECT_VERSION + "\n");
    for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                                {"--bogus", "c.hst"},
                                                {"--format", "xml", "c.hst"},
                                                {"--format", "1", "c.hst"},
                                                {"--sep", "ab", "c.hst"},
                                                {"--sep", ".", "c.hst"},
                                                {"--utc", "--epoch", "c.hst"},
                                                {"--every", "0", "c.hst"},
                                                {"--from", "tomorrow", "c.hst"},
                                                {"--tz", "No/Such_Zone", "c.hst"},
                                                {"-j", "0", "c.hst"},
                                                {"-j", "-1", "c.hst"},
                                                {"-j", "2x", "c.hst"},
                                                {"-j", "99999999999999999999999", "c.hst"},
                                                {"--names-encoding", "utf-16", "c.hst"}}) {
        result = Run(bad);
        EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(bad) << result.errors;
        EXPECT_FALSE(result.errors.empty());
        // One plain line and the hint, never a type's limits.
        EXPECT_LT(result.errors.size(), 200u) << result.errors;
    }
    result = Run({"-j", "0", "c.hst"});
    EXPECT_NE(result.errors.find("must be a whole number from 1 to 1024, not \"0\""),
              std::string::npos)
        << result.errors;
    EXPECT_FALSE(testsupport::FileExists(dir.file("c.csv")));
}

// Names come out as UTF-8 whatever code page the file was written in, in every format.
TEST_F(HstexportTest, NamesAsUtf8) {
    struct NameCase {
        std::vector<std::string> options;
        std::string header;
    };
    HistoryPlan content;
    content.tags = {
        "Temperatur \xB0"
        "C",
        "caf\xC3\xA9", "\x80\x81"};
    content.records = {{UnixSeconds(2024, 1, 2, 3, 4, 5), {1, 2, 3}}};
    Write("n.hst", content);
    const NameCase cases[] = {
        {{}, "time,Temperatur \u00B0C,caf\u00E9,\u20AC\u0081\n"},
        {{"--names-encoding", "latin1"}, "time,Temperatur \u00B0C,caf\u00C3\u00A9,\u0080\u0081\n"},
        {{"--names-encoding", "CP1252"}, "time,Temperatur \u00B0C,caf\u00C3\u00A9,\u20AC\u0081\n"},
        {{"--names-encoding", "utf-8"}, "time,Temperatur \uFFFDC,caf\u00E9,\uFFFD\uFFFD\n"},
    };
    for (const NameCase& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.push_back("n.hst");
        ASSERT_EQ(Run(arguments).exitCode, 0);
        const std::string text = Read("n.csv");
        EXPECT_EQ(text.substr(0, text.find('\n') + 1), c.header)
            << testing::PrintToString(c.options);
    }
    // --tags matches the decoded names; the long form names its tags the same way.
    ASSERT_EQ(
        Run({"--utc", "--format", "long", "--tags", "Temperatur *C,caf\u00E9", "n.hst"}).exitCode,
        0);
    EXPECT_EQ(Read("n.long.csv"),
              "time,tag,value\n2024-01-02T03:04:05Z,Temperatur \u00B0C,1\n"
              "2024-01-02T03:04:05Z,caf\u00E9,2\n");
}

// Text for spreadsheets: wall-clock times with the offset in a column of their own, decimal
// commas; the digits stay those of the exact text.
TEST_F(HstexportTest, SpreadsheetText) {
    struct SheetCase {
        std::vector<std::string> options;
        std::string name;
        std::string text;
    };
    HistoryPlan content;
    content.layout = Layout::Wide;
    content.tags = {"Level", "Flow"};
    content.records = {{FileTimeTicks(2024, 10, 27, 0, 30, 0, 250), {-1466.875, 0.1}},
                       {FileTimeTicks(2024, 10, 27, 1, 30, 0, 0), {1e300, -0.0}}};
    Write("s.hst", content);
    const std::string zone =
        testsupport::ZoneListFromZoneDirectory() ? "Europe/Berlin" : "W. Europe Standard Time";
    const SheetCase cases[] = {
        {{"--time-format", "local", "--tz", zone},
         "s.csv",
         "time,utc_offset,Level,Flow\n2024-10-27 02:30:00.250,+02:00,-1466.875,0.1\n"
         "2024-10-27 02:30:00.000,+01:00,1e+300,-0\n"},
        {{"--time-format", "local", "--utc", "--decimal-comma"},
         "s.csv",
         "time;utc_offset;Level;Flow\n2024-10-27 00:30:00.250;+00:00;-1466,875;0,1\n"
         "2024-10-27 01:30:00.000;+00:00;1e+300;-0\n"},
        {{"--time-format", "local", "--utc", "--format", "long", "--tags", "Flow"},
         "s.long.csv",
         "time,utc_offset,tag,value\n2024-10-27 00:30:00.250,+00:00,Flow,0.1\n"
         "2024-10-27 01:30:00.000,+00:00,Flow,-0\n"},
        {{"--time-format", "epoch", "--format", "tsv", "--decimal-comma"},
         "s.tsv",
         "time\tLevel\tFlow\n1729989000.250\t-1466,875\t0,1\n1729992600.000\t1e+300\t-0\n"},
    };
    for (const SheetCase& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.push_back("s.hst");
        const auto result = Run(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_EQ(Read(c.name), c.text) << testing::PrintToString(c.options);
    }
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--time-format", "excel", "s.hst"},
          {"--time-format", "epoch", "--utc", "s.hst"},
          {"--decimal-comma", "--sep", ",", "s.hst"}}) {
        EXPECT_EQ(Run(bad).exitCode, 2) << testing::PrintToString(bad);
    }
}

// A file cut inside a record converts its whole records and says so.
TEST_F(HstexportTest, TrailingBytesGiveAWarning) {
    Write("t.hst", Small());
    testsupport::WriteFileBytes(dir.file("t.hst"), Read("t.hst") + std::string(9, '\x7f'));
    const auto result = Run({"--utc", "-q", "t.hst"});
    EXPECT_EQ(result.exitCode, 0);
    std::string errors = result.errors;  // CR LF on Windows
    errors.erase(std::remove(errors.begin(), errors.end(), '\r'), errors.end());
    EXPECT_EQ(errors,
              "hstexport: t.hst: warning: 9 bytes after the last whole record left out (a "
              "record cut short?)\n");
    EXPECT_EQ(ParseCsv(Read("t.csv")).size(), 7u);
}

// Inputs, outputs and folders by their real names, beside their best-fit twins, and beyond the
// classic 260-character limit; messages name them readably, with one kind of separator.
TEST_F(HstexportTest, AnyNameAndLength) {
    const std::string longFolder = std::string(120, 'a') + "/" + std::string(120, 'b') + "/";
    const std::vector<std::string> inputs = {
        "Größe/Łódź.hst",        "Größe/Lódz.hst",
        "Größe/Ωmega.hst",       "Größe/Omega.hst",
        "Größe/北京/数据 📈.hst", "Größe/" + longFolder + std::string(60, 'n') + ".hst"};
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        HistoryPlan content;
        content.tags = {std::string("T").append(std::to_string(i))};
        content.records = {{UnixSeconds(2024, 1, 2, 3, 4, 5), {double(i)}}};
        fs::create_directories(trendtab::platform::PathFromText(dir.file(inputs[i])).parent_path());
        ASSERT_TRUE(hstgen::WriteHistoryFile(dir.file(inputs[i]), content)) << inputs[i];
    }
    const std::string out = "Straße/" + longFolder;
    auto result = Run({"--utc", "-r", "-o", out, "Größe"});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.errors.find("6 converted, 0 skipped, 0 failed"), std::string::npos)
        << result.errors;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string output = out + inputs[i].substr(0, inputs[i].size() - 4) + ".csv";
        ASSERT_TRUE(testsupport::FileExists(dir.file(output))) << output;
        const std::string number = std::to_string(i);
        EXPECT_EQ(Read(output), "time,T" + number + "\n2024-01-02T03:04:05Z," + number + "\n");
    }
    // Patterns match the real names; a failure names the file in one kind of separator.
    result = Run({"--utc", "-o", "-", "Größe/?mega.hst"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.output.find("Ωmega.hst,"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Omega.hst,"), std::string::npos) << result.output;
    // A folder where the output would go (not empty: Wine, unlike Windows, renames a file over an
    // empty one): the message names it in the platform's separator.
    fs::create_directories(
        trendtab::platform::PathFromText(dir.file("Ausgabe/Größe/北京/数据 📈.csv")));
    testsupport::WriteFileBytes(dir.file("Ausgabe/Größe/北京/数据 📈.csv/kept"), "");
    result = Run({"-r", "-o", "Ausgabe", "Größe/北京"});
    EXPECT_EQ(result.exitCode, 1);
    const std::string separator = testsupport::WindowsHelpForm() ? "\\" : "/";
    EXPECT_NE(result.errors.find("Größe" + separator + "北京" + separator + "数据 📈.hst: "),
              std::string::npos)
        << result.errors;
    EXPECT_NE(result.errors.find(std::string(" Ausgabe") + separator + "Größe" + separator +
                                 "北京" + separator + "数据 📈.csv"),
              std::string::npos)
        << result.errors;
    if (testsupport::WindowsHelpForm()) {
        result = Run({"/?"});
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_NE(result.output.find("--skip-up-to-date"), std::string::npos);
    }
}

// pandas reads the output, times with mixed offsets as exact UTC instants.
TEST_F(HstexportTest, PandasReadsTheOutput) {
    if (testsupport::UnderWine() || !fs::exists("/usr/bin/python3")) {
        GTEST_SKIP() << "needs /usr/bin/python3 with pandas";
    }
    if (testsupport::RunProgram("/usr/bin/python3", {"-c", "import pandas"}).exitCode != 0) {
        GTEST_SKIP() << "pandas is not installed";
    }
    HistoryPlan content;
    content.layout = Layout::Wide;
    content.tags = {"Level"};
    content.records = {{FileTimeTicks(2024, 10, 27, 0, 30, 0, 250), {0.1}},
                       {FileTimeTicks(2024, 10, 27, 1, 30, 0, 250), {1e300}}};
    Write("p.hst", content);
    ASSERT_EQ(
        Run({"--tz",
             testsupport::ZoneListFromZoneDirectory() ? "Europe/Berlin" : "W. Europe Standard Time",
             "p.hst"})
            .exitCode,
        0);
    const auto result = testsupport::RunProgram(
        "/usr/bin/python3",
        {"-c",
         "import pandas, sys\n"
         "df = pandas.read_csv(sys.argv[1])\n"
         "df['time'] = pandas.to_datetime(df['time'], utc=True)\n"
         "print(df['time'].iloc[0].isoformat(), df['time'].iloc[1].isoformat())\n"
         "print(repr(df['Level'].iloc[0]), repr(df['Level'].iloc[1]))\n",
         dir.file("p.csv")});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output,
              "2024-10-27T00:30:00.250000+00:00 2024-10-27T01:30:00.250000+00:00\n0.1 1e+300\n");
}

// Stamps every 10 minutes across both daylight-saving changes of 2024 in Berlin, New York and
// Sydney.
HistoryPlan AcrossChanges() {
    HistoryPlan content;
    content.layout = Layout::Wide;
    content.tags = {"v"};
    const std::int64_t changes[] = {
        FileTimeTicks(2024, 3, 31, 1, 0, 0), FileTimeTicks(2024, 10, 27, 1, 0, 0),   // Berlin
        FileTimeTicks(2024, 3, 10, 7, 0, 0), FileTimeTicks(2024, 11, 3, 6, 0, 0),    // New York
        FileTimeTicks(2024, 4, 6, 16, 0, 0), FileTimeTicks(2024, 10, 5, 16, 0, 0)};  // Sydney
    for (const std::int64_t change : changes) {
        for (int step = -18; step <= 18; ++step) {
            const std::int64_t stamp = change + step * 600 * hstgen::kTicksPerSecond + 1234;
            content.records.push_back({stamp, {static_cast<double>(step)}});
        }
    }
    return content;
}

// Each process runs in one of the zones and reads its local times back to UTC.
class HstexportInZone : public HstexportTest {
  protected:
    void ExpectInstantsBack(const std::vector<std::string>& arguments) {
        const HistoryPlan content = AcrossChanges();
        Write("z.hst", content);
        const auto result = Run(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        const Table table = ParseCsv(Read("z.csv"));
        ASSERT_EQ(table.size(), content.records.size() + 1);
        std::set<std::string> offsets;
        std::set<std::string> wallTimes;
        bool repeated = false;
        for (std::size_t i = 1; i < table.size(); ++i) {
            const std::string& text = table[i][0];
            EXPECT_EQ(IsoTicks(text), content.records[i - 1].stamp) << text;
            offsets.insert(text.substr(27));
            repeated |= !wallTimes.insert(text.substr(0, 27)).second;
        }
        EXPECT_EQ(offsets.size(), 2u);  // standard and daylight time
        EXPECT_TRUE(repeated);          // the repeated hour, told apart by its offsets
    }
};

TEST_F(HstexportInZone, LocalOffsetsAcrossDaylightSavingChanges) {
    ExpectInstantsBack({"z.hst"});
}

TEST_F(HstexportTest, NamedZoneOffsetsAcrossDaylightSavingChanges) {
    HistoryPlan content = AcrossChanges();
    // Only Berlin's changes: the other windows hold one offset each in Berlin.
    Write("z.hst", content);
    const auto result =
        Run({"--tz",
             testsupport::ZoneListFromZoneDirectory() ? "Europe/Berlin" : "W. Europe Standard Time",
             "z.hst"});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const Table table = ParseCsv(Read("z.csv"));
    std::set<std::string> offsets;
    for (std::size_t i = 1; i < table.size(); ++i) {
        EXPECT_EQ(IsoTicks(table[i][0]), content.records[i - 1].stamp) << table[i][0];
        offsets.insert(table[i][0].substr(27));
    }
    EXPECT_EQ(offsets, (std::set<std::string>{"+01:00", "+02:00"}));
}

// --tz with the zone's own rules of each year (where the system has the extended entry points:
// not under Wine), local mean time in UTC, and wall-clock bounds by one rule: a repeated reading
// means its first occurrence, a skipped one takes the offset in force before the gap.
TEST_F(HstexportTest, NamedZoneHistoryAndWallClockBounds) {
    const bool zoneFiles = testsupport::ZoneListFromZoneDirectory();
    const std::string berlin = zoneFiles ? "Europe/Berlin" : "W. Europe Standard Time";
    HistoryPlan content;
    content.layout = Layout::Wide;
    content.tags = {"v"};
    for (const auto& [month, day] : {std::pair{3, 30}, std::pair{10, 26}}) {
        for (int minute = 0; minute < 6 * 60; ++minute) {  // 22:00Z to 04:00Z, half past each
            content.records.push_back(
                {FileTimeTicks(2024, month, day, 22, minute, 30), {static_cast<double>(minute)}});
        }
    }
    content.records.push_back({FileTimeTicks(2006, 4, 1, 12, 0, 0), {1}});
    content.records.push_back({FileTimeTicks(1880, 6, 1, 12, 0, 0), {2}});
    Write("b.hst", content);

    struct Case {
        const char* from;
        const char* to;
        std::int64_t first;  // the first instant kept
        std::size_t rows;
    };
    const Case cases[] = {
        {"2024-10-27T02:30", "2024-10-27T03:00", FileTimeTicks(2024, 10, 27, 0, 30, 30), 90},
        {"2024-03-31T02:30", "2024-03-31T04:00", FileTimeTicks(2024, 3, 31, 1, 30, 30), 30},
    };
    for (const Case& bounds : cases) {
        const auto result = Run({"-o", "-", "--no-header", "--tz", berlin, "--from", bounds.from,
                                 "--to", bounds.to, "b.hst"});
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        const Table rows = ParseCsv(result.output);
        ASSERT_EQ(rows.size(), bounds.rows) << bounds.from;
        EXPECT_EQ(IsoTicks(rows[0][0]), bounds.first) << rows[0][0];
    }
    const auto all = Run({"-o", "-", "--no-header", "--tz", berlin, "b.hst"});
    const Table rows = ParseCsv(all.output);
    ASSERT_EQ(rows.size(), content.records.size());
    EXPECT_EQ(rows[rows.size() - 2][0], "2006-04-01T14:00:00+02:00");
    if (zoneFiles) {  // Berlin's local mean time, +00:53:28
        EXPECT_EQ(rows.back()[0], "1880-06-01T12:00:00Z");
        const auto newYork = Run({"-o", "-", "--no-header", "--tz", "America/New_York", "b.hst"});
        // The rules of 2006, before the United States moved their change dates in 2007.
        EXPECT_EQ(ParseCsv(newYork.output)[rows.size() - 2][0], "2006-04-01T07:00:00-05:00");
    }
}

// A file's records through several workers: the bytes of every format, zone and selection
// are those of one worker, also when blocks end mid-way through a selection or a zone change.
class HstexportWorkers : public HstexportTest {
  protected:
    testsupport::RunResult RunWith(const std::string& shape, std::vector<std::string> arguments) {
        testsupport::RunOptions options;
        options.workingDirectory = dir.path().string();
        options.environment = {{"TRENDTAB_WORKERS", shape}};
        arguments.insert(arguments.end(), {"-q", "-j", "1"});
        return testsupport::RunProgram(HSTEXPORT_EXE, arguments, options);
    }

    // Both layouts around Berlin's autumn change, values that repeat and values that do not.
    void WriteInputs() {
        std::mt19937_64 random(7);
        for (const Layout layout : {Layout::Compact, Layout::Wide}) {
            HistoryPlan content;
            content.layout = layout;
            content.tags = {"Tank1", "Tank2", "Flow"};
            const std::int64_t start = layout == Layout::Wide ? FileTimeTicks(2024, 10, 27, 0, 0, 0)
                                                              : UnixSeconds(2024, 10, 27, 0, 0, 0);
            const std::int64_t step =
                layout == Layout::Wide ? 37 * hstgen::kTicksPerSecond + 5 : 37;
            for (int i = 0; i < 1501; ++i) {
                content.records.push_back(
                    {start + i * step,
                     {static_cast<double>(i / 7), std::bit_cast<double>(random() >> 2), i * 0.1}});
            }
            Write(layout == Layout::Wide ? "w.hst" : "c.hst", content);
        }
    }
};

TEST_F(HstexportWorkers, SameBytesAsOneWorker) {
    WriteInputs();
    const std::string berlin =
        testsupport::ZoneListFromZoneDirectory() ? "Europe/Berlin" : "W. Europe Standard Time";
    const std::vector<std::vector<std::string>> optionSets = {
        {},
        {"--format", "tsv", "--utc"},
        {"--format", "long", "--tags", "Tank*", "--sep", ";"},
        {"--tz", berlin},
        {"--epoch", "--no-header"},
        {"--utc", "--from", "2024-10-27T00:20Z", "--to", "2024-10-27T14:00Z", "--every", "3"},
        {"--gzip", "--tz", berlin, "--format", "long"},
    };
    for (const auto& options : optionSets) {
        const std::string first = options.empty() ? "" : options[0];
        auto given = [&](const char* word) {
            return std::find(options.begin(), options.end(), word) != options.end();
        };
        const bool gzip = given("--gzip");
        const std::string extension = std::string(given("long") ? ".long" : "") +
                                      (given("tsv") ? ".tsv" : ".csv") + (gzip ? ".gz" : "");
        auto outputs = [&](const std::string& shape) {
            std::vector<std::string> arguments = options;
            arguments.insert(arguments.end(), {"c.hst", "w.hst"});
            const auto result = RunWith(shape, arguments);
            EXPECT_EQ(result.exitCode, 0) << shape << result.errors;
            std::vector<std::string> texts;
            for (const char* name : {"c", "w"}) {
                const std::string bytes = Read(name + extension);
                texts.push_back(gzip ? Gunzip(bytes) : bytes);
            }
            return texts;
        };
        const std::vector<std::string> one = outputs("1");
        ASSERT_GT(one[0].size(), 10'000u) << first;
        for (const char* shape : {"2:97", "3:64", "8:33", "2"}) {
            EXPECT_EQ(outputs(shape), one) << shape << " " << first;
        }
    }
}

// With --gzip the workers compress their blocks into members of their own: the members together
// are the plain export's bytes, whatever the number of workers.
TEST_F(HstexportWorkers, GzipMembersMakeThePlainExport) {
    WriteInputs();
    ASSERT_EQ(RunWith("1", {"--utc", "c.hst", "w.hst"}).exitCode, 0);
    const std::string plain[] = {Read("c.csv"), Read("w.csv")};
    for (const char* shape : {"1", "1:50", "2:97", "3:64", "8:33"}) {
        const auto result = RunWith(shape, {"--utc", "--gzip", "c.hst", "w.hst"});
        ASSERT_EQ(result.exitCode, 0) << shape << result.errors;
        int members = 0;
        EXPECT_EQ(Gunzip(Read("c.csv.gz"), &members), plain[0]) << shape;
        EXPECT_EQ(Gunzip(Read("w.csv.gz")), plain[1]) << shape;
        if (std::string(shape) != "1") {
            EXPECT_GT(members, 2) << shape;  // the header's, then a block's each
        }
    }
}

TEST_F(HstexportWorkers, WriteErrorFailsTheFileAndLeavesNoTemporary) {
    if (!testsupport::SupportsFileSizeLimit()) {
        GTEST_SKIP() << "no file-size limit for a child process on this platform";
    }
    WriteInputs();
    testsupport::WriteFileBytes(dir.file("c.csv"), "earlier output\n");
    for (const char* shape : {"1:50", "2:50", "3:64", "8:33"}) {
        SCOPED_TRACE(shape);
        testsupport::RunOptions limited;
        limited.workingDirectory = dir.path().string();
        limited.environment = {{"TRENDTAB_WORKERS", shape}};
        limited.fileSizeLimit = 16 << 10;
        const auto result =
            testsupport::RunProgram(HSTEXPORT_EXE, {"-q", "--utc", "c.hst"}, limited);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(testsupport::WithLfLineEnds(result.errors),
                  "hstexport: c.hst: write error: File too large\n");
        EXPECT_EQ(Read("c.csv"), "earlier output\n");
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
        }
    }
}

// A wide file is read once, its fraction digits learnt block by block; a stamp needing more
// digits than the blocks before it starts the output over with the digits of every stamp (then,
// and only then, the file is read a second time). The bytes are those of standard output, whose
// digits come from a pass of their own, for every format, selection and number of workers.
TEST_F(HstexportWorkers, LateStampsNeedingMoreDigitsStartTheOutputOver) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::int64_t>> finer;  // record, ticks added to its stamp
        bool startsOver;
    };
    const Case cases[] = {
        {"whole seconds", {}, false},
        {"finest first", {{0, 1}, {700, hstgen::kTicksPerSecond / 2}}, false},
        {"milliseconds in the last record", {{999, 1'230'000}}, true},
        {"finer twice", {{300, 1'230'000}, {600, 10}, {900, 3}}, true},
        {"finer stamps before the range", {{10, 1'230'000}, {500, 20}}, true},
    };
    const std::vector<std::vector<std::string>> optionSets = {
        {"--utc"},
        {"--format", "long", "--every", "3", "--from", "2024-03-01T00:00:30Z"},
        {"--gzip", "--epoch"},
    };
    const bool pauses = testsupport::PosixChildControls();
    for (const Case& test : cases) {
        HistoryPlan content;
        content.layout = Layout::Wide;
        content.tags = {"A", "B"};
        for (int i = 0; i < 1000; ++i) {
            content.records.push_back(
                {FileTimeTicks(2024, 3, 1, 0, 0, 0) + i * hstgen::kTicksPerSecond,
                 {i * 0.5, -1.0 * i}});
        }
        for (const auto& [record, ticks] : test.finer) {
            content.records[static_cast<std::size_t>(record)].stamp += ticks;
        }
        Write("f.hst", content);
        for (const auto& options : optionSets) {
            const bool gzip = options[0] == "--gzip";
            std::vector<std::string> piped(options.begin() + (gzip ? 1 : 0), options.end());
            piped.insert(piped.end(), {"-o", "-", "f.hst"});
            const std::string expected = RunWith("1", piped).output;
            ASSERT_GT(expected.size(), 5'000u) << test.name;
            for (const char* shape : {"1:64", "2:50", "3:33", "1"}) {
                SCOPED_TRACE(std::string(test.name) + " " + options[0] + " " + shape);
                testsupport::RunOptions run;
                run.workingDirectory = dir.path().string();
                run.environment = {{"TRENDTAB_WORKERS", shape}};
                int secondPasses = 0;
                if (pauses) {
                    run.environment.push_back({"TRENDTAB_TEST_PAUSE_AT", "between-passes"});
                    run.whenStopped = [&] { ++secondPasses; };
                }
                std::vector<std::string> arguments = options;
                arguments.insert(arguments.end(), {"-q", "-j", "1", "f.hst"});
                const auto result = testsupport::RunProgram(HSTEXPORT_EXE, arguments, run);
                ASSERT_EQ(result.exitCode, 0) << result.errors;
                const std::string name = options[0] == "--format" ? "f.long.csv" : "f.csv";
                EXPECT_EQ(gzip ? Gunzip(Read(name + ".gz")) : Read(name), expected);
                if (pauses) {
                    // One block (no TRENDTAB_WORKERS block size) learns all digits at once.
                    const bool oneBlock = std::string(shape) == "1";
                    EXPECT_EQ(secondPasses, test.startsOver && !oneBlock ? 1 : 0);
                }
            }
        }
    }
}

}  // namespace
