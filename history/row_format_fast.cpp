// The row pieces by integer arithmetic, with the bytes of the plain implementation. Values are
// converted exactly: a double is m * 2^e with m below 2^53, so its digits at a fixed number of
// decimals, or a float's seven significant digits, follow from 128-bit products and shifts. Exact
// ties go to even, as glibc's and MinGW-w64's printf resolve them in the default rounding mode (the
// program never changes it). What is not covered here goes to plain::.
#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
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
static_assert(kMaxFixedText >= kColumnWidth, "the padded column fits the text buffer");

// Writes "%.*f" ending just before `end`; returns where it begins.
char* PutFixed(bool negative, const FixedDigits& digits, int decimals, char* end) {
    char* begin = PutFixedDigits(digits.fraction, decimals, end);
    *--begin = '.';
    begin = PutDigits(digits.integer, begin);
    if (negative) {
        *--begin = '-';
    }
    return begin;
}

// ---- Compact values: a float's seven significant digits, read back ----

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

// "%e" of the widened float read back with strtod, without the text. False where the arithmetic
// above does not reach (NaN, infinities, the smallest and largest magnitudes).
bool TryRoundCompact(float value, double& result) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const auto biased = static_cast<int>((bits >> 23) & 0xFF);
    const std::uint32_t fraction = bits & 0x7FFFFF;
    if (biased == 0xFF) {
        return false;
    }
    if (biased == 0 && fraction == 0) {
        result = static_cast<double>(value);  // "0.000000e+00", signed
        return true;
    }
    const std::uint32_t mantissa = biased == 0 ? fraction : fraction | 0x800000;
    const int exponent = (biased == 0 ? 1 : biased) - 150;  // |value| = mantissa * 2^exponent
    const int log2 = exponent + std::bit_width(mantissa) - 1;
    // Seven digits: |value| / 10^power10 in [10^6, 10^7). The estimate from the binary exponent
    // can be one too low.
    int power10 = FloorLog10Pow2(log2) - 6;
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
    double magnitude = 0;
    if (!ReadBack(digits, power10, magnitude)) {
        return false;
    }
    result = (bits >> 31) != 0 ? -magnitude : magnitude;
    return true;
}

bool InRange(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

}  // namespace

void AppendDatePiece(std::string& row, const RecordTime& time, char separator) {
    // Fields printf would sign or widen (failure values, far years) keep printf's text.
    if (!InRange(time.day, 0, 99) || !InRange(time.month0, -1, 98) ||
        !InRange(time.year1900, -1900, 9999 - 1900)) {
        plain::AppendDatePiece(row, time, separator);
        return;
    }
    const std::int32_t year = time.year1900 + 1900;
    char piece[11];
    PutTwoDigits(piece, time.day);
    piece[2] = '/';
    PutTwoDigits(piece + 3, time.month0 + 1);
    piece[5] = '/';
    PutTwoDigits(piece + 6, year / 100);
    PutTwoDigits(piece + 8, year % 100);
    piece[10] = separator;
    row.append(piece, sizeof piece);
}

void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds) {
    if (!InRange(time.hour, 0, 99) || !InRange(time.minute, 0, 99) ||
        !InRange(time.second, 0, 99) || (withMilliseconds && !InRange(time.milliseconds, 0, 999))) {
        plain::AppendTimePiece(row, time, separator, withMilliseconds);
        return;
    }
    char piece[13];
    PutTwoDigits(piece, time.hour);
    piece[2] = ':';
    PutTwoDigits(piece + 3, time.minute);
    piece[5] = ':';
    PutTwoDigits(piece + 6, time.second);
    std::size_t length = 8;
    if (withMilliseconds) {
        piece[8] = '.';
        PutFixedDigits(static_cast<std::uint32_t>(time.milliseconds), 3, piece + 12);
        length = 12;
    }
    piece[length++] = separator;
    row.append(piece, length);
}

void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended) {
    const int decimals = extended ? 6 : 3;
    DoubleParts parts;
    FixedDigits digits;
    if (!Decompose(value, parts) || !ToFixed(parts, decimals, digits)) {
        plain::AppendValuePiece(row, value, separator, isLast, extended);
        return;
    }
    char buffer[kMaxFixedText + 1];
    char* const textEnd = buffer + kMaxFixedText;
    char* begin = PutFixed(parts.negative, digits, decimals, textEnd);
    *textEnd = separator;
    if (extended) {
        row.append(begin, textEnd + (isLast ? 0 : 1));
        return;
    }
    const auto width = static_cast<int>(textEnd - begin);
    if (width < kColumnWidth) {
        begin -= kColumnWidth - width;
        std::memset(begin, ' ', static_cast<std::size_t>(kColumnWidth - width));
    }
    // The column and its separator are cut to 11 characters, to 10 for the last value.
    const std::size_t keep = isLast ? 10 : 11;
    row.append(begin, std::min(static_cast<std::size_t>(textEnd + 1 - begin), keep));
}

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

bool CoversCompactValue(float value) {
    double result = 0;
    return TryRoundCompact(value, result);
}

}  // namespace trendtab::fast
