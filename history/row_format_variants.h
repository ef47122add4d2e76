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
}  // namespace plain

namespace fast {
void AppendDatePiece(std::string& row, const RecordTime& time, char separator);
void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds);
void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended);
double RoundCompactValue(float value);

// Whether the fast path handles the value itself rather than handing it to `plain` (for the tests
// and the sweep: outside these, both give the same bytes by construction).
bool CoversValue(double value);
bool CoversCompactValue(float value);
}  // namespace fast

}  // namespace trendtab
