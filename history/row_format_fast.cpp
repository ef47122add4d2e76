// The row pieces by integer arithmetic, with the bytes of the plain implementation. Values are
// converted exactly: a double is m * 2^e with m below 2^53, so its digits at a fixed number of
// decimals, or a float's seven significant digits, follow from 128-bit products and shifts. Exact
// ties go to even, as glibc's and MinGW-w64's printf resolve them in the default rounding mode (the
// program never changes it). What is not covered here goes to plain::.
#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "row_format.h"

namespace trendtab::fast {
namespace {

__extension__ typedef unsigned __int128 Uint128;

static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "values are decoded from their IEEE 754 bits");

// Reading a compact value back relies on one multiplication or division rounded once, to double.
constexpr bool kDoubleOpsRoundOnce = FLT_EVAL_METHOD == 0;

constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// 10^0 .. 10^32, the largest divisor a float's seven digits need (FLT_MAX is about 3.4e38).
constexpr int kMaxPow10 = 32;
constexpr auto kPow10 = [] {
    std::array<Uint128, kMaxPow10 + 1> powers{};
    powers[0] = 1;
    for (int i = 1; i <= kMaxPow10; ++i) {
        powers[i] = powers[i - 1] * 10;
    }
    return powers;
}();

// 10^0 .. 10^19, the powers of ten below 2^64.
constexpr auto kPow10U64 = [] {
    std::array<std::uint64_t, 20> powers{};
    powers[0] = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) {
        powers[i] = powers[i - 1] * 10;
    }
    return powers;
}();

// value / 10^power for power in [1, 19], by constant divisors (multiplications, not divisions).
[[gnu::always_inline]] inline std::uint64_t DivideByPow10(std::uint64_t value, int power) {
    switch (power) {
        case 1:
            return value / 10U;
        case 2:
            return value / 100U;
        case 3:
            return value / 1000U;
        case 4:
            return value / 10000U;
        case 5:
            return value / 100000U;
        case 6:
            return value / 1000000U;
        case 7:
            return value / 10000000U;
        case 8:
            return value / 100000000U;
        case 9:
            return value / 1000000000U;
        case 10:
            return value / 10000000000U;
        case 11:
            return value / 100000000000U;
        case 12:
            return value / 1000000000000U;
        case 13:
            return value / 10000000000000U;
        case 14:
            return value / 100000000000000U;
        case 15:
            return value / 1000000000000000U;
        case 16:
            return value / 10000000000000000U;
        case 17:
            return value / 100000000000000000U;
        case 18:
            return value / 1000000000000000000U;
        default:
            return value / 10000000000000000000U;
    }
}

// The powers of ten a double holds exactly.
constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPow10 = 22;

static_assert(std::endian::native == std::endian::little,
              "digits are stored eight at a time, the first in the lowest byte");

// The eight decimal digits of a value below 10^8 as text, the most significant in the lowest byte:
// split into two halves of four digits, each into two of two, each into two digits, in the lanes
// of one 64-bit number (no lane overflows into the next).
constexpr std::uint64_t EightDigits(std::uint32_t value) {
    std::uint64_t v = value / 10000 | std::uint64_t{value % 10000} << 32;
    const std::uint64_t hundreds = (v * 10486 >> 20) & 0x0000007F0000007FULL;  // lane / 100
    v = hundreds | (v - hundreds * 100) << 16;
    const std::uint64_t tens = (v * 103 >> 10) & 0x000F000F000F000FULL;  // lane / 10
    v = tens | (v - tens * 10) << 8;
    return v | 0x3030303030303030ULL;
}
static_assert(EightDigits(12345678) == 0x3837363534333231ULL);
static_assert(EightDigits(99999999) == 0x3939393939393939ULL);
static_assert(EightDigits(0) == 0x3030303030303030ULL);

// The last `count` (1 to 8) of the eight digits, stored at `at`; the bytes up to at + 8 are
// overwritten.
void StoreDigits(char* at, std::uint32_t value, int count) {
    const std::uint64_t text = EightDigits(value) >> (8 * (8 - count));
    std::memcpy(at, &text, sizeof text);
}

