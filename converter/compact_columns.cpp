#include "converter/compact_columns.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "converter/compact_piece.h"
#include "converter/powers_of_ten.h"
#include "converter/seven_digits.h"

#include "converter/vector_columns.h"

namespace trendtab::fast {
namespace {

// The one value at a time way, for what the vectors leave undecided and where there are none.
char* PutColumnsOneByOne(char* out, const unsigned char* values, std::size_t count,
                         char separator) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, values + 4 * i, 4);
        out = PutCompactPiece<false>(out, std::bit_cast<float>(bits), separator, false);
    }
    return out;
}

#if TRENDTAB_VECTOR_COLUMNS

// By a float's biased exponent: e10 = floor(log10(2^(biased - 127))), the power of ten of the
// value or one below it, and the powers of ten that scale it to seven digits (10^(6 - e10), or
// 10^(5 - e10) when it was the one below) and divide those digits down to three decimals
// (10^(3 - e10), 10^(2 - e10)). Correctly rounded doubles, exact where they are whole. Exponents
// of values shown as zero or undecided anyway are clamped into the table of powers.
struct alignas(16) BinadeScales {
    double toSeven;
    double toSevenFromAbove;
    double toDecimals;
    double toDecimalsFromAbove;
    double power10;
};
constexpr auto kBinadeScales = [] {
    std::array<BinadeScales, 256> scales{};
    for (int biased = 0; biased < 256; ++biased) {
        const int e10 = FloorLog10Pow2(biased - 127);
        scales[static_cast<std::size_t>(biased)] = {
            ClampedPow10Double(6 - e10), ClampedPow10Double(5 - e10), ClampedPow10Double(3 - e10),
            ClampedPow10Double(2 - e10), static_cast<double>(e10)};
    }
    return scales;
}();

// Where a column's bytes come from, by sign and number of integer digits (1 to 19): the value's
// eight digits (0 to 7; for more than four integer digits the seven digits of a whole value after
// a leading '0', which '0's continue), then '0', '.', ' ', '-' and the separator.
enum Source : std::uint8_t { kZero = 8, kPoint = 9, kBlank = 10, kMinus = 11, kSeparator = 12 };
constexpr int kMaxIntegerDigits = 19;
constexpr int kShapes = kMaxIntegerDigits + 1;
constexpr auto kColumnShapes = [] {
    std::array<std::array<std::uint8_t, 16>, 2 * kShapes> shapes{};
    for (int sign = 0; sign < 2; ++sign) {
        for (int integers = 1; integers <= kMaxIntegerDigits; ++integers) {
            // Right-aligned in 10 while sign, digits, point and decimals fit; else cut to 11.
            const int first = 6 - integers > sign ? 6 - integers : sign;
            const int from = integers <= 4 ? 5 - integers : 1;
            auto digit = [&](int i) {
                return static_cast<std::uint8_t>(from + i < kZero ? from + i : kZero);
            };
            auto& shape = shapes[static_cast<std::size_t>(sign * kShapes + integers)];
            for (int at = 0; at < 16; ++at) {
                const int i = at - first;
                std::uint8_t source = kBlank;
                if (i == -1 && sign == 1) {
                    source = kMinus;
                } else if (i >= 0 && i < integers) {
                    source = digit(i);
                } else if (i == integers) {
                    source = kPoint;
                } else if (i > integers && i <= integers + 3) {
                    source = digit(i - 1);
                } else if (i == integers + 4) {
                    source = kSeparator;
                }
                shape[static_cast<std::size_t>(at)] = source;
            }
        }
    }
    return shapes;
}();

TRENDTAB_AVX2 inline __m128i ShapeOf(__m128i shapes, int lane) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kColumnShapes[LaneOf(shapes, lane)]));
}

