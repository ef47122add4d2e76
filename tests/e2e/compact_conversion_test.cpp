// Compact files end to end under TZ=UTC0: rows, options, values and the .hdr.
#include <cmath>
#include <cstring>
#include <limits>

#include "tests/e2e/converter_fixture.h"

namespace e2e {
namespace {

using hstgen::Record;
using hstgen::UnixSeconds;

class CompactConversion : public ConverterTest {};

std::int64_t At(int day, int hour, int minute, int second) {
    return UnixSeconds(2011, 3, day, hour, minute, second);
}

TEST_F(CompactConversion, DefaultRowsAndTagList) {
    Write("trend.hst", CompactFile({"Tank1", "Tank2"}, {{At(4, 14, 5, 9), {3.14159, -12.5}},
                                                        {At(4, 14, 5, 10), {0, 100}}}));
    EXPECT_EQ(Convert({"trend.hst"}), ConvertedBlock("trend", {"Tank1", "Tank2"}, 2) + "\n\n");
    EXPECT_EQ(Text("trend.txt"),
              "04/03/2011\t14:05:09\t     3.142\t   -12.500\n"
              "04/03/2011\t14:05:10\t     0.000\t   100.000\n");
    EXPECT_EQ(Text("trend.hdr"), "2\nTank1                \nTank2                \n");
}

TEST_F(CompactConversion, SeparatorExtendedAndMilliseconds) {
    Write("t.hst", CompactFile({"A", "B"}, {{At(4, 14, 5, 9), {3.14159, -12.5}}}));
    Convert({"t.hst", ";", "/e"});
    EXPECT_EQ(Text("t.txt"), "04/03/2011;14:05:09;3.141590;-12.500000\n");
    Convert({"t.hst", "/m", ","});
    EXPECT_EQ(Text("t.txt"), "04/03/2011,14:05:09.000,     3.142,   -12.500\n");
}

TEST_F(CompactConversion, ValuesThroughSevenDigitsAndTenCharacterColumns) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Write("v.hst", CompactFile({"A", "B", "C", "D"},
                               {{At(4, 0, 0, 0), {12345678.9, 1e-10, -0.0, 12345678.9}},
                                {At(4, 0, 0, 1), {0.0625, 1.0005, 999999.9, -999999.9}},
                                {At(4, 0, 0, 2), {nan, -nan, inf, -inf}},
                                {At(4, 0, 0, 3), {123456789.0, -3e9, 1e30, 0.1875}}}));
    const std::string negativeNan = testsupport::NegativeNanText();  // "-nan" or "nan"
    Convert({"v.hst"});
    EXPECT_EQ(Text("v.txt"),
              "04/03/2011\t00:00:00\t12345680.00     0.000\t    -0.000\t12345680.0\n"
              "04/03/2011\t00:00:01\t     0.062\t     1.000\t999999.900\t-999999.90\n"
              "04/03/2011\t00:00:02\t       nan\t" +
                  std::string(10 - negativeNan.size(), ' ') + negativeNan +
                  "\t       inf\t      -inf\n"
                  "04/03/2011\t00:00:03\t123456800.0-300000000010000000000     0.188\n");
    Convert({"v.hst", "/e"});
    EXPECT_EQ(Text("v.txt"),
              "04/03/2011\t00:00:00\t12345680.000000\t0.000000\t-0.000000\t12345680.000000\n"
              "04/03/2011\t00:00:01\t0.062500\t1.000500\t999999.900000\t-999999.900000\n"
              "04/03/2011\t00:00:02\tnan\t" +
                  negativeNan +
                  "\tinf\t-inf\n"
                  "04/03/2011\t00:00:03\t123456800.000000\t-3000000000.000000\t"
                  "1000000000000000019884624838656.000000\t0.187500\n");
}

TEST_F(CompactConversion, StartAndFinishFilterEveryDay) {
    std::vector<Record> records;
    for (int day = 4; day <= 6; ++day) {
        for (int second : {-1, 0, 1}) {
            records.push_back({At(day, 8, 0, 0) + second, {static_cast<double>(day)}});
        }
    }
    Write("f.hst", CompactFile({"A"}, records));
    Convert({"f.hst", "/i:08:00:00", "/f:08:00:00"});
    EXPECT_EQ(Text("f.txt"),
              "04/03/2011\t08:00:00\t     4.000\n"
              "05/03/2011\t08:00:00\t     5.000\n"
              "06/03/2011\t08:00:00\t     6.000\n");
    Convert({"f.hst", "/i:23:00:00", "/f:01:00:00"});
    EXPECT_EQ(Text("f.txt"), "");
    EXPECT_EQ(Text("f.hdr"), "1\nA                \n");
    Convert({"f.hst", "/i:8:0:1"});
    EXPECT_EQ(Text("f.txt").size(), 3 * 31u);
    Convert({"f.hst", "/f:7:59:59"});
    EXPECT_EQ(Text("f.txt").size(), 3 * 31u);
}

TEST_F(CompactConversion, EveryNthOfTheRecordsThatPassTheFilters) {
    std::vector<Record> records;
    for (int i = 1; i <= 7; ++i) {
        records.push_back({At(4, 10, 0, i), {static_cast<double>(i)}});
    }
    Write("l.hst", CompactFile({"N"}, records));
    auto keptValues = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "l.hst");
        Convert(args);
        std::string kept;
        const std::string text = Text("l.txt");
        for (std::size_t pos = 0; (pos = text.find("     ", pos)) != std::string::npos; pos += 10) {
            kept += text[pos + 5];
        }
        return kept;
    };
    EXPECT_EQ(keptValues({"/l:3"}), "147");
    EXPECT_EQ(keptValues({"/l:3", "/i:10:00:03"}), "36");
    EXPECT_EQ(keptValues({"/l:0"}), "1234567");
    EXPECT_EQ(keptValues({"/l:1"}), "1234567");
    EXPECT_EQ(keptValues({"/l:-4"}), "1234567");
    EXPECT_EQ(keptValues({"/l:10"}), "1");
}

