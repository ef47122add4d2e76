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

#include "row_format_variants.h"

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

// Writes `value` in decimal so that it ends just before `end`; returns where it begins.
char* PutDigits(std::uint64_t value, char* end) {
    while (value >= 100) {
        const auto pair = static_cast<std::size_t>(value % 100);
        value /= 100;
        end -= 2;
        std::memcpy(end, &kDigitPairs[2 * pair], 2);
    }
    if (value >= 10) {
        end -= 2;
        std::memcpy(end, &kDigitPairs[2 * value], 2);
    } else {
        *--end = static_cast<char>('0' + value);
    }
    return end;
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

// Sign, up to 20 integer digits, the point and up to 6 decimals.
constexpr std::size_t kMaxFixedText = 1 + 20 + 1 + 6;
constexpr int kColumnWidth = 10;
static_assert(kMaxValuePiece > kMaxFixedText, "a fixed-point piece fits the caller's room");

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
    Quotient quotient;
    if (!ScaleByPow10(mantissa, exponent, power10, quotient)) {
        return false;
    }
    if (quotient.whole >= kSevenDigits || quotient.whole < kSevenDigits / 10) {
        power10 += quotient.whole >= kSevenDigits ? 1 : -1;
        if (!ScaleByPow10(mantissa, exponent, power10, quotient)) {
            return false;
        }
    }
    if (quotient.whole < kSevenDigits / 10 || quotient.whole >= kSevenDigits) {
        return false;
    }
    std::uint64_t digits = quotient.whole;
    if (quotient.vsHalf > 0 || (quotient.vsHalf == 0 && (digits & 1) != 0)) {
        ++digits;
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
// read back — found from the decimal itself. That double lies within half its last binary place
// of the decimal: far less than one unit of the seventh digit, so it rounds to the same shown
// decimals, except where the decimal sits exactly halfway between two of them, or where the
// double's last place reaches the shown decimals (large values). False there.
bool SevenDigitsToFixed(const SevenDigits& seven, int decimals, FixedDigits& fixed) {
    const int scale = seven.power10 + decimals;
    const std::uint64_t unit = kPow10U64[static_cast<std::size_t>(decimals)];
    std::uint64_t shown = 0;  // the value in units of the last shown decimal
    if (scale >= 0) {
        // Below 2^42 (three decimals) or 2^32 (six) a double's last place is below one unit of
        // the last decimal: the double rounds back to the decimal.
        if (seven.power10 > (decimals == 3 ? 5 : 2)) {
            return false;
        }
        shown = seven.digits * kPow10U64[static_cast<std::size_t>(scale)];
        const std::uint64_t limit =
            decimals == 3 ? (std::uint64_t{1} << 42) : (std::uint64_t{1} << 32);
        if (shown / unit >= limit) {
            return false;
        }
    } else {
        const int cut = -scale;  // decimals beyond the shown ones, [1, ...)
        if (cut > 7) {
            shown = 0;  // below half a unit: digits < 10^7 <= 10^cut / 2
        } else {
            const std::uint64_t divisor = kPow10U64[static_cast<std::size_t>(cut)];
            shown = DivideByPow10(seven.digits, cut);
            const std::uint64_t twiceRest = (seven.digits - shown * divisor) * 2;
            if (twiceRest == divisor) {
                return false;  // exactly halfway: the double's side decides
            }
            shown += twiceRest > divisor ? 1 : 0;
        }
    }
    fixed = {shown / unit, static_cast<std::uint32_t>(shown % unit)};
    return true;
}

// Writes "%.*f" of the digits as a column or a full-width value, with its separator as the row
// layout wants it; returns the end.
char* PutFixedPiece(char* out, bool negative, const FixedDigits& digits, char separator,
                    bool isLast, bool extended);
// The plain implementation's piece, copied to `out`.
char* PutPlainValuePiece(char* out, double value, char separator, bool isLast, bool extended);

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
    SevenDigits seven;
    FixedDigits digits;
    if (!ToSevenDigits(value, seven) || !SevenDigitsToFixed(seven, extended ? 6 : 3, digits)) {
        return PutValuePiece(out, RoundCompactValue(value), separator, isLast, extended);
    }
    return PutFixedPiece(out, seven.negative, digits, separator, isLast, extended);
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
    // Written straight to `out`, front to back: copying bytes just stored one by one would wait
    // for the stores.
    const int decimals = extended ? 6 : 3;
    int integerDigits = 1;
    while (integerDigits < 20 &&
           digits.integer >= kPow10U64[static_cast<std::size_t>(integerDigits)]) {
        ++integerDigits;
    }
    const int textLength = (negative ? 1 : 0) + integerDigits + 1 + decimals;
    char* p = out;
    if (!extended && textLength < kColumnWidth) {
        std::memcpy(p, "          ", 10);
        p += kColumnWidth - textLength;
    }
    if (negative) {
        *p++ = '-';
    }
    p += integerDigits;
    PutDigits(digits.integer, p);
    *p++ = '.';
    p += decimals;
    PutFixedDigits(digits.fraction, decimals, p);
    *p = separator;
    if (extended) {
        return isLast ? p : p + 1;
    }
    // The column and its separator are cut to 11 characters, to 10 for the last value.
    const std::size_t keep = isLast ? 10 : 11;
    return out + std::min(static_cast<std::size_t>(p + 1 - out), keep);
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
    SevenDigits seven;
    FixedDigits digits;
    return ToSevenDigits(value, seven) && SevenDigitsToFixed(seven, extended ? 6 : 3, digits);
}

bool CoversCompactValue(float value) {
    double result = 0;
    return TryRoundCompact(value, result);
}

}  // namespace trendtab::fast
