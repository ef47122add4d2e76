// The page's export parameters (tags, from, to, tz: the values hstexport's --tags, --from, --to
// and --tz take) read by hstexport's own command-line parser, so that an export from the page
// is the one hstexport makes from the same words.
#pragma once

#include <string>
#include <vector>

#include "tools/hstexport/export_options.h"
#include "tools/hstexport/file_export.h"

namespace hstview {

struct ExportParameters {
    std::string tags;  // empty: that option is left out
    std::string from;
    std::string to;
    std::string zone;
};

struct ExportPlan {
    hstexport::ExportOptions options;
    hstexport::TimeRange range;
};

// hstexport's options for `-r -q OUTPUT_OPTIONS... --tags ... -- INPUTS...` and the time range
// they select; false with a plain reason in `error` for a bad parameter.
bool PlanExport(const std::vector<std::string>& inputs, const ExportParameters& parameters,
                const std::vector<std::string>& outputOptions, ExportPlan& plan,
                std::string& error);

}  // namespace hstview
