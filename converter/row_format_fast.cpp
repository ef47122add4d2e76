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
constexpr int kColumnWidth = 10;
// A column starts as 16 spaces stored at once.
constexpr std::size_t kColumnBlanks = 16;
static_assert(kMaxFixedText <= kMaxValuePiece);
static_assert(kStoredPastDigits <= kRoomPastPiece && kColumnBlanks <= kColumnWidth + kRoomPastPiece,
              "what a fixed-point piece stores past its text fits the room behind it");

// Writes "%.*f" of the digits as a column or a full-width value, with its separator as the row
// layout wants it; returns the end.
char* PutFixedPiece(char* out, bool negative, const FixedDigits& digits, char separator,
                    bool isLast, bool extended);
// The plain implementation's piece, copied to `out`.
char* PutPlainValuePiece(char* out, double value, char separator, bool isLast, bool extended);

// Magnitudes below these show as zero: their seven digits stay below half a unit of the last shown
// decimal (5e-4 for three decimals, 5e-7 for six). The bounds sit a little under those halves, so
// the floats nearest a half, whose seven digits may round up to it, take the long way.
constexpr float kShownAsZero[2] = {4.999e-4F, 4.999e-7F};

constexpr std::uint64_t kZeroDigits = 0x3030303030303030ULL;  // "00000000"

// `whenTrue` or `whenFalse` by a mask rather than a jump the compiler might choose: the condition
// follows the magnitude of random values, which no predictor guesses.
template <typename T>
T Select(bool condition, T whenTrue, T whenFalse) {
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
std::uint64_t TextFrom(std::uint64_t head, int from) {
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
bool CompactFixedText(float value, bool extended, CompactText& text) {
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

constexpr char kSignOrBlank[2] = {' ', '-'};
// The blanks before a column's text by the length of its sign and integer digits (at most 21).
constexpr auto kColumnPad = [] {
    std::array<std::uint8_t, 22> pad{};
    for (std::size_t length = 0; length < pad.size(); ++length) {
        const std::size_t text = length + 4;  // the point and three decimals
        pad[length] = static_cast<std::uint8_t>(text < kColumnWidth ? kColumnWidth - text : 0);
    }
    return pad;
}();

// Writes a compact value's text (and its separator) at `at`; returns the end of the separator. The
// words stored reach 24 bytes past `at`, or 8 past the separator.
constexpr std::size_t kCompactTextWords = 24;
static_assert(kColumnWidth / 2 + 1 + kCompactTextWords <= kColumnWidth + 1 + kRoomPastPiece &&
                  8 <= kRoomPastPiece,
              "the padding before a short column's text and the words fit the room behind");
char* PutCompactText(char* at, const CompactText& text, int decimals, char separator) {
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
    CompactText text;
    if (!CompactFixedText(value, extended, text)) {
        return PutValuePiece(out, RoundCompactValue(value), separator, isLast, extended);
    }
    // Tables rather than conditions: the compiler would turn those into jumps on the sign and
    // the length, which random values mispredict.
    const std::size_t sign = std::bit_cast<std::uint32_t>(value) >> 31;
    if (extended) {
        *out = '-';
        char* const end = PutCompactText(out + sign, text, 6, separator);
        return end - (isLast ? 1 : 0);
    }
    // A column, as PutFixedPiece lays it out.
    const std::size_t pad = kColumnPad[sign + static_cast<std::size_t>(text.integerDigits)];
    std::memcpy(out, "                ", kColumnBlanks);
    out[pad] = kSignOrBlank[sign];
    PutCompactText(out + pad + sign, text, 3, separator);
    return out + (isLast ? kColumnWidth : kColumnWidth + 1);
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
    return CompactFixedText(value, extended, text);
}

bool CoversCompactValue(float value) {
    double result = 0;
    return TryRoundCompact(value, result);
}

}  // namespace trendtab::fast
