#include "history/history_file.h"
#include "history/rejection_message.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/test_support.h"
#include "tools/hstgen/hst_writer.h"

namespace trendtab {
namespace {

using hstgen::HistoryPlan;
using hstgen::Layout;

struct HeaderResult {
    bool ok = false;
    HistoryFile file;
    std::string console;  // the names read, as "Tag:" lines, then the message
    long position = 0;    // where the file was left
};

HeaderResult ReadHeaderOf(const std::string& bytes) {
    testsupport::TempDir dir;
    const std::string path = dir.file("t.hst");
    testsupport::WriteFileBytes(path, bytes);
    HeaderResult result;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    result.file = ReadHistoryFile(file);
    result.ok = result.file.ok();
    for (const std::string& name : result.file.header.tagNames) {
        result.console += "   Tag: " + name + " \n";
    }
    // The message names the path given; the cases below expect "t.hst".
    std::string message = RejectionMessage(result.file.error, path);
    if (const std::size_t at = message.find(path); at != std::string::npos) {
        message.replace(at, path.size(), "t.hst");
    }
    result.console += message;
    result.position = std::ftell(file);
    std::fclose(file);
    return result;
}

HistoryPlan Compact(std::vector<std::string> tags) {
    HistoryPlan content;
    content.tags = std::move(tags);
    return content;
}

HistoryPlan Wide(const std::string& tagText, std::int16_t numTags) {
    HistoryPlan content;
    content.layout = Layout::Wide;
    content.rawTagText = tagText;
    content.numTags = numTags;
    content.recordSize = static_cast<std::uint16_t>(8 + 8 * numTags);
    return content;
}

TEST(CompactSlotName, EndsAtNulOrLineFeed) {
    EXPECT_EQ(CompactSlotName("Tank1\nxyz", 9), "Tank1");
    EXPECT_EQ(CompactSlotName("Tank1\r\nxyz", 10), "Tank1\r");
    EXPECT_EQ(CompactSlotName("Ta\0nk", 5), "Ta");
    EXPECT_EQ(CompactSlotName("abc", 3), "abc");  // neither: every byte
}

TEST(WideTagText, SplitsLikeStrtokIntoPairs) {
    std::vector<std::string> names, seconds;
    SplitWideTagText("A\tdescA\tB\tdescB", 2, names, seconds);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(seconds, (std::vector<std::string>{"descA", "descB"}));

    names.clear();
    seconds.clear();
    SplitWideTagText("\t\tA\t\t\tdescA\t\tB", 5, names, seconds);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(seconds, (std::vector<std::string>{"descA", ""}));
}

TEST(WideTagText, NulEndsTheTextAndExtraPairsAreIgnored) {
    std::vector<std::string> names, seconds;
    SplitWideTagText(std::string("A\tdescA\0B\tdescB", 15), 2, names, seconds);
    EXPECT_EQ(names, std::vector<std::string>{"A"});
    names.clear();
    seconds.clear();
    SplitWideTagText("A\tdescA\tB\tdescB", 1, names, seconds);
    EXPECT_EQ(names, std::vector<std::string>{"A"});
}

TEST(ReadHistoryFile, CompactHeaderAndTags) {
    HistoryPlan content = Compact({"Tank1", "Tank2"});
    content.rawSlots = {std::string("Tank1\nxyz"), std::string("Tank2\r\nxyz")};
    const HeaderResult r = ReadHeaderOf(hstgen::BuildHistoryBytes(content));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.file.header.layout(), trendtab::Layout::Compact);
    EXPECT_EQ(r.file.header.type, 2);
    EXPECT_EQ(r.file.header.recordSize, 12);
    EXPECT_EQ(r.file.header.numTags, 2);
    EXPECT_EQ(r.file.header.tagNames, (std::vector<std::string>{"Tank1", "Tank2\r"}));
    EXPECT_EQ(r.console, "   Tag: Tank1 \n   Tag: Tank2\r \n");
    EXPECT_EQ(r.position, 6 + 54 + 2 * 256);
}

TEST(ReadHistoryFile, WideHeaderAndTags) {
    HistoryPlan content = Wide("A\tdescA\tB\tdescB", 2);
    content.type = -7;  // every type but 2 is the wide layout
    const HeaderResult r = ReadHeaderOf(hstgen::BuildHistoryBytes(content));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.file.header.layout(), trendtab::Layout::Wide);
    EXPECT_EQ(r.file.header.tagTextSize, 15);
    EXPECT_EQ(r.file.header.tagSecondFields, (std::vector<std::string>{"descA", "descB"}));
    EXPECT_EQ(r.console, "   Tag: A \n   Tag: B \n");
    EXPECT_EQ(r.position, 16 + 54 + 15);
}

