// FileKeysBothWays, which looks at a missing name once and at each folder once, against FileKey
// taken both ways for every kind of name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_services.h"
#include "tests/support/run_program.h"
#include "tests/support/test_support.h"

namespace trendtab {
namespace {

TEST(FileKeysBothWays, AgreesWithFileKeyEachWay) {
    testsupport::TempDir dir;
    testsupport::WriteFileBytes(dir.file("file.csv"), "rows");
    std::filesystem::create_directories(dir.path() / "folder");
    const bool links = testsupport::MakeSymbolicLink("file.csv", dir.file("link.csv")) &&
                       testsupport::MakeSymbolicLink("nowhere.csv", dir.file("dangling.csv")) &&
                       testsupport::MakeSymbolicLink("folder", dir.file("folder-link"));
    const char* const names[] = {
        "file.csv",      "missing.csv", "folder",       "folder/missing.csv",      "no/such/a.csv",
        "no/such/b.csv", "link.csv",    "dangling.csv", "folder-link/missing.csv",
    };
    platform::FolderKeys folders;  // shared, as by the names of one run
    for (int pass = 0; pass < 2; ++pass) {
        for (const char* name : names) {
            if (!links && std::string(name).find("link") != std::string::npos) {
                continue;
            }
            const std::string path = dir.file(name);
            const platform::LinkKeys keys = platform::FileKeysBothWays(path, folders);
            EXPECT_EQ(keys.own, platform::FileKey(path, false)) << name << " pass " << pass;
            EXPECT_EQ(keys.reached, platform::FileKey(path, true)) << name << " pass " << pass;
            std::string key;
            EXPECT_EQ(keys.existing, platform::ExistingFileKey(path, false, key)) << name;
        }
    }
    if (links) {
        const platform::LinkKeys link = platform::FileKeysBothWays(dir.file("link.csv"), folders);
        EXPECT_NE(link.own, link.reached);
        EXPECT_EQ(link.reached, platform::FileKey(dir.file("file.csv"), false));
    }
}

}  // namespace
}  // namespace trendtab
