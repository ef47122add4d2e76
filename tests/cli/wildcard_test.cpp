#include <gtest/gtest.h>

#include "file_search.h"

namespace trendtab {
namespace {

TEST(WildcardMatch, StarAndQuestionMark) {
    EXPECT_TRUE(WildcardMatch("*.hst", "a.hst"));
    EXPECT_TRUE(WildcardMatch("*.hst", ".hst"));
    EXPECT_FALSE(WildcardMatch("*.hst", "a.hstx"));
    EXPECT_TRUE(WildcardMatch("a?c", "abc"));
    EXPECT_FALSE(WildcardMatch("a?c", "ac"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("**a**", "bab"));
    EXPECT_TRUE(WildcardMatch("*a*b*c", "xxaxxbxxbxc"));
    EXPECT_FALSE(WildcardMatch("*a*b*c", "xxaxxbxxbx"));
    EXPECT_FALSE(WildcardMatch("", "a"));
}

TEST(WildcardMatch, EverythingElseIsLiteralAndCaseSensitive) {
    EXPECT_TRUE(WildcardMatch("[ab].hst", "[ab].hst"));
    EXPECT_FALSE(WildcardMatch("[ab].hst", "a.hst"));
    EXPECT_TRUE(WildcardMatch("a\\*", "a\\xyz"));
    EXPECT_FALSE(WildcardMatch("*.HST", "a.hst"));
}

}  // namespace
}  // namespace trendtab
