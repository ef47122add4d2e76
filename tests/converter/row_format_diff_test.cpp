// The fast row pieces against the plain ones (snprintf, strtod) over seeded values from every class
// where decimal conversion goes wrong: exact ties, near ties, carries into a new digit, the edges
// of the fast ranges, subnormals and random bit patterns. Heavy: counts scale down by
// HeavyTestDivisor().
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "converter/row_format.h"
#include "converter/seven_digits.h"
#include "tests/converter/piece_diff.h"
#include "tests/support/test_support.h"

namespace trendtab {
namespace {

std::uint64_t Scaled(std::uint64_t count) {
    return std::max<std::uint64_t>(count / testsupport::HeavyTestDivisor(), 1);
}

// Seeded values from the raw 64-bit stream only: the standard distributions differ between
// library implementations, and these runs must be the same everywhere.
class Values {
  public:
    explicit Values(std::uint64_t seed) : engine_(seed) {}

    std::uint64_t Bits() { return engine_(); }
    // Uniform in [0, bound).
    std::uint64_t Below(std::uint64_t bound) { return engine_() % bound; }
    bool Coin() { return (engine_() & 1) != 0; }
    double Signed(double value) { return Coin() ? -value : value; }
    // One of the few doubles around `value`: up to `steps` representable neighbours either way.
    double Around(double value, int steps) {
        const int offset =
            static_cast<int>(Below(2 * static_cast<std::uint64_t>(steps) + 1)) - steps;
        for (int i = 0; i < std::abs(offset); ++i) {
            value = std::nextafter(value, offset < 0 ? -INFINITY : INFINITY);
        }
        return value;
    }