// The number of decimal digits of `value`, at least 1.
int DecimalDigitCount(std::uint64_t value) {
    value |= 1;  // 0 has one digit too; no power of ten above 1 is odd
    const int estimate = std::bit_width(value) * 1233 >> 12;  // floor(log10(2^bits)), [0, 19]
    return estimate + (value >= kPow10U64[static_cast<std::size_t>(estimate)] ? 1 : 0);
}

// Writes the `count` digits of `value` (below 10^count) at `at` and returns their end; the bytes
// up to at + 8 may be overwritten too.
char* PutInteger(char* at, std::uint64_t value, int count) {
    constexpr std::uint64_t kEight = 100'000'000;
    if (count <= 8) {
        StoreDigits(at, static_cast<std::uint32_t>(value), count);
    } else if (count <= 16) {
        StoreDigits(at, static_cast<std::uint32_t>(value / kEight), count - 8);
        StoreDigits(at + count - 8, static_cast<std::uint32_t>(value % kEight), 8);
    } else {
        const std::uint64_t low = value % (kEight * kEight);
        StoreDigits(at, static_cast<std::uint32_t>(value / (kEight * kEight)), count - 16);
        StoreDigits(at + count - 16, static_cast<std::uint32_t>(low / kEight), 8);
        StoreDigits(at + count - 8, static_cast<std::uint32_t>(low % kEight), 8);
    }
    return at + count;
}

// Writes exactly `count` digits of `value` (below 10^count), zero-padded, ending before `end`.
char* PutFixedDigits(std::uint32_t value, int count, char* end) {
    for (; count >= 2; count -= 2) {
        end -= 2;
        std::memcpy(end, &kDigitPairs[2 * (value % 100)], 2);
        value /= 100;
    }
    if (count == 1) {
        *--end = static_cast<char>('0' + value);
    }
    return end;
}

// Writes two digits of a value in [0, 99].
void PutTwoDigits(char* at, std::int32_t value) {
    std::memcpy(at, &kDigitPairs[2 * static_cast<std::size_t>(value)], 2);
}

// ---- Doubles at a fixed number of decimals ("%.3f", "%f") ----

struct DoubleParts {
    bool negative;
    std::uint64_t mantissa;  // below 2^53
    int exponent;            // value = mantissa * 2^exponent, [-1074, 971]
};

// False for NaN and the infinities.
bool Decompose(double value, DoubleParts& parts) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0x7FF) {
        return false;
    }
    parts.negative = (bits >> 63) != 0;
    parts.mantissa = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    parts.exponent = (biased == 0 ? 1 : biased) - 1075;
    return true;
}

// Integer parts up to 2^64 - 1: mantissa * 2^11 still fits 64 bits.
constexpr int kMaxIntegerExponent = 11;

// The digits "%.*f" shows for |value|: an integer part and `decimals` fractional digits.
struct FixedDigits {
    std::uint64_t integer;
    std::uint32_t fraction;  // below 10^decimals
};

// False where the integer part would not fit 64 bits.
bool ToFixed(const DoubleParts& parts, int decimals, FixedDigits& digits) {
    if (parts.exponent >= 0) {
        if (parts.exponent > kMaxIntegerExponent) {
            return false;
        }
        digits = {parts.mantissa << parts.exponent, 0};
        return true;
    }
    const int shift = -parts.exponent;  // [1, 1074]
    const std::uint64_t integer = shift < 64 ? parts.mantissa >> shift : 0;
    const std::uint64_t below =
        shift < 64 ? parts.mantissa & ((std::uint64_t{1} << shift) - 1) : parts.mantissa;
    const std::uint64_t unit64 = kPow10U64[static_cast<std::size_t>(decimals)];
    // The common case in 64 bits: below < 2^53, so below * 1000 < 2^63, and below * 10^6 fits
    // while below < 2^44.
    if (shift < 64 && (decimals <= 3 || below < (std::uint64_t{1} << 44))) {
        const std::uint64_t scaled = below * unit64;
        std::uint64_t fraction = scaled >> shift;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (fraction & 1) != 0)) {
            ++fraction;
        }
        digits = fraction == unit64 ? FixedDigits{integer + 1, 0}
                                    : FixedDigits{integer, static_cast<std::uint32_t>(fraction)};
        return true;
    }
    // below * 10^decimals < 2^73: divided by 2^128 or more, far under half a unit of the last
    // decimal.
    if (shift >= 128) {
        digits = {0, 0};
        return true;
    }
    const auto unit = static_cast<std::uint64_t>(kPow10[decimals]);
    const Uint128 scaled = Uint128{below} * unit;
    auto fraction = static_cast<std::uint64_t>(scaled >> shift);  // below 10^decimals
    const Uint128 rest = scaled - (Uint128{fraction} << shift);
    const Uint128 half = Uint128{1} << (shift - 1);
    // 10^decimals is even, so the last decimal's parity is the whole number's.
    if (rest > half || (rest == half && (fraction & 1) != 0)) {
        ++fraction;
    }
    if (fraction == unit) {
        digits = {integer + 1, 0};
    } else {
        digits = {integer, static_cast<std::uint32_t>(fraction)};
    }
    return true;
}

