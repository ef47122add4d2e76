// hstexport end to end, on files from hstgen: formats, selection, placement, failures, gzip, and
// times with their offsets read back to the right instants in zones with daylight saving.
#include <gtest/gtest.h>
#include <zlib.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <random>
#include <set>

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

std::string Gunzip(const std::string& bytes) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
    std::string out;
    char buffer[1 << 16];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    int status;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    } while (status == Z_OK);
    EXPECT_EQ(status, Z_STREAM_END);
    inflateEnd(&stream);
    return out;
}

class HstexportTest : public ::testing::Test {
  protected:
    testsupport::RunResult Run(const std::vector<std::string>& arguments) {
        testsupport::RunOptions options;
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
    EXPECT_EQ(Read("f.csv"),
              "time;tag;value\n2024-01-02T03:04:05Z;plain;1\n2024-01-02T03:04:05Z;a,b;2.5\n");
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
    ASSERT_EQ(Run({"u.hst"}).exitCode, 0);
    // Some file times count whole seconds only (the Windows runtime's): make the output newer.
    fs::last_write_time(dir.file("u.hst"),
                        fs::last_write_time(dir.file("u.csv")) - std::chrono::seconds(5));
    auto result = Run({"--skip-up-to-date", "u.hst"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.errors.find("0 converted, 1 skipped, 0 failed"), std::string::npos);
    // An input changed after its output converts again.
    fs::last_write_time(dir.file("u.hst"),
                        fs::last_write_time(dir.file("u.csv")) + std::chrono::seconds(5));
    result = Run({"--skip-up-to-date", "u.hst"});
    EXPECT_NE(result.errors.find("1 converted, 0 skipped, 0 failed"), std::string::npos);
}

TEST_F(HstexportTest, GzipRoundTrip) {
    HistoryPlan content = Small();
    for (int i = 0; i < 20'000; ++i) {
        content.records.push_back(
            {UnixSeconds(2024, 2, 1, 0, 0, 0) + i, {i * 0.25, 1.0, -i * 1e-3}});
    }
    Write("g.hst", content);
    ASSERT_EQ(Run({"g.hst"}).exitCode, 0);
    ASSERT_EQ(Run({"--gzip", "g.hst"}).exitCode, 0);
    const std::string packed = Read("g.csv.gz");
    EXPECT_LT(packed.size(), Read("g.csv").size() / 2);
    EXPECT_EQ(Gunzip(packed), Read("g.csv"));
    const auto result = Run({"--gzip", "-o", "-", "g.hst"});
    EXPECT_EQ(Gunzip(result.output), Read("g.csv"));
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
                                                {"--sep", "ab", "c.hst"},
                                                {"--sep", ".", "c.hst"},
                                                {"--utc", "--epoch", "c.hst"},
                                                {"--every", "0", "c.hst"},
                                                {"--from", "tomorrow", "c.hst"},
                                                {"--tz", "No/Such_Zone", "c.hst"},
                                                {"-j", "0", "c.hst"}}) {
        result = Run(bad);
        EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(bad) << result.errors;
        EXPECT_FALSE(result.errors.empty());
    }
    EXPECT_FALSE(testsupport::FileExists(dir.file("c.csv")));
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
        const bool gzip = first == "--gzip";
        const std::string extension =
            std::string(options.size() > 2 && options[2] == "tsv" ? ".tsv" : ".csv") +
            (gzip ? ".gz" : "");
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

}  // namespace
