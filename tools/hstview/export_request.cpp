#include "tools/hstview/export_request.h"

#include <tuple>

#include "tools/hstexport/time_text.h"
#include "tools/hstexport/utc_offsets.h"

namespace hstview {

using namespace hstexport;

bool PlanExport(const std::vector<std::string>& inputs, const ExportParameters& parameters,
                const std::vector<std::string>& outputOptions, ExportPlan& plan,
                std::string& error) {
    // The command line hstexport would get; "--name=value" keeps every value a value.
    std::vector<std::string> arguments = {"hstexport", "-r", "-q"};
    arguments.insert(arguments.end(), outputOptions.begin(), outputOptions.end());
    for (const auto& [name, value] :
         {std::pair{"--tags", &parameters.tags}, std::pair{"--from", &parameters.from},
          std::pair{"--to", &parameters.to}, std::pair{"--tz", &parameters.zone}}) {
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
    ParsedCommandLine parsed = ParseExportCommandLine(static_cast<int>(argv.size()), argv.data());
    if (!parsed.run) {
        error = "bad export parameters";
        return false;
    }
    plan.options = std::move(parsed.options);
    const ExportOptions& options = plan.options;
    if (options.timeMode == TimeMode::Zone && !UtcOffsets::ZoneKnown(options.zone)) {
        error = "tz: the time library knows no zone \"" + options.zone + "\"";
        return false;
    }
    UtcOffsets offsets(options.timeMode, options.zone);
    for (auto [text, bound, name] : {std::tuple{&options.from, &plan.range.from, "from"},
                                     std::tuple{&options.to, &plan.range.to, "to"}}) {
        if (!text->empty()) {
            *bound = ParseAbsoluteTime(*text, offsets);
            if (!*bound) {
                error = std::string(name) + ": not a time: \"" + *text + "\"";
                return false;
            }
        }
    }
    return true;
}

}  // namespace hstview