// Sign, up to 20 integer digits, the point and up to 6 decimals, and the separator; whole words
// are stored, up to 8 bytes past that.
constexpr std::size_t kMaxFixedText = 1 + 20 + 1 + 6 + 1;
constexpr int kColumnWidth = 10;
static_assert(kMaxValuePiece >= kMaxFixedText + 8,
              "a fixed-point piece and the bytes stored past it fit the caller's room");

// ---- Compact values: a float's seven significant digits, read back ----

// 10^-46 .. 10^39 as doubles (rounded where not exact): a float's power of ten is found by one
// comparison with its widened value, checked afterwards in exact arithmetic.
constexpr int kPow10DoubleFirst = -46;
constexpr double kPow10Doubles[] = {
    1e-46, 1e-45, 1e-44, 1e-43, 1e-42, 1e-41, 1e-40, 1e-39, 1e-38, 1e-37, 1e-36, 1e-35, 1e-34,
    1e-33, 1e-32, 1e-31, 1e-30, 1e-29, 1e-28, 1e-27, 1e-26, 1e-25, 1e-24, 1e-23, 1e-22, 1e-21,
    1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,
    1e-7,  1e-6,  1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,   1e5,
    1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15,  1e16,  1e17,  1e18,
    1e19,  1e20,  1e21,  1e22,  1e23,  1e24,  1e25,  1e26,  1e27,  1e28,  1e29,  1e30,  1e31,
    1e32,  1e33,  1e34,  1e35,  1e36,  1e37,  1e38,  1e39};

// floor(log10(2^e)) for |e| below 1650.
int FloorLog10Pow2(int e) {
    return (e * 78913) >> 18;
}

// |value| / 10^power10 as a truncated quotient and the remainder compared with half the divisor.
struct Quotient {
    std::uint64_t whole;
    int vsHalf;  // < 0, 0 or > 0
};

// The smallest power of ten the scaling takes: m * 10^27 stays below 2^114.
constexpr int kMinPower10 = -27;

