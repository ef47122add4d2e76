#include "converter/row_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <type_traits>

#include "tests/support/run_program.h"

namespace trendtab {
namespace {

// Every case runs on both implementations, called by name.
struct Plain {
    static constexpr auto AppendDatePiece = plain::AppendDatePiece;
    static constexpr auto AppendTimePiece = plain::AppendTimePiece;
    static constexpr auto AppendValuePiece = plain::AppendValuePiece;
    static constexpr auto RoundCompactValue = plain::RoundCompactValue;
    static constexpr auto AppendCompactValuePiece = plain::AppendCompactValuePiece;
};
struct Fast {
    static constexpr auto AppendDatePiece = fast::AppendDatePiece;
    static constexpr auto AppendTimePiece = fast::AppendTimePiece;
    static constexpr auto AppendValuePiece = fast::AppendValuePiece;
    static constexpr auto RoundCompactValue = fast::RoundCompactValue;
    static constexpr auto AppendCompactValuePiece = fast::AppendCompactValuePiece;
};
struct FlavorNames {
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, Plain> ? "plain" : "fast";
    }
};
using Flavors = testing::Types<Plain, Fast>;
template <typename Pieces>
class ValuePiece : public testing::Test {};
TYPED_TEST_SUITE(ValuePiece, Flavors, FlavorNames);
template <typename Pieces>
class CompactValue : public testing::Test {};
TYPED_TEST_SUITE(CompactValue, Flavors, FlavorNames);
template <typename Pieces>
class DateAndTimePieces : public testing::Test {};
TYPED_TEST_SUITE(DateAndTimePieces, Flavors, FlavorNames);

template <typename Pieces>
std::string Value(double value, bool isLast, bool extended = false, char separator = '\t') {
    std::string row;
    Pieces::AppendValuePiece(row, value, separator, isLast, extended);
    return row;
}

TYPED_TEST(ValuePiece, TenCharacterColumnsWithSeparatorBetween) {
    EXPECT_EQ(Value<TypeParam>(3.14159, false), "     3.142\t");
    EXPECT_EQ(Value<TypeParam>(3.14159, true), "     3.142");
    EXPECT_EQ(Value<TypeParam>(-12.5, true), "   -12.500");
    EXPECT_EQ(Value<TypeParam>(0.0, false, false, ','), "     0.000,");
    EXPECT_EQ(Value<TypeParam>(-0.0, true), "    -0.000");
    EXPECT_EQ(Value<TypeParam>(1e-10, true), "     0.000");
    EXPECT_EQ(Value<TypeParam>(-1e-10, true), "    -0.000");
}

TYPED_TEST(ValuePiece, WideValuesLoseTheSeparatorThenDigits) {
    // Exactly ten characters: the separator still fits, except after the last value.
    EXPECT_EQ(Value<TypeParam>(123456.789, false), "123456.789\t");
    EXPECT_EQ(Value<TypeParam>(123456.789, true), "123456.789");
    // Eleven characters: cut to 11 (no separator), or to 10 when last.
    EXPECT_EQ(Value<TypeParam>(12345678.9, false), "12345678.90");
    EXPECT_EQ(Value<TypeParam>(12345678.9, true), "12345678.9");
    // Wider still: digits go too.
    EXPECT_EQ(Value<TypeParam>(123456789012.0, false), "12345678901");
    EXPECT_EQ(Value<TypeParam>(-123456789012.0, true), "-123456789");
}

TYPED_TEST(ValuePiece, TiesAtTheThirdDecimalFollowTheBinaryValue) {
    EXPECT_EQ(Value<TypeParam>(0.0625, true), "     0.062");  // exactly halfway: to even
    EXPECT_EQ(Value<TypeParam>(0.1875, true), "     0.188");
    EXPECT_EQ(Value<TypeParam>(1.0005, true), "     1.000");  // the double lies just below the tie
    EXPECT_EQ(Value<TypeParam>(2.0015, true), "     2.002");  // and this one just above
}

TYPED_TEST(ValuePiece, CarriesAndTheEdgesOfTheExactRange) {
    EXPECT_EQ(Value<TypeParam>(9.9995, true), "     9.999");  // just below the tie
    EXPECT_EQ(Value<TypeParam>(99999.9996, false), "100000.000\t");
    EXPECT_EQ(Value<TypeParam>(-999999.9996, false), "-1000000.00");
    EXPECT_EQ(Value<TypeParam>(0.0000005, true, true), "0.000000");  // the double lies below 5e-7
    EXPECT_EQ(Value<TypeParam>(0.0078125, true, true),
              "0.007812");  // 2^-7: exactly halfway, to even
    EXPECT_EQ(Value<TypeParam>(0x1p-1074, true, true), "0.000000");
    EXPECT_EQ(Value<TypeParam>(-0x1p-1074, true), "    -0.000");
    // Around 2^64, where integer parts stop fitting 64 bits.
    EXPECT_EQ(Value<TypeParam>(0x1.fffffffffffffp63, true, true), "18446744073709549568.000000");
    EXPECT_EQ(Value<TypeParam>(0x1p64, true, true), "18446744073709551616.000000");
    EXPECT_EQ(Value<TypeParam>(-0x1p64, false), "-1844674407");
}

TYPED_TEST(ValuePiece, ExtendedIsFullWidthWithoutCut) {
    EXPECT_EQ(Value<TypeParam>(3.14159, false, true, ';'), "3.141590;");
    EXPECT_EQ(Value<TypeParam>(-12.5, true, true, ';'), "-12.500000");
    EXPECT_EQ(Value<TypeParam>(12345678.9, true, true), "12345678.900000");
    EXPECT_EQ(Value<TypeParam>(1e20, true, true), "100000000000000000000.000000");
    EXPECT_EQ(Value<TypeParam>(1e300, true, true).size(), 301u + 7u);
}

TYPED_TEST(ValuePiece, NotANumberAndInfinitiesUseThePlatformText) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Value<TypeParam>(inf, true), "       inf");
    EXPECT_EQ(Value<TypeParam>(-inf, false), "      -inf\t");
    EXPECT_EQ(Value<TypeParam>(inf, true, true), "inf");
    EXPECT_EQ(Value<TypeParam>(std::numeric_limits<double>::quiet_NaN(), true), "       nan");
    const std::string negativeNan = testsupport::NegativeNanText();
    EXPECT_EQ(Value<TypeParam>(-std::numeric_limits<double>::quiet_NaN(), true),
              std::string(10 - negativeNan.size(), ' ') + negativeNan);
}

