// A float's seven significant digits as "%e" rounds them, and the double strtod reads back from
// them, without the text.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include <array>

#include <cfloat>
#include <cmath>
#include <limits>

#include "converter/fixed_point.h"
#include "converter/powers_of_ten.h"
#include "converter/round_half_even.h"

namespace trendtab::fast {

// Reading a compact value back relies on one multiplication or division rounded once, to double.
inline constexpr bool kDoubleOpsRoundOnce = FLT_EVAL_METHOD == 0;

// floor(log10(2^e)) for |e| below 1650.
constexpr int FloorLog10Pow2(int e) {
    return (e * 78913) >> 18;
}

// |value| / 10^power10 as a truncated quotient and the remainder compared with half the divisor.
struct Quotient {
    std::uint64_t whole;
    int vsHalf;  // < 0, 0 or > 0
};

// The smallest power of ten the scaling takes: m * 10^27 stays below 2^114.
inline constexpr int kMinPower10 = -27;

// False where the powers of ten leave the exact range; callers then go the plain way.
inline bool ScaleByPow10(std::uint32_t mantissa, int exponent, int power10, Quotient& quotient) {
    if (power10 < kMinPower10 || power10 > kMaxPow10) {
        return false;
    }
    // The common magnitudes in 64 bits: mantissa < 2^24, so mantissa * 10^12 < 2^64.
    if (power10 <= 0 && power10 >= -12 && exponent < 0 && exponent > -64) {
        const std::uint64_t scaled = std::uint64_t{mantissa} * Pow10U64(-power10);
        const int shift = -exponent;
        const std::uint64_t whole = scaled >> shift;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        quotient = {whole, CompareWithHalf(rest, half)};
        return true;
    }
    if (power10 > 0 && power10 <= 18 && exponent >= 0 &&
        exponent + std::bit_width(mantissa) <= 63) {
        const std::uint64_t value = std::uint64_t{mantissa} << exponent;
        const std::uint64_t whole = DivideByPow10(value, power10);
        const std::uint64_t divisor = Pow10U64(power10);
        const std::uint64_t twiceRest = (value - whole * divisor) * 2;
        quotient = {whole, CompareWithHalf(twiceRest, divisor)};  // rest against divisor / 2
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
        quotient = {static_cast<std::uint64_t>(whole), CompareWithHalf(rest, half)};
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
    quotient = {static_cast<std::uint64_t>(whole), CompareWithHalf(twiceRest, divisor)};
    return true;
}

// The double nearest to digits * 10^power10 (what strtod gives), where one operation rounded
// once on exact operands yields it.
inline bool ReadBack(std::uint64_t digits, int power10, double& result) {
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
        result = static_cast<double>(digits) / Pow10Double(-power10);
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
    result = static_cast<double>(digits) * Pow10Double(power10);
    return true;
}

inline constexpr std::uint64_t kSevenDigits = 10'000'000;

// A float's seven significant digits, rounded as "%e" rounds them: |value| is about
// digits * 10^power10, digits in [10^6, 10^7).
struct SevenDigits {
    bool negative;
    std::uint64_t digits;
    int power10;
};

// |value| / 10^power10 rounded to a whole number, in doubles, as one multiplication (no division,
// no branch on the sign of the power): by 10^-power10, exact up to 10^22, or for a positive power
// by the double nearest to 10^-power10, itself within 2^-53 of it relatively. So the quotient
// (below 10^7 < 2^23.3) is within 2^-52 relatively, 2^-28.7 absolutely, of the exact one, which
// lies on the same side of a half unless the rounded quotient is within 2^-28 of it. False then
// (exact halves included), where the power is outside [-22, 22], and where the quotient is
// outside [10^6, 10^7) (where the exact one is a hair outside, both round to the same digits).
inline bool ScaleByExactPow10(double magnitude, int power10, std::uint64_t& digits) {
    if (!kDoubleOpsRoundOnce || power10 < -kMaxExactPow10 || power10 > kMaxExactPow10) {
        return false;
    }
    const double scaled = magnitude * Pow10Double(-power10);
    if (!(scaled >= static_cast<double>(kSevenDigits / 10) &&
          scaled < static_cast<double>(kSevenDigits))) {
        return false;
    }
    // A signed integer, which one instruction converts to and from (scaled is below 10^7).
    const auto whole = static_cast<std::int64_t>(scaled);
    const double rest = scaled - static_cast<double>(whole);  // exact
    if (std::fabs(rest - 0.5) <= 0x1p-28) {
        return false;
    }
    digits = static_cast<std::uint64_t>(whole) + (rest > 0.5 ? 1 : 0);
    return true;
}

// The same in exact integer arithmetic, the estimated power of ten mended where it was one off:
// the truncated quotient in [10^6, 10^7) and how the remainder compares with half.
inline bool ExactSevenDigits(std::uint32_t mantissa, int exponent, int& power10,
                             Quotient& quotient) {
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

// By a normal float's biased exponent: the power of ten its binary exponent gives,
// floor(log10(2^(biased - 127))), and the next power of ten, which the value may reach.
struct BinadeEstimate {
    double nextPow10;
    int power10;
};
inline constexpr auto kBinadeEstimates = [] {
    std::array<BinadeEstimate, 255> estimates{};
    for (int biased = 1; biased < 255; ++biased) {
        const int power10 = FloorLog10Pow2(biased - 127);
        estimates[static_cast<std::size_t>(biased)] = {
            kPow10Doubles[static_cast<std::size_t>(power10 + 1 - kMinPow10Double)], power10};
    }
    return estimates;
}();

// False for zeros, NaN, the infinities, and where the arithmetic above does not reach (the
// smallest and largest magnitudes).
inline bool ToSevenDigits(float value, SevenDigits& seven) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const auto biased = static_cast<int>((bits >> 23) & 0xFF);
    const std::uint32_t fraction = bits & 0x7FFFFF;
    if (biased == 0xFF || (biased == 0 && fraction == 0)) {
        return false;
    }
    const std::uint32_t mantissa = biased == 0 ? fraction : fraction | 0x800000;
    const int exponent = (biased == 0 ? 1 : biased) - 150;  // |value| = mantissa * 2^exponent
    // Seven digits: |value| / 10^power10 in [10^6, 10^7). The estimate from the binary exponent
    // can be one too low; the widened value against the next power of ten mends that, but for
    // rounded powers very near the value, which the exact check below catches.
    const double magnitude = std::fabs(static_cast<double>(value));
    int power10 = 0;
    if (biased != 0) {
        // The same estimate from a table, for all but the subnormals.
        const BinadeEstimate& estimate = kBinadeEstimates[static_cast<std::size_t>(biased)];
        power10 = estimate.power10 + (magnitude >= estimate.nextPow10 ? 1 : 0);
    } else {
        power10 = FloorLog10Pow2(exponent + std::bit_width(mantissa) - 1);
        power10 += magnitude >= Pow10Double(power10 + 1) ? 1 : 0;
    }
    power10 -= 6;
    std::uint64_t digits = 0;
    if (!ScaleByExactPow10(magnitude, power10, digits)) {
        Quotient quotient;
        if (!ExactSevenDigits(mantissa, exponent, power10, quotient)) {
            return false;
        }
        digits = RoundHalfEven(quotient.whole, quotient.vsHalf);
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
inline bool TryRoundCompact(float value, double& result) {
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

// x / 10^power for x below 2^24 and power in [1, 7], as (x * m) >> s with m = floor(2^s / 10^power)
// + 1 and s = 24 + bit_width(10^power): the product's excess over x / 10^power, below
// x / 2^s < 10^-power, cannot reach the next whole number, and the product stays below 2^49.
struct Reciprocal {
    std::uint64_t multiplier;
    int shift;
};
inline constexpr auto kReciprocalsOfPow10 = [] {
    std::array<Reciprocal, 8> table{};
    for (std::size_t power = 1; power < table.size(); ++power) {
        const auto divisor = static_cast<std::uint64_t>(kPow10[power]);
        const int shift = 24 + std::bit_width(divisor);
        table[power] = {(std::uint64_t{1} << shift) / divisor + 1, shift};
    }
    return table;
}();

inline std::uint64_t DivideBelow2To24(std::uint64_t x, int power) {
    const Reciprocal& r = kReciprocalsOfPow10[static_cast<std::size_t>(power)];
    return (x * r.multiplier) >> r.shift;
}

// The digits "%.*f" shows for the double nearest to digits * 10^power10 — the compact value as
// read back — found from the decimal itself. A whole decimal (from 10^6 on) is that double.
// Below 10^6 the double lies within half its last binary place of the decimal: far less
// than one unit of the seventh digit, so it rounds to the same shown decimals, except where the
// decimal sits exactly halfway between two of them. False there, and beyond 10^19.
inline bool SevenDigitsToFixed(const SevenDigits& seven, int decimals, FixedDigits& fixed) {
    if (seven.power10 >= 0) {
        // A whole number, digits * 5^power10 * 2^power10; up to power10 12 the odd part stays
        // below 2^53, so a double holds the number exactly and strtod gives it back as it is.
        if (seven.power10 > 12) {
            return false;
        }
        fixed = {seven.digits * Pow10U64(seven.power10), 0};
        return true;
    }
    const int scale = seven.power10 + decimals;
    std::uint64_t shown = 0;  // the value in units of the last shown decimal
    if (scale >= 0) {
        // Below 10^6 a double's last place is far below one unit of the last decimal: the
        // double rounds back to the decimal.
        shown = seven.digits * Pow10U64(scale);
    } else {
        const int cut = -scale;  // decimals beyond the shown ones, [1, ...)
        if (cut > 7) {
            shown = 0;  // below half a unit: digits < 10^7 <= 10^cut / 2
        } else {
            const std::uint64_t divisor = Pow10U64(cut);
            // A multiplication by a reciprocal from a table: magnitudes at random would make a
            // choice of constant divisors mispredict, and a division is slow.
            shown = DivideBelow2To24(seven.digits, cut);
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

}  // namespace trendtab::fast