// Four values' columns at `out`, 11 bytes apart. Returns the lanes the vector arithmetic leaves
// undecided (a bit each: the seven digits near a half, a tie at the third decimal, NaN, the
// infinities, magnitudes from 10^19 on), whose columns hold something else.
TRENDTAB_AVX2 inline int PutFourColumns(char* out, const unsigned char* values, __m256i sources) {
    const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values));
    std::uint64_t bits[2];
    std::memcpy(bits, values, 16);
    const BinadeScales* scales[4] = {
        &kBinadeScales[(bits[0] >> 23) & 0xFF], &kBinadeScales[(bits[0] >> 55) & 0xFF],
        &kBinadeScales[(bits[1] >> 23) & 0xFF], &kBinadeScales[(bits[1] >> 55) & 0xFF]};
    const LanePairs sevens = LoadLanePairs(scales, &BinadeScales::toSeven);
    const LanePairs divisors = LoadLanePairs(scales, &BinadeScales::toDecimals);
    const __m256d toSeven = sevens.first;
    const __m256d toSevenFromAbove = sevens.second;
    const __m256d toDecimals = divisors.first;
    const __m256d toDecimalsFromAbove = divisors.second;
    const __m256d power10 = _mm256_setr_pd(scales[0]->power10, scales[1]->power10,
                                           scales[2]->power10, scales[3]->power10);

    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d magnitude =
        _mm256_cvtps_pd(_mm_castsi128_ps(_mm_and_si128(raw, _mm_set1_epi32(0x7FFFFFFF))));
    const __m256d zero =
        _mm256_cmp_pd(magnitude, _mm256_set1_pd(static_cast<double>(kShownAsZero[0])), _CMP_LT_OQ);

    // Seven digits, as ToSevenDigits finds them: one multiplication, rounded once, whose whole
    // part is decided unless its fraction lies within 2^-28 of a half.
    const __m256d scaledBelow = _mm256_mul_pd(magnitude, toSeven);
    const __m256d above = _mm256_cmp_pd(scaledBelow, _mm256_set1_pd(1e7), _CMP_GE_OQ);
    const __m256d scaled =
        _mm256_blendv_pd(scaledBelow, _mm256_mul_pd(magnitude, toSevenFromAbove), above);
    const __m256d whole = _mm256_round_pd(scaled, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d rest = _mm256_sub_pd(scaled, whole);
    const __m256d half = _mm256_set1_pd(0.5);
    const __m256d digits = _mm256_add_pd(whole, Ones(_mm256_cmp_pd(rest, half, _CMP_GT_OQ)));
    const __m256d nearHalf =
        _mm256_cmp_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), _mm256_sub_pd(rest, half)),
                      _mm256_set1_pd(0x1p-28), _CMP_LE_OQ);
    // Unordered (NaN) and out of range alike.
    const __m256d outOfRange =
        _mm256_or_pd(_mm256_cmp_pd(scaled, _mm256_set1_pd(1e6), _CMP_NGE_UQ),
                     _mm256_cmp_pd(scaled, _mm256_set1_pd(1e7), _CMP_NLT_UQ));
    const __m256d power = _mm256_add_pd(power10, Ones(above));  // digits * 10^(power - 6)

    // Below 10^3 the digits are cut to three decimals and rounded, ties left undecided. 10^7
    // digits (rounded up) need no care there: divided, they give the same power of ten.
    const __m256d cut = _mm256_cmp_pd(power, _mm256_set1_pd(2.5), _CMP_LT_OQ);
    const __m256d divisor = _mm256_blendv_pd(toDecimals, toDecimalsFromAbove, above);
    const __m256d quotient =
        _mm256_round_pd(_mm256_div_pd(digits, divisor), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d restCut = _mm256_sub_pd(digits, _mm256_mul_pd(quotient, divisor));  // exact
    const __m256d twiceRest = _mm256_add_pd(restCut, restCut);
    const __m256d tie = _mm256_cmp_pd(twiceRest, divisor, _CMP_EQ_OQ);
    const __m256d shownCut =
        _mm256_add_pd(quotient, Ones(_mm256_cmp_pd(twiceRest, divisor, _CMP_GT_OQ)));
    // From 10^3 on the seven digits are shown whole, then '0's; 10^7 is 10^6 one place up.
    const __m256d carried = _mm256_cmp_pd(digits, _mm256_set1_pd(1e7), _CMP_EQ_OQ);
    const __m256d digitsWhole = _mm256_blendv_pd(digits, _mm256_set1_pd(1e6), carried);
    const __m256d powerWhole = _mm256_add_pd(power, Ones(carried));
    const __m256d tooLarge = _mm256_cmp_pd(powerWhole, _mm256_set1_pd(18.5), _CMP_GT_OQ);

    const __m256d undecided = _mm256_andnot_pd(
        zero,
        _mm256_or_pd(_mm256_or_pd(outOfRange, nearHalf), _mm256_blendv_pd(tooLarge, tie, cut)));
    // Undecided lanes are shown as zero, for shapes within the table.
    const __m256d shownAsZero = _mm256_or_pd(zero, undecided);
    const __m256d cutOrZero = _mm256_or_pd(cut, shownAsZero);
    const __m256d shown =
        _mm256_andnot_pd(shownAsZero, _mm256_blendv_pd(digitsWhole, shownCut, cutOrZero));
    // Integer digits: of the cut ones from their count (at least 1), of whole ones power + 1.
    const __m256d integersCut = _mm256_add_pd(
        _mm256_add_pd(one, Ones(_mm256_cmp_pd(shown, _mm256_set1_pd(1e4), _CMP_GE_OQ))),
        _mm256_add_pd(Ones(_mm256_cmp_pd(shown, _mm256_set1_pd(1e5), _CMP_GE_OQ)),
                      Ones(_mm256_cmp_pd(shown, _mm256_set1_pd(1e6), _CMP_GE_OQ))));
    const __m128i integers = _mm256_cvttpd_epi32(
        _mm256_blendv_pd(_mm256_add_pd(powerWhole, one), integersCut, cutOrZero));
    const __m128i shapes =
        _mm_add_epi32(integers, _mm_and_si128(_mm_srai_epi32(raw, 31), _mm_set1_epi32(kShapes)));

    const __m256i text = EightDigitTexts(_mm256_cvtepu32_epi64(_mm256_cvttpd_epi32(shown)));

    // Lanes 0 and 2 with their shapes in one register, 1 and 3 in the other.
    StoreFourColumns(out,
                     _mm256_shuffle_epi8(_mm256_unpacklo_epi64(text, sources),
                                         _mm256_set_m128i(ShapeOf(shapes, 2), ShapeOf(shapes, 0))),
                     _mm256_shuffle_epi8(_mm256_unpackhi_epi64(text, sources),
                                         _mm256_set_m128i(ShapeOf(shapes, 3), ShapeOf(shapes, 1))));
    return _mm256_movemask_pd(undecided);
}