  private:
    std::mt19937_64 engine_;
};

// A double whose mantissa is random and whose binary exponent is `exponent`.
double WithExponent(Values& values, int exponent) {
    const double mantissa = static_cast<double>((values.Bits() >> 11) | (std::uint64_t{1} << 52));
    return std::ldexp(mantissa, exponent - 52);
}

class ValueDiffTest : public ::testing::Test {
  protected:
    void TearDown() override {
        EXPECT_EQ(diff_.mismatches(), 0u) << diff_.report();
        ASSERT_GT(diff_.checks(), 0u);
    }
    PieceDiff diff_;
};

TEST_F(ValueDiffTest, ExactTiesAtTheThirdAndSixthDecimal) {
    // Odd multiples of 1/16 lie halfway between two thousandths, odd multiples of 1/128 halfway
    // between two millionths; their neighbours lie just off the tie.
    Values values(1);
    for (std::uint64_t i = 0, n = Scaled(2'000'000); i < n; ++i) {
        const std::uint64_t odd = 2 * values.Below(std::uint64_t{1} << (4 + i % 40)) + 1;
        const double tie = static_cast<double>(odd) / (i % 2 == 0 ? 16 : 128);
        diff_.CheckValue(values.Signed(values.Around(tie, 1)));
    }
}

TEST_F(ValueDiffTest, DecimalsThatAreNotQuiteTies) {
    // n.xxx5 written in decimal is no exact double: the nearest one lies above or below the tie,
    // by less than an ulp, and only exact arithmetic tells which.
    Values values(2);
    for (std::uint64_t i = 0, n = Scaled(3'000'000); i < n; ++i) {
        const std::uint64_t digits = values.Below(std::uint64_t{1} << (1 + i % 50));
        const double scale = i % 2 == 0 ? 1e3 : 1e6;
        diff_.CheckValue(values.Signed((static_cast<double>(digits) + 0.5) / scale));
    }
}

TEST_F(ValueDiffTest, AroundPowersOfTenAndCarriesIntoANewDigit) {
    // 9.9995 becomes 10.000: one more digit, so one column wider. And the powers themselves.
    Values values(3);
    for (std::uint64_t i = 0, n = Scaled(2'000'000); i < n; ++i) {
        const int power = static_cast<int>(values.Below(45)) - 22;  // 1e-22 .. 1e22
        const double ten = std::pow(10.0, power);
        double value = ten;
        switch (i % 4) {
            case 1:
                value = ten - 0.0005;
                break;
            case 2:
                value = ten - 0.0000005;
                break;
            case 3:
                value = ten * (1 - 1e-7 * static_cast<double>(values.Below(100)));
                break;
        }
        diff_.CheckValue(values.Signed(values.Around(value, 3)));
    }
}

TEST_F(ValueDiffTest, ColumnsNineToTwelveCharactersWide) {
    // Where the separator survives the cut, where it is cut off, and where digits go too.
    Values values(4);
    for (std::uint64_t i = 0, n = Scaled(3'000'000); i < n; ++i) {
        const bool negative = values.Coin();
        const int width = 9 + static_cast<int>(i % 4);
        const int integerDigits = width - 4 - (negative ? 1 : 0);  // "." and three decimals
        const auto low = static_cast<std::uint64_t>(std::pow(10.0, integerDigits - 1));
        const double integer = static_cast<double>(low + values.Below(9 * low));
        const double fraction = static_cast<double>(values.Below(1'000'000)) / 1e6;
        const double value = integer + fraction;
        diff_.CheckValue(negative ? -value : value, i % 3 == 0 ? ';' : '\t');
    }
}

TEST_F(ValueDiffTest, AroundTheMagnitudesShownAsZero) {
    // Below a bound a little under half the last shown decimal, a value shows as zero without
    // its digits being worked out: either side of that bound and of the half itself.
    Values values(8);
    const double bounds[] = {4.999e-4F, 5e-4, 4.999e-7F, 5e-7};
    for (std::uint64_t i = 0, n = Scaled(400'000); i < n; ++i) {
        diff_.CheckValue(values.Signed(values.Around(bounds[i % 4], 64)));
    }
}

TEST_F(ValueDiffTest, TinyValuesSubnormalsAndZeros) {
    Values values(5);
    diff_.CheckValue(0.0);
    diff_.CheckValue(-0.0);
    diff_.CheckValue(std::numeric_limits<double>::denorm_min());
    diff_.CheckValue(-std::numeric_limits<double>::min());
    for (std::uint64_t i = 0, n = Scaled(2'000'000); i < n; ++i) {
        double value = 0;
        if (i % 4 == 0) {
            // Subnormal: any fraction, exponent field zero.
            value = std::bit_cast<double>(values.Bits() & ((std::uint64_t{1} << 52) - 1));
        } else if (i % 4 == 1) {
            value = WithExponent(values, -1022 + static_cast<int>(values.Below(1012)));
        } else {
            // Around half a thousandth and half a millionth: 0.000 or 0.001, -0.000 or -0.001.
            value = values.Around(i % 2 == 0 ? 0.0005 : 0.0000005, 50);
            value *= 1 + static_cast<double>(values.Below(3)) * 1e-6;
        }
        diff_.CheckValue(values.Signed(value));
    }
}

TEST_F(ValueDiffTest, HugeValuesAcrossTheEndOfTheFastRange) {
    // The fast path stops at 2^64; far beyond it only printf's own digits count.
    Values values(6);
    const double twoTo64 = std::ldexp(1.0, 64);
    for (std::uint64_t i = 0, n = Scaled(400'000); i < n; ++i) {
        double value = 0;
        switch (i % 4) {
            case 0:
                value = values.Around(twoTo64, 20);
                break;
            case 1:
                value = WithExponent(values, 40 + static_cast<int>(values.Below(30)));
                break;
            case 2:
                value = values.Around(1e19 * static_cast<double>(1 + values.Below(18)), 5);
                break;
            default:
                value = WithExponent(values, 70 + static_cast<int>(values.Below(954)));
                break;
        }
        diff_.CheckValue(values.Signed(value));
    }
    diff_.CheckValue(std::numeric_limits<double>::max());
    diff_.CheckValue(-std::numeric_limits<double>::max());
}

TEST_F(ValueDiffTest, IntegersAndRandomBitPatterns) {
    Values values(7);
    for (std::uint64_t i = 0, n = Scaled(2'500'000); i < n; ++i) {
        double value = 0;
        switch (i % 4) {
            case 0:
                value = static_cast<double>(static_cast<std::int64_t>(values.Bits()) >>
                                            values.Below(64));
                break;
            case 1:
                value = static_cast<double>(values.Below(100'000)) - 50'000;
                break;
            case 2:
                // Any pattern, NaNs and infinities included.
                value = std::bit_cast<double>(values.Bits());
                break;
            default:
                // Any pattern with a magnitude a value column can show.
                value = std::bit_cast<double>((values.Bits() & ~(std::uint64_t{0x7FF} << 52)) |
                                              ((1023 - 40 + values.Below(100)) << 52));
                break;
        }
        diff_.CheckValue(value, i % 5 == 0 ? ',' : '\t');
    }
    const double inf = std::numeric_limits<double>::infinity();
    for (const double special : {inf, -inf, std::numeric_limits<double>::quiet_NaN(),
                                 -std::numeric_limits<double>::quiet_NaN()}) {
        diff_.CheckValue(special);
    }
}

// ---- Compact values: RoundCompactValue, then the pieces of what it gives ----

float FloatFrom(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

// True when "%e" of the float is an exact tie: the digits after the seventh are 5 then zeros.
bool IsSevenDigitTie(float value) {
    char text[80];
    std::snprintf(text, sizeof text, "%.40e", static_cast<double>(value));
    const std::string digits =
        std::string(1, text[value < 0 ? 1 : 0]) + std::string(text + (value < 0 ? 3 : 2), 40);
    return digits[7] == '5' && digits.find_first_not_of('0', 8) == std::string::npos;
}

TEST_F(ValueDiffTest, SampleOfEveryFloatBitPattern) {
    // A stride through all 2^32 patterns, from a seeded start; float_sweep covers them all.
    const std::uint64_t count = Scaled(std::uint64_t{1} << 24);
    const std::uint64_t stride = (std::uint64_t{1} << 32) / count;
    Values values(8);
    const std::uint64_t start = values.Below(stride);
    for (std::uint64_t i = 0; i < count; ++i) {
        diff_.CheckCompact(FloatFrom(static_cast<std::uint32_t>(start + i * stride)));
    }
}

TEST_F(ValueDiffTest, FloatsThatTieAtTheSeventhDigit) {
    // Integers from 10^7 to 2^24 that end in 5, and floats with short mantissas, whose exact
    // decimals are short: the generator must actually meet ties.
    std::uint64_t ties = 0;
    for (std::uint32_t n = 10'000'005; n < (1u << 24);
         n += 10 * static_cast<std::uint32_t>(testsupport::HeavyTestDivisor())) {
        diff_.CheckCompact(static_cast<float>(n));
        diff_.CheckCompact(-static_cast<float>(n));
    }
    Values values(9);
    for (std::uint64_t i = 0, n = Scaled(400'000); i < n; ++i) {
        const auto mantissa = static_cast<float>(values.Below(1 << 12) + 1);
        const float value = std::ldexp(mantissa, static_cast<int>(values.Below(60)) - 40);
        ties += IsSevenDigitTie(value) ? 1 : 0;
        diff_.CheckCompact(values.Coin() ? -value : value);
    }
    EXPECT_GT(ties, 0u);
}

TEST_F(ValueDiffTest, FloatsAroundPowersOfTenAndSubnormals) {
    Values values(10);
    for (int power = -45; power <= 38; ++power) {
        float value = std::nextafter(static_cast<float>(std::pow(10.0, power)), 0.0f);
        for (int step = 0; step < 8; ++step) {
            diff_.CheckCompact(value);
            diff_.CheckCompact(-value);
            value = std::nextafter(value, INFINITY);
        }
    }
    for (std::uint64_t i = 0, n = Scaled(1'000'000); i < n; ++i) {
        const auto subnormal = static_cast<std::uint32_t>(values.Below(1u << 23));
        diff_.CheckCompact(FloatFrom(subnormal | (values.Coin() ? 0x80000000u : 0)));
    }
    for (std::uint64_t i = 0, n = Scaled(3'000'000); i < n; ++i) {
        diff_.CheckCompact(FloatFrom(static_cast<std::uint32_t>(values.Bits())));
    }
}

TEST_F(ValueDiffTest, FloatsScaledByTheInexactPowersOfTenFrom10To7On) {
    // From 10^7 on the seven digits come from a product with a rounded 10^-power: floats next to
    // the decimals halfway between two seven-digit values, and floats at random, up to past 10^29
    // where that path ends.
    Values values(11);
    for (std::uint64_t i = 0, n = Scaled(200'000); i < n; ++i) {
        const double halfway = (static_cast<double>(values.Below(9'000'000) + 1'000'000) + 0.5) *
                               std::pow(10.0, static_cast<double>(values.Below(24)));
        float value = std::nextafter(static_cast<float>(halfway), 0.0f);
        for (int step = 0; step < 3; ++step) {
            diff_.CheckCompact(values.Signed(1.0) < 0 ? -value : value);
            value = std::nextafter(value, INFINITY);
        }
    }
    const auto first = std::bit_cast<std::uint32_t>(1e7F);
    const auto last = std::bit_cast<std::uint32_t>(1e30F);
    for (std::uint64_t i = 0, n = Scaled(1'000'000); i < n; ++i) {
        diff_.CheckCompact(
            FloatFrom(first + static_cast<std::uint32_t>(values.Below(last - first))));
    }
}

TEST(ReciprocalDivisionTest, EverySevenDigitValueByEveryPowerItIsCutBy) {
    // Every value the seven digits can take (with the rest of 24 bits), so the table of
    // reciprocals is proven, not sampled.
    for (int power = 1; power <= 7; ++power) {
        const std::uint64_t divisor = fast::Pow10U64(power);
        std::uint64_t wrong = 0;
        for (std::uint64_t x = 0; x < (std::uint64_t{1} << 24); ++x) {
            wrong += fast::DivideBelow2To24(x, power) != x / divisor ? 1 : 0;
        }
        EXPECT_EQ(wrong, 0u) << "power " << power;
    }
}

TEST(DateAndTimeDiffTest, EveryFieldInAndAroundItsRange) {
    // Valid calendar times, the failure values (-1, year 0, month 0) and fields printf widens.
    PieceDiff diff;
    Values values(11);
    const std::int32_t odd[] = {-2147483647, -1000, -100, -10, -1, 0, 1, 99, 100, 999, 1000, 12345};
    for (std::uint64_t i = 0, n = Scaled(400'000); i < n; ++i) {
        RecordTime time;
        auto pick = [&values, &odd](std::int32_t low, std::int32_t high) {
            if (values.Below(8) == 0) {
                return odd[values.Below(std::size(odd))];
            }
            return low + static_cast<std::int32_t>(
                             values.Below(static_cast<std::uint64_t>(high - low + 1)));
        };
        time.second = pick(0, 59);
        time.minute = pick(0, 59);
        time.hour = pick(0, 23);
        time.day = pick(1, 31);
        time.month0 = pick(-1, 11);
        time.year1900 = pick(-1900, 8200);
        time.milliseconds = pick(0, 999);
        diff.CheckDateAndTime(time, i % 2 == 0 ? '\t' : ';');
    }
    EXPECT_EQ(diff.mismatches(), 0u) << diff.report();
}

}  // namespace
}  // namespace trendtab
