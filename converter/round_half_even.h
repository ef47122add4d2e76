// Rounding a truncated quotient to the nearest, ties to even: how printf rounds its digits in the
// default rounding mode (the program never changes it).
#pragma once

#include <cstdint>

namespace trendtab::fast {

// How a remainder compares with half the divisor: < 0, 0 or > 0.
template <typename T>
int CompareWithHalf(T rest, T half) {
    return rest < half ? -1 : (rest == half ? 0 : 1);
}

// `truncated` rounded up where its remainder was more than half, or exactly half and it is odd.
inline std::uint64_t RoundHalfEven(std::uint64_t truncated, int restVsHalf) {
    return truncated + (restVsHalf > 0 || (restVsHalf == 0 && (truncated & 1) != 0) ? 1 : 0);
}

// The same from the remainder and half the divisor, without a jump: for quotients of random
// values, where which way they round is a coin toss.
inline std::uint64_t RoundHalfEven(std::uint64_t truncated, std::uint64_t rest,
                                   std::uint64_t half) {
    const auto above = static_cast<std::uint64_t>(rest > half);
    const auto tie = static_cast<std::uint64_t>(rest == half);
    return truncated + (above | (tie & truncated & 1));
}

}  // namespace trendtab::fast
