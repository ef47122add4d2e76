// The command line end to end: banner, usage, the file search and the exit status.
#include <filesystem>

#include "tests/e2e/converter_fixture.h"

namespace e2e {
namespace {

using hstgen::UnixSeconds;

class CommandLine : public ConverterTest {};

TEST_F(CommandLine, NoArgumentPrintsUsage) {
    const auto result = Run({});
    EXPECT_EQ(result.exitCode, UsageExitStatus());
    EXPECT_EQ(Console(result), kUsage);
}

TEST_F(CommandLine, BadOptionsPrintUsageAndConvertNothing) {
    Write("a.hst", CompactFile({"A"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {1}}}));
    const std::vector<std::vector<std::string>> badLines = {
        {"a.hst", ",", "/e", "/i:1:2:3", "/f:4:5:6", "/m", "/l:2"},
        {"a.hst", "/x"},
        {"a.hst", "/"},
        {"a.hst", "/?"},
        {"a.hst", "/i:8:30"},
        {"a.hst", ""},
        {"a.hst", "/l"},
    };
    for (const auto& line : badLines) {
        const auto result = Run(line);
        EXPECT_EQ(result.exitCode, UsageExitStatus()) << line[1];
        EXPECT_EQ(Console(result), kUsage) << line[1];
    }
    EXPECT_FALSE(Exists("a.txt"));
    EXPECT_FALSE(Exists("a.hdr"));
}

TEST_F(CommandLine, AnyFiveOptionsAreAccepted) {
    Write("a.hst", CompactFile({"A"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {1}}}));
    EXPECT_EQ(Convert({"a.hst", ",", "/e", "/i:1:2:3", "/f:23:5:6", "/m"}),
              ConvertedBlock("a", {"A"}, 1) + "\n\n");
    EXPECT_EQ(Text("a.txt"), "04/03/2011,13:05:09.000,1.000000\n");
}

TEST_F(CommandLine, NothingMatchingIsReportedAndFailsTheRun) {
    const auto result = Run({"nothing*.hst"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(Console(result), "Cannot found file nothing*.hst !\n\n");
}

TEST_F(CommandLine, PatternConvertsEveryMatchOnceInNameOrder) {
    for (const char* name : {"c.hst", "a.hst", "b.hst"}) {
        Write(name, CompactFile({"T"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {1}}}));
    }
    Write("skip.dat", CompactFile({"T"}));
    EXPECT_EQ(Convert({"*.hst"}), ConvertedBlock("a", {"T"}, 1) + ConvertedBlock("b", {"T"}, 1) +
                                      ConvertedBlock("c", {"T"}, 1) + "\n\n");
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        EXPECT_EQ(Text(name), "04/03/2011\t13:05:09\t     1.000\n") << name;
    }
    EXPECT_FALSE(Exists("skip.txt"));
}

TEST_F(CommandLine, PatternInAnotherDirectoryWritesOutputsThere) {
    std::filesystem::create_directory(dir.path() / "sub");
    Write("sub/x.hst", CompactFile({"T"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {2}}}));
    EXPECT_EQ(Convert({"sub/*.hst"}), ConvertedBlock("sub/x", {"T"}, 1) + "\n\n");
    EXPECT_EQ(Text("sub/x.txt"), "04/03/2011\t13:05:09\t     2.000\n");
}

TEST_F(CommandLine, OutputsStayInTheFilesOwnFolder) {
    std::filesystem::create_directory(dir.path() / "plant.v2");
    const hstgen::HistoryPlan content =
        CompactFile({"T"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {2}}});
    Write("plant.v2/data", content);
    Write("data", content);
    Write("plant.txt", CompactFile({}));  // unrelated, beside the folder
    auto before = Snapshot();
    // A dot in a folder name is no extension; a file name without one is refused.
    EXPECT_EQ(Convert({"plant.v2/data"}, 1), "Invalid filename: plant.v2/data\n\n\n");
    EXPECT_EQ(Convert({"./data"}, 1), "Invalid filename: ./data\n\n\n");
    EXPECT_TRUE(Snapshot() == before);

    // ./name and ../name write beside the file.
    Write("plant.v2/x.hst", content);
    Write("up.hst", content);
    EXPECT_EQ(Convert({"./plant.v2/x.hst"}), ConvertedBlock("./plant.v2/x", {"T"}, 1) + "\n\n");
    EXPECT_EQ(Text("plant.v2/x.txt"), "04/03/2011\t13:05:09\t     2.000\n");
    testsupport::RunOptions inFolder;
    inFolder.workingDirectory = Path("plant.v2");
    const auto result = Run({"../up.hst"}, inFolder);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Console(result), ConvertedBlock("../up", {"T"}, 1) + "\n\n");
    EXPECT_EQ(Text("up.hdr"), "1\nT                \n");
    EXPECT_EQ(Snapshot().size(), before.size() + 6) << "a temporary was left, or too much written";
}

TEST_F(CommandLine, LongPathsAreHandledWhole) {
    if (testsupport::HasShortPathLimit()) {
        GTEST_SKIP() << "the runtime's directory search refuses paths beyond 259 characters";
    }
    // Well beyond the classic 260-character path limit, in a few nested folders.
    std::string folder;
    for (int depth = 0; depth < 5; ++depth) {
        folder += std::string(120, static_cast<char>('a' + depth)) + "/";
        std::filesystem::create_directory(dir.path() / folder);
    }
    const std::string stem = folder + std::string(200, 'n');
    Write(stem + ".hst", CompactFile({"T"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {2}}}));
    EXPECT_EQ(Convert({folder + "*.hst"}), ConvertedBlock(stem, {"T"}, 1) + "\n\n");
    EXPECT_EQ(Text(stem + ".txt"), "04/03/2011\t13:05:09\t     2.000\n");
}

TEST_F(CommandLine, SameStemLaterConversionReplacesEarlierOutput) {
    Write("a.hst", CompactFile({"First"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {1}}}));
    Write("a.old", CompactFile({"Second"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {2}}}));
    Convert({"a.*"});
    EXPECT_EQ(Text("a.txt"), "04/03/2011\t13:05:09\t     2.000\n");
    EXPECT_EQ(Text("a.hdr"), "1\nSecond                \n");
}

}  // namespace
}  // namespace e2e
