// A compact value's piece straight from the float, inline so that the value loop makes a row's
// pieces without a call per value. The same bytes as the value piece of the compact value read
// back; what is not covered here goes through fast::PutValuePiece.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "converter/decimal_digits.h"
#include "converter/powers_of_ten.h"
#include "converter/row_format.h"
#include "converter/seven_digits.h"

namespace trendtab::fast {

// "%10.3f": a column is 10 characters wide, and starts as 16 spaces stored at once.
inline constexpr int kColumnWidth = 10;
// Every column with its separator (or cut to that length): what a row advances by.
inline constexpr std::size_t kColumnStride = kColumnWidth + 1;
inline constexpr std::size_t kColumnBlanks = 16;

// Magnitudes below these show as zero: their seven digits stay below half a unit of the last shown
// decimal (5e-4 for three decimals, 5e-7 for six). The bounds sit a little under those halves, so
// the floats nearest a half, whose seven digits may round up to it, take the long way.
inline constexpr float kShownAsZero[2] = {4.999e-4F, 4.999e-7F};

inline constexpr std::uint64_t kZeroDigits = 0x3030303030303030ULL;  // "00000000"

// `whenTrue` or `whenFalse` by a mask rather than a jump the compiler might choose: the condition
// follows the magnitude of random values, which no predictor guesses.
template <typename T>
inline T Select(bool condition, T whenTrue, T whenFalse) {
    const T mask = T{0} - static_cast<T>(condition);
    return (whenTrue & mask) | (whenFalse & ~mask);
}

// A compact value's text as words: the integer part is the first `integerDigits` bytes of `head`
// and '0's after them; the decimals are the bytes that follow, in `head` and then '0's.
struct CompactText {
    std::uint64_t head;
    int integerDigits;  // [1, 19]
};

// The 8 bytes from `from` (at least 1) on of `head` followed by '0's.
inline std::uint64_t TextFrom(std::uint64_t head, int from) {
    const int within = std::min(from, 8);
    return ((head >> (8 * within - 8)) >> 8) | (kZeroDigits << (64 - 8 * within));
}

// How the seven digits d of a compact value d * 10^power10 become its shown digits, by power10
// (from -(decimals + 7), below which every value shows as zero, to 12, from where on a double
// need not hold the value): divided by 10^cut with a reciprocal and rounded (cut = -(power10 +
// decimals) >= 1), or kept whole (divisor 1, so no rest). The shown digits are then written with
// at least decimals + 1 of them, and the point falls `integerOffset` after their count: -decimals
// for cut digits, power10 for whole ones, the seven digits followed by '0's.
struct ShownScale {
    std::uint64_t multiplier;
    std::uint64_t divisor;
    int shift;
    int integerOffset;
};
inline constexpr int kMaxShownPower10 = 12;
template <int kDecimals>
inline constexpr int kMinShownPower10 = -(kDecimals + 7);
template <int kDecimals>
inline constexpr auto kShownScales = [] {
    std::array<ShownScale, kMaxShownPower10 - kMinShownPower10<kDecimals> + 1> scales{};
    for (std::size_t i = 0; i < scales.size(); ++i) {
        const int power10 = kMinShownPower10<kDecimals> + static_cast<int>(i);
        const int cut = -(power10 + kDecimals);
        if (cut >= 1) {
            const Reciprocal& r = kReciprocalsOfPow10[static_cast<std::size_t>(cut)];
            scales[i] = {r.multiplier, static_cast<std::uint64_t>(kPow10[cut]), r.shift,
                         -kDecimals};
        } else {
            scales[i] = {1, 1, 0, power10};
        }
    }
    return scales;
}();

// The text a compact value's piece shows, straight from the float; false where the chain through
// the double must decide. Random magnitudes would defeat branch prediction, so the two classes
// (digits cut and rounded, digits shown whole and padded with '0's) share one path through a
// table by power of ten: a single digit conversion of either the seven digits or the rounded
// ones. Values shown as zero leave early: that jump measured cheaper than the seven digits of a
// stand-in.
//  - whole (power10 >= -decimals): d * 10^power10 shows the seven digits of d, then '0's, the
//    point after 7 + power10 of them. The double read back is d * 10^power10 itself (from 10^6
//    on) or within half its last binary place of it, far below one unit of the last decimal.
//  - cut: the digits rounded to `decimals`, ties left to the chain (the double's side decides).
template <bool kExtended>
[[gnu::always_inline]] inline bool CompactFixedText(float value, CompactText& text) {
    constexpr int decimals = kExtended ? 6 : 3;
    const bool zero = std::fabs(value) < kShownAsZero[kExtended ? 1 : 0];  // zeros too, NaN not
    if (zero) {
        text = {kZeroDigits, 1};
        return true;
    }
    SevenDigits seven;
    if (!ToSevenDigits(value, seven)) {
        return false;  // NaN, infinities, the extremes
    }
    const auto index = static_cast<std::uint32_t>(seven.power10 - kMinShownPower10<decimals>);
    if (index >= kShownScales<decimals>.size()) {
        return false;  // from 10^19 on (and below what shows as zero, which left above)
    }
    const ShownScale& scale = kShownScales<decimals>[index];
    const auto digits = static_cast<std::uint32_t>(seven.digits);
    const std::uint64_t truncated = (digits * scale.multiplier) >> scale.shift;
    const std::uint64_t twiceRest = (digits - truncated * scale.divisor) * 2;
    if (twiceRest == scale.divisor) {
        return false;  // exactly halfway (never for whole digits: no rest against a divisor of 1)
    }
    const auto shown = static_cast<std::uint32_t>(truncated + (twiceRest > scale.divisor ? 1 : 0));
    // At least decimals + 1 digits, so "0.001" for 1; seven for whole digits. The bytes above them
    // are '0's, which the digits of a whole value continue with.
    const int shownDigits = DecimalDigitCount(shown);
    const int length = static_cast<int>(Select<std::uint32_t>(
        shownDigits > decimals, static_cast<std::uint32_t>(shownDigits), decimals + 1));
    text.head = (EightDigits(shown) >> (8 * (8 - length))) | (kZeroDigits << (8 * length));
    text.integerDigits = length + scale.integerOffset;
    return true;
}

inline constexpr char kSignOrBlank[2] = {' ', '-'};
// The blanks before a column's text by the length of its sign and integer digits (at most 21).
inline constexpr auto kColumnPad = [] {
    std::array<std::uint8_t, 22> pad{};
    for (std::size_t length = 0; length < pad.size(); ++length) {
        const std::size_t text = length + 4;  // the point and three decimals
        pad[length] = static_cast<std::uint8_t>(text < kColumnWidth ? kColumnWidth - text : 0);
    }
    return pad;
}();

// Writes a compact value's text (and its separator) at `at`; returns the end of the separator. The
// words stored reach 24 bytes past `at`, or 8 past the separator.
inline constexpr std::size_t kCompactTextWords = 24;
static_assert(kColumnWidth / 2 + 1 + kCompactTextWords <= kColumnWidth + 1 + kRoomPastPiece &&
                  8 <= kRoomPastPiece,
              "the padding before a short column's text and the words fit the room behind");
inline char* PutCompactText(char* at, const CompactText& text, int decimals, char separator) {
    std::memcpy(at, &text.head, 8);
    std::memcpy(at + 8, &kZeroDigits, 8);
    std::memcpy(at + 16, &kZeroDigits, 8);
    static_assert(kCompactTextWords == 24);
    char* const point = at + text.integerDigits;
    *point = '.';
    const std::uint64_t fraction =
        TextFrom(text.head, text.integerDigits) & ((std::uint64_t{1} << (8 * decimals)) - 1);
    const std::uint64_t tail = fraction | std::uint64_t{static_cast<unsigned char>(separator)}
                                              << (8 * decimals);
    std::memcpy(point + 1, &tail, 8);
    return point + decimals + 2;
}

// Writes a compact value's piece with its separator as the row layout wants it; returns the end.
// `out` has room for kMaxValuePiece and kRoomPastPiece more.
template <bool kExtended>
[[gnu::always_inline]] inline char* PutCompactPiece(char* out, float value, char separator,
                                                    bool isLast) {
    CompactText text;
    if (!CompactFixedText<kExtended>(value, text)) [[unlikely]] {
        return PutValuePiece(out, RoundCompactValue(value), separator, isLast, kExtended);
    }
    // Tables rather than conditions: the compiler would turn those into jumps on the sign and
    // the length, which random values mispredict.
    const std::size_t sign = std::bit_cast<std::uint32_t>(value) >> 31;
    if constexpr (kExtended) {
        *out = '-';
        char* const end = PutCompactText(out + sign, text, 6, separator);
        return end - (isLast ? 1 : 0);
    } else {
        // A column, as "%10.3f" lays it out.
        const std::size_t pad = kColumnPad[sign + static_cast<std::size_t>(text.integerDigits)];
        std::memcpy(out, "                ", kColumnBlanks);
        out[pad] = kSignOrBlank[sign];
        PutCompactText(out + pad + sign, text, 3, separator);
        return out + (isLast ? kColumnWidth : kColumnWidth + 1);
    }
}

}  // namespace trendtab::fast