TEST(ReadHistoryFile, ShortFilesAndBadTagCounts) {
    EXPECT_EQ(ReadHeaderOf("").console, "    Error in type of infoFile data: t.hst\n");
    EXPECT_EQ(ReadHeaderOf("\x02").console, "    Error in type of infoFile data: t.hst\n");
    // A wide type with only 10 bytes: the infoFile block is incomplete, silently.
    const HeaderResult silent =
        ReadHeaderOf(std::string("\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00", 10));
    EXPECT_FALSE(silent.ok);
    EXPECT_EQ(silent.console, "");

    HistoryPlan content = Compact({"A"});
    content.truncateTo = 6 + 53;
    EXPECT_EQ(ReadHeaderOf(hstgen::BuildHistoryBytes(content)).console,
              "    Error loading infoHead data: t.hst\n");

    for (std::int16_t bad : {-1, 251, 32767, -32768}) {
        HistoryPlan s = Compact({});
        s.numTags = bad;
        const HeaderResult r = ReadHeaderOf(hstgen::BuildHistoryBytes(s));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.console, "    Error in number of tags of infoHead data: t.hst\n") << bad;
    }
}

TEST(ReadHistoryFile, TagCountLimitsAreInclusive) {
    EXPECT_TRUE(ReadHeaderOf(hstgen::BuildHistoryBytes(Compact({}))).ok);
    std::vector<std::string> many(250, "T");
    const HeaderResult r = ReadHeaderOf(hstgen::BuildHistoryBytes(Compact(many)));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.file.header.tagNames.size(), 250u);
}

TEST(ReadHistoryFile, MissingWideNamesMakeTheFileInvalid) {
    const HeaderResult r = ReadHeaderOf(hstgen::BuildHistoryBytes(Wide("A\t\tB", 2)));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console, "   Tag: A \n   Invalid history file");

    const HeaderResult nul =
        ReadHeaderOf(hstgen::BuildHistoryBytes(Wide(std::string("A\tdescA\0B\tdescB", 15), 2)));
    EXPECT_FALSE(nul.ok);
    EXPECT_EQ(nul.console, "   Tag: A \n   Invalid history file");

    const HeaderResult tabs = ReadHeaderOf(hstgen::BuildHistoryBytes(Wide("\t\t\t", 1)));
    EXPECT_EQ(tabs.console, "   Invalid history file");
}

TEST(ReadHistoryFile, TagTableCutShortIsInvalid) {
    HistoryPlan compact = Compact({"A", "B"});
    compact.truncateTo = 60 + 256 + 100;
    EXPECT_EQ(ReadHeaderOf(hstgen::BuildHistoryBytes(compact)).console,
              "   Tag: A \n   Invalid history file");

    HistoryPlan wide = Wide("A\tdescA", 1);
    wide.truncateTo = 70 + 3;
    const HeaderResult r = ReadHeaderOf(hstgen::BuildHistoryBytes(wide));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.console, "   Invalid history file");
}

TEST(ReadHistoryFile, RecordSizeMustHoldStampAndValues) {
    HistoryPlan content = Compact({"A", "B"});
    content.recordSize = 11;  // needs 12
    const HeaderResult small = ReadHeaderOf(hstgen::BuildHistoryBytes(content));
    EXPECT_FALSE(small.ok);
    EXPECT_EQ(small.console, "   Tag: A \n   Tag: B \n   Invalid history file");

    for (std::uint16_t fine : {0, 12, 4096, 4097, 65535}) {
        content.recordSize = fine;
        EXPECT_TRUE(ReadHeaderOf(hstgen::BuildHistoryBytes(content)).ok) << fine;
    }
    HistoryPlan wide = Wide("A\tx\tB\ty", 2);
    wide.recordSize = 23;  // needs 24
    EXPECT_FALSE(ReadHeaderOf(hstgen::BuildHistoryBytes(wide)).ok);
}

