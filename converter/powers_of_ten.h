// The powers of ten of the row arithmetic, one set: exact integers up to 10^32 (the largest divisor
// a float's seven digits need; FLT_MAX is about 3.4e38) and their doubles from 10^-46 to 10^39
// (exact up to 10^22, correctly rounded elsewhere).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace trendtab::fast {

__extension__ typedef unsigned __int128 Uint128;

inline constexpr int kMaxPow10 = 32;
inline constexpr int kMaxPow10U64 = 19;    // the largest below 2^64
inline constexpr int kMaxExactPow10 = 22;  // the largest a double holds exactly
inline constexpr int kMinPow10Double = -46;
inline constexpr int kMaxPow10Double = 39;

inline constexpr auto kPow10 = [] {
    std::array<Uint128, kMaxPow10 + 1> powers{};
    powers[0] = 1;
    for (int i = 1; i <= kMaxPow10; ++i) {
        powers[static_cast<std::size_t>(i)] = powers[static_cast<std::size_t>(i) - 1] * 10;
    }
    return powers;
}();

// 10^power for power in [0, 19].
inline std::uint64_t Pow10U64(int power) {
    return static_cast<std::uint64_t>(kPow10[static_cast<std::size_t>(power)]);
}

// As the compiler reads the literals: correctly rounded.
inline constexpr double kPow10Doubles[] = {
    1e-46, 1e-45, 1e-44, 1e-43, 1e-42, 1e-41, 1e-40, 1e-39, 1e-38, 1e-37, 1e-36, 1e-35, 1e-34,
    1e-33, 1e-32, 1e-31, 1e-30, 1e-29, 1e-28, 1e-27, 1e-26, 1e-25, 1e-24, 1e-23, 1e-22, 1e-21,
    1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,
    1e-7,  1e-6,  1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,   1e5,
    1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15,  1e16,  1e17,  1e18,
    1e19,  1e20,  1e21,  1e22,  1e23,  1e24,  1e25,  1e26,  1e27,  1e28,  1e29,  1e30,  1e31,
    1e32,  1e33,  1e34,  1e35,  1e36,  1e37,  1e38,  1e39};
static_assert(sizeof kPow10Doubles / sizeof kPow10Doubles[0] ==
              kMaxPow10Double - kMinPow10Double + 1);

// 10^power as a double, power in [-46, 39]; exact for [0, 22].
inline double Pow10Double(int power) {
    return kPow10Doubles[power - kMinPow10Double];
}

// The same for any power, clamped into that range (for tables whose far ends are never used).
constexpr double ClampedPow10Double(int power) {
    return kPow10Doubles[static_cast<std::size_t>(
        (power < kMinPow10Double ? kMinPow10Double
                                 : (power > kMaxPow10Double ? kMaxPow10Double : power)) -
        kMinPow10Double)];
}

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

}  // namespace trendtab::fast
