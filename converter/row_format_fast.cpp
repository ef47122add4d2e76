// The row pieces by integer arithmetic, with the bytes of the plain implementation: the date and
// time fields, and values through fixed_point.h (doubles) and seven_digits.h (compact values).
// Exact ties go to even, as glibc's and MinGW-w64's printf resolve them. What is not covered here
// goes to plain::.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "converter/compact_piece.h"
#include "converter/decimal_digits.h"
#include "converter/fixed_point.h"
#include "converter/row_format.h"
#include "converter/seven_digits.h"
#include "converter/wide_piece.h"

namespace trendtab::fast {
namespace {

static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "values are decoded from their IEEE 754 bits");

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
    return extended ? PutWidePiece<true>(out, value, separator, isLast)
                    : PutWidePiece<false>(out, value, separator, isLast);
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

char* PutPlainValuePiece(char* out, double value, char separator, bool isLast, bool extended) {
    std::string piece;
    plain::AppendValuePiece(piece, value, separator, isLast, extended);
    const std::size_t length = std::min(piece.size(), kMaxValuePiece);
    std::memcpy(out, piece.data(), length);
    return out + length;
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

bool CoversCompactPiece(float value, bool extended) {
    CompactText text;
    return extended ? CompactFixedText<true>(value, text) : CompactFixedText<false>(value, text);
}

bool CoversCompactValue(float value) {
    double result = 0;
    return TryRoundCompact(value, result);
}

}  // namespace trendtab::fast
