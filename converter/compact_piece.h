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

// The text a compact value's piece shows, straight from the float; false where the chain through
// the double must decide. Random magnitudes would defeat branch prediction, so the two classes
// (digits cut and rounded, digits shown whole and padded with '0's) share one path of selects: a
// single digit conversion of either the seven digits or the rounded ones. Values shown as zero
// leave early: that jump measured cheaper than the seven digits of a stand-in.
//  - whole (power10 >= -decimals): d * 10^power10 shows the seven digits of d, then '0's, the
//    point after 7 + power10 of them. The double read back is d * 10^power10 itself (from 10^6
//    on) or within half its last binary place of it, far below one unit of the last decimal.
//  - cut: the digits rounded to `decimals`, ties left to the chain (the double's side decides).
[[gnu::always_inline]] inline bool CompactFixedText(float value, bool extended, CompactText& text) {
    const int decimals = extended ? 6 : 3;
    const bool zero = std::fabs(value) < kShownAsZero[extended ? 1 : 0];  // zeros too, NaN not
    if (zero) {
        text = {kZeroDigits, 1};
        return true;
    }
    SevenDigits seven;
    if (!ToSevenDigits(value, seven) || seven.power10 > 12) {
        return false;  // NaN, infinities, the extremes; from 10^19 on a double need not hold it
    }
    const int power10 = seven.power10;
    const auto digits = static_cast<std::uint32_t>(seven.digits);
    const bool cutDigits = power10 < -decimals;
    // Cut: rounded to units of the last decimal, by a reciprocal from a table.
    const int beyond = -(power10 + decimals);
    const int cut = static_cast<int>(
        Select<std::uint32_t>(beyond < 1, 1, Select<std::uint32_t>(beyond > 7, 7, beyond)));
    const std::uint64_t divisor = Pow10U64(cut);
    const std::uint64_t truncated = DivideBelow2To24(digits, cut);
    const std::uint64_t twiceRest = (digits - truncated * divisor) * 2;
    // One comparison, almost never true: the rest of digits that are not cut counts as none.
    if (Select(cutDigits, twiceRest, std::uint64_t{0}) == divisor) {
        return false;  // exactly halfway
    }
    const std::uint64_t rounded = truncated + (twiceRest > divisor ? 1 : 0);
    const auto shown =
        static_cast<std::uint32_t>(Select<std::uint64_t>(cutDigits, rounded, digits));
    const std::uint64_t eight = EightDigits(shown);
    // Cut: the last max(digit count, decimals + 1) digits, so "0.001" for 1.
    const int shownDigits = DecimalDigitCount(shown);
    const int cutLength = static_cast<int>(Select<std::uint32_t>(
        shownDigits > decimals, shownDigits, static_cast<std::uint32_t>(decimals + 1)));
    const std::uint64_t cutHead = eight >> (8 * (8 - cutLength));
    // Whole: the seven digits, then '0's.
    const std::uint64_t wholeHead = (eight >> 8) | (kZeroDigits << 56);
    text.head = Select(cutDigits, cutHead, wholeHead);
    text.integerDigits = static_cast<int>(
        Select<std::uint32_t>(cutDigits, static_cast<std::uint32_t>(cutLength - decimals),
                              static_cast<std::uint32_t>(7 + power10)));
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
    if (!CompactFixedText(value, kExtended, text)) [[unlikely]] {
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
