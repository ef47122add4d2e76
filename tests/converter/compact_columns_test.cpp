#include "converter/compact_columns.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "converter/row_format.h"
#include "tests/support/test_support.h"

namespace trendtab {
namespace {

// The columns of a run of values, made together, against the same values' pieces one by one.
// The bytes past the text are filled with a byte no column has, so a byte left unwritten shows.
void ExpectColumns(const std::vector<std::uint32_t>& bits, char separator) {
    std::vector<char> together(bits.size() * 11 + fast::kRoomPastPiece, '#');
    const char* end = fast::PutCompactColumns(together.data(),
                                              reinterpret_cast<const unsigned char*>(bits.data()),
                                              bits.size(), separator);
    ASSERT_EQ(end, together.data() + 11 * bits.size());
    for (std::size_t i = 0; i < bits.size(); ++i) {
        char piece[fast::kMaxValuePiece + fast::kRoomPastPiece];
        const char* pieceEnd = fast::PutCompactValuePiece(piece, std::bit_cast<float>(bits[i]),
                                                          separator, false, false);
        if (pieceEnd != piece + 11 || std::memcmp(together.data() + 11 * i, piece, 11) != 0) {
            ASSERT_EQ(std::string(together.data() + 11 * i, 11),
                      std::string(static_cast<const char*>(piece), pieceEnd))
                << "value " << i << " of " << bits.size() << ", bits 0x" << std::hex << bits[i]
                << " (" << std::bit_cast<float>(bits[i]) << ")";
        }
    }
}

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

// Values at the edges of every class the columns tell apart, with their neighbours: shown as
// zero or not, digits cut or whole, a rounding that carries into one more digit, ties at the
// third decimal, the width of 10 reached and passed, and what the vectors leave to the one by one
// way (NaN, the infinities, 10^19 on, subnormals).
std::vector<std::uint32_t> EdgeValues() {
    const float centers[] = {
        0.0F,          4.999e-4F, 5e-4F,      5.005e-4F,     1e-3F,         0.0625F,   0.0015F,
        0.1F,          0.5F,      0.9999995F, 1.0F,          9.9995F,       99.9995F,  999.9995F,
        999.99994F,    1000.0F,   1234.5675F, 9999.9995F,    10000.0F,      99999.99F, 100000.0F,
        999999.94F,    1e6F,      9999999.0F, 1e7F,          123456789.F,   1e12F,     1e18F,
        9.999999e18F,  1e19F,     FLT_MAX,    FLT_MIN,       FLT_TRUE_MIN,  1.17e-38F, 16777216.0F,
        4294967296.0F, 0.000999F, 2.5e-4F,    1.0000005e-3F, 3.0517578e-05F};
    std::vector<std::uint32_t> values;
    for (const float center : centers) {
        for (const float sign : {1.0F, -1.0F}) {
            const std::uint32_t bits = Bits(sign * center);
            for (std::uint32_t step = 0; step < 3; ++step) {
                values.push_back(bits + step);
                values.push_back(bits - step);
            }
        }
    }
    for (const std::uint32_t special : {0x7F800000U, 0xFF800000U, 0x7FC00000U, 0xFFC00001U,
                                        0x7F800001U, 0x00000001U, 0x80000000U}) {
        values.push_back(special);
    }
    return values;
}

TEST(CompactColumns, EdgeValuesAtEveryPlaceOfAGroupAndAfterIt) {
    const std::vector<std::uint32_t> edges = EdgeValues();
    std::mt19937 random(3);
    for (const char separator : {'\t', ',', ';', ' '}) {
        for (const std::uint32_t edge : edges) {
            // Runs of 1 to 9 values (whole groups of four and the rest after them), the edge value
            // at every place, the others at random over all magnitudes.
            for (std::size_t count = 1; count <= 9; ++count) {
                for (std::size_t at = 0; at < count; ++at) {
                    std::vector<std::uint32_t> run(count);
                    for (auto& bits : run) {
                        bits = static_cast<std::uint32_t>(random());
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

TEST(CompactColumns, EveryFloatAsOneByOne) {
    // TRENDTAB_EVERY_FLOAT=1 in the environment: all 2^32 of them (some minutes).
    const std::uint64_t stride =
        std::getenv("TRENDTAB_EVERY_FLOAT") != nullptr ? 1 : 997 * testsupport::HeavyTestDivisor();
    std::vector<std::uint32_t> run;
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFU; bits += stride) {
        run.push_back(static_cast<std::uint32_t>(bits));
        if (run.size() == 64) {
            ExpectColumns(run, '\t');
            if (HasFatalFailure()) {
                return;
            }
            run.clear();
        }
    }
    ExpectColumns(run, '\t');
}

}  // namespace
}  // namespace trendtab