// False where the powers of ten leave the exact range; callers then go the plain way.
bool ScaleByPow10(std::uint32_t mantissa, int exponent, int power10, Quotient& quotient) {
    if (power10 < kMinPower10 || power10 > kMaxPow10) {
        return false;
    }
    // The common magnitudes in 64 bits: mantissa < 2^24, so mantissa * 10^12 < 2^64.
    if (power10 <= 0 && power10 >= -12 && exponent < 0 && exponent > -64) {
        const std::uint64_t scaled =
            std::uint64_t{mantissa} * kPow10U64[static_cast<std::size_t>(-power10)];
        const int shift = -exponent;
        const std::uint64_t whole = scaled >> shift;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        quotient = {whole, rest < half ? -1 : (rest == half ? 0 : 1)};
        return true;
    }
    if (power10 > 0 && power10 <= 18 && exponent >= 0 &&
        exponent + std::bit_width(mantissa) <= 63) {
        const std::uint64_t value = std::uint64_t{mantissa} << exponent;
        const std::uint64_t whole = DivideByPow10(value, power10);
        const std::uint64_t twiceRest =
            (value - whole * kPow10U64[static_cast<std::size_t>(power10)]) * 2;
        const std::uint64_t divisor = kPow10U64[static_cast<std::size_t>(power10)];
        quotient = {whole, twiceRest < divisor ? -1 : (twiceRest == divisor ? 0 : 1)};
        return true;
    }
    if (power10 <= 0) {
        const Uint128 scaled = Uint128{mantissa} * kPow10[-power10];
        if (exponent >= 0) {
            // An integer: exact, with no remainder.
            if (exponent >= 64 || scaled >= (Uint128{1} << (64 - exponent))) {
                return false;
            }
            quotient = {static_cast<std::uint64_t>(scaled << exponent), -1};
            return true;
        }
        const int shift = -exponent;
        if (shift >= 128) {
            return false;
        }
        const Uint128 whole = scaled >> shift;
        if (whole > std::numeric_limits<std::uint64_t>::max()) {
            return false;
        }
        const Uint128 rest = scaled - (whole << shift);
        const Uint128 half = Uint128{1} << (shift - 1);
        quotient = {static_cast<std::uint64_t>(whole), rest < half ? -1 : (rest == half ? 0 : 1)};
        return true;
    }
    // A positive power only comes with values from 10^7 on, whose exponent is positive.
    if (exponent < 0) {
        return false;
    }
    const Uint128 value = Uint128{mantissa} << exponent;  // below 2^128: exponent <= 104
    const Uint128 divisor = kPow10[power10];
    const Uint128 whole = value / divisor;
    if (whole > std::numeric_limits<std::uint64_t>::max()) {
        return false;
    }
    const Uint128 twiceRest = (value - whole * divisor) * 2;  // below 2^108
    quotient = {static_cast<std::uint64_t>(whole),
                twiceRest < divisor ? -1 : (twiceRest == divisor ? 0 : 1)};
    return true;
}

// The double nearest to digits * 10^power10 (what strtod gives), where one operation rounded
// once on exact operands yields it.
bool ReadBack(std::uint64_t digits, int power10, double& result) {
    if (!kDoubleOpsRoundOnce) {
        return false;
    }
    while (power10 < -kMaxExactPow10 && digits % 10 == 0) {
        digits /= 10;
        ++power10;
    }
    if (power10 < -kMaxExactPow10) {
        return false;
    }
    if (power10 < 0) {
        result = static_cast<double>(digits) / kExactPow10[-power10];
        return true;
    }
    if (power10 > kMaxExactPow10) {
        // Move the excess into the digits while they stay an exact double.
        const int excess = power10 - kMaxExactPow10;
        if (excess > 10) {
            return false;
        }
        digits *= static_cast<std::uint64_t>(kPow10[excess]);  // below 10^17
        if (digits > (std::uint64_t{1} << 53)) {
            return false;
        }
        power10 = kMaxExactPow10;
    }
    result = static_cast<double>(digits) * kExactPow10[power10];
    return true;
}

constexpr std::uint64_t kSevenDigits = 10'000'000;

// A float's seven significant digits, rounded as "%e" rounds them: |value| is about
// digits * 10^power10, digits in [10^6, 10^7).
struct SevenDigits {
    bool negative;
    std::uint64_t digits;
    int power10;
};

// |value| / 10^power10 rounded to a whole number, in doubles: with a power of ten a double holds
// exactly, one multiplication or division rounds once, so the quotient (below 2^24) is within
// 2^-30 of the exact one, which lies on the same side of a half unless the rounded quotient is
// that close to it. False then (exact halves included), where the power is not exact, and where
// the quotient is outside [10^6, 10^7).
bool ScaleByExactPow10(double magnitude, int power10, std::uint64_t& digits) {
    if (!kDoubleOpsRoundOnce || power10 < -kMaxExactPow10 || power10 > kMaxExactPow10) {
        return false;
    }
    const double scaled =
        power10 <= 0 ? magnitude * kExactPow10[-power10] : magnitude / kExactPow10[power10];
    if (!(scaled >= static_cast<double>(kSevenDigits / 10) &&
          scaled < static_cast<double>(kSevenDigits))) {
        return false;
    }
    const auto whole = static_cast<std::uint64_t>(scaled);
    const double rest = scaled - static_cast<double>(whole);  // exact
    if (std::fabs(rest - 0.5) <= 0x1p-28) {
        return false;
    }
    digits = whole + (rest > 0.5 ? 1 : 0);
    return true;
}

