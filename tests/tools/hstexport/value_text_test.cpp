// Value text reads back to the very same float or double, for every class of value.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tools/hstexport/value_text.h"

namespace {

using hstexport::ValueText;

template <typename T, typename Bits>
void ExpectRoundTrip(Bits bits, ValueText& text) {
    char out[ValueText::kRoom];
    char* end;
    if constexpr (sizeof(T) == 4) {
        end = text.WriteFloat(bits, out);
    } else {
        end = text.WriteDouble(bits, out);
    }
    const std::string written(out, end);
    const T original = std::bit_cast<T>(bits);
    if (std::isnan(original)) {
        EXPECT_EQ(written, "nan");
        return;
    }
    T back{};
    const auto [next, error] = std::from_chars(out, end, back);
    ASSERT_TRUE(error == std::errc() && next == end) << written;
    EXPECT_EQ(std::bit_cast<Bits>(back), bits) << written;
}

TEST(ValueText, FloatsOfEveryClassReadBackBitExact) {
    ValueText text;
    // A stride through all bit patterns: normals, subnormals, both signs, infinities, NaNs.
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 65'521) {
        ExpectRoundTrip<float>(static_cast<std::uint32_t>(bits), text);
    }
    for (const float special :
         {0.0f, -0.0f, std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(),
          std::numeric_limits<float>::max(), 3.14159274f, 1e-45f}) {
        ExpectRoundTrip<float>(std::bit_cast<std::uint32_t>(special), text);
        ExpectRoundTrip<float>(std::bit_cast<std::uint32_t>(-special), text);
    }
}

TEST(ValueText, DoublesOfEveryClassReadBackBitExact) {
    ValueText text;
    std::mt19937_64 random(15);
    for (int i = 0; i < 200'000; ++i) {
        ExpectRoundTrip<double>(random(), text);
    }
    for (const double special :
         {0.0, std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
          std::numeric_limits<double>::max(), 1e300, 0.1, 12345678.9}) {
        ExpectRoundTrip<double>(std::bit_cast<std::uint64_t>(special), text);
        ExpectRoundTrip<double>(std::bit_cast<std::uint64_t>(-special), text);
    }
}

