#include "tools/hstview/csv_export.h"

#include "tools/hstexport/byte_sink.h"
#include "tools/hstexport/file_runner.h"
#include "tools/hstexport/input_discovery.h"
#include "tools/hstexport/progress.h"

namespace hstview {
namespace {

using namespace hstexport;

// Collects the export in memory, up to a limit.
class StringSink : public ByteSink {
  public:
    StringSink(std::string& bytes, std::size_t limit) : bytes_(bytes), limit_(limit) {}
    bool Write(const char* data, std::size_t size) override {
        if (size > limit_ - bytes_.size()) {
            reason_ = "larger than " + std::to_string(limit_) + " bytes";
            exceeded = true;
            return false;
        }
        bytes_.append(data, size);
        bytesOut_ += size;
        return true;
    }
    bool Finish() override { return !exceeded; }
    bool exceeded = false;

  private:
    std::string& bytes_;
    std::size_t limit_;
};

}  // namespace

CsvExport ExportCsv(const std::vector<std::string>& inputs, const ExportParameters& parameters,
                    std::size_t maxBytes) {
    CsvExport result;
    ExportPlan plan;
    if (!PlanExport(inputs, parameters, {"-o", "-"}, plan, result.error)) {
        return result;
    }
    const ExportOptions& options = plan.options;
    const TimeRange& range = plan.range;
    const Discovery discovery = DiscoverInputs(options.inputs, options.recursive);
    Progress progress(discovery.files.size(), 0, false);
    StringSink sink(result.bytes, maxBytes);
    const RunTotals totals = RunExports(discovery.files, options, range, progress, &sink);
    if (sink.exceeded) {
        result.tooLarge = true;
        result.error = "the export is " + sink.reason() + ": choose fewer tags or a shorter range";
        result.bytes.clear();
        return result;
    }
    result.ok = true;
    (void)totals;  // a file that failed is left out, as hstexport leaves it out of its output
    return result;
}

}  // namespace hstview