// The same in exact integer arithmetic, the estimated power of ten mended where it was one off:
// the truncated quotient in [10^6, 10^7) and how the remainder compares with half.
bool ExactSevenDigits(std::uint32_t mantissa, int exponent, int& power10, Quotient& quotient) {
    if (!ScaleByPow10(mantissa, exponent, power10, quotient)) {
        return false;
    }
    if (quotient.whole >= kSevenDigits || quotient.whole < kSevenDigits / 10) {
        power10 += quotient.whole >= kSevenDigits ? 1 : -1;
        if (!ScaleByPow10(mantissa, exponent, power10, quotient)) {
            return false;
        }
    }
    return quotient.whole >= kSevenDigits / 10 && quotient.whole < kSevenDigits;
}

// False for zeros, NaN, the infinities, and where the arithmetic above does not reach (the
// smallest and largest magnitudes).
bool ToSevenDigits(float value, SevenDigits& seven) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const auto biased = static_cast<int>((bits >> 23) & 0xFF);
    const std::uint32_t fraction = bits & 0x7FFFFF;
    if (biased == 0xFF || (biased == 0 && fraction == 0)) {
        return false;
    }
    const std::uint32_t mantissa = biased == 0 ? fraction : fraction | 0x800000;
    const int exponent = (biased == 0 ? 1 : biased) - 150;  // |value| = mantissa * 2^exponent
    const int log2 = exponent + std::bit_width(mantissa) - 1;
    // Seven digits: |value| / 10^power10 in [10^6, 10^7). The estimate from the binary exponent
    // can be one too low; the widened value against the next power of ten mends that, but for
    // rounded powers very near the value, which the exact check below catches.
    int power10 = FloorLog10Pow2(log2);
    const double magnitude = std::fabs(static_cast<double>(value));
    if (magnitude >= kPow10Doubles[power10 + 1 - kPow10DoubleFirst]) {
        ++power10;
    }
    power10 -= 6;
    std::uint64_t digits = 0;
    if (!ScaleByExactPow10(magnitude, power10, digits)) {
        Quotient quotient;
        if (!ExactSevenDigits(mantissa, exponent, power10, quotient)) {
            return false;
        }
        digits = quotient.whole;
        if (quotient.vsHalf > 0 || (quotient.vsHalf == 0 && (digits & 1) != 0)) {
            ++digits;
        }
    }
    if (digits == kSevenDigits) {
        digits = kSevenDigits / 10;
        ++power10;
    }
    seven = {(bits >> 31) != 0, digits, power10};
    return true;
}

// "%e" of the widened float read back with strtod, without the text. False where the arithmetic
// above does not reach (NaN, infinities, the smallest and largest magnitudes).
bool TryRoundCompact(float value, double& result) {
    if (value == 0) {
        result = static_cast<double>(value);  // "0.000000e+00", signed
        return true;
    }
    SevenDigits seven;
    double magnitude = 0;
    if (!ToSevenDigits(value, seven) || !ReadBack(seven.digits, seven.power10, magnitude)) {
        return false;
    }
    result = seven.negative ? -magnitude : magnitude;
    return true;
}

