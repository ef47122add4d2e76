// The pieces of a .txt row: date, time and one value per tag, each followed by the separator as
// the row layout demands. Two implementations side by side: `plain` formats with snprintf and
// reads back with strtod, as the layout is defined; `fast` gives the same bytes by integer
// arithmetic and hands what it does not cover to `plain`. The record loops pick one; the
// differential tests and the benchmarks call both.
#pragma once

#include <cstddef>
#include <string>

#include "history/record_time.h"

namespace trendtab {

namespace plain {
// "%02d/%02d/%04d" of day, month, year, and the separator.
void AppendDatePiece(std::string& row, const RecordTime& time, char separator);
// "%02d:%02d:%02d" (or "%02d:%02d:%02d.%03d" with milliseconds) and the separator, which follows
// even when no value does.
void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds);
// One value. Without `extended`: "%10.3f" and the separator, cut to 11 characters (10 for the last
// value), so a value wider than 10 characters loses its separator and then its last digits.
// With `extended`: "%f", followed by the separator unless it is the last value.
void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended);
// A compact value as shown: the float widened, printed with "%e" (7 significant digits) and read
// back with strtod.
double RoundCompactValue(float value);
// AppendValuePiece of RoundCompactValue.
void AppendCompactValuePiece(std::string& row, float value, char separator, bool isLast,
                             bool extended);
}  // namespace plain

namespace fast {
// The most text a value piece takes: "%f" of the largest double (317 characters) and a separator.
inline constexpr std::size_t kMaxValuePiece = 318;
// The most text a date or time piece takes: "%02d" of the most negative int is 11 characters.
inline constexpr std::size_t kMaxDateTimePiece = 64;
// The pieces below store whole words and fixed-size copies, so they may write up to this many
// bytes past their text (the next piece overwrites them). Every buffer they write to keeps this
// room behind its longest text.
inline constexpr std::size_t kRoomPastPiece = 48;

// The pieces written to `out`, which has room for kMaxDateTimePiece or kMaxValuePiece bytes and
// kRoomPastPiece more; return the end of the text.
char* PutDatePiece(char* out, const RecordTime& time, char separator);
char* PutTimePiece(char* out, const RecordTime& time, char separator, bool withMilliseconds);
char* PutValuePiece(char* out, double value, char separator, bool isLast, bool extended);
char* PutCompactValuePiece(char* out, float value, char separator, bool isLast, bool extended);

void AppendDatePiece(std::string& row, const RecordTime& time, char separator);
void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds);
void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended);
double RoundCompactValue(float value);
// A compact value's piece straight from the float: the same bytes as AppendValuePiece of
// RoundCompactValue.
void AppendCompactValuePiece(std::string& row, float value, char separator, bool isLast,
                             bool extended);

// Whether the fast path handles the value itself rather than handing it to `plain` (for the tests
// and the sweep: outside these, both give the same bytes by construction).
bool CoversValue(double value);
bool CoversCompactValue(float value);
bool CoversCompactPiece(float value, bool extended);
}  // namespace fast

}  // namespace trendtab
