// The pieces of a .txt row: date, time and one value per tag, each followed by the separator
// as the row layout demands. This is the converter's hot path: the functions give the bytes of the
// printf-style formats named below, by the fast implementation, or by the plain one in a build
// with TRENDTAB_PLAIN=1 (both in row_format_variants.h).
#pragma once

#include <string>

#include "convert.h"

namespace trendtab {

// "DD/MM/YYYY" and the separator.
void AppendDatePiece(std::string& row, const RecordTime& time, char separator);

// "HH:MM:SS" (or "HH:MM:SS.mmm") and the separator, which follows even when no value does.
void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds);

// One value. Without `extended`: "%10.3f" and the separator, cut to 11 characters (10 for the last
// value), so a value wider than 10 characters loses its separator and then its last digits.
// With `extended`: "%f", followed by the separator unless it is the last value.
void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended);

// A compact value as shown: the float widened, printed with "%e" (7 significant digits) and read
// back with strtod.
double RoundCompactValue(float value);

// A compact value's piece: AppendValuePiece of RoundCompactValue.
void AppendCompactValuePiece(std::string& row, float value, char separator, bool isLast,
                             bool extended);

}  // namespace trendtab