TYPED_TEST(CompactValue, RoundsToSevenSignificantDigits) {
    EXPECT_EQ(TypeParam::RoundCompactValue(12345678.9f), 12345680.0);
    EXPECT_EQ(TypeParam::RoundCompactValue(3.14159f), 3.14159);
    EXPECT_EQ(TypeParam::RoundCompactValue(0.1f), 0.1);
    EXPECT_EQ(TypeParam::RoundCompactValue(123456789.0f), 123456800.0);
    EXPECT_EQ(TypeParam::RoundCompactValue(1e-40f), 9.999946e-41);  // subnormal float
    EXPECT_TRUE(std::signbit(TypeParam::RoundCompactValue(-0.0f)));
    EXPECT_TRUE(std::isinf(TypeParam::RoundCompactValue(-std::numeric_limits<float>::infinity())));
    EXPECT_TRUE(std::isnan(TypeParam::RoundCompactValue(std::numeric_limits<float>::quiet_NaN())));
    // Exact ties at the seventh digit go to even.
    EXPECT_EQ(TypeParam::RoundCompactValue(12345665.0f), 12345660.0);
    EXPECT_EQ(TypeParam::RoundCompactValue(12345675.0f), 12345680.0);
    EXPECT_EQ(TypeParam::RoundCompactValue(1.2578125f), 1.257812);
    EXPECT_EQ(TypeParam::RoundCompactValue(-1.2578135f), -1.257813);  // not a tie as a float
    // The largest and smallest magnitudes.
    EXPECT_EQ(TypeParam::RoundCompactValue(std::numeric_limits<float>::max()), 3.402823e38);
    EXPECT_EQ(TypeParam::RoundCompactValue(1e-30f), 1e-30);
    EXPECT_EQ(TypeParam::RoundCompactValue(std::numeric_limits<float>::denorm_min()), 1.401298e-45);
    // Through the value piece, as rows show it.
    EXPECT_EQ(Value<TypeParam>(TypeParam::RoundCompactValue(12345678.9f), false), "12345680.00");
    EXPECT_EQ(Value<TypeParam>(TypeParam::RoundCompactValue(12345678.9f), true), "12345680.0");
}

template <typename Pieces>
std::string Compact(float value, bool isLast, bool extended = false) {
    std::string row;
    Pieces::AppendCompactValuePiece(row, value, '\t', isLast, extended);
    return row;
}

TYPED_TEST(CompactValue, PiecesBelowTheShownDecimalsAndWholeValues) {
    // Seven digits below half the last shown decimal show as zero, with the float's sign.
    EXPECT_EQ(Compact<TypeParam>(0.0004999f, true), "     0.000");
    EXPECT_EQ(Compact<TypeParam>(-0.0004999f, true), "    -0.000");
    EXPECT_EQ(Compact<TypeParam>(0.0004999f, true, true), "0.000500");
    EXPECT_EQ(Compact<TypeParam>(4.999e-7f, true, true), "0.000000");
    EXPECT_EQ(Compact<TypeParam>(-0.0f, false, true), "-0.000000\t");
    // 5.000000e-04 reads back as a double just above the tie.
    EXPECT_EQ(Compact<TypeParam>(0.0005f, true), "     0.001");
    EXPECT_EQ(Compact<TypeParam>(-0.0005f, false), "    -0.001\t");
    // Whole values: seven digits and zeros, cut like any column.
    EXPECT_EQ(Compact<TypeParam>(16777216.0f, false), "16777220.00");
    EXPECT_EQ(Compact<TypeParam>(-123456789.0f, true), "-123456800");
    EXPECT_EQ(Compact<TypeParam>(3e18f, true, true), "3000000000000000000.000000");
    EXPECT_EQ(Compact<TypeParam>(1e19f, true, true), "10000000000000000000.000000");
}