// The digits "%.*f" shows for the double nearest to digits * 10^power10 — the compact value as
// read back — found from the decimal itself. A whole decimal (from 10^6 on) is that double.
// Below 10^6 the double lies within half its last binary place of the decimal: far less
// than one unit of the seventh digit, so it rounds to the same shown decimals, except where the
// decimal sits exactly halfway between two of them. False there, and beyond 10^19.
bool SevenDigitsToFixed(const SevenDigits& seven, int decimals, FixedDigits& fixed) {
    if (seven.power10 >= 0) {
        // A whole number, digits * 5^power10 * 2^power10; up to power10 12 the odd part stays
        // below 2^53, so a double holds the number exactly and strtod gives it back as it is.
        if (seven.power10 > 12) {
            return false;
        }
        fixed = {seven.digits * kPow10U64[static_cast<std::size_t>(seven.power10)], 0};
        return true;
    }
    const int scale = seven.power10 + decimals;
    std::uint64_t shown = 0;  // the value in units of the last shown decimal
    if (scale >= 0) {
        // Below 10^6 a double's last place is far below one unit of the last decimal: the
        // double rounds back to the decimal.
        shown = seven.digits * kPow10U64[static_cast<std::size_t>(scale)];
    } else {
        const int cut = -scale;  // decimals beyond the shown ones, [1, ...)
        if (cut > 7) {
            shown = 0;  // below half a unit: digits < 10^7 <= 10^cut / 2
        } else {
            const std::uint64_t divisor = kPow10U64[static_cast<std::size_t>(cut)];
            // One 32-bit division (digits < 2^24): magnitudes at random would make a choice of
            // constant divisors mispredict.
            shown = static_cast<std::uint32_t>(seven.digits) / static_cast<std::uint32_t>(divisor);
            const std::uint64_t twiceRest = (seven.digits - shown * divisor) * 2;
            if (twiceRest == divisor) {
                return false;  // exactly halfway: the double's side decides
            }
            shown += twiceRest > divisor ? 1 : 0;
        }
    }
    // Constant divisors: the number of decimals is the same for the whole file.
    fixed = decimals == 3
                ? FixedDigits{shown / 1000, static_cast<std::uint32_t>(shown % 1000)}
                : FixedDigits{shown / 1000000, static_cast<std::uint32_t>(shown % 1000000)};
    return true;
}

// Writes "%.*f" of the digits as a column or a full-width value, with its separator as the row
// layout wants it; returns the end.
char* PutFixedPiece(char* out, bool negative, const FixedDigits& digits, char separator,
                    bool isLast, bool extended);
// The plain implementation's piece, copied to `out`.
char* PutPlainValuePiece(char* out, double value, char separator, bool isLast, bool extended);

// Magnitudes whose seven digits stay below half a unit of the last shown decimal (4.999999e-4
// for three decimals, 4.999999e-7 for six) show as zero, whatever their digits.
constexpr float kShownAsZero[2] = {4.999e-4F, 4.999e-7F};

// The digits a compact value's piece shows, straight from the float; false where the chain
// through the double must decide.
bool CompactFixed(float value, bool extended, bool& negative, FixedDigits& digits) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    negative = (bits >> 31) != 0;
    if (std::fabs(value) < kShownAsZero[extended ? 1 : 0]) {  // zeros included, NaN not
        digits = {0, 0};
        return true;
    }
    SevenDigits seven;
    return ToSevenDigits(value, seven) && SevenDigitsToFixed(seven, extended ? 6 : 3, digits);
}

bool InRange(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

}  // namespace

char* PutDatePiece(char* out, const RecordTime& time, char separator) {
    // Fields printf would sign or widen (failure values, far years) keep printf's text.
    if (!InRange(time.day, 0, 99) || !InRange(time.month0, -1, 98) ||
        !InRange(time.year1900, -1900, 9999 - 1900)) {
        std::string piece;
        plain::AppendDatePiece(piece, time, separator);
        std::memcpy(out, piece.data(), piece.size());  // at most 37 characters
        return out + piece.size();
    }
    const std::int32_t year = time.year1900 + 1900;
    PutTwoDigits(out, time.day);
    out[2] = '/';
    PutTwoDigits(out + 3, time.month0 + 1);
    out[5] = '/';
    PutTwoDigits(out + 6, year / 100);
    PutTwoDigits(out + 8, year % 100);
    out[10] = separator;
    return out + 11;
}

char* PutTimePiece(char* out, const RecordTime& time, char separator, bool withMilliseconds) {
    if (!InRange(time.hour, 0, 99) || !InRange(time.minute, 0, 99) ||
        !InRange(time.second, 0, 99) || (withMilliseconds && !InRange(time.milliseconds, 0, 999))) {
        std::string piece;
        plain::AppendTimePiece(piece, time, separator, withMilliseconds);
        std::memcpy(out, piece.data(), piece.size());  // at most 49 characters
        return out + piece.size();
    }
    PutTwoDigits(out, time.hour);
    out[2] = ':';
    PutTwoDigits(out + 3, time.minute);
    out[5] = ':';
    PutTwoDigits(out + 6, time.second);
    std::size_t length = 8;
    if (withMilliseconds) {
        out[8] = '.';
        PutFixedDigits(static_cast<std::uint32_t>(time.milliseconds), 3, out + 12);
        length = 12;
    }
    out[length++] = separator;
    return out + length;
}

