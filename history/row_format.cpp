// Picks the implementation the converter uses. TRENDTAB_PLAIN=1 builds the plain one, the design
// written plainly, as the reference program; otherwise the fast one.
#include "row_format.h"

#include "row_format_variants.h"

#ifndef TRENDTAB_PLAIN
#define TRENDTAB_PLAIN 0
#endif

namespace trendtab {
namespace {

constexpr bool kPlain = TRENDTAB_PLAIN != 0;

}  // namespace

void AppendDatePiece(std::string& row, const RecordTime& time, char separator) {
    if constexpr (kPlain) {
        plain::AppendDatePiece(row, time, separator);
    } else {
        fast::AppendDatePiece(row, time, separator);
    }
}

void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds) {
    if constexpr (kPlain) {
        plain::AppendTimePiece(row, time, separator, withMilliseconds);
    } else {
        fast::AppendTimePiece(row, time, separator, withMilliseconds);
    }
}

void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended) {
    if constexpr (kPlain) {
        plain::AppendValuePiece(row, value, separator, isLast, extended);
    } else {
        fast::AppendValuePiece(row, value, separator, isLast, extended);
    }
}

double RoundCompactValue(float value) {
    if constexpr (kPlain) {
        return plain::RoundCompactValue(value);
    } else {
        return fast::RoundCompactValue(value);
    }
}

void AppendCompactValuePiece(std::string& row, float value, char separator, bool isLast,
                             bool extended) {
    if constexpr (kPlain) {
        plain::AppendCompactValuePiece(row, value, separator, isLast, extended);
    } else {
        fast::AppendCompactValuePiece(row, value, separator, isLast, extended);
    }
}

}  // namespace trendtab
