// Wide files end to end under TZ=UTC0: doubles used as they are, tags from the tag text.
#include <cmath>
#include <limits>

#include "tests/e2e/converter_fixture.h"
#include "tests/support/run_program.h"

namespace e2e {
namespace {

using hstgen::FileTimeTicks;

class WideConversion : public ConverterTest {};

TEST_F(WideConversion, RowsAndTagListFromTheTagText) {
    hstgen::HistoryPlan content = WideFile({}, {{FileTimeTicks(2011, 3, 4, 13, 5, 9, 250) + 4321,
                                                 {3.14159, -12.5, 12345678.9, 12345678.9}}});
    content.rawTagText = "\tTank1\tLevel, %\t\tTank2\tflow\tBig\t-\tBigLast\t";
    content.numTags = 4;
    content.recordSize = 8 + 4 * 8;
    Write("w.hst", content);
    EXPECT_EQ(Convert({"w.hst"}),
              ConvertedBlock("w", {"Tank1", "Tank2", "Big", "BigLast"}, 1) + "\n\n");
    // No rounding through single precision: 12345678.9 stays, cut to its columns.
    EXPECT_EQ(Text("w.txt"),
              "04/03/2011\t13:05:09\t     3.142\t   -12.500\t12345678.9012345678.9\n");
    const std::string pad(16, ' ');
    EXPECT_EQ(Text("w.hdr"),
              "4\nTank1" + pad + "\nTank2" + pad + "\nBig" + pad + "\nBigLast" + pad + "\n");
    Convert({"w.hst", "/e", "/m", ";"});
    EXPECT_EQ(Text("w.txt"),
              "04/03/2011;13:05:09.250;3.141590;-12.500000;12345678.900000;12345678.900000\n");
}

TEST_F(WideConversion, DoublesBeyondSinglePrecisionAndNonFiniteValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Write("v.hst", WideFile({"A", "B", "C", "D"},
                            {{FileTimeTicks(2011, 3, 4, 0, 0, 0), {0.0005, 1e300, -0.0, 4.9e-324}},
                             {FileTimeTicks(2011, 3, 4, 0, 0, 1), {nan, -nan, inf, -inf}}}));
    const std::string negativeNan = testsupport::NegativeNanText();
    Convert({"v.hst"});
    EXPECT_EQ(Text("v.txt"),
              "04/03/2011\t00:00:00\t     0.001\t10000000000    -0.000\t     0.000\n"
              "04/03/2011\t00:00:01\t       nan\t" +
                  std::string(10 - negativeNan.size(), ' ') + negativeNan +
                  "\t       inf\t      -inf\n");
}

TEST_F(WideConversion, FiltersAndDecimationOnWideRecords) {
    std::vector<hstgen::Record> records;
    for (int i = 1; i <= 7; ++i) {
        records.push_back({FileTimeTicks(2011, 3, 4, 10, 0, i, 999), {static_cast<double>(i)}});
    }
    Write("l.hst", WideFile({"N"}, records));
    Convert({"l.hst", "/l:3", "/i:10:00:02", "/f:10:00:07", "/m"});
    EXPECT_EQ(Text("l.txt"),
              "04/03/2011\t10:00:02.999\t     2.000\n"
              "04/03/2011\t10:00:05.999\t     5.000\n");
}

}  // namespace
}  // namespace e2e
