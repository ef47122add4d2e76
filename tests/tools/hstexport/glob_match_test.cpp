#include <gtest/gtest.h>

#include "glob_match.h"

namespace {

TEST(GlobMatch, StarsQuestionMarksAndLiterals) {
    using hstexport::GlobMatch;
    EXPECT_TRUE(GlobMatch("Tank*", "Tank1"));
    EXPECT_TRUE(GlobMatch("Tank*", "Tank"));
    EXPECT_TRUE(GlobMatch("*1", "Tank1"));
    EXPECT_TRUE(GlobMatch("T?nk*1", "Tank21"));
    EXPECT_TRUE(GlobMatch("*a*b*", "xxaxxbxx"));
    EXPECT_TRUE(GlobMatch("*", ""));
    EXPECT_FALSE(GlobMatch("tank*", "Tank1"));  // case counts
    EXPECT_FALSE(GlobMatch("Tank?", "Tank"));
    EXPECT_FALSE(GlobMatch("*a*b", "xxaxxbxx"));
    EXPECT_FALSE(GlobMatch("Flow", "Flow2"));
    EXPECT_TRUE(hstexport::HasWildcards("a*.hst"));
    EXPECT_FALSE(hstexport::HasWildcards("a.hst"));
}

}  // namespace
