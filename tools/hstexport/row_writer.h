// The rows of one file in one output format: a table (csv, tsv: a time column, then a column per
// tag) or the long form (time, tag, value: a row per sample).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/hstexport/history_source.h"
#include "tools/hstexport/output_buffer.h"
#include "tools/hstexport/time_text.h"
#include "tools/hstexport/value_text.h"

namespace hstexport {

struct RowPlan {
    Layout layout = Layout::Compact;
    char separator = ',';
    int fractionDigits = 0;
    bool offsetColumn = false;  // a utc_offset column after the time
    bool decimalComma = false;
    std::string fileCell;  // the leading file column's cell, "" without one
    // Table: the tag shown in each value column (-1: an empty cell, the file has no such tag).
    // Long: the tags shown, in order.
    std::vector<int> tags;
    std::vector<std::string> names;  // the header's name of each of those columns or tags
};

class RowWriter {
  public:
    virtual ~RowWriter() = default;
    virtual void Header(OutputBuffer& out) = 0;
    // One record whose stamp is `ticks`.
    virtual void Record(const unsigned char* record, std::uint64_t ticks, OutputBuffer& out) = 0;
    // The fraction digits of the times from now on, in place of the plan's.
    virtual void UseFractionDigits(int digits) = 0;
};

// What both formats keep: the plan, the time text, and each shown tag's last value.
class PlannedRowWriter : public RowWriter {
  public:
    void UseFractionDigits(int digits) override { plan_.fractionDigits = digits; }

  protected:
    PlannedRowWriter(RowPlan plan, TimeText& time)
        : plan_(std::move(plan)), time_(time), values_(plan_.tags.size()) {}

    RowPlan plan_;
    TimeText& time_;
    std::vector<ValueText> values_;
};

std::unique_ptr<RowWriter> MakeTableWriter(RowPlan plan, TimeText& time);
std::unique_ptr<RowWriter> MakeLongWriter(RowPlan plan, TimeText& time);

// A cell as the CSV rules have it: quoted, with quotes doubled, when it holds the separator, a
// quote, a line end, or space at either end.
std::string Cell(std::string_view text, char separator);

// Writes tag `tag`'s value of `record` at `out`.
inline char* WriteValue(const unsigned char* record, Layout layout, int tag, ValueText& text,
                        char* out) {
    if (layout == Layout::Compact) {
        return text.WriteFloat(LoadLe32(record + 4 + 4 * static_cast<std::size_t>(tag)), out);
    }
    return text.WriteDouble(LoadLe64(record + 8 + 8 * static_cast<std::size_t>(tag)), out);
}

// The same with a decimal comma when the plan asks for one: the digits stay the same.
inline char* WriteValue(const unsigned char* record, const RowPlan& plan, int tag, ValueText& text,
                        char* out) {
    char* end = WriteValue(record, plan.layout, tag, text, out);
    if (plan.decimalComma) {
        for (char* p = out; p != end; ++p) {
            if (*p == '.') {
                *p = ',';
                break;
            }
        }
    }
    return end;
}

// The header's leading time cells: "time", and "utc_offset" after it with wall-clock times.
inline std::string TimeHeader(const RowPlan& plan) {
    return plan.offsetColumn ? std::string("time") + plan.separator + "utc_offset" : "time";
}

}  // namespace hstexport
