#include "platform/file_search.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"

namespace trendtab {
namespace {

class FileSearch : public ::testing::Test {
  protected:
    void Touch(const std::string& name) { testsupport::WriteFileBytes(dir.file(name), "x"); }
    std::string Pattern(const std::string& name) const { return dir.file(name); }
    std::string In(const std::string& name) const { return dir.file(name); }

    testsupport::TempDir dir;
};

TEST_F(FileSearch, MatchesComeInByteOrderJoinedToTheDirectory) {
    for (const char* name : {"b.hst", "a.hst", "B.hst", "c.txt", "a.hst.bak", "\xC3\xA9.hst"}) {
        Touch(name);
    }
    const std::vector<std::string> expected = {In("B.hst"), In("a.hst"), In("b.hst"),
                                               In("\xC3\xA9.hst")};
    EXPECT_EQ(FindMatchingFiles(Pattern("*.hst")), expected);
}

TEST_F(FileSearch, HiddenNamesNeedALeadingDotInThePattern) {
    Touch(".hidden.hst");
    Touch("shown.hst");
    EXPECT_EQ(FindMatchingFiles(Pattern("*.hst")), std::vector<std::string>{In("shown.hst")});
    EXPECT_EQ(FindMatchingFiles(Pattern(".*.hst")), std::vector<std::string>{In(".hidden.hst")});
    // "." and ".." never match, even ".*".
    EXPECT_EQ(FindMatchingFiles(Pattern(".*")), std::vector<std::string>{In(".hidden.hst")});
}

TEST_F(FileSearch, DirectoriesAreNotSkipped) {
    std::filesystem::create_directory(dir.path() / "sub.hst");
    Touch("a.hst");
    EXPECT_EQ(FindMatchingFiles(Pattern("*.hst")),
              (std::vector<std::string>{In("a.hst"), In("sub.hst")}));
}

TEST_F(FileSearch, NameWithoutWildcardsMatchesItselfIfItExists) {
    Touch("[x].hst");
    EXPECT_EQ(FindMatchingFiles(Pattern("[x].hst")), std::vector<std::string>{In("[x].hst")});
    EXPECT_TRUE(FindMatchingFiles(Pattern("missing.hst")).empty());
}

TEST_F(FileSearch, NothingMatchesInAMissingDirectory) {
    EXPECT_TRUE(FindMatchingFiles(Pattern("nowhere/*.hst")).empty());
    EXPECT_TRUE(FindMatchingFiles(Pattern("*.none")).empty());
}

}  // namespace
}  // namespace trendtab
