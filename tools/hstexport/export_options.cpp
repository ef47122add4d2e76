#include "tools/hstexport/export_options.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <map>

#include "trendtab/version.h"

namespace hstexport {
namespace {

// Characters that appear in unquoted time and value text cannot separate cells.
bool UsableSeparator(const std::string& text) {
    if (text.size() != 1) {
        return false;
    }
    const char c = text[0];
    const bool inCells = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                         (c >= 'A' && c <= 'Z') || c == '.' || c == '+' || c == '-' || c == ':';
    return !inCells && c != '"' && c != '\r' && c != '\n' && c != '\0';
}

// "a,b" names two tags; a name with a comma in it is matched with "?" in the comma's place.
std::vector<std::string> SplitTagList(const std::vector<std::string>& given) {
    std::vector<std::string> tags;
    for (const std::string& item : given) {
        std::size_t start = 0;
        while (start <= item.size()) {
            std::size_t comma = item.find(',', start);
            if (comma == std::string::npos) {
                comma = item.size();
            }
            if (comma > start) {
                tags.push_back(item.substr(start, comma - start));
            }
            start = comma + 1;
        }
    }
    return tags;
}

}  // namespace

ParsedCommandLine ParseExportCommandLine(int argc, const char* const* argv) {
    ParsedCommandLine parsed;
    ExportOptions& o = parsed.options;
    CLI::App app{
        "Exports trend history files (.hst) to CSV, TSV or long-form text: every stored digit, "
        "times with their UTC offset, many files in parallel.",
        "hstexport"};
    app.set_version_flag("--version", std::string("hstexport ") + trendtab::kVersion);
    app.get_formatter()->column_width(28);

    const std::map<std::string, Format> formats{
        {"csv", Format::Csv}, {"tsv", Format::Tsv}, {"long", Format::Long}};
    app.add_option("--format", o.format, "csv (default), tsv, or long (time,tag,value rows)")
        ->transform(CLI::CheckedTransformer(formats));
    std::string separator;
    app.add_option("--sep", separator, "Cell separator: one character (default: , or TAB)");
    bool noHeader = false;
    app.add_flag("--no-header", noHeader, "Leave out the header row");

    bool utc = false;
    bool epoch = false;
    auto* utcOption = app.add_flag("--utc", utc, "Times in UTC (ending in Z)");
    auto* tzOption = app.add_option("--tz", o.zone, "Times in this zone, with their offset");
    auto* epochOption = app.add_flag("--epoch", epoch, "Times as Unix seconds");
    utcOption->excludes(tzOption)->excludes(epochOption);
    tzOption->excludes(epochOption);

    std::vector<std::string> tags;
    // One value per occurrence: a list option that took every argument after it would swallow
    // the inputs.
    app.add_option("--tags", tags, "Only these tags: names or patterns (* ?), comma-separated")
        ->allow_extra_args(false);
    app.add_option("--from", o.from, "First time kept (inclusive), e.g. 2024-10-27T02:30:00Z");
    app.add_option("--to", o.to, "End of the times kept (exclusive)");
    app.add_option("--every", o.every, "Keep every N-th sample")->check(CLI::PositiveNumber);

    app.add_flag("-r,--recursive", o.recursive, "Folders: every .hst file below them");
    app.add_option("-o,--output", o.outputDir,
                   "Output folder (mirrors the inputs' folders), or - for standard output");
    app.add_flag("--gzip", o.gzip, "Compress the outputs (.gz)");
    app.add_flag("--skip-up-to-date", o.skipUpToDate, "Skip inputs whose output is newer");
    app.add_option("-j,--jobs", o.jobs, "Files converted at once (default: the cores)")
        ->check(CLI::PositiveNumber);
    app.add_flag("-q,--quiet", o.quiet, "No progress bar and no summary; problems only");
    app.add_option("inputs", o.inputs, "History files, folders or patterns")->required();

    try {
        app.parse(argc, argv);
        if (!separator.empty() || app.count("--sep") > 0) {
            if (!UsableSeparator(separator)) {
                throw CLI::ValidationError("--sep",
                                           "must be one character that no time or value "
                                           "holds (not a letter, digit, . + - : or quote)");
            }
            o.separator = separator[0];
        } else {
            o.separator = o.format == Format::Tsv ? '\t' : ',';
        }
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error, std::cout, std::cerr);
        parsed.exitCode = code == 0 ? 0 : 2;
        return parsed;
    }
    o.header = !noHeader;
    o.timeMode = utc                     ? TimeMode::Utc
                 : epoch                 ? TimeMode::Epoch
                 : app.count("--tz") > 0 ? TimeMode::Zone
                                         : TimeMode::Local;
    o.tags = SplitTagList(tags);
    if (!tags.empty() && o.tags.empty()) {
        std::cerr << "--tags: names no tag\nRun with --help for more information.\n";
        parsed.exitCode = 2;
        return parsed;
    }
    parsed.run = true;
    return parsed;
}

}  // namespace hstexport
