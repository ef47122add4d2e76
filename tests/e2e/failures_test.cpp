// Every failure of a conversion end to end: its message, which files exist afterwards, and that
// the run goes on with the next file.
#include <filesystem>

#include "converter_fixture.h"

namespace e2e {
namespace {

using hstgen::UnixSeconds;

class ConversionFailures : public ConverterTest {
  protected:
    hstgen::HistorySpec Good() {
        return CompactFile({"A"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {1}}});
    }
    void MakeDirectory(const std::string& name) {
        std::filesystem::create_directory(dir.path() / name);
    }
};

TEST_F(ConversionFailures, PathWithoutADot) {
    Write("nodot", Good());
    EXPECT_EQ(Convert({"nodot"}), "Invalid filename: nodot\n\n\n");
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "nodot");
}

TEST_F(ConversionFailures, InputNamedLikeItsOwnOutputIsLeftAlone) {
    Write("x.txt", Good());
    Write("y.hdr", Good());
    const std::string txtBefore = Bytes("x.txt");
    const std::string hdrBefore = Bytes("y.hdr");
    EXPECT_EQ(Convert({"x.txt"}), "Invalid filename: x.txt\n\n\n");
    EXPECT_EQ(Convert({"y.hdr"}), "Invalid filename: y.hdr\n\n\n");
    EXPECT_EQ(Bytes("x.txt"), txtBefore);
    EXPECT_EQ(Bytes("y.hdr"), hdrBefore);
    EXPECT_FALSE(Exists("x.hdr"));
    EXPECT_FALSE(Exists("y.txt"));
}

TEST_F(ConversionFailures, OutputThatLeadsToTheInputIsNotCreated) {
    Write("x.hst", Good());
    if (!testsupport::MakeSymbolicLink("x.hst", Path("x.hdr"))) {
        GTEST_SKIP() << "cannot make a symbolic link here";
    }
    const std::string before = Bytes("x.hst");
    EXPECT_EQ(Convert({"x.hst"}), "Invalid filename: x.hst\n\n\n");
    EXPECT_EQ(Bytes("x.hst"), before);
    EXPECT_FALSE(Exists("x.txt"));
}

TEST_F(ConversionFailures, InputThatCannotBeOpenedForWriting) {
    MakeDirectory("folder.hst");
    Write("b.hst", Good());
    EXPECT_EQ(Convert({"*.hst"}), ConvertedBlock("b", {"A"}, 1) +
                                      "\n* Creating file folder.txt\n"
                                      "    Could not open: folder.hst\n\n\n");
    EXPECT_FALSE(Exists("folder.txt"));
}