TEST(ValueText, SpecialValuesAndTheRepeatCache) {
    ValueText text;
    char out[ValueText::kRoom];
    auto write = [&](double value) {
        return std::string(out, text.WriteDouble(std::bit_cast<std::uint64_t>(value), out));
    };
    EXPECT_EQ(write(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(write(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(write(-std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(write(1e300), "1e+300");
    EXPECT_EQ(write(1e300), "1e+300");  // from the cache
    EXPECT_EQ(write(-0.0), "-0");
    EXPECT_EQ(write(0.0), "0");  // same value, other bits: not the cached text
    const std::uint32_t negativeNanFloat = 0xFFC00001u;
    EXPECT_EQ(std::string(out, text.WriteFloat(negativeNanFloat, out)), "nan");
    EXPECT_EQ(std::string(out, text.WriteFloat(std::bit_cast<std::uint32_t>(0.1f), out)), "0.1");
}

// The text is byte for byte what std::to_chars gives (the format the exports have always had),
// over every class the layout distinguishes: fixed or scientific and the ties between them, whole
// numbers up to and beyond 2^64, two- and three-digit exponents, subnormals and the limits.
template <typename T, typename Bits>
void ExpectToCharsText(Bits bits, ValueText& text) {
    const T value = std::bit_cast<T>(bits);
    if (std::isnan(value)) {
        return;
    }
    // Each write into bytes that match no text, so that a byte left unstored shows; the second
    // from the tag's kept text.
    const auto write = [&] {
        char out[ValueText::kRoom];
        std::memset(out, '#', sizeof out);
        return std::string(out, sizeof(T) == 4
                                    ? text.WriteFloat(static_cast<std::uint32_t>(bits), out)
                                    : text.WriteDouble(bits, out));
    };
    char expected[64];
    const std::string wanted(expected,
                             std::to_chars(expected, expected + sizeof expected, value).ptr);
    ASSERT_EQ(write(), wanted) << "bits " << bits;
    ASSERT_EQ(write(), wanted) << "bits " << bits << ", repeated";
}

TEST(ValueText, EveryFloatIsStdToCharsText) {
    ValueText text;
    // TRENDTAB_EVERY_FLOAT=1 in the environment: all 2^32 of them (about ten minutes).
    const std::uint64_t stride =
        std::getenv("TRENDTAB_EVERY_FLOAT") != nullptr ? 1 : 997 * testsupport::HeavyTestDivisor();
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += stride) {
        ExpectToCharsText<float>(static_cast<std::uint32_t>(bits), text);
    }
}

template <typename T, typename Bits>
void ExpectNeighbourhood(T center, ValueText& text) {
    // The value and its neighbours a few units in the last place away on both sides.
    const Bits bits = std::bit_cast<Bits>(center);
    for (Bits step = 0; step < 4; ++step) {
        ExpectToCharsText<T>(static_cast<Bits>(bits + step), text);
        ExpectToCharsText<T>(static_cast<Bits>(bits - step), text);
    }
}

template <typename T, typename Bits>
void ExpectEdgeClasses(std::uint64_t seed) {
    ValueText text;
    std::mt19937_64 random(seed);
    // Powers of ten and their halves, the decimal halfway points between neighbouring short
    // texts (d.5 * 10^k), where the fixed and scientific forms trade places.
    for (int power = std::numeric_limits<T>::min_exponent10 - 8;
         power <= std::numeric_limits<T>::max_exponent10; ++power) {
        for (const double mantissa : {1.0, 1.5, 2.5, 9.5, 9.999999, 1.25, 3.0}) {
            ExpectNeighbourhood<T, Bits>(static_cast<T>(mantissa * std::pow(10.0, power)), text);
        }
    }
    // Whole numbers of every size, to 2^64 and well beyond it.
    for (int bits = 0; bits < 80; ++bits) {
        const double whole = std::ldexp(1.0, bits);
        ExpectNeighbourhood<T, Bits>(static_cast<T>(whole), text);
        ExpectNeighbourhood<T, Bits>(static_cast<T>(whole * 10 / 3), text);
        ExpectToCharsText<T>(std::bit_cast<Bits>(static_cast<T>(random() % (Bits{1} << 20) * 1000)),
                             text);
    }
    for (const T limit :
         {std::numeric_limits<T>::denorm_min(), std::numeric_limits<T>::min(),
          std::numeric_limits<T>::max(), std::numeric_limits<T>::epsilon(), T{0}, T{1}}) {
        ExpectNeighbourhood<T, Bits>(limit, text);
        ExpectNeighbourhood<T, Bits>(-limit, text);
    }
    // Random bit patterns, and random values over a few decades as process data has them.
    const auto count = static_cast<int>(300'000 / testsupport::HeavyTestDivisor());
    for (int i = 0; i < count; ++i) {
        ExpectToCharsText<T>(static_cast<Bits>(random()), text);
        const double decades = std::ldexp(static_cast<double>(random() >> 11), -53) * 12 - 4;
        ExpectToCharsText<T>(std::bit_cast<Bits>(static_cast<T>(std::pow(10.0, decades))), text);
    }
}

// Each digit count at each place of the point: the text is laid out with stores at offsets
// computed from the count and the exponent, so every pair of them is a shape of its own - the
// point after 1 to 16 digits, up to three zeros after "0.", whole numbers, the scientific form
// with one digit and with 17, exponents of two digits and of three, both signs.
template <typename T, typename Bits>
void ExpectEveryShape(int mostDigits, int highestPower) {
    ValueText text;
    std::vector<int> powers;
    for (int power = -30; power <= 30; ++power) {
        powers.push_back(power);
    }
    for (const int power : {-99, -100, -101, 99, 100, 101, highestPower, -highestPower}) {
        powers.push_back(power);
    }
    for (int count = 1; count <= mostDigits; ++count) {
        for (const std::string digits : {"12345678901234567", "98765432109876543"}) {
            const std::string mantissa = digits.substr(0, 1) + "." + digits.substr(1, count - 1);
            for (const int power : powers) {
                if (std::abs(power) > highestPower) {
                    continue;
                }
                const std::string written = mantissa + "e" + std::to_string(power);
                T value{};
                std::from_chars(written.data(), written.data() + written.size(), value);
                ExpectNeighbourhood<T, Bits>(value, text);
                ExpectNeighbourhood<T, Bits>(-value, text);
            }
        }
    }
}

TEST(ValueText, EveryDigitCountAtEveryPlaceOfThePoint) {
    ExpectEveryShape<double, std::uint64_t>(17, 307);
    ExpectEveryShape<float, std::uint32_t>(9, 37);
}

TEST(ValueText, DoublesAreStdToCharsText) {
    ExpectEdgeClasses<double, std::uint64_t>(26);
}

TEST(ValueText, FloatEdgesAreStdToCharsText) {
    ExpectEdgeClasses<float, std::uint32_t>(27);
}

#ifdef HSTEXPORT_SSE2_TEXT
TEST(ValueText, SixteenDigitsAreEightDigitsOfEachValue) {
    namespace text = hstexport::shortest_text;
    // Every value below 10^8 in each half (a twentieth under sanitizers and Wine).
    const auto stride = static_cast<std::uint32_t>(testsupport::HeavyTestDivisor());
    for (std::uint32_t value = 0; value < 100'000'000; value += stride) {
        const std::uint32_t other = 99'999'999 - value;
        const __m128i digits = text::SixteenDigits(value, other);
        ASSERT_EQ(static_cast<std::uint64_t>(_mm_cvtsi128_si64(digits)), text::EightDigits(value))
            << value;
        ASSERT_EQ(static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(digits, digits))),
                  text::EightDigits(other))
            << other;
    }
}
#endif

}  // namespace
