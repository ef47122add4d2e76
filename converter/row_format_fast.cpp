// The row pieces by integer arithmetic, with the bytes of the plain implementation: the date and
// time fields, and values through fixed_point.h (doubles) and seven_digits.h (compact values).
// Exact ties go to even, as glibc's and MinGW-w64's printf resolve them. What is not covered here
// goes to plain::.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "converter/compact_piece.h"
#include "converter/decimal_digits.h"
#include "converter/fixed_point.h"
#include "converter/row_format.h"
#include "converter/seven_digits.h"

namespace trendtab::fast {
namespace {

static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "values are decoded from their IEEE 754 bits");

// Sign, up to 20 integer digits, the point and up to 6 decimals, and the separator.
constexpr std::size_t kMaxFixedText = 1 + 20 + 1 + 6 + 1;
static_assert(kMaxFixedText <= kMaxValuePiece);
static_assert(kStoredPastDigits <= kRoomPastPiece && kColumnBlanks <= kColumnWidth + kRoomPastPiece,
              "what a fixed-point piece stores past its text fits the room behind it");

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
    char piece[kMaxDateTimePiece + kRoomPastPiece];
    row.append(piece, PutDatePiece(piece, time, separator));
}

void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds) {
    char piece[kMaxDateTimePiece + kRoomPastPiece];
    row.append(piece, PutTimePiece(piece, time, separator, withMilliseconds));
}

char* PutValuePiece(char* out, double value, char separator, bool isLast, bool extended) {
    const int decimals = extended ? 6 : 3;
    DoubleParts parts;
    if (!Decompose(value, parts)) {
        return PutPlainValuePiece(out, value, separator, isLast, extended);  // NaN, infinities
    }
    // Magnitudes shown as zero (zeros included) become 0 * 2^-1 by selects, not by a jump that
    // random magnitudes mispredict: the common 64-bit arithmetic below then gives their digits.
    const bool zero = std::fabs(value) < kShownAsZero[extended ? 1 : 0];
    parts.mantissa = Select(zero, std::uint64_t{0}, parts.mantissa);
    parts.exponent = static_cast<int>(
        Select(zero, static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(parts.exponent)));
    FixedDigits digits;
    if (!ToFixed(parts, decimals, digits)) {
        return PutPlainValuePiece(out, value, separator, isLast, extended);
    }
    return PutFixedPiece(out, parts.negative, digits, separator, isLast, extended);
}

char* PutCompactValuePiece(char* out, float value, char separator, bool isLast, bool extended) {
    return extended ? PutCompactPiece<true>(out, value, separator, isLast)
                    : PutCompactPiece<false>(out, value, separator, isLast);
}

void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended) {
    char piece[kMaxValuePiece + kRoomPastPiece];
    row.append(piece, PutValuePiece(piece, value, separator, isLast, extended));
}

void AppendCompactValuePiece(std::string& row, float value, char separator, bool isLast,
                             bool extended) {
    char piece[kMaxValuePiece + kRoomPastPiece];
    row.append(piece, PutCompactValuePiece(piece, value, separator, isLast, extended));
}

namespace {

char* PutFixedPiece(char* out, bool negative, const FixedDigits& digits, char separator,
                    bool isLast, bool extended) {
    // Branch-light, for values of every magnitude at random: the text is stored in whole words,
    // and bytes past the piece are overwritten freely (the caller leaves room for that).
    const int integerDigits = DecimalDigitCount(digits.integer);
    // The sign and the padding from tables, not from conditions the compiler would make jumps of.
    const std::size_t sign = negative ? 1 : 0;
    if (extended) {
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

char* PutPlainValuePiece(char* out, double value, char separator, bool isLast, bool extended) {
    std::string piece;
    plain::AppendValuePiece(piece, value, separator, isLast, extended);
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
    CompactText text;
    return extended ? CompactFixedText<true>(value, text) : CompactFixedText<false>(value, text);
}

bool CoversCompactValue(float value) {
    double result = 0;
    return TryRoundCompact(value, result);
}

}  // namespace trendtab::fast
