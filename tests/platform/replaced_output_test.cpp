// ReplacedOutput: the target changes whole, on Commit only, and no temporary outlives the object.
#include "platform/replaced_output.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/run_program.h"
#include "tests/support/test_support.h"

namespace trendtab {
namespace {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

class ReplacedOutputTest : public ::testing::Test {
  protected:
    std::size_t FileCount() const {
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            ++count;
        }
        return count;
    }

    testsupport::TempDir dir;
};

TEST_F(ReplacedOutputTest, TargetChangesOnlyOnCommit) {
    const std::string target = dir.file("data.csv");
    WriteFileBytes(target, "earlier");
    ReplacedOutput out(target, ReplacedOutput::Mode::Binary);
    ASSERT_TRUE(out.Open());
    std::fputs("a\r\nb\n", out.file());  // binary: bytes as written, on every platform
    EXPECT_EQ(ReadFileBytes(target), "earlier");
    EXPECT_LE(FileCount(), 2u);  // the target and, unless it has no name yet, a temporary
    EXPECT_TRUE(out.Commit());
    EXPECT_EQ(ReadFileBytes(target), "a\r\nb\n");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ReplacedOutputTest, TextModeEndsLinesAsThePlatformDoes) {
    const std::string target = dir.file("rows.txt");
    ReplacedOutput out(target, ReplacedOutput::Mode::Text);
    ASSERT_TRUE(out.Open());
    std::fputs("row\n", out.file());
    EXPECT_TRUE(out.Commit());
    EXPECT_EQ(ReadFileBytes(target), std::string("row") + testsupport::TextLineEnd());
}

TEST_F(ReplacedOutputTest, WithoutCommitNothingChangesAndNoTemporaryStays) {
    const std::string kept = dir.file("kept.csv");
    WriteFileBytes(kept, "earlier");
    {
        ReplacedOutput out(kept, ReplacedOutput::Mode::Binary);
        ASSERT_TRUE(out.Open());
        std::fputs("half", out.file());
    }
    {
        ReplacedOutput out(dir.file("new.csv"), ReplacedOutput::Mode::Binary);
        ASSERT_TRUE(out.Open());
        out.Discard();
        EXPECT_FALSE(out.Commit());
    }
    EXPECT_EQ(ReadFileBytes(kept), "earlier");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ReplacedOutputTest, SpoiledOutputIsRefused) {
    const std::string target = dir.file("data.csv");
    WriteFileBytes(target, "earlier");
    ReplacedOutput out(target, ReplacedOutput::Mode::Binary);
    ASSERT_TRUE(out.Open());
    std::fputs("rows", out.file());
    out.MarkFailed();  // a write the writer saw fail
    EXPECT_FALSE(out.Close());
    EXPECT_FALSE(out.Commit());
    EXPECT_EQ(ReadFileBytes(target), "earlier");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ReplacedOutputTest, TargetsThatCannotBeCreated) {
    std::filesystem::create_directory(dir.path() / "folder.csv");
    ReplacedOutput folder(dir.file("folder.csv"), ReplacedOutput::Mode::Binary);
    EXPECT_FALSE(folder.Open());
    ReplacedOutput missing(dir.file("no-such-folder/x.csv"), ReplacedOutput::Mode::Binary);
    EXPECT_FALSE(missing.Open());
    EXPECT_FALSE(missing.Commit());
    EXPECT_EQ(FileCount(), 1u);
}

// A link at the target's name is replaced, never written through; a device there is refused
// without being opened.
// A new target takes the file's name in one step where nothing is there at the end; whatever
// was put there meanwhile (a file, a link that leads nowhere) is replaced whole instead.
TEST_F(ReplacedOutputTest, TargetMadeMeanwhileIsReplaced) {
    struct Case {
        const char* name;
        bool file;
        bool link;
    };
    const Case cases[] = {{"absent", false, false}, {"file", true, false}, {"link", false, true}};
    for (const Case& c : cases) {
        testsupport::TempDir folder;
        const std::string target = folder.file("out.csv");
        ReplacedOutput out(target, ReplacedOutput::Mode::Binary);
        ASSERT_TRUE(out.Open()) << c.name;
        std::fputs("ours", out.file());
        if (c.file) {
            WriteFileBytes(target, "meanwhile");
        }
        if (c.link && !testsupport::MakeSymbolicLink("nowhere.csv", target)) {
            continue;
        }
        EXPECT_TRUE(out.Commit()) << c.name;
        EXPECT_FALSE(std::filesystem::is_symlink(folder.path() / "out.csv")) << c.name;
        EXPECT_EQ(ReadFileBytes(target), "ours") << c.name;
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(folder.path())) {
            ++count;
        }
        EXPECT_EQ(count, 1u) << c.name;
    }
}

TEST_F(ReplacedOutputTest, LinkedTargetIsReplacedAndDeviceRefused) {
    WriteFileBytes(dir.file("real.csv"), "earlier");
    if (!testsupport::MakeSymbolicLink("real.csv", dir.file("link.csv"))) {
        GTEST_SKIP() << "cannot make a symbolic link here";
    }
    ReplacedOutput out(dir.file("link.csv"), ReplacedOutput::Mode::Binary);
    ASSERT_TRUE(out.Open());
    std::fputs("new", out.file());
    EXPECT_TRUE(out.Commit());
    EXPECT_FALSE(std::filesystem::is_symlink(dir.path() / "link.csv"));
    EXPECT_EQ(ReadFileBytes(dir.file("link.csv")), "new");
    EXPECT_EQ(ReadFileBytes(dir.file("real.csv")), "earlier");

    const std::string full = testsupport::FullDevice();
    if (!full.empty()) {
        ReplacedOutput device(full, ReplacedOutput::Mode::Binary);
        EXPECT_FALSE(device.Open());
    }
    EXPECT_EQ(FileCount(), 2u);
}

}  // namespace
}  // namespace trendtab
