// Every failure of a conversion end to end: its message, that the folder is left exactly as it
// was (earlier outputs byte for byte, no temporary), the exit status, and that the run goes on
// with the next file.
#include <filesystem>
#include <optional>
#include <utility>

#include "tests/e2e/converter_fixture.h"

namespace e2e {
namespace {

using hstgen::UnixSeconds;

class ConversionFailures : public ConverterTest {
  protected:
    hstgen::HistoryPlan Good() {
        return CompactFile({"A"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {1}}});
    }
    void MakeDirectory(const std::string& name) {
        std::filesystem::create_directory(dir.path() / name);
    }
    // Earlier outputs that only a whole successful conversion may replace.
    void WriteEarlierOutputs(const std::string& stem) {
        testsupport::WriteFileBytes(Path(stem + ".txt"), "earlier rows\n");
        testsupport::WriteFileBytes(Path(stem + ".hdr"), "earlier tags\n");
    }
    // Runs as a user bound by permissions (the unprivileged user when the tests run as root),
    // in a folder that user may write; nullopt when that user cannot run the program here.
    std::optional<testsupport::RunResult> RunUnprivileged(
        const std::vector<std::string>& arguments) {
        std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
        testsupport::RunOptions options;
        options.unprivileged = true;
        testsupport::RunResult result = Run(arguments, options);
        if (result.exitCode == 125 || result.exitCode == 127) {
            return std::nullopt;
        }
        return result;
    }
};

const char* const kUnreachable =
    "the unprivileged user cannot run the converter or reach the test folder from here";

TEST_F(ConversionFailures, PathWithoutADot) {
    Write("nodot", Good());
    const auto before = Snapshot();
    EXPECT_EQ(Convert({"nodot"}, 1), "Invalid filename: nodot\n\n\n");
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, UnrelatedTextBesideAFileThatIsNoHistoryIsKept) {
    testsupport::WriteFileBytes(Path("notes.md"), "# Plant notes\n\nValve 3 replaced.\n");
    testsupport::WriteFileBytes(Path("notes.txt"), "my own notes\n");
    const auto before = Snapshot();
    Convert({"notes.md"}, 1);
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, InputNamedLikeItsOwnOutputIsLeftAlone) {
    Write("x.txt", Good());
    Write("y.hdr", Good());
    const auto before = Snapshot();
    EXPECT_EQ(Convert({"x.txt"}, 1), "Invalid filename: x.txt\n\n\n");
    EXPECT_EQ(Convert({"y.hdr"}, 1), "Invalid filename: y.hdr\n\n\n");
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, OutputThatLeadsToTheInputIsNotCreated) {
    Write("x.hst", Good());
    if (!testsupport::MakeSymbolicLink("x.hst", Path("x.hdr"))) {
        GTEST_SKIP() << "cannot make a symbolic link here";
    }
    const auto before = Snapshot();
    EXPECT_EQ(Convert({"x.hst"}, 1), "Invalid filename: x.hst\n\n\n");
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, FolderCannotBeOpenedAndOneBadFileFailsTheRun) {
    MakeDirectory("folder.hst");
    Write("b.hst", Good());
    EXPECT_EQ(Convert({"*.hst"}, 1), ConvertedBlock("b", {"A"}, 1) +
                                         "\n* Creating file folder.txt\n"
                                         "    Could not open: folder.hst\n\n\n");
    EXPECT_FALSE(Exists("folder.txt"));
}

TEST_F(ConversionFailures, ReadOnlyInputConverts) {
    Write("ro.hst", Good());
    std::filesystem::permissions(Path("ro.hst"), std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::group_read |
                                                     std::filesystem::perms::others_read);
    const auto result = RunUnprivileged({"ro.hst"});
    if (!result) {
        GTEST_SKIP() << kUnreachable;
    }
    EXPECT_EQ(result->exitCode, 0);
    EXPECT_EQ(Console(*result), ConvertedBlock("ro", {"A"}, 1) + "\n\n");
    EXPECT_EQ(Text("ro.txt"), "04/03/2011\t13:05:09\t     1.000\n");
    EXPECT_EQ(Text("ro.hdr"), "1\nA                \n");
}

TEST_F(ConversionFailures, OutputsTheUserMayNotWriteAreKept) {
    Write("a.hst", Good());
    Write("b.hst", Good());
    WriteEarlierOutputs("a");
    WriteEarlierOutputs("b");
    const auto readOnly = std::filesystem::perms::owner_read | std::filesystem::perms::others_read;
    std::filesystem::permissions(Path("a.txt"), readOnly);
    std::filesystem::permissions(Path("b.hdr"), readOnly);
    std::filesystem::permissions(Path("b.txt"), readOnly | std::filesystem::perms::owner_write |
                                                    std::filesystem::perms::others_write);
    const auto before = Snapshot();
    const auto result = RunUnprivileged({"*.hst"});
    if (!result) {
        GTEST_SKIP() << kUnreachable;
    }
    EXPECT_EQ(result->exitCode, 1);
    // The .txt is checked before the tags are read; the .hdr after "=> Creating file".
    EXPECT_EQ(Console(*result), "\n* Creating file a.txt\n    Could not create: a.txt\n" +
                                    ConvertedBlock("b", {"A"}, 1) +
                                    "    Could not create: b.hdr\n\n\n");
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, FolderWithoutWritePermission) {
    if (!testsupport::FolderPermissionsBindChildren()) {
        GTEST_SKIP() << "folder permissions are not set by these tests on this platform";
    }
    MakeDirectory("locked");
    Write("locked/a.hst", Good());
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    std::filesystem::permissions(Path("locked"), std::filesystem::perms::owner_all |
                                                     std::filesystem::perms::others_read |
                                                     std::filesystem::perms::others_exec);
    const auto before = Snapshot();
    const auto result = RunUnprivileged({"locked/a.hst"});
    if (!result) {
        GTEST_SKIP() << kUnreachable;
    }
    EXPECT_EQ(result->exitCode, 1);
    EXPECT_EQ(Console(*result),
              "\n* Creating file locked/a.txt\n    Could not create: locked/a.txt\n\n\n");
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, TextFileCannotBeCreated) {
    Write("a.hst", Good());
    MakeDirectory("a.txt");
    const auto before = Snapshot();
    EXPECT_EQ(Convert({"a.hst"}, 1), "\n* Creating file a.txt\n    Could not create: a.txt\n\n\n");
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, HeaderFileCannotBeCreatedSoNeitherOutputChanges) {
    Write("a.hst", Good());
    testsupport::WriteFileBytes(Path("a.txt"), "earlier rows\n");
    MakeDirectory("a.hdr");
    const auto before = Snapshot();
    EXPECT_EQ(Convert({"a.hst"}, 1), "\n* Creating file a.txt\n   Tag: A \n" + Progress(1) +
                                         "\n   => Creating file a.hdr\n"
                                         "    Could not create: a.hdr\n\n\n");
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, WriteErrorStopsThatFileAndTheRunGoesOn) {
    if (!testsupport::SupportsFileSizeLimit()) {
        GTEST_SKIP() << "no file-size limit for a child process on this platform";
    }
    std::vector<hstgen::Record> records(200000, {UnixSeconds(2011, 3, 4, 13, 5, 9), {1, 2, 3}});
    Write("a.hst", CompactFile({"A", "B", "C"}, records));
    Write("b.hst", Good());
    WriteEarlierOutputs("a");
    const auto before = Snapshot();
    // One worker, and several with the file in small blocks, so the error meets running workers.
    for (const char* shape : {"1", "2:1000", "3:777", "8:500"}) {
        SCOPED_TRACE(shape);
        testsupport::RunOptions limited;
        limited.fileSizeLimit = 1 << 20;
        limited.environment = {{"TRENDTAB_WORKERS", shape}};
        const auto result = Run({"*.hst"}, limited);
        EXPECT_EQ(result.exitCode, 1);
        const std::string console = Console(result);
        // The failing file stops soon after the limit and says so on a line of its own.
        const std::string failed = "   \n    Could not write: a.txt\n";
        const std::size_t at = console.find(failed);
        ASSERT_NE(at, std::string::npos) << console.substr(0, 300);
        EXPECT_EQ(console.substr(0, 50),
                  ("\n* Creating file a.txt\n   Tag: A \n   Tag: B \n   Tag: C \n" + Progress(1))
                      .substr(0, 50));
        EXPECT_EQ(console.find(Progress(100000)), std::string::npos);
        EXPECT_EQ(console.substr(at), failed + ConvertedBlock("b", {"A"}, 1) + "\n\n");
        auto after = Snapshot();
        EXPECT_EQ(after.erase("b.txt") + after.erase("b.hdr"), 2u);
        EXPECT_TRUE(after == before);
        std::filesystem::remove(Path("b.txt"));
        std::filesystem::remove(Path("b.hdr"));
    }
}

TEST_F(ConversionFailures, FullDiskForTheRowsThenForTheTagList) {
    // A device cannot be replaced: it is written in place, and refuses.
    const std::string full = testsupport::FullDevice();
    if (full.empty() || !testsupport::MakeSymbolicLink(full, Path("a.txt")) ||
        !testsupport::MakeSymbolicLink(full, Path("b.hdr"))) {
        GTEST_SKIP() << "no device that refuses writes like a full disk";
    }
    Write("a.hst", Good());
    Write("b.hst", Good());
    const auto before = Snapshot();
    EXPECT_EQ(Convert({"*.hst"}, 1),
              "\n* Creating file a.txt\n   Tag: A \n" + Progress(1) +
                  "\n    Could not write: a.txt\n"
                  "\n* Creating file b.txt\n   Tag: A \n" +
                  Progress(1) + "\n   => Creating file b.hdr\n    Could not write: b.hdr\n\n\n");
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, FileGoneBetweenTheSearchAndItsConversion) {
    // The directory still lists the name; the file behind it is gone.
    if (!testsupport::MakeSymbolicLink(Path("deleted-target.hst"), Path("a.hst"))) {
        GTEST_SKIP() << "cannot make a symbolic link here";
    }
    Write("b.hst", Good());
    EXPECT_EQ(Convert({"*.hst"}, 1), "\n* Creating file a.txt\n    Could not open: a.hst\n" +
                                         ConvertedBlock("b", {"A"}, 1) + "\n\n");
    EXPECT_FALSE(Exists("a.txt"));
}

TEST_F(ConversionFailures, HeaderWriteErrorIsReported) {
    if (!testsupport::SupportsFileSizeLimit()) {
        GTEST_SKIP() << "no file-size limit for a child process on this platform";
    }
    std::vector<std::string> tags(250, std::string(255, 'T'));
    Write("a.hst", CompactFile(tags));
    WriteEarlierOutputs("a");
    const auto before = Snapshot();
    testsupport::RunOptions limited;
    limited.fileSizeLimit = 4096;  // the tag list needs 250 * 272 bytes
    const auto result = Run({"a.hst"}, limited);
    EXPECT_EQ(result.exitCode, 1);
    const std::string console = Console(result);
    const std::string tail = "\n   => Creating file a.hdr\n    Could not write: a.hdr\n\n\n";
    ASSERT_GE(console.size(), tail.size()) << console;
    EXPECT_EQ(console.substr(console.size() - tail.size()), tail);
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(ConversionFailures, InterruptionMidConversionLeavesTheFolderAsItWas) {
    const std::vector<int> signals = testsupport::InterruptionSignals();
    if (signals.empty()) {
        GTEST_SKIP() << "a child cannot be signalled on this platform";
    }
    const auto count = static_cast<std::size_t>(2000000 / testsupport::HeavyTestDivisor());
    Write("a.hst", CompactFile({"A"}, std::vector<hstgen::Record>(
                                          count, {UnixSeconds(2011, 3, 4, 13, 5, 9), {1}})));
    WriteEarlierOutputs("a");
    const auto before = Snapshot();
    for (int signal : signals) {
        SCOPED_TRACE(signal);
        testsupport::RunOptions options;
        options.signalAfterOutput = "Line = ";
        options.signal = signal;
        const auto result = Run({"a.hst"}, options);
        EXPECT_EQ(result.exitCode, testsupport::ExitCodeOfSignal(signal));
        EXPECT_NE(result.output.find("   Tag: A \n\r    Line = 1   "), std::string::npos);
        EXPECT_TRUE(Snapshot() == before);
    }
}

TEST_F(ConversionFailures, NewOutputsHaveThePermissionsOfAPlainCreate) {
    if (!testsupport::PosixChildControls()) {
        GTEST_SKIP() << "no umask on this platform";
    }
    Write("a.hst", Good());
    using std::filesystem::perms;
    for (const auto& [mask, expected] :
         {std::pair{0022u, perms::owner_read | perms::owner_write | perms::group_read |
                               perms::others_read},
          std::pair{0077u, perms::owner_read | perms::owner_write}}) {
        SCOPED_TRACE(mask);
        testsupport::RunOptions options;
        options.umask = mask;
        EXPECT_EQ(Run({"a.hst"}, options).exitCode, 0);
        for (const char* name : {"a.txt", "a.hdr"}) {
            EXPECT_EQ(std::filesystem::status(Path(name)).permissions(), expected) << name;
        }
    }
    EXPECT_EQ(Snapshot().size(), 3u) << "a temporary was left";
}

}  // namespace
}  // namespace e2e
