// A wide value's piece ("%10.3f" column or "%f" value) straight from the double, inline so that
// the value loop makes a row's pieces without a call per value. What is not covered here (NaN,
// the infinities, integer parts past 2^64) takes the plain implementation's piece.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "converter/compact_piece.h"
#include "converter/decimal_digits.h"
#include "converter/fixed_point.h"
#include "converter/row_format.h"

namespace trendtab::fast {

// Sign, up to 20 integer digits, the point and up to 6 decimals, and the separator.
inline constexpr std::size_t kMaxFixedText = 1 + 20 + 1 + 6 + 1;
static_assert(kMaxFixedText <= kMaxValuePiece);
static_assert(kStoredPastDigits <= kRoomPastPiece && kColumnBlanks <= kColumnWidth + kRoomPastPiece,
              "what a fixed-point piece stores past its text fits the room behind it");

// The plain implementation's piece, copied to `out`.
char* PutPlainValuePiece(char* out, double value, char separator, bool isLast, bool extended);

// Writes "%.*f" of the digits as a column or a full-width value, with its separator as the row
// layout wants it; returns the end. Branch-light, for values of every magnitude at random: the
// text is stored in whole words, and bytes past the piece are overwritten freely (the caller
// leaves room for that).
template <bool kExtended>
inline char* PutFixedPiece(char* out, bool negative, const FixedDigits& digits, char separator,
                           bool isLast) {
    const int integerDigits = DecimalDigitCount(digits.integer);
    // The sign and the padding from tables, not from conditions the compiler would make jumps of.
    const std::size_t sign = negative ? 1 : 0;
    if constexpr (kExtended) {
        char* p = out;
        *p = '-';
        p = PutInteger(p + sign, digits.integer, integerDigits);
        *p = '.';
        StoreDigits(p + 1, digits.fraction, 6);
        p[7] = separator;
        return p + (isLast ? 7 : 8);
    }
    // A column: "%10.3f" and the separator, cut to 11 characters, to 10 for the last value; so
    // always 11 or 10, right-aligned in spaces while the text is shorter than 10.
    const std::size_t pad = kColumnPad[sign + static_cast<std::size_t>(integerDigits)];
    std::memcpy(out, "                ", kColumnBlanks);
    out[pad] = kSignOrBlank[sign];
    char* p = PutInteger(out + pad + sign, digits.integer, integerDigits);
    p[0] = '.';
    p[1] = static_cast<char>('0' + digits.fraction / 100);
    std::memcpy(p + 2, &kDigitPairs[2 * (digits.fraction % 100)], 2);
    p[4] = separator;
    return out + (isLast ? kColumnWidth : kColumnWidth + 1);
}

template <bool kExtended>
inline char* PutWidePiece(char* out, double value, char separator, bool isLast) {
    constexpr int kDecimals = kExtended ? 6 : 3;
    DoubleParts parts;
    if (!Decompose(value, parts)) {
        return PutPlainValuePiece(out, value, separator, isLast, kExtended);  // NaN, infinities
    }
    // Magnitudes shown as zero (zeros included) become 0 * 2^-1 by selects, not by a jump that
    // random magnitudes mispredict: the common 64-bit arithmetic below then gives their digits.
    const bool zero = std::fabs(value) < kShownAsZero[kExtended ? 1 : 0];
    parts.mantissa = Select(zero, std::uint64_t{0}, parts.mantissa);
    parts.exponent = static_cast<int>(
        Select(zero, static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(parts.exponent)));
    FixedDigits digits;
    if (!ToFixed(parts, kDecimals, digits)) {
        return PutPlainValuePiece(out, value, separator, isLast, kExtended);
    }
    return PutFixedPiece<kExtended>(out, parts.negative, digits, separator, isLast);
}

}  // namespace trendtab::fast
