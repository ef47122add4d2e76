// Value text reads back to the very same float or double, for every class of value.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>

#include "tools/hstexport/value_text.h"

namespace {

using hstexport::ValueText;

template <typename T, typename Bits>
void ExpectRoundTrip(Bits bits, ValueText& text) {
    char out[ValueText::kLongest];
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
    char out[ValueText::kLongest];
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

}  // namespace
