// The two implementations of the row pieces, side by side. `plain` formats with snprintf and reads
// back with strtod, as the row layout is defined; `fast` gives the same bytes by integer arithmetic
// and falls back to `plain` for what it does not cover. row_format.h picks one for the converter;
// the differential tests and the benchmarks call both.
#pragma once

#include <string>

#include "convert.h"

namespace trendtab {

namespace plain {
void AppendDatePiece(std::string& row, const RecordTime& time, char separator);
void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds);
void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended);
double RoundCompactValue(float value);
void AppendCompactValuePiece(std::string& row, float value, char separator, bool isLast,
                             bool extended);
}  // namespace plain

namespace fast {
// The most a value piece takes: "%f" of the largest double (317 characters) and a separator.
inline constexpr std::size_t kMaxValuePiece = 320;
// The most a date or time piece takes: "%02d" of the most negative int is 11 characters.
inline constexpr std::size_t kMaxDateTimePiece = 64;
// The pieces written to `out`, which has room for kMaxDateTimePiece or kMaxValuePiece bytes;
// return the end.
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