void AppendDatePiece(std::string& row, const RecordTime& time, char separator) {
    char piece[kMaxDateTimePiece];
    row.append(piece, PutDatePiece(piece, time, separator));
}

void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds) {
    char piece[kMaxDateTimePiece];
    row.append(piece, PutTimePiece(piece, time, separator, withMilliseconds));
}

char* PutValuePiece(char* out, double value, char separator, bool isLast, bool extended) {
    const int decimals = extended ? 6 : 3;
    DoubleParts parts;
    FixedDigits digits;
    if (!Decompose(value, parts) || !ToFixed(parts, decimals, digits)) {
        return PutPlainValuePiece(out, value, separator, isLast, extended);
    }
    return PutFixedPiece(out, parts.negative, digits, separator, isLast, extended);
}

char* PutCompactValuePiece(char* out, float value, char separator, bool isLast, bool extended) {
    bool negative = false;
    FixedDigits digits;
    if (!CompactFixed(value, extended, negative, digits)) {
        return PutValuePiece(out, RoundCompactValue(value), separator, isLast, extended);
    }
    return PutFixedPiece(out, negative, digits, separator, isLast, extended);
}

void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended) {
    char piece[kMaxValuePiece];
    row.append(piece, PutValuePiece(piece, value, separator, isLast, extended));
}

void AppendCompactValuePiece(std::string& row, float value, char separator, bool isLast,
                             bool extended) {
    char piece[kMaxValuePiece];
    row.append(piece, PutCompactValuePiece(piece, value, separator, isLast, extended));
}

namespace {

char* PutFixedPiece(char* out, bool negative, const FixedDigits& digits, char separator,
                    bool isLast, bool extended) {
    // Branch-light, for values of every magnitude at random: the text is stored in whole words,
    // and bytes past the piece are overwritten freely (the caller leaves room for that).
    const int integerDigits = DecimalDigitCount(digits.integer);
    if (extended) {
        char* p = out;
        *p = '-';
        p = PutInteger(p + (negative ? 1 : 0), digits.integer, integerDigits);
        *p = '.';
        StoreDigits(p + 1, digits.fraction, 6);
        p[7] = separator;
        return p + (isLast ? 7 : 8);
    }
    // A column: "%10.3f" and the separator, cut to 11 characters, to 10 for the last value; so
    // always 11 or 10, right-aligned in spaces while the text is shorter than 10.
    const int textLength = (negative ? 1 : 0) + integerDigits + 4;
    const int pad = textLength < kColumnWidth ? kColumnWidth - textLength : 0;
    std::memcpy(out, "                ", 16);
    out[pad] = negative ? '-' : ' ';
    char* p = PutInteger(out + pad + (negative ? 1 : 0), digits.integer, integerDigits);
    p[0] = '.';
    p[1] = static_cast<char>('0' + digits.fraction / 100);
    std::memcpy(p + 2, &kDigitPairs[2 * (digits.fraction % 100)], 2);
    p[4] = separator;
    return out + (isLast ? kColumnWidth : kColumnWidth + 1);
}

char* PutPlainValuePiece(char* out, double value, char separator, bool isLast, bool extended) {
    std::string piece;
    plain::AppendValuePiece(piece, value, separator, isLast, extended);
    // "%f" of the largest double and its separator: 318 characters.
    const std::size_t length = std::min(piece.size(), kMaxValuePiece);
    std::memcpy(out, piece.data(), length);
    return out + length;
}

}  // namespace

double RoundCompactValue(float value) {
    double result = 0;
    if (TryRoundCompact(value, result)) {
        return result;
    }
    return plain::RoundCompactValue(value);
}

bool CoversValue(double value) {
    DoubleParts parts;
    return Decompose(value, parts) && parts.exponent <= kMaxIntegerExponent;
}

bool CoversCompactPiece(float value, bool extended) {
    bool negative = false;
    FixedDigits digits;
    return CompactFixed(value, extended, negative, digits);
}

bool CoversCompactValue(float value) {
    double result = 0;
    return TryRoundCompact(value, result);
}

}  // namespace trendtab::fast
