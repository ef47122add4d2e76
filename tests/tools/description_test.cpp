#include "tools/hstgen/description.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tools/hstgen/hst_text.h"

namespace hstgen {
namespace {

HistoryPlan Parse(const std::string& text) {
    HistoryPlan content;
    DescriptionError error;
    EXPECT_TRUE(ParseDescription(text, content, error))
        << "line " << error.line << ": " << error.message;
    return content;
}

TEST(Description, CompactDirectives) {
    const HistoryPlan content = Parse(
        "# a comment\r\n"
        "\r\n"
        "  layout compact\r\n"
        "type 3\n"
        "record-size 0\n"
        "num-tags -1\n"
        "tag Tank1\\r\n"
        "tag \"Tank 2\"\n"
        "slot 3 \"Tank3\\nxyz\\0\\x41\"\n"
        "record 2011-03-04T13:05:09 3.14159 -12.5 0x7F800001\n"
        "record @-1\n"
        "record @2147483647 nan -nan inf -inf 1e-3\n"
        "raw-record \\x01\\\\\\\"\n"
        "trailing ab\n"
        "trailing \"\\t\"\n"
        "truncate 99");
    EXPECT_EQ(content.layout, Layout::Compact);
    EXPECT_EQ(content.type, 3);
    EXPECT_EQ(content.recordSize, 0);
    EXPECT_EQ(content.numTags, -1);
    EXPECT_EQ(content.tags, (std::vector<std::string>{"Tank1\r", "Tank 2"}));
    ASSERT_EQ(content.rawSlots.size(), 4u);
    EXPECT_EQ(content.rawSlots[3], std::string("Tank3\nxyz\0A", 11));
    ASSERT_EQ(content.records.size(), 4u);
    EXPECT_EQ(content.records[0].stamp, 1299243909);
    EXPECT_EQ(content.records[0].values[0], static_cast<double>(3.14159f));  // rounded once
    EXPECT_EQ(content.records[0].valueBits[2], 0x7F800001u);
    EXPECT_EQ(content.records[1].stamp, -1);
    EXPECT_TRUE(content.records[1].values.empty());
    const Record& special = content.records[2];
    EXPECT_EQ(special.stamp, 2147483647);
    EXPECT_EQ(special.valueBits[0], 0x7FC00000u);
    EXPECT_EQ(special.valueBits[1], 0xFFC00000u);
    EXPECT_EQ(special.values[2], HUGE_VAL);
    EXPECT_EQ(special.values[3], -HUGE_VAL);
    EXPECT_EQ(special.values[4], static_cast<double>(1e-3f));
    EXPECT_EQ(content.records[3].raw, "\x01\\\"");
    EXPECT_EQ(content.trailing, "ab\t");
    EXPECT_EQ(content.truncateTo, 99u);
}

TEST(Description, WideDirectives) {
    const HistoryPlan content = Parse(
        "layout wide\n"
        "tag-text-size 7\n"
        "tag A descA\n"
        "tag B\n"
        "tag-text A\\t\\tB\n"
        "record 2011-03-04T13:05:09.2500001 0.1 0x7FF0000000000001\n"
        "record #-1\n"
        "record #18446744073709551615\n"
        "record #9223372036854775808 -0\n");
    EXPECT_EQ(content.layout, Layout::Wide);
    EXPECT_EQ(content.tagTextSize, 7);
    EXPECT_EQ(content.tags, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(content.tagSecondFields, (std::vector<std::string>{"descA", "-"}));
    EXPECT_EQ(content.rawTagText, "A\t\tB");
    ASSERT_EQ(content.records.size(), 4u);
    EXPECT_EQ(content.records[0].stamp, FileTimeTicks(2011, 3, 4, 13, 5, 9, 250) + 1);
    EXPECT_EQ(content.records[0].values[0], 0.1);
    EXPECT_EQ(content.records[0].valueBits[1], 0x7FF0000000000001u);
    EXPECT_EQ(content.records[1].stamp, -1);
    EXPECT_EQ(content.records[2].stamp, -1);
    EXPECT_EQ(content.records[3].stamp, std::numeric_limits<std::int64_t>::min());
    EXPECT_TRUE(std::signbit(content.records[3].values[0]));
}

TEST(Description, ErrorsNameTheirLine) {
    const struct {
        const char* text;
        int line;
        const char* message;
    } cases[] = {
        {"tag A\nlayout wide", 2, "layout must be the first directive"},
        {"layout round", 1, "layout is compact or wide"},
        {"\n\nfrobnicate 1", 3, "unknown directive 'frobnicate'"},
        {"type 32768", 1, "out of range (-32768 to 32767)"},
        {"type 1\ntype 2", 2, "type given twice"},
        {"record-size -1", 1, "out of range"},
        {"record-size 12x", 1, "not a whole number"},
        {"num-tags", 1, "num-tags takes 1 argument, not 0"},
        {"tag A B", 1, "a second field needs the wide layout"},
        {"tag-text AB", 1, "tag-text needs the wide layout"},
        {"layout wide\nslot 0 A", 2, "slot needs the compact layout"},
        {"slot 32768 A", 1, "out of range"},
        {"tag \"A", 1, "unterminated quote"},
        {"tag \"A\"B", 1, "a closing quote must end its argument"},
        {"tag A\\q", 1, "unknown escape \\q"},
        {"tag A\\x4", 1, "\\x needs two hex digits"},
        {"tag A\\", 1, "a lone backslash"},
        {"record", 1, "record takes 1 or more arguments, not 0"},
        {"record 2011-02-29T00:00:00", 1, "no such time"},
        {"record 2011-03-04 13:05:09", 1, "not a time of the form"},
        {"record 2011-03-04T13:05:09.5", 1, "compact stamps are whole seconds"},
        {"record 2200-01-01T00:00:00", 1, "does not fit a compact stamp"},
        {"record @2147483648", 1, "out of range"},  // would wrap to a negative stamp
        {"record @4294967295", 1, "out of range"},
        {"record @-2147483649", 1, "out of range"},
        {"record 2038-01-19T03:14:08", 1, "does not fit a compact stamp"},
        {"record #5", 1, "raw ticks (#N) need the wide layout"},
        {"layout wide\nrecord @5", 2, "raw seconds (@N) need the compact layout"},
        {"layout wide\nrecord #18446744073709551616", 2, "not a tick count below 2^64"},
        {"record @0 1 2 x", 1, "value 3: not a value"},
        {"record @0 1e39", 1, "too large or too small for a float"},
        {"record @0 0x123456789", 1, "more than 8 hex digits"},
        {"layout wide\nrecord #0 1e400", 2, "too large or too small for a double"},
        {"raw-record a b", 1, "raw-record takes 1 argument, not 2"},
        {"truncate 1\ntruncate 2", 2, "truncate given twice"},
    };
    for (const auto& c : cases) {
        HistoryPlan content;
        DescriptionError error;
        EXPECT_FALSE(ParseDescription(c.text, content, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_NE(error.message.find(c.message), std::string::npos)
            << c.text << " gave: " << error.message;
    }
}

TEST(Description, ValueAndDurationForms) {
    Value value;
    std::string error;
    ASSERT_TRUE(ParseValue("+.5e1", Layout::Wide, value, error));
    EXPECT_EQ(value.number, 5.0);
    EXPECT_FALSE(ParseValue("1e", Layout::Wide, value, error));
    EXPECT_FALSE(ParseValue("infinity", Layout::Wide, value, error));
    EXPECT_FALSE(ParseValue("0x1p3", Layout::Wide, value, error));

    std::int64_t ticks = 0;
    ASSERT_TRUE(ParseSeconds("0.0012345", ticks, error));
    EXPECT_EQ(ticks, 12345);
    ASSERT_TRUE(ParseSeconds("-2.5", ticks, error));
    EXPECT_EQ(ticks, -25'000'000);
    EXPECT_FALSE(ParseSeconds("0.00000001", ticks, error));
    EXPECT_FALSE(ParseSeconds("1.", ticks, error));
    EXPECT_FALSE(ParseSeconds("1e3", ticks, error));
}

}  // namespace
}  // namespace hstgen
