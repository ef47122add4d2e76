#include "converter/options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace trendtab {
namespace {

// Scans "trendtab file.hst <options...>".
bool Scan(std::initializer_list<const char*> options, ConvertOptions& out) {
    std::vector<const char*> argv = {"trendtab", "file.hst"};
    argv.insert(argv.end(), options);
    return ScanOptions(static_cast<int>(argv.size()), argv.data(), out);
}

ConvertOptions Scanned(std::initializer_list<const char*> options) {
    ConvertOptions out;
    EXPECT_TRUE(Scan(options, out));
    return out;
}

bool IsBad(std::initializer_list<const char*> options) {
    ConvertOptions out;
    return !Scan(options, out);
}

TEST(OptionScan, FileNameAloneKeepsTheDefaults) {
    const ConvertOptions o = Scanned({});
    EXPECT_EQ(o.separator, '\t');
    EXPECT_FALSE(o.extended);
    EXPECT_FALSE(o.withMilliseconds);
    EXPECT_FALSE(o.hasStart);
    EXPECT_FALSE(o.hasFinish);
    EXPECT_EQ(o.everyN, 0);
}

TEST(OptionScan, SeparatorIsTheFirstCharacterAndTheLastOneWins) {
    EXPECT_EQ(Scanned({","}).separator, ',');
    EXPECT_EQ(Scanned({"abc"}).separator, 'a');
    EXPECT_EQ(Scanned({";", "x"}).separator, 'x');
    EXPECT_EQ(Scanned({"\xC3\xA4"}).separator, '\xC3');
}

TEST(OptionScan, FlagsInEitherCaseIgnoreTrailingCharacters) {
    for (const char* e : {"/e", "/E", "/extended", "/Exyz"}) {
        EXPECT_TRUE(Scanned({e}).extended) << e;
    }
    for (const char* m : {"/m", "/M", "/Mxyz"}) {
        EXPECT_TRUE(Scanned({m}).withMilliseconds) << m;
    }
}

TEST(OptionScan, StartAndFinishNeedThreePieces) {
    ConvertOptions o = Scanned({"/i:8:30:0", "/F:23:59:59"});
    EXPECT_TRUE(o.hasStart);
    EXPECT_EQ(o.start.hour, 8);
    EXPECT_EQ(o.start.minute, 30);
    EXPECT_EQ(o.start.second, 0);
    EXPECT_TRUE(o.hasFinish);
    EXPECT_EQ(o.finish.hour, 23);
    EXPECT_EQ(o.finish.second, 59);

    EXPECT_TRUE(IsBad({"/i:8:30"}));
    EXPECT_TRUE(IsBad({"/f:"}));
    EXPECT_TRUE(IsBad({"/i::::"}));
}

TEST(OptionScan, TimePiecesAreReadLikeAtoiWithoutRangeChecks) {
    ConvertOptions o = Scanned({"/i:25:99:99"});
    EXPECT_EQ(o.start.hour, 25);
    EXPECT_EQ(o.start.minute, 99);
    EXPECT_EQ(o.start.second, 99);
    // A run of ":" is one split; a fourth piece is ignored; atoi stops at the first non-digit.
    o = Scanned({"/i:: 7::08x:-3:44"});
    EXPECT_EQ(o.start.hour, 7);
    EXPECT_EQ(o.start.minute, 8);
    EXPECT_EQ(o.start.second, -3);
    o = Scanned({"/i:a:b:c"});
    EXPECT_EQ(o.start.hour, 0);
    EXPECT_TRUE(o.hasStart);
}

TEST(OptionScan, ThirdCharacterIsSkippedUnchecked) {
    const ConvertOptions o = Scanned({"/i10:20:30", "/lx7"});
    EXPECT_EQ(o.start.hour, 0);
    EXPECT_EQ(o.start.minute, 20);
    EXPECT_EQ(o.start.second, 30);
    EXPECT_EQ(o.everyN, 7);
}

TEST(OptionScan, EveryNthLine) {
    EXPECT_EQ(Scanned({"/l:3"}).everyN, 3);
    EXPECT_EQ(Scanned({"/L:-4"}).everyN, -4);
    EXPECT_EQ(Scanned({"/l:"}).everyN, 0);
    EXPECT_EQ(Scanned({"/l:abc"}).everyN, 0);
    EXPECT_EQ(Scanned({"/l:2", "/l:5"}).everyN, 5);
}

TEST(OptionScan, BadCommandLines) {
    EXPECT_TRUE(IsBad({"/x"}));
    EXPECT_TRUE(IsBad({"/"}));
    EXPECT_TRUE(IsBad({"/?"}));
    // An empty argument, and a value option with nothing after its letter.
    EXPECT_TRUE(IsBad({""}));
    EXPECT_TRUE(IsBad({"/i"}));
    EXPECT_TRUE(IsBad({"/F"}));
    EXPECT_TRUE(IsBad({"/l"}));
    // A bad option anywhere spoils the whole line.
    EXPECT_TRUE(IsBad({",", "/q", "/e"}));
}

TEST(OptionScan, AtMostFiveOptions) {
    EXPECT_FALSE(IsBad({",", "/e", "/i:1:2:3", "/f:4:5:6", "/m"}));
    EXPECT_FALSE(IsBad({"/l:2", "/e", "/i:1:2:3", "/f:4:5:6", "/m"}));
    EXPECT_TRUE(IsBad({",", "/e", "/i:1:2:3", "/f:4:5:6", "/m", "/l:2"}));
    EXPECT_TRUE(IsBad({"/e", "/e", "/e", "/e", "/e", "/e"}));
}

TEST(ReadDecimal, ReadsLikeAtoi) {
    EXPECT_EQ(ReadDecimal("42"), 42);
    EXPECT_EQ(ReadDecimal("  \t-17abc"), -17);
    EXPECT_EQ(ReadDecimal("+8"), 8);
    EXPECT_EQ(ReadDecimal(""), 0);
    EXPECT_EQ(ReadDecimal("- 5"), 0);
    EXPECT_EQ(ReadDecimal("2147483647"), 2147483647);
    EXPECT_EQ(ReadDecimal("-2147483648"), -2147483647 - 1);
}

TEST(ReadDecimal, SaturatesBeyondThirtyTwoBits) {
    EXPECT_EQ(ReadDecimal("2147483648"), 2147483647);
    EXPECT_EQ(ReadDecimal("99999999999999999999999999"), 2147483647);
    EXPECT_EQ(ReadDecimal("-99999999999999999999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace trendtab
