#include "converter/wide_columns.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "converter/row_format.h"
#include "tests/support/test_support.h"

namespace trendtab {
namespace {

// The columns of a run of values, made together, against the same values' pieces one by one.
// The bytes past the text are filled with a byte no column has, so a byte left unwritten shows.
void ExpectColumns(const std::vector<double>& values, char separator) {
    std::vector<char> together(values.size() * 11 + fast::kRoomPastPiece, '#');
    const char* end =
        fast::PutWideColumns(together.data(), reinterpret_cast<const unsigned char*>(values.data()),
                             values.size(), separator);
    ASSERT_EQ(end, together.data() + 11 * values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        char piece[fast::kMaxValuePiece + fast::kRoomPastPiece];
        const char* pieceEnd = fast::PutValuePiece(piece, values[i], separator, false, false);
        if (pieceEnd != piece + 11 || std::memcmp(together.data() + 11 * i, piece, 11) != 0) {
            ASSERT_EQ(std::string(together.data() + 11 * i, 11),
                      std::string(static_cast<const char*>(piece), pieceEnd))
                << "value " << i << " of " << values.size() << ", bits 0x" << std::hex
                << std::bit_cast<std::uint64_t>(values[i]) << " (" << values[i] << ")";
        }
    }
}

double Step(double value, std::int64_t units) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) + units);
}

// Values at the edges of what the columns tell apart, with their neighbours: shown as zero or
// not, thousandths near a half (exact ties too), roundings that carry into one more digit, the
// width of 10 reached and passed, the first 11 digits of long integer parts with a fraction that
// may carry into them, the end of exact doubles, and what the vectors leave to the one by one
// way (NaN, the infinities, 10^19 on, subnormals).
std::vector<double> EdgeValues() {
    const double centers[] = {0.0,
                              4.999e-4,
                              static_cast<double>(4.999e-4F),
                              5e-4,
                              0.0015,
                              0.0625,
                              0.1,
                              0.9995,
                              0.99949999999999994,
                              1.0005,
                              2.5e-3,
                              999.9995,
                              99999.9995,
                              999999.9995,
                              1e6,
                              9999999.9996,
                              123456789.0625,
                              999999999.9995,
                              9999999999.9995,
                              9999999999.9999,
                              1e10,
                              12345678901.5,
                              99999999999.9996,
                              99999999999.0,
                              1e11,
                              999999999999.9999,
                              4503599627370495.5,
                              9007199254740993.0,
                              12345678901234567.0,
                              99999999999999999.0,
                              9223372036854775808.0,
                              9.999999999999999e18,
                              1e19,
                              1.8446744073709552e19,
                              1e300,
                              DBL_MAX,
                              DBL_MIN,
                              DBL_TRUE_MIN};
    std::vector<double> values;
    for (const double center : centers) {
        for (const double sign : {1.0, -1.0}) {
            for (std::int64_t step = 0; step < 3; ++step) {
                values.push_back(Step(sign * center, step));
                values.push_back(Step(sign * center, -step));
            }
        }
    }
    for (const std::uint64_t special :
         {0x7FF0000000000000ULL, 0xFFF0000000000000ULL, 0x7FF8000000000000ULL,
          0xFFF8000000000001ULL, 0x7FF0000000000001ULL, 0x8000000000000000ULL}) {
        values.push_back(std::bit_cast<double>(special));
    }
    return values;
}

TEST(WideColumns, EdgeValuesAtEveryPlaceOfAGroupAndAfterIt) {
    const std::vector<double> edges = EdgeValues();
    std::mt19937_64 random(7);
    for (const char separator : {'\t', ',', ';'}) {
        for (const double edge : edges) {
            for (std::size_t count = 1; count <= 9; ++count) {
                for (std::size_t at = 0; at < count; ++at) {
                    std::vector<double> run(count);
                    for (double& value : run) {
                        value = std::ldexp(static_cast<double>(random() >> 11),
                                           static_cast<int>(random() % 140) - 100);
                    }
                    run[at] = edge;
                    ExpectColumns(run, separator);
                    if (HasFatalFailure()) {
                        return;
                    }
                }
            }
        }
    }
    ExpectColumns({}, ',');
}

TEST(WideColumns, RandomBitsMagnitudesAndDecimals) {
    std::mt19937_64 random(9);
    const std::size_t runs = 8000 / testsupport::HeavyTestDivisor();
    std::vector<double> run(64);
    for (std::size_t n = 0; n < runs; ++n) {
        for (std::size_t i = 0; i < run.size(); ++i) {
            const std::uint64_t r = random();
            switch (i % 16) {
                case 0:  // any bits
                    run[i] = std::bit_cast<double>(r);
                    break;
                case 1:  // any magnitude the columns show, any fraction
                case 2:
                case 3:
                    run[i] = std::ldexp(static_cast<double>(r >> 11),
                                        static_cast<int>(random() % 128) - 64);
                    break;
                default: {  // decimals and the points halfway between them, and neighbours
                    const double thousandths =
                        static_cast<double>(r % 100000000000000ULL >> (random() % 40)) +
                        (i % 2 == 0 ? 0.0 : 0.5);
                    run[i] = Step(thousandths / 1000 * (r >> 63 != 0 ? -1 : 1),
                                  static_cast<std::int64_t>(random() % 5) - 2);
                    break;
                }
            }
        }
        ExpectColumns(run, '\t');
        if (HasFatalFailure()) {
            return;
        }
    }
}

}  // namespace
}  // namespace trendtab
