// Decimal digits written fast: pairs from a table, eight at a time by lane arithmetic, whole
// words stored (so a write may reach up to 8 bytes past the digits).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include <array>

#include "converter/powers_of_ten.h"

namespace trendtab::fast {

// Digits are stored in whole 8-byte words: a write may reach this many bytes past them.
inline constexpr std::size_t kStoredPastDigits = 8;

inline constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

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
inline void StoreDigits(char* at, std::uint32_t value, int count) {
    const std::uint64_t text = EightDigits(value) >> (8 * (8 - count));
    std::memcpy(at, &text, sizeof text);
}

// The number of decimal digits of `value`, at least 1.
inline int DecimalDigitCount(std::uint64_t value) {
    value |= 1;  // 0 has one digit too; no power of ten above 1 is odd
    const int estimate = std::bit_width(value) * 1233 >> 12;  // floor(log10(2^bits)), [0, 19]
    return estimate + (value >= Pow10U64(estimate) ? 1 : 0);
}

// Writes the `count` digits of `value` (below 10^count) at `at` and returns their end; the bytes
// up to at + 8 may be overwritten too.
inline char* PutInteger(char* at, std::uint64_t value, int count) {
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
inline char* PutFixedDigits(std::uint32_t value, int count, char* end) {
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
inline void PutTwoDigits(char* at, std::int32_t value) {
    std::memcpy(at, &kDigitPairs[2 * static_cast<std::size_t>(value)], 2);
}

}  // namespace trendtab::fast
