// The long form: "time,tag,value", a row per sample, the shape databases and plotting tools load.
#include "tools/hstexport/row_writer.h"

#include <cstring>

namespace hstexport {
namespace {

class LongWriter : public PlannedRowWriter {
  public:
    LongWriter(RowPlan plan, TimeText& time) : PlannedRowWriter(std::move(plan), time) {
        std::size_t names = 0;
        for (std::string& name : plan_.names) {
            name = Cell(name, plan_.separator);
            names += name.size();
        }
        const std::size_t perRow =
            plan_.fileCell.size() + TimeText::kLongest + 3 + ValueText::kRoom;
        longestRecord_ = plan_.tags.size() * perRow + names;
    }

    void Header(OutputBuffer& out) override {
        const std::string sep(1, plan_.separator);
        out.Append((plan_.fileCell.empty() ? "" : "file" + sep) + TimeHeader(plan_) + sep + "tag" +
                   sep + "value\n");
    }

    [[gnu::flatten]] void Record(const unsigned char* record, std::uint64_t ticks,
                                 OutputBuffer& out) override {
        char time[TimeText::kLongest];
        const std::size_t timeLength =
            static_cast<std::size_t>(time_.Write(ticks, plan_.fractionDigits, time) - time);
        char* p = out.Room(longestRecord_);
        for (std::size_t i = 0; i < plan_.tags.size(); ++i) {
            p = plan_.fileCell.copy(p, plan_.fileCell.size()) + p;
            std::memcpy(p, time, timeLength);
            p += timeLength;
            *p++ = plan_.separator;
            p = plan_.names[i].copy(p, plan_.names[i].size()) + p;
            *p++ = plan_.separator;
            p = WriteValue(record, plan_, plan_.tags[i], values_[i], p);
            *p++ = '\n';
        }
        out.Advance(p);
    }

  private:
    std::size_t longestRecord_ = 0;
};

}  // namespace

std::unique_ptr<RowWriter> MakeLongWriter(RowPlan plan, TimeText& time) {
    return std::make_unique<LongWriter>(std::move(plan), time);
}

}  // namespace hstexport
