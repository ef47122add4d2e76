#include "converter/wide_columns.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "converter/compact_piece.h"
#include "converter/powers_of_ten.h"
#include "converter/seven_digits.h"
#include "converter/vector_columns.h"
#include "converter/wide_piece.h"

namespace trendtab::fast {
namespace {

char* PutColumnsOneByOne(char* out, const unsigned char* values, std::size_t count,
                         char separator) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t bits;
        std::memcpy(&bits, values + 8 * i, 8);
        out = PutWidePiece<false>(out, std::bit_cast<double>(bits), separator, false);
    }
    return out;
}

#if TRENDTAB_VECTOR_COLUMNS

// Where a column's bytes come from, by sign and number of integer digits (1 to 10, and 11 for
// every longer integer part, of which the column shows the first digits only): the digits of
// the value in thousandths, zero-padded to 16, and a few bytes more. A column is the two
// shuffles of the digits and of those bytes put together (a source byte of 0x80 gives 0).
enum Extra : std::uint8_t { kBlank, kMinus, kPoint, kSeparator };
constexpr std::uint8_t kNone = 0x80;
constexpr int kMaxShapeDigits = 11;
constexpr int kShapes = kMaxShapeDigits + 1;
struct ColumnShape {
    std::array<std::uint8_t, 16> digits;
    std::array<std::uint8_t, 16> extras;
};
constexpr auto kColumnShapes = [] {
    std::array<ColumnShape, 2 * kShapes> shapes{};
    for (int sign = 0; sign < 2; ++sign) {
        for (int integers = 1; integers <= kMaxShapeDigits; ++integers) {
            // Right-aligned in 10 while sign, digits, point and decimals fit; else cut to 11.
            const int first = 6 - integers > sign ? 6 - integers : sign;
            const int from = 16 - (integers + 3);  // the first of the text's digits
            auto& shape = shapes[static_cast<std::size_t>(sign * kShapes + integers)];
            for (int at = 0; at < 16; ++at) {
                const int i = at - first;
                std::uint8_t digit = kNone;
                std::uint8_t extra = kNone;
                if (i == -1 && sign == 1) {
                    extra = kMinus;
                } else if (i >= 0 && i < integers) {
                    digit = static_cast<std::uint8_t>(from + i);
                } else if (i == integers) {
                    extra = kPoint;
                } else if (i > integers && i <= integers + 3) {
                    digit = static_cast<std::uint8_t>(from + i - 1);
                } else if (i == integers + 4) {
                    extra = kSeparator;
                } else {
                    extra = kBlank;
                }
                shape.digits[static_cast<std::size_t>(at)] = digit;
                shape.extras[static_cast<std::size_t>(at)] = extra;
            }
        }
    }
    return shapes;
}();

TRENDTAB_AVX2 inline const ColumnShape& ShapeOf(__m128i shapes, int lane) {
    return kColumnShapes[LaneOf(shapes, lane)];
}

TRENDTAB_AVX2 inline __m128i LoadBytes(const std::array<std::uint8_t, 16>& bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data()));
}

// The columns of lanes `a` (low half) and `b` (high half) from their digit texts.
TRENDTAB_AVX2 inline __m256i Columns(__m256i texts, __m256i extras, const ColumnShape& a,
                                     const ColumnShape& b) {
    return _mm256_or_si256(
        _mm256_shuffle_epi8(texts, _mm256_set_m128i(LoadBytes(b.digits), LoadBytes(a.digits))),
        _mm256_shuffle_epi8(extras, _mm256_set_m128i(LoadBytes(b.extras), LoadBytes(a.extras))));
}

