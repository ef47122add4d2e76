// csv and tsv: a header row "time,<tag>,...", then a row per record.
#include "tools/hstexport/row_writer.h"

namespace hstexport {
namespace {

class TableWriter : public PlannedRowWriter {
  public:
    TableWriter(RowPlan plan, TimeText& time)
        : PlannedRowWriter(std::move(plan), time),
          longestRow_(plan_.fileCell.size() + TimeText::kLongest +
                      plan_.tags.size() * (1 + ValueText::kRoom) + 1) {}

    void Header(OutputBuffer& out) override {
        std::string row =
            plan_.fileCell.empty() ? "" : Cell("file", plan_.separator) + plan_.separator;
        row += TimeHeader(plan_);
        for (const std::string& name : plan_.names) {
            row += plan_.separator;
            row += Cell(name, plan_.separator);
        }
        row += '\n';
        out.Append(row);
    }

    void Record(const unsigned char* record, std::uint64_t ticks, OutputBuffer& out) override {
        char* p = out.Room(longestRow_);
        p = plan_.fileCell.copy(p, plan_.fileCell.size()) + p;
        p = time_.Write(ticks, plan_.fractionDigits, p);
        if (plan_.decimalComma) {
            for (std::size_t i = 0; i < plan_.tags.size(); ++i) {
                *p++ = plan_.separator;
                if (plan_.tags[i] >= 0) {
                    p = WriteValue(record, plan_, plan_.tags[i], values_[i], p);
                }
            }
        } else if (plan_.layout == Layout::Compact) {
            p = Values<Layout::Compact>(record, p);
        } else {
            p = Values<Layout::Wide>(record, p);
        }
        *p++ = '\n';
        out.Advance(p);
    }

  private:
    // The value cells of one layout with a decimal point. The plan is read into locals first:
    // the stores through `p` might otherwise alias it, and each value would load it again. The
    // value text is made inline, with no call per value.
    template <Layout kLayout>
    [[gnu::flatten]] char* Values(const unsigned char* record, char* p) {
        const char separator = plan_.separator;
        const int* tags = plan_.tags.data();
        ValueText* values = values_.data();
        const std::size_t count = plan_.tags.size();
        for (std::size_t i = 0; i < count; ++i) {
            *p++ = separator;
            if (tags[i] >= 0) {
                p = WriteValue(record, kLayout, tags[i], values[i], p);
            }
        }
        return p;
    }

    std::size_t longestRow_;
};

}  // namespace

std::string Cell(std::string_view text, char separator) {
    const bool quote =
        text.find_first_of(std::string{'"', '\r', '\n', separator}) != std::string_view::npos ||
        (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        return std::string(text);
    }
    std::string cell = "\"";
    for (const char c : text) {
        cell += c;
        if (c == '"') {
            cell += '"';
        }
    }
    return cell + '"';
}

std::unique_ptr<RowWriter> MakeTableWriter(RowPlan plan, TimeText& time) {
    return std::make_unique<TableWriter>(std::move(plan), time);
}

}  // namespace hstexport