TEST_F(ConversionFailures, ReadOnlyInput) {
    Write("ro.hst", Good());
    std::filesystem::permissions(
        Path("ro.hst"), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    if (std::FILE* probe = std::fopen(Path("ro.hst").c_str(), "r+b")) {
        std::fclose(probe);
        GTEST_SKIP() << "this user may write read-only files (running as root)";
    }
    EXPECT_EQ(Convert({"ro.hst"}), "\n* Creating file ro.txt\n    Could not open: ro.hst\n\n\n");
}

TEST_F(ConversionFailures, TextFileCannotBeCreated) {
    Write("a.hst", Good());
    MakeDirectory("a.txt");
    const std::string before = Bytes("a.hst");
    EXPECT_EQ(Convert({"a.hst"}), "\n* Creating file a.txt\n    Could not create: a.txt\n\n\n");
    EXPECT_FALSE(Exists("a.hdr"));
    EXPECT_EQ(Bytes("a.hst"), before);
}

TEST_F(ConversionFailures, HeaderFileCannotBeCreated) {
    Write("a.hst", Good());
    MakeDirectory("a.hdr");
    EXPECT_EQ(Convert({"a.hst"}), "\n* Creating file a.txt\n   Tag: A \n" + Progress(1) +
                                      "\n   => Creating file a.hdr\n"
                                      "    Could not create: a.hdr\n\n\n");
    EXPECT_EQ(Text("a.txt"), "04/03/2011\t13:05:09\t     1.000\n");
}

TEST_F(ConversionFailures, WriteErrorStopsThatFileAndTheRunGoesOn) {
    if (!testsupport::SupportsFileSizeLimit()) {
        GTEST_SKIP() << "no file-size limit for a child process on this platform";
    }
    std::vector<hstgen::Record> records(200000, {UnixSeconds(2011, 3, 4, 13, 5, 9), {1, 2, 3}});
    Write("a.hst", CompactFile({"A", "B", "C"}, records));
    Write("b.hst", Good());
    const std::string before = Bytes("a.hst");
    // One worker, and several with the file in small blocks, so the error meets running workers.
    for (const char* shape : {"1", "2:1000", "3:777", "8:500"}) {
        SCOPED_TRACE(shape);
        testsupport::RunOptions limited;
        limited.fileSizeLimit = 1 << 20;
        limited.environment = {{"TRENDTAB_WORKERS", shape}};
        const auto result = Run({"*.hst"}, limited);
        EXPECT_EQ(result.exitCode, 0);
        const std::string console = Console(result);
        // The failing file stops soon after the limit, says so, and gets no tag list.
        const std::string failed = "    Could not write: a.txt\n";
        const std::size_t at = console.find(failed);
        ASSERT_NE(at, std::string::npos) << console.substr(0, 300);
        EXPECT_EQ(console.substr(0, 50),
                  ("\n* Creating file a.txt\n   Tag: A \n   Tag: B \n   Tag: C \n" + Progress(1))
                      .substr(0, 50));
        EXPECT_EQ(console.find(Progress(100000)), std::string::npos);
        EXPECT_EQ(console.substr(at), failed + ConvertedBlock("b", {"A"}, 1) + "\n\n");
        EXPECT_EQ(console.find("=> Creating file a.hdr"), std::string::npos);
        EXPECT_FALSE(Exists("a.hdr"));
        EXPECT_LE(Bytes("a.txt").size(), 1u << 20);
        EXPECT_EQ(Text("b.txt"), "04/03/2011\t13:05:09\t     1.000\n");
        EXPECT_EQ(Bytes("a.hst"), before);
    }
}

TEST_F(ConversionFailures, FullDiskForTheRowsThenForTheTagList) {
    const std::string full = testsupport::FullDevice();
    if (full.empty() || !testsupport::MakeSymbolicLink(full, Path("a.txt")) ||
        !testsupport::MakeSymbolicLink(full, Path("b.hdr"))) {
        GTEST_SKIP() << "no device that refuses writes like a full disk";
    }
    Write("a.hst", Good());
    Write("b.hst", Good());
    const std::string before = Bytes("a.hst");
    EXPECT_EQ(Convert({"*.hst"}),
              "\n* Creating file a.txt\n   Tag: A \n" + Progress(1) +
                  "    Could not write: a.txt\n"
                  "\n* Creating file b.txt\n   Tag: A \n" +
                  Progress(1) + "\n   => Creating file b.hdr\n    Could not write: b.hdr\n\n\n");
    EXPECT_FALSE(Exists("a.hdr"));
    EXPECT_EQ(Text("b.txt"), "04/03/2011\t13:05:09\t     1.000\n");
    EXPECT_EQ(Bytes("a.hst"), before);
}

TEST_F(ConversionFailures, FileGoneBetweenTheSearchAndItsConversion) {
    // The directory still lists the name; the file behind it is gone.
    if (!testsupport::MakeSymbolicLink(Path("deleted-target.hst"), Path("a.hst"))) {
        GTEST_SKIP() << "cannot make a symbolic link here";
    }
    Write("b.hst", Good());
    EXPECT_EQ(Convert({"*.hst"}), "\n* Creating file a.txt\n    Could not open: a.hst\n" +
                                      ConvertedBlock("b", {"A"}, 1) + "\n\n");
    EXPECT_FALSE(Exists("a.txt"));
}

TEST_F(ConversionFailures, HeaderWriteErrorIsReported) {
    if (!testsupport::SupportsFileSizeLimit()) {
        GTEST_SKIP() << "no file-size limit for a child process on this platform";
    }
    std::vector<std::string> tags(250, std::string(255, 'T'));
    hstgen::HistorySpec content = CompactFile(tags);
    Write("a.hst", content);
    testsupport::RunOptions limited;
    limited.fileSizeLimit = 4096;  // the tag list needs 250 * 272 bytes
    const auto result = Run({"a.hst"}, limited);
    EXPECT_EQ(result.exitCode, 0);
    const std::string console = Console(result);
    const std::string tail = "\n   => Creating file a.hdr\n    Could not write: a.hdr\n\n\n";
    ASSERT_GE(console.size(), tail.size()) << console;
    EXPECT_EQ(console.substr(console.size() - tail.size()), tail);
    EXPECT_LE(Bytes("a.hdr").size(), 4096u);
}

}  // namespace
}  // namespace e2e