// The whole quotient value / divisor and the remainder, for a whole divisor and a quotient below
// 2^52: the product by the correctly rounded reciprocal is one off at most, either way, and the
// fused multiply-add gives the exact remainder that tells.
struct QuotientAndRemainder {
    __m256d quotient;
    __m256d remainder;
};
TRENDTAB_AVX2 inline QuotientAndRemainder DivideWhole(__m256d value, __m256d divisor,
                                                      __m256d reciprocal) {
    const __m256d estimate =
        _mm256_round_pd(_mm256_mul_pd(value, reciprocal), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d rest = _mm256_fnmadd_pd(estimate, divisor, value);
    const __m256d below = _mm256_cmp_pd(rest, _mm256_setzero_pd(), _CMP_LT_OQ);
    const __m256d over = _mm256_cmp_pd(rest, divisor, _CMP_GE_OQ);
    return {_mm256_add_pd(_mm256_sub_pd(estimate, Ones(below)), Ones(over)),
            _mm256_sub_pd(_mm256_add_pd(rest, _mm256_and_pd(below, divisor)),
                          _mm256_and_pd(over, divisor))};
}

// By a double's biased exponent (from 2^-12, below which every value shows as zero, to 2^64, from
// where on none is decided here; the others take the ends): e10 = floor(log10(2^(biased - 1023))),
// the power of ten of the value or one below it, and the powers of ten that value needs, for e10
// and for e10 + 1: 10^(e10 + 1) to tell the two apart, then the divisor 10^(power - 10) that leaves
// a long integer part's first 11 digits and its correctly rounded reciprocal. Loaded by lane, a
// pair at a time: gathers wait longer.
constexpr int kFirstBinade = 1023 - 12;
constexpr int kLastBinade = 1023 + 64;
struct alignas(16) BinadePowers {
    double next;
    double power10;
    double divisor;
    double divisorFromAbove;
    double reciprocal;
    double reciprocalFromAbove;
};
constexpr auto kBinadePowers = [] {
    std::array<BinadePowers, kLastBinade - kFirstBinade + 1> powers{};
    for (int biased = kFirstBinade; biased <= kLastBinade; ++biased) {
        const int e10 = FloorLog10Pow2(biased - 1023);
        powers[static_cast<std::size_t>(biased - kFirstBinade)] = {
            ClampedPow10Double(e10 + 1), static_cast<double>(e10),     ClampedPow10Double(e10 - 10),
            ClampedPow10Double(e10 - 9), ClampedPow10Double(10 - e10), ClampedPow10Double(9 - e10)};
    }
    return powers;
}();
static_assert(FloorLog10Pow2(-12) == -4 && FloorLog10Pow2(64) == 19);

const BinadePowers& PowersOf(std::uint64_t bits) {
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    const int clamped =
        biased < kFirstBinade ? kFirstBinade : (biased > kLastBinade ? kLastBinade : biased);
    return kBinadePowers[static_cast<std::size_t>(clamped - kFirstBinade)];
}

// Four values' columns at `out`, 11 bytes apart. Returns the lanes the vector arithmetic leaves
// undecided (a bit each: the thousandths near a half, a rounding that may carry into the digits
// shown, NaN, the infinities, magnitudes from 10^19 on), whose columns hold something else.
TRENDTAB_AVX2 inline int PutFourColumns(char* out, const unsigned char* values, __m256i extras) {
    const __m256i bits = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values));
    const __m256i magnitudeBits = _mm256_and_si256(bits, _mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m256d magnitude = _mm256_castsi256_pd(magnitudeBits);
    const __m256d zero =
        _mm256_cmp_pd(magnitude, _mm256_set1_pd(static_cast<double>(kShownAsZero[0])), _CMP_LT_OQ);

    // The power of ten: the binade's, or one up where the value reaches the next power.
    std::uint64_t laneBits[4];
    std::memcpy(laneBits, values, sizeof laneBits);
    const BinadePowers* const lanes[4] = {&PowersOf(laneBits[0]), &PowersOf(laneBits[1]),
                                          &PowersOf(laneBits[2]), &PowersOf(laneBits[3])};
    const LanePairs nextAndPower = LoadLanePairs(lanes, &BinadePowers::next);
    const LanePairs divisors = LoadLanePairs(lanes, &BinadePowers::divisor);
    const LanePairs reciprocals = LoadLanePairs(lanes, &BinadePowers::reciprocal);
    const __m256d next = nextAndPower.first;
    const __m256d reaches = _mm256_cmp_pd(magnitude, next, _CMP_GE_OQ);
    const __m256d power10 = _mm256_add_pd(nextAndPower.second, Ones(reaches));  // <= |value|
    const __m256d nextPower = _mm256_blendv_pd(next, _mm256_mul_pd(next, _mm256_set1_pd(10)),
                                               reaches);  // 10^(power10 + 1), exact from 1

    // Below 10^10: the thousandths, rounded, decided unless within 2^-8 of a half (the product
    // is within 2^-10 of the exact one below 2^43).
    const __m256d small = _mm256_cmp_pd(magnitude, _mm256_set1_pd(1e10), _CMP_LT_OQ);
    const __m256d thousandths = _mm256_mul_pd(magnitude, _mm256_set1_pd(1000));
    const __m256d whole = _mm256_round_pd(thousandths, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d rest = _mm256_sub_pd(thousandths, whole);
    const __m256d half = _mm256_set1_pd(0.5);
    const __m256d nearHalf =
        _mm256_cmp_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), _mm256_sub_pd(rest, half)),
                      _mm256_set1_pd(0x1p-8), _CMP_LE_OQ);
    const __m256d shownSmall = _mm256_add_pd(whole, Ones(_mm256_cmp_pd(rest, half, _CMP_GT_OQ)));
    // Integer digits power10 + 1 (one more where the rounding carried), at least one.
    const __m256d carried =
        _mm256_cmp_pd(shownSmall, _mm256_mul_pd(nextPower, _mm256_set1_pd(1000)), _CMP_GE_OQ);
    const __m256d integersSmall = _mm256_max_pd(
        _mm256_add_pd(_mm256_add_pd(power10, _mm256_set1_pd(1)), Ones(carried)), _mm256_set1_pd(1));

    // From 10^10 on the column shows the first 11 digits of the integer part, or the sign and
    // the first 10: the quotient by 10^(power10 - 10), exact by a fused multiply-add. Undecided
    // where the fraction could round up into them (the rest within a thousandth of the divisor).
    const __m256d divisor = _mm256_blendv_pd(divisors.first, divisors.second, reaches);
    const auto [quotient, remainder] = DivideWhole(
        magnitude, divisor, _mm256_blendv_pd(reciprocals.first, reciprocals.second, reaches));
    const __m256d mayCarry =
        _mm256_cmp_pd(remainder, _mm256_sub_pd(divisor, _mm256_set1_pd(0.001)), _CMP_GT_OQ);
    const __m256d tooLarge = _mm256_cmp_pd(magnitude, _mm256_set1_pd(1e19), _CMP_NLT_UQ);

    const __m256d undecidedMask = _mm256_andnot_pd(
        zero,
        _mm256_blendv_pd(
            _mm256_or_pd(_mm256_or_pd(mayCarry, tooLarge),
                         _mm256_or_pd(_mm256_cmp_pd(quotient, _mm256_set1_pd(1e10), _CMP_LT_OQ),
                                      _mm256_cmp_pd(quotient, _mm256_set1_pd(1e11), _CMP_GE_OQ))),
            nearHalf, small));
    const __m256d decidedSmall = _mm256_andnot_pd(undecidedMask, small);
    const __m256d shown = _mm256_andnot_pd(
        _mm256_or_pd(zero, undecidedMask),
        _mm256_blendv_pd(_mm256_mul_pd(quotient, _mm256_set1_pd(1000)), shownSmall, small));
    const __m256d integers =
        _mm256_blendv_pd(_mm256_set1_pd(kMaxShapeDigits), integersSmall, decidedSmall);
    const __m256d shapeIntegers =
        _mm256_blendv_pd(integers, _mm256_set1_pd(1), _mm256_or_pd(zero, undecidedMask));
    const __m128i negative = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
        _mm256_srli_epi64(bits, 63), _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0)));
    const __m128i shapes = _mm_add_epi32(_mm256_cvttpd_epi32(shapeIntegers),
                                         _mm_mullo_epi32(negative, _mm_set1_epi32(kShapes)));

    // The shown number (below 10^14) as 16 digits: two halves of eight.
    const auto [high, low] = DivideWhole(shown, _mm256_set1_pd(1e8), _mm256_set1_pd(1e-8));
    const __m256i highText = EightDigitTexts(_mm256_cvtepu32_epi64(_mm256_cvttpd_epi32(high)));
    const __m256i lowText = EightDigitTexts(_mm256_cvtepu32_epi64(_mm256_cvttpd_epi32(low)));

    const __m256i even = Columns(_mm256_unpacklo_epi64(highText, lowText), extras,
                                 ShapeOf(shapes, 0), ShapeOf(shapes, 2));
    const __m256i odd = Columns(_mm256_unpackhi_epi64(highText, lowText), extras,
                                ShapeOf(shapes, 1), ShapeOf(shapes, 3));
    StoreFourColumns(out, even, odd);
    return _mm256_movemask_pd(undecidedMask);
}

struct FourWideColumns {
    __m256i extras;
    TRENDTAB_AVX2 int operator()(char* out, const unsigned char* values) const {
        return PutFourColumns(out, values, extras);
    }
};

TRENDTAB_AVX2 char* PutColumnsFourAtATime(char* out, const unsigned char* values, std::size_t count,
                                          char separator) {
    // The bytes besides the digits: ' ', '-', '.' and the separator.
    const FourWideColumns four{_mm256_set1_epi32(static_cast<int>(
        0x002E2D20U | std::uint32_t{static_cast<unsigned char>(separator)} << 24))};
    return PutColumnsInFours<sizeof(double)>(
        out, values, count, four,
        [&](char* at, const unsigned char* value) { PutColumnsOneByOne(at, value, 1, separator); });
}

#endif

}  // namespace

bool HasWideColumns() {
    return HasVectorColumns();
}

char* PutWideColumns(char* out, const unsigned char* values, std::size_t count, char separator) {
#if TRENDTAB_VECTOR_COLUMNS
    if (HasWideColumns()) {
        return PutColumnsFourAtATime(out, values, count, separator);
    }
#endif
    return PutColumnsOneByOne(out, values, count, separator);
}

}  // namespace trendtab::fast
