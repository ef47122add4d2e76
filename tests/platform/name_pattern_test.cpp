#include <gtest/gtest.h>

#include "platform/name_pattern.h"

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

TEST(WildcardMatch, TagNames) {
    EXPECT_TRUE(WildcardMatch("Tank*", "Tank"));
    EXPECT_TRUE(WildcardMatch("T?nk*1", "Tank21"));
    EXPECT_FALSE(WildcardMatch("tank*", "Tank1"));
    EXPECT_FALSE(WildcardMatch("Tank?", "Tank"));
    EXPECT_FALSE(WildcardMatch("*a*b", "xxaxxbxx"));
    EXPECT_FALSE(WildcardMatch("Flow", "Flow2"));
    EXPECT_TRUE(HasWildcards("a*.hst"));
    EXPECT_TRUE(HasWildcards("a?.hst"));
    EXPECT_FALSE(HasWildcards("a.hst"));
}

}  // namespace
}  // namespace trendtab
