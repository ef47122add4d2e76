// The files below a folder come in std::filesystem::path's order, however names and folders
// interleave.
#include "tools/hstexport/input_discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/path_text.h"
#include "tests/support/test_support.h"

namespace hstexport {
namespace {

namespace fs = std::filesystem;

TEST(InputDiscovery, FilesBelowAFolderComeInPathOrder) {
    testsupport::TempDir dir;
    // A name that another one starts with, names around the separator's byte ('-', ' ', '0'),
    // letter case, a folder named like a file's stem, and UTF-8.
    const char* const names[] = {
        "tree/a.hst",        "tree/a-b/x.hst",     "tree/a/x.hst",     "tree/a/b/y.hst",
        "tree/a/a.hst",      "tree/B.hst",         "tree/a b.hst",     "tree/a0.hst",
        "tree/\xC3\xA4.hst", "tree/a.hst.d/z.hst", "tree/b/c/d/e.hst",
    };
    std::vector<fs::path> expected;
    for (const char* name : names) {
        const fs::path path = dir.path() / trendtab::platform::PathFromText(name);
        fs::create_directories(path.parent_path());
        testsupport::WriteFileBytes(trendtab::platform::TextFromPath(path), "");
        expected.push_back(path);
    }
    std::sort(expected.begin(), expected.end());
    const Discovery found = DiscoverInputs({dir.file("tree")}, true);
    ASSERT_EQ(found.files.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(trendtab::platform::PathFromText(found.files[i].path), expected[i]) << i;
    }
}

}  // namespace
}  // namespace hstexport
