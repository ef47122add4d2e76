// The row pieces written plainly: printf-family formatting, and strtod to read a compact value
// back. This is the reference the fast path must match byte for byte.
#include "converter/row_format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace trendtab::plain {
namespace {

// snprintf into the end of `row`, growing it as the text needs; returns the length appended.
template <typename... Args>
std::size_t AppendFormatted(std::string& row, const char* format, Args... args) {
    const std::size_t start = row.size();
    char small[64];
    const int needed = std::snprintf(small, sizeof small, format, args...);
    if (needed < 0) {
        return 0;
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        row.append(small, static_cast<std::size_t>(needed));
    } else {
        row.resize(start + static_cast<std::size_t>(needed) + 1);
        std::snprintf(row.data() + start, static_cast<std::size_t>(needed) + 1, format, args...);
        row.resize(start + static_cast<std::size_t>(needed));
    }
    return row.size() - start;
}

}  // namespace

void AppendDatePiece(std::string& row, const RecordTime& time, char separator) {
    AppendFormatted(row, "%02d/%02d/%04d%c", time.day, time.month0 + 1, time.year1900 + 1900,
                    separator);
}

void AppendTimePiece(std::string& row, const RecordTime& time, char separator,
                     bool withMilliseconds) {
    if (withMilliseconds) {
        AppendFormatted(row, "%02d:%02d:%02d.%03d%c", time.hour, time.minute, time.second,
                        time.milliseconds, separator);
    } else {
        AppendFormatted(row, "%02d:%02d:%02d%c", time.hour, time.minute, time.second, separator);
    }
}

void AppendValuePiece(std::string& row, double value, char separator, bool isLast, bool extended) {
    if (extended) {
        if (isLast) {
            AppendFormatted(row, "%f", value);
        } else {
            AppendFormatted(row, "%f%c", value, separator);
        }
        return;
    }
    const std::size_t start = row.size();
    const std::size_t written = AppendFormatted(row, "%10.3f%c", value, separator);
    const std::size_t keep = isLast ? 10 : 11;
    row.resize(start + std::min(written, keep));
}

double RoundCompactValue(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%e", static_cast<double>(value));
    return std::strtod(text, nullptr);
}

void AppendCompactValuePiece(std::string& row, float value, char separator, bool isLast,
                             bool extended) {
    AppendValuePiece(row, RoundCompactValue(value), separator, isLast, extended);
}

}  // namespace trendtab::plain