struct FourCompactColumns {
    __m256i sources;
    TRENDTAB_AVX2 int operator()(char* out, const unsigned char* values) const {
        return PutFourColumns(out, values, sources);
    }
};

TRENDTAB_AVX2 char* PutColumnsFourAtATime(char* out, const unsigned char* values, std::size_t count,
                                          char separator) {
    // The bytes after the digits: '0', '.', ' ', '-' and the separator.
    const FourCompactColumns four{_mm256_set1_epi64x(
        static_cast<long long>(0x2020200000000000ULL | 0x2D202E30ULL |
                               std::uint64_t{static_cast<unsigned char>(separator)} << 32))};
    return PutColumnsInFours<sizeof(float)>(
        out, values, count, four,
        [&](char* at, const unsigned char* value) { PutColumnsOneByOne(at, value, 1, separator); });
}

#endif

}  // namespace

bool HasCompactColumns() {
    return HasVectorColumns();
}

char* PutCompactColumns(char* out, const unsigned char* values, std::size_t count, char separator) {
#if TRENDTAB_VECTOR_COLUMNS
    if (HasCompactColumns()) {
        return PutColumnsFourAtATime(out, values, count, separator);
    }
#endif
    return PutColumnsOneByOne(out, values, count, separator);
}

}  // namespace trendtab::fast