TEST(ReadHistoryFile, TellsEachRefusalApart) {
    EXPECT_EQ(ReadHeaderOf("\x02").file.error, HistoryError::TypeMissing);
    EXPECT_EQ(ReadHeaderOf(std::string("\x05\x00\x00\x00\x00\x00", 6)).file.error,
              HistoryError::InfoFileIncomplete);
    HistoryPlan head = Compact({"A"});
    head.truncateTo = 6 + 53;
    EXPECT_EQ(ReadHeaderOf(hstgen::BuildHistoryBytes(head)).file.error,
              HistoryError::InfoHeadIncomplete);
    HistoryPlan many = Compact({});
    many.numTags = 251;
    EXPECT_EQ(ReadHeaderOf(hstgen::BuildHistoryBytes(many)).file.error,
              HistoryError::TagCountOutOfRange);
    HistoryPlan cut = Compact({"A", "B"});
    cut.truncateTo = 60 + 256 + 100;
    const HeaderResult cutShort = ReadHeaderOf(hstgen::BuildHistoryBytes(cut));
    EXPECT_EQ(cutShort.file.error, HistoryError::TagTableCutShort);
    EXPECT_EQ(cutShort.file.header.tagNames, std::vector<std::string>{"A"});
    EXPECT_EQ(ReadHeaderOf(hstgen::BuildHistoryBytes(Wide("A\t\tB", 2))).file.error,
              HistoryError::TagNamesMissing);
    HistoryPlan small = Compact({"A"});
    small.recordSize = 7;
    EXPECT_EQ(ReadHeaderOf(hstgen::BuildHistoryBytes(small)).file.error,
              HistoryError::RecordTooSmall);
}

TEST(ReadHistoryFile, RecordGeometry) {
    HistoryPlan content = Compact({"A", "B"});
    for (int i = 0; i < 3; ++i) {
        hstgen::Record record;
        record.values = {1.0, 2.0};
        content.records.push_back(record);
    }
    std::string bytes = hstgen::BuildHistoryBytes(content) + "12345";  // 5 trailing bytes
    const HeaderResult r = ReadHeaderOf(bytes);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.file.recordStart, 6u + 54u + 2u * 256u);
    EXPECT_EQ(r.file.recordCount, 3u);
    EXPECT_EQ(r.file.trailingBytes, 5u);

    HistoryPlan wide = Wide("A\tx", 1);
    wide.recordSize = 0;  // no records: every byte after the tag text trails
    const HeaderResult none = ReadHeaderOf(hstgen::BuildHistoryBytes(wide) + "abc");
    ASSERT_TRUE(none.ok);
    EXPECT_EQ(none.file.recordStart, 16u + 54u + 3u);
    EXPECT_EQ(none.file.recordCount, 0u);
    EXPECT_EQ(none.file.trailingBytes, 3u);
}

TEST(OpenHistoryFile, OpensForReadingAndSaysWhenItCannot) {
    testsupport::TempDir dir;
    const std::string missing = dir.file("missing.hst");
    const OpenedHistoryFile absent = OpenHistoryFile(missing);
    EXPECT_FALSE(absent.file);
    EXPECT_EQ(absent.info.error, HistoryError::CannotOpen);
    EXPECT_EQ(RejectionMessage(absent.info.error, missing),
              "    Could not open: " + missing + "\n");

    const std::string path = dir.file("t.hst");
    testsupport::WriteFileBytes(path, hstgen::BuildHistoryBytes(Compact({"A"})));
    const OpenedHistoryFile opened = OpenHistoryFile(path);
    ASSERT_TRUE(opened.info.ok());
    EXPECT_EQ(std::ftell(opened.file.get()), 6 + 54 + 256);
}

}  // namespace
}  // namespace trendtab
