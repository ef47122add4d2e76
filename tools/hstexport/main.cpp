// hstexport: lossless CSV, TSV and long-form export of trend history files, many at once.
//
// Exit status: 0 when every file was converted (or skipped as up to date), 1 when any failed or
// an input named nothing, 2 for a bad command line.
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>

#include "platform/file_services.h"
#include "platform/terminal.h"
#include "tools/hstexport/export_options.h"
#include "tools/hstexport/file_runner.h"
#include "tools/hstexport/input_discovery.h"
#include "tools/hstexport/progress.h"
#include "tools/hstexport/time_text.h"
#include "tools/hstexport/utc_offsets.h"

namespace {

using namespace hstexport;

int BadCommandLine(const std::string& message) {
    std::fprintf(stderr, "hstexport: %s\nRun with --help for more information.\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // A full disk or a file-size limit fails that file, not the whole run.
    trendtab::platform::TreatFileSizeLimitAsWriteError();
    const ParsedCommandLine parsed = ParseExportCommandLine(argc, argv);
    if (!parsed.run) {
        return parsed.exitCode;
    }
    const ExportOptions& options = parsed.options;
    if (options.timeMode == TimeMode::Zone && !UtcOffsets::ZoneKnown(options.zone)) {
        return BadCommandLine("--tz: the time library knows no zone \"" + options.zone + "\"");
    }
    TimeRange range;
    {
        UtcOffsets offsets(options.timeMode, options.zone);
        for (auto [text, bound, name] : {std::tuple{&options.from, &range.from, "--from"},
                                         std::tuple{&options.to, &range.to, "--to"}}) {
            if (!text->empty()) {
                *bound = ParseAbsoluteTime(*text, offsets);
                if (!*bound) {
                    return BadCommandLine(std::string(name) + ": not a time: \"" + *text +
                                          "\" (e.g. 2024-10-27T02:30:00+02:00, ...Z, @SECONDS)");
                }
            }
        }
    }

    const Discovery discovery = DiscoverInputs(options.inputs, options.recursive);
    std::uint64_t totalBytes = 0;
    for (const InputFile& input : discovery.files) {
        std::error_code error;
        const auto size = std::filesystem::file_size(input.path, error);
        totalBytes += error ? 0 : size;
    }
    const bool showBar = !options.quiet && trendtab::platform::IsTerminal(stderr);
    Progress progress(discovery.files.size(), totalBytes, showBar);
    for (const auto& [argument, reason] : discovery.problems) {
        progress.Problem(argument, reason);
    }
    const RunTotals totals = RunExports(discovery.files, options, range, progress);
    progress.Finish(totals, options.quiet);
    std::fflush(stdout);
    return totals.failed > 0 || !discovery.problems.empty() ? 1 : 0;
}
