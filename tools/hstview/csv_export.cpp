#include "tools/hstview/csv_export.h"

#include <tuple>

#include "tools/hstexport/byte_sink.h"
#include "tools/hstexport/export_options.h"
#include "tools/hstexport/file_runner.h"
#include "tools/hstexport/input_discovery.h"
#include "tools/hstexport/progress.h"
#include "tools/hstexport/time_text.h"
#include "tools/hstexport/utc_offsets.h"

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

CsvExport ExportCsv(const std::vector<std::string>& inputs, const std::string& tags,
                    const std::string& from, const std::string& to, const std::string& zone,
                    std::size_t maxBytes) {
    CsvExport result;
    // The command line hstexport would get; "--name=value" keeps every value a value.
    std::vector<std::string> arguments = {"hstexport", "-o", "-", "-r", "-q"};
    for (const auto& [name, value] : {std::pair{"--tags", &tags}, std::pair{"--from", &from},
                                      std::pair{"--to", &to}, std::pair{"--tz", &zone}}) {
        if (!value->empty()) {
            arguments.push_back(std::string(name) + "=" + *value);
        }
    }
    arguments.push_back("--");
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    const ParsedCommandLine parsed =
        ParseExportCommandLine(static_cast<int>(argv.size()), argv.data());
    if (!parsed.run) {
        result.error = "bad export parameters";
        return result;
    }
    const ExportOptions& options = parsed.options;
    if (options.timeMode == TimeMode::Zone && !UtcOffsets::ZoneKnown(options.zone)) {
        result.error = "tz: the time library knows no zone \"" + options.zone + "\"";
        return result;
    }
    TimeRange range;
    {
        UtcOffsets offsets(options.timeMode, options.zone);
        for (auto [text, bound, name] : {std::tuple{&options.from, &range.from, "from"},
                                         std::tuple{&options.to, &range.to, "to"}}) {
            if (!text->empty()) {
                *bound = ParseAbsoluteTime(*text, offsets);
                if (!*bound) {
                    result.error = std::string(name) + ": not a time: \"" + *text + "\"";
                    return result;
                }
            }
        }
    }
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
