// A double's digits at a fixed number of decimals ("%.3f", "%f"), exactly: a double is m * 2^e
// with m below 2^53, so the digits follow from 64- or 128-bit products and shifts.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "converter/powers_of_ten.h"
#include "converter/round_half_even.h"

namespace trendtab::fast {

struct DoubleParts {
    bool negative;
    std::uint64_t mantissa;  // below 2^53
    int exponent;            // value = mantissa * 2^exponent, [-1074, 971]
};

// False for NaN and the infinities.
inline bool Decompose(double value, DoubleParts& parts) {
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
inline constexpr int kMaxIntegerExponent = 11;

// The digits "%.*f" shows for |value|: an integer part and `decimals` fractional digits.
struct FixedDigits {
    std::uint64_t integer;
    std::uint32_t fraction;  // below 10^decimals
};

// False where the integer part would not fit 64 bits.
inline bool ToFixed(const DoubleParts& parts, int decimals, FixedDigits& digits) {
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
    const std::uint64_t unit64 = Pow10U64(decimals);
    // The common case in 64 bits: below < 2^53, so below * 1000 < 2^63, and below * 10^6 fits
    // while below < 2^44.
    if (shift < 64 && (decimals <= 3 || below < (std::uint64_t{1} << 44))) {
        const std::uint64_t scaled = below * unit64;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        const std::uint64_t fraction = RoundHalfEven(scaled >> shift, rest, half);
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
    const auto truncated = static_cast<std::uint64_t>(scaled >> shift);  // below 10^decimals
    const Uint128 rest = scaled - (Uint128{truncated} << shift);
    const Uint128 half = Uint128{1} << (shift - 1);
    // 10^decimals is even, so the last decimal's parity is the whole number's.
    const std::uint64_t fraction = RoundHalfEven(truncated, CompareWithHalf(rest, half));
    if (fraction == unit) {
        digits = {integer + 1, 0};
    } else {
        digits = {integer, static_cast<std::uint32_t>(fraction)};
    }
    return true;
}

}  // namespace trendtab::fast
