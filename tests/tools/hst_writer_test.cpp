#include "tools/hstgen/hst_writer.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "tests/tools/bytes.h"

namespace hstgen {
namespace {

using hstgen_test::Le;

TEST(HstWriter, CompactFileFieldByField) {
    HistoryPlan content;
    content.tags = {"Tank1", "Tank2"};
    content.records = {{UnixSeconds(2011, 3, 4, 13, 5, 9), {3.14159, -12.5}}};
    const std::string bytes = BuildHistoryBytes(content);

    ASSERT_EQ(bytes.size(), 6u + 54 + 2 * 256 + 12);
    EXPECT_EQ(Le(bytes, 0, 2), 2u);   // type
    EXPECT_EQ(Le(bytes, 2, 2), 0u);   // not interpreted
    EXPECT_EQ(Le(bytes, 4, 2), 12u);  // recordSize 4 + 4n
    EXPECT_EQ(bytes.substr(6, 52), std::string(52, '\0'));
    EXPECT_EQ(Le(bytes, 58, 2), 2u);  // numTags
    EXPECT_EQ(bytes.substr(60, 256), "Tank1" + std::string(251, '\0'));
    EXPECT_EQ(bytes.substr(316, 256), "Tank2" + std::string(251, '\0'));
    EXPECT_EQ(Le(bytes, 572, 4), 1299243909u);
    EXPECT_EQ(Le(bytes, 576, 4), CompactValueBits(3.14159));
    EXPECT_EQ(Le(bytes, 580, 4), 0xC1480000u);  // -12.5f
}

TEST(HstWriter, WideFileFieldByField) {
    HistoryPlan content;
    content.layout = Layout::Wide;
    content.tags = {"A", "B"};
    content.tagSecondFields = {"descA"};  // B gets the default "-"
    content.records = {{0x0102030405060708, {1.5, -2.0}}};
    const std::string bytes = BuildHistoryBytes(content);

    const std::string text = "A\tdescA\tB\t-";
    ASSERT_EQ(bytes.size(), 16u + 54 + text.size() + 24);
    EXPECT_EQ(Le(bytes, 0, 2), 1u);
    EXPECT_EQ(Le(bytes, 4, 2), 24u);  // 8 + 8n
    EXPECT_EQ(Le(bytes, 6, 2), text.size());
    EXPECT_EQ(bytes.substr(8, 60), std::string(60, '\0'));
    EXPECT_EQ(Le(bytes, 68, 2), 2u);
    EXPECT_EQ(bytes.substr(70, text.size()), text);
    const std::size_t record = 70 + text.size();
    EXPECT_EQ(bytes.substr(record, 8), "\x08\x07\x06\x05\x04\x03\x02\x01");
    EXPECT_EQ(Le(bytes, record + 8, 8), 0x3FF8000000000000u);
    EXPECT_EQ(Le(bytes, record + 16, 8), 0xC000000000000000u);
}

TEST(HstWriter, HeaderOverridesAreWrittenAsGiven) {
    HistoryPlan content;
    content.layout = Layout::Wide;
    content.type = -2;
    content.recordSize = 0xABCD;
    content.tagTextSize = 0x1234;
    content.numTags = -1;
    content.tags = {"ignored"};
    content.rawTagText = std::string("A\tx\0B\ty", 7);
    const std::string bytes = BuildHistoryBytes(content);
    EXPECT_EQ(bytes.substr(0, 2), "\xFE\xFF");
    EXPECT_EQ(bytes.substr(4, 4), "\xCD\xAB\x34\x12");
    EXPECT_EQ(bytes.substr(68, 2), "\xFF\xFF");
    EXPECT_EQ(bytes.substr(70), std::string("A\tx\0B\ty", 7));
}

TEST(HstWriter, RawSlotsCountAsTagsAndAreCutOrPadded) {
    HistoryPlan content;
    content.tags = {"T1"};
    content.rawSlots.resize(3);
    content.rawSlots[0] = "Tank1\nxyz";
    content.rawSlots[2] = std::string(300, 'x');
    const std::string bytes = BuildHistoryBytes(content);
    ASSERT_EQ(bytes.size(), 60u + 3 * 256);
    EXPECT_EQ(Le(bytes, 4, 2), 16u);  // three tags
    EXPECT_EQ(Le(bytes, 58, 2), 3u);
    EXPECT_EQ(bytes.substr(60, 256), "Tank1\nxyz" + std::string(247, '\0'));
    EXPECT_EQ(bytes.substr(316, 256), std::string(256, '\0'));
    EXPECT_EQ(bytes.substr(572), std::string(256, 'x'));
}

TEST(HstWriter, StampsKeepTheirLowBitsAndBitPatternsAreExact) {
    HistoryPlan content;
    content.records.push_back({-1, {}});
    content.records.push_back({0xFFFFFFFE, {}});
    content.records.push_back({0x1'0000'0005, {1.0}, {0x7F800001u, std::nullopt, 0x1u}});
    const std::string bytes = BuildHistoryBytes(content);
    ASSERT_EQ(bytes.size(), 60u + 4 + 4 + 16);
    EXPECT_EQ(Le(bytes, 60, 4), 0xFFFFFFFFu);
    EXPECT_EQ(Le(bytes, 64, 4), 0xFFFFFFFEu);
    EXPECT_EQ(Le(bytes, 68, 4), 5u);
    EXPECT_EQ(Le(bytes, 72, 4), 0x7F800001u);  // a signalling NaN stays one
    EXPECT_EQ(Le(bytes, 76, 4), 0u);           // neither value nor bits: zero
    EXPECT_EQ(Le(bytes, 80, 4), 1u);
}

TEST(HstWriter, RawRecordsTrailingBytesAndTruncation) {
    HistoryPlan content;
    content.layout = Layout::Wide;
    content.records.push_back(Record::Raw(std::string("\x01\x02\x03", 3)));
    content.records.push_back({-1, {}});
    content.trailing = "ab";
    const std::string whole = BuildHistoryBytes(content);
    ASSERT_EQ(whole.size(), 70u + 3 + 8 + 2);
    EXPECT_EQ(whole.substr(70, 3), "\x01\x02\x03");
    EXPECT_EQ(whole.substr(73, 8), std::string(8, '\xFF'));
    EXPECT_EQ(whole.substr(81), "ab");

    content.truncateTo = 75;
    EXPECT_EQ(BuildHistoryBytes(content), whole.substr(0, 75));
    content.truncateTo = 1000;  // never lengthens
    EXPECT_EQ(BuildHistoryBytes(content), whole);
}

TEST(HstWriter, CompactValuesRoundToFloatWithoutOverflowing) {
    const double halfwayPastMax = 0x1.fffffep127 + 0x1p103;
    EXPECT_EQ(CompactValueBits(FLT_MAX), 0x7F7FFFFFu);
    EXPECT_EQ(CompactValueBits(std::nextafter(halfwayPastMax, 0.0)), 0x7F7FFFFFu);
    EXPECT_EQ(CompactValueBits(halfwayPastMax), 0x7F800000u);
    EXPECT_EQ(CompactValueBits(-1e300), 0xFF800000u);
    EXPECT_EQ(CompactValueBits(-std::numeric_limits<double>::infinity()), 0xFF800000u);
    EXPECT_EQ(CompactValueBits(12345678.9), 0x4B3C614Fu);  // 12345679
    EXPECT_EQ(CompactValueBits(-0.0), 0x80000000u);
    EXPECT_EQ(CompactValueBits(-std::numeric_limits<double>::quiet_NaN()) & 0xFFC00000u,
              0xFFC00000u);
}

TEST(HstWriter, CalendarHelpers) {
    EXPECT_EQ(UnixSeconds(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(UnixSeconds(2011, 3, 4, 13, 5, 9), 1299243909);
    EXPECT_EQ(UnixSeconds(2000, 2, 29, 23, 59, 59), 951868799);
    EXPECT_EQ(UnixSeconds(2100, 3, 1, 0, 0, 0), 4107542400);
    EXPECT_EQ(UnixSeconds(1901, 12, 13, 20, 45, 52), -2147483648);
    EXPECT_EQ(FileTimeTicks(1601, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(FileTimeTicks(2011, 3, 4, 13, 5, 9, 250), 129437175092500000);
    EXPECT_EQ(FileTimeTicks(1, 1, 1, 0, 0, 0), -504911232000000000);
}

}  // namespace
}  // namespace hstgen
