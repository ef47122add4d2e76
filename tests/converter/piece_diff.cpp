#include "tests/converter/piece_diff.h"

#include <bit>
#include <cstdio>

#include "converter/row_format.h"

namespace trendtab {
namespace {

constexpr std::uint64_t kReportedMismatches = 10;

std::string DescribeDouble(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%a (0x%016llx)", value,
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
    return text;
}

std::string DescribeFloat(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%a (0x%08lx)", static_cast<double>(value),
                  static_cast<unsigned long>(std::bit_cast<std::uint32_t>(value)));
    return text;
}

}  // namespace

template <typename Describe>
void PieceDiff::Compare(const char* what, const Describe& input, const std::string& fast,
                        const std::string& plain) {
    ++checks_;
    if (fast == plain) {
        return;
    }
    if (++mismatches_ <= kReportedMismatches) {
        report_ += std::string(what) + " of " + input() + ": fast \"" + fast + "\", plain \"" +
                   plain + "\"\n";
    }
}

void PieceDiff::CheckValue(double value, char separator) {
    const auto input = [value] { return DescribeDouble(value); };
    for (const bool extended : {false, true}) {
        for (const bool isLast : {false, true}) {
            fast_.clear();
            plain_.clear();
            fast::AppendValuePiece(fast_, value, separator, isLast, extended);
            plain::AppendValuePiece(plain_, value, separator, isLast, extended);
            Compare(extended ? (isLast ? "last /e value" : "/e value")
                             : (isLast ? "last column" : "column"),
                    input, fast_, plain_);
        }
    }
}

void PieceDiff::CheckCompact(float value) {
    CheckCompactAs(value, false);
}

void PieceDiff::CheckCompactWhereFast(float value) {
    CheckCompactAs(value, true);
}

void PieceDiff::CheckCompactAs(float value, bool onlyWhereFast) {
    const double plain = plain::RoundCompactValue(value);
    const bool compareRounding = !onlyWhereFast || fast::CoversCompactValue(value);
    const double fast = compareRounding ? fast::RoundCompactValue(value) : plain;
    checks_ += compareRounding ? 1 : 0;
    if (std::bit_cast<std::uint64_t>(fast) != std::bit_cast<std::uint64_t>(plain) &&
        ++mismatches_ <= kReportedMismatches) {
        report_ += "RoundCompactValue of " + DescribeFloat(value) + ": fast " +
                   DescribeDouble(fast) + ", plain " + DescribeDouble(plain) + "\n";
    }
    const auto shown = [value, plain] {
        return DescribeFloat(value) + " shown as " + DescribeDouble(plain);
    };
    // The piece straight from the float, in its four shapes.
    for (const bool extended : {false, true}) {
        if (onlyWhereFast && !fast::CoversCompactPiece(value, extended)) {
            continue;
        }
        for (const bool isLast : {false, true}) {
            fast_.clear();
            plain_.clear();
            fast::AppendCompactValuePiece(fast_, value, ',', isLast, extended);
            plain::AppendValuePiece(plain_, plain, ',', isLast, extended);
            Compare(extended ? (isLast ? "compact last /e value" : "compact /e value")
                             : (isLast ? "compact last column" : "compact column"),
                    shown, fast_, plain_);
        }
    }
    if (onlyWhereFast && !fast::CoversValue(plain)) {
        return;
    }
    for (const bool extended : {false, true}) {
        fast_.clear();
        plain_.clear();
        fast::AppendValuePiece(fast_, plain, ';', extended, extended);
        plain::AppendValuePiece(plain_, plain, ';', extended, extended);
        Compare(extended ? "last /e value" : "column", shown, fast_, plain_);
    }
}

void PieceDiff::CheckCompactPieceAgainstChain(float value) {
    const bool coveredColumn = fast::CoversCompactPiece(value, false);
    const bool coveredExtended = fast::CoversCompactPiece(value, true);
    if (!coveredColumn && !coveredExtended) {
        return;  // the piece is then made by the chain itself
    }
    const double shown = fast::RoundCompactValue(value);
    const auto input = [value, shown] {
        return DescribeFloat(value) + " shown as " + DescribeDouble(shown);
    };
    for (const bool extended : {false, true}) {
        if (!(extended ? coveredExtended : coveredColumn)) {
            continue;
        }
        for (const bool isLast : {false, true}) {
            fast_.clear();
            plain_.clear();
            fast::AppendCompactValuePiece(fast_, value, ',', isLast, extended);
            fast::AppendValuePiece(plain_, shown, ',', isLast, extended);
            Compare(extended ? (isLast ? "compact last /e value" : "compact /e value")
                             : (isLast ? "compact last column" : "compact column"),
                    input, fast_, plain_);
        }
    }
}

void PieceDiff::CheckDateAndTime(const RecordTime& time, char separator) {
    const auto text = [&time] {
        char fields[128];
        std::snprintf(fields, sizeof fields, "{s %d, min %d, h %d, d %d, mon0 %d, y1900 %d, ms %d}",
                      time.second, time.minute, time.hour, time.day, time.month0, time.year1900,
                      time.milliseconds);
        return std::string(fields);
    };
    fast_.clear();
    plain_.clear();
    fast::AppendDatePiece(fast_, time, separator);
    plain::AppendDatePiece(plain_, time, separator);
    Compare("date", text, fast_, plain_);
    for (const bool withMilliseconds : {false, true}) {
        fast_.clear();
        plain_.clear();
        fast::AppendTimePiece(fast_, time, separator, withMilliseconds);
        plain::AppendTimePiece(plain_, time, separator, withMilliseconds);
        Compare(withMilliseconds ? "time with milliseconds" : "time", text, fast_, plain_);
    }
}

void PieceDiff::Merge(const PieceDiff& other) {
    checks_ += other.checks_;
    if (mismatches_ < kReportedMismatches) {
        report_ += other.report_;
    }
    mismatches_ += other.mismatches_;
}

}  // namespace trendtab