TEST_F(CompactConversion, NegativeStampIsCountedButNotShown) {
    Write("n.hst", CompactFile({"A"}, {{-1, {1}}, {At(4, 0, 0, 0), {2}}, {-2147483648LL, {3}}}));
    EXPECT_EQ(Convert({"n.hst"}), ConvertedBlock("n", {"A"}, 3) + "\n\n");
    EXPECT_EQ(Text("n.txt"), "04/03/2011\t00:00:00\t     2.000\n");
}

TEST_F(CompactConversion, StampRangeEnds) {
    Write("r.hst", CompactFile({}, {{0, {}}, {2147483647, {}}}));
    Convert({"r.hst", "/m"});
    EXPECT_EQ(Text("r.txt"), "01/01/1970\t00:00:00.000\t\n19/01/2038\t03:14:07.000\t\n");
    EXPECT_EQ(Text("r.hdr"), "0\n");
}

TEST_F(CompactConversion, RecordSizeLargerThanTheValuesAndPartialLastRecord) {
    hstgen::HistoryPlan content = CompactFile({"A"});
    content.recordSize = 5000;
    for (int i = 0; i < 3; ++i) {
        std::string raw(5000, '\xEE');
        const std::int64_t stamp = At(4, 0, 0, i);
        for (int b = 0; b < 4; ++b) {
            raw[b] = static_cast<char>(stamp >> (8 * b));
        }
        const float one = 1.5f;
        std::memcpy(raw.data() + 4, &one, 4);
        content.records.push_back(hstgen::Record::Raw(raw));
    }
    content.trailing = std::string(4999, '\0');
    Write("big.hst", content);
    EXPECT_EQ(Convert({"big.hst"}), ConvertedBlock("big", {"A"}, 3) + "\n\n");
    EXPECT_EQ(Text("big.txt"),
              "04/03/2011\t00:00:00\t     1.500\n"
              "04/03/2011\t00:00:01\t     1.500\n"
              "04/03/2011\t00:00:02\t     1.500\n");
}

TEST_F(CompactConversion, RecordSizeZeroHasNoRecordsButATagList) {
    hstgen::HistoryPlan content = CompactFile({"A"}, {{At(4, 0, 0, 0), {1}}});
    content.recordSize = 0;
    Write("z.hst", content);
    EXPECT_EQ(Convert({"z.hst"}), ConvertedBlock("z", {"A"}, 0) + "\n\n");
    EXPECT_EQ(Text("z.txt"), "");
    EXPECT_EQ(Text("z.hdr"), "1\nA                \n");
}

TEST_F(CompactConversion, LongRowsAreWrittenWhole) {
    std::vector<std::string> tags;
    std::vector<double> values;
    for (int i = 0; i < 250; ++i) {
        tags.push_back(std::string("T").append(std::to_string(i)));
        values.push_back(-3.0e38);
    }
    Write("wide.hst", CompactFile(tags, {{At(4, 0, 0, 0), values}}));
    Convert({"wide.hst", "/e"});
    const std::string row = Text("wide.txt");
    const std::string value = "-300000000000000012135895401846682943488.000000";
    EXPECT_EQ(row.size(), 20 + 250 * (value.size() + 1));
    EXPECT_EQ(row.substr(row.size() - value.size() - 2), "\t" + value + "\n");
}

TEST_F(CompactConversion, TagNamesKeepCarriageReturnAndFillTheSlot) {
    hstgen::HistoryPlan content = CompactFile({"x", "y"}, {{At(4, 0, 0, 0), {1, 2}}});
    content.rawSlots = {std::string("Tank1\r\nrest"), std::string(256, 'N')};
    Write("s.hst", content);
    EXPECT_EQ(Convert({"s.hst"}),
              ConvertedBlock("s", {"Tank1\r", std::string(256, 'N')}, 1) + "\n\n");
    EXPECT_EQ(Text("s.hdr"),
              "2\nTank1\r                \n" + std::string(256, 'N') + "                \n");
}

}  // namespace
}  // namespace e2e
