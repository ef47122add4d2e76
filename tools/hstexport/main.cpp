// hstexport: lossless CSV, TSV and long-form export of trend history files, many at once.
//
// Exit status: 0 when every file was converted (or skipped as up to date), 1 when any failed or
// an input named nothing, 2 for a bad command line.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/file_services.h"
#include "platform/path_text.h"
#include "platform/process_setup.h"
#include "platform/standard_streams.h"
#include "platform/terminal.h"
#include "timelib/time_zone.h"
#include "timelib/zone_facts.h"
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

int Export(int argc, char** argv) {
    // A full disk or a file-size limit fails that file, not the whole run; freed buffers stay
    // for the next file.
    trendtab::PrepareProcess();
    trendtab::platform::UseUtf8Console();
    std::vector<const char*> arguments(argv, argv + argc);
    for (const char*& argument : arguments) {
        if (trendtab::IsPlatformHelpRequest(argument)) {
            argument = "--help";
        }
    }
    const ParsedCommandLine parsed = ParseExportCommandLine(argc, arguments.data());
    if (!parsed.run) {
        return parsed.exitCode;
    }
    const ExportOptions& options = parsed.options;
    // --tz: the zone's own rules of each year, as on Windows with dynamic daylight time.
    trendtab::LoadZoneEntryPoints();
    if (options.timeMode == TimeMode::Local && trendtab::TimeZoneVariableNamesNoZone()) {
        const char* tz = std::getenv("TZ");
        std::fprintf(stderr,
                     "hstexport: warning: TZ=\"%s\" names no zone that can be loaded; local "
                     "times are in UTC\n",
                     tz != nullptr ? tz : "");
    }
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
    const bool showBar = !options.quiet && trendtab::platform::IsTerminal(stderr);
    std::uint64_t totalBytes = 0;  // only the bar shows it: no look at every file without one
    if (showBar) {
        for (const InputFile& input : discovery.files) {
            std::error_code error;
            const auto size =
                std::filesystem::file_size(trendtab::platform::PathFromText(input.path), error);
            totalBytes += error ? 0 : size;
        }
    }
    Progress progress(discovery.files.size(), totalBytes, showBar);
    for (const auto& [argument, reason] : discovery.problems) {
        progress.Problem(argument, reason);
    }
    RunTotals totals = RunExports(discovery.files, options, range, progress);
    // An argument that named nothing, a folder that could not be searched: failures too.
    totals.failed += discovery.problems.size();
    progress.Finish(totals, options.quiet);
    std::fflush(stdout);
    return totals.failed > 0 || !discovery.problems.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    trendtab::platform::SetUpStandardStreams();
    // No exception ends the process with an abort: files already done stay done.
    try {
        return Export(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(
            stderr, "hstexport: %s\n",
            dynamic_cast<const std::bad_alloc*>(&error) ? "not enough memory" : error.what());
        return 1;
    }
}