// Where a piece gains a digit, where the cut rounding carries into the integer part, exact
// decimal ties (left to the double read back), and the ends of the range made from seven digits.
struct CompactCase {
    float value;
    bool isLast;
    bool extended;
    const char* text;
    bool direct;  // made straight from the float, not through the double
};
constexpr CompactCase kCompactCases[] = {
    {9.9994f, false, false, "     9.999\t", true},
    {9.9996f, true, false, "    10.000", true},
    {99.9996f, false, false, "   100.000\t", true},
    {999.9996f, true, false, "  1000.000", true},
    {9.9999995f, false, false, "    10.000\t", true},
    {0.001f, true, false, "     0.001", true},
    {0.0015f, false, false, "     0.002\t", false},  // 1.500000e-03: the double decides
    {0.0025f, true, false, "     0.003", false},
    {-0.0035f, false, false, "    -0.004\t", false},
    {123.4565f, false, false, "   123.457\t", false},
    {-1.5f, true, false, "    -1.500", true},
    {-99999.99f, true, false, "-99999.990", true},
    {999999.9f, false, false, "999999.900\t", true},
    {1e6f, false, false, "1000000.000", true},
    {1e7f, true, false, "10000000.0", true},
    {1e12f, false, false, "10000000000", true},
    {9.999999e18f, true, false, "9999999000", true},  // 19 digits, the most made directly
    {1e19f, true, false, "1000000000", false},
    {0.5f, true, true, "0.500000", true},
    {1.5e-6f, false, true, "0.000002\t", false},  // a tie at the sixth decimal
    {2.5e-6f, true, true, "0.000003", false},
    {9.9999995e-7f, false, true, "0.000001\t", true},
    {1e-6f, true, true, "0.000001", true},
    {-0.1234567f, false, true, "-0.123457\t", true},
    {999999.94f, true, true, "999999.900000", true},
    {-0.0f, true, false, "    -0.000", true},
};

TYPED_TEST(CompactValue, DigitCountsCarriesTiesAndTheDirectRange) {
    for (const CompactCase& c : kCompactCases) {
        SCOPED_TRACE(testing::Message() << c.value << (c.extended ? " /e" : ""));
        EXPECT_EQ(Compact<TypeParam>(c.value, c.isLast, c.extended), c.text);
        if (std::is_same_v<TypeParam, Fast>) {
            EXPECT_EQ(fast::CoversCompactPiece(c.value, c.extended), c.direct);
        }
    }
}

TYPED_TEST(ValuePiece, AroundTheMagnitudesShownAsZeroAndBinaryTies) {
    const struct {
        double value;
        bool isLast;
        bool extended;
        const char* text;
    } cases[] = {
        {0.0625, true, false, "     0.062"},  // exact ties: to even
        {0.1875, false, false, "     0.188\t"},
        {-0.0001, true, false, "    -0.000"},
        {0.00049999999999, true, false, "     0.000"},
        {0.0005, false, false, "     0.001\t"},
        {0x1p-11, true, false, "     0.000"},
        {-0x1p-11, false, false, "    -0.000\t"},
        {0.9995, true, false, "     1.000"},
        {99.9995, false, false, "    99.999\t"},
        {0x1p-21, true, true, "0.000000"},
        {5e-7, true, true, "0.000000"},
        {-4.9999e-7, false, true, "-0.000000\t"},
        {1.5e-6, true, true, "0.000002"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << (c.extended ? " /e" : ""));
        EXPECT_EQ(Value<TypeParam>(c.value, c.isLast, c.extended), c.text);
    }
}

TYPED_TEST(DateAndTimePieces, FixedWidthFields) {
    RecordTime t{9, 5, 14, 4, 2, 111, 250};
    std::string row;
    TypeParam::AppendDatePiece(row, t, '\t');
    TypeParam::AppendTimePiece(row, t, '\t', false);
    EXPECT_EQ(row, "04/03/2011\t14:05:09\t");
    row.clear();
    TypeParam::AppendTimePiece(row, t, ';', true);
    EXPECT_EQ(row, "14:05:09.250;");
}

TYPED_TEST(DateAndTimePieces, FailureValuesShowAsDesigned) {
    const RecordTime failed{-1, -1, -1, 0, -1, -1900, 0};
    std::string row;
    TypeParam::AppendDatePiece(row, failed, '\t');
    TypeParam::AppendTimePiece(row, failed, '\t', true);
    EXPECT_EQ(row, "00/00/0000\t-1:-1:-1.000\t");
}

}  // namespace
}  // namespace trendtab
