#include "tools/hstexport/export_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <limits>
#include <map>

#include "tools/hstexport/workbook_writer.h"
#include "trendtab/version.h"

namespace hstexport {
namespace {

// More threads than this only cost memory: files are read in large blocks.
constexpr unsigned kMostJobs = 1024;

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

// A count from 1 to `most` given in digits, refused with a plain message: CLI11's own range checks
// quote the type's limits (a 309-digit number for a count).
CLI::Validator CountUpTo(std::uint64_t most, std::string refusal) {
    return CLI::Validator(
        [most, refusal](std::string& text) -> std::string {
            std::uint64_t value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            const bool count = !text.empty() && error == std::errc() && stop == end;
            return count && value >= 1 && value <= most ? "" : refusal + ", not \"" + text + "\"";
        },
        "");
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

    // Names only: a transformer would also take the numbers the names stand for.
    const std::map<std::string, Format> formats{
        {"csv", Format::Csv}, {"tsv", Format::Tsv}, {"long", Format::Long}, {"xlsx", Format::Xlsx}};
    std::string formatName = "csv";
    app.add_option("--format", formatName,
                   "csv (default), tsv, long (time,tag,value rows) or xlsx (a workbook)")
        ->check(CLI::IsMember({"csv", "tsv", "long", "xlsx"}));
    std::string separator;
    app.add_option("--sep", separator, "Cell separator: one character (default: , or TAB)");
    bool noHeader = false;
    app.add_flag("--no-header", noHeader, "Leave out the header row");

    bool utc = false;
    bool epoch = false;
    auto* utcOption = app.add_flag("--utc", utc, "Times in UTC (ending in Z)");
    auto* tzOption = app.add_option("--tz", o.zone, "Times in this zone, with their offset");
    auto* epochOption = app.add_flag("--epoch", epoch, "Times as Unix seconds");
    std::string timeFormat = "iso";
    auto* timeFormatOption =
        app.add_option("--time-format", timeFormat,
                       "iso (default), local (YYYY-MM-DD HH:MM:SS and a utc_offset column, as "
                       "spreadsheets read it) or epoch (as --epoch)")
            ->check(CLI::IsMember({"iso", "local", "epoch"}));
    utcOption->excludes(tzOption)->excludes(epochOption);
    tzOption->excludes(epochOption);
    epochOption->excludes(timeFormatOption);
    app.add_flag("--decimal-comma", o.decimalComma,
                 "Values with a decimal comma (1466,875); the separator is then ; by default");

    const std::map<std::string, trendtab::NameEncoding> encodings{
        {"utf-8", trendtab::NameEncoding::Utf8},
        {"cp1252", trendtab::NameEncoding::Cp1252},
        {"latin1", trendtab::NameEncoding::Latin1}};
    app.add_option("--names-encoding", o.namesEncoding,
                   "Tag names' bytes: utf-8, cp1252 or latin1 (default: UTF-8 where valid, "
                   "else cp1252); written as UTF-8")
        ->transform(CLI::CheckedTransformer(encodings, CLI::ignore_case));

    std::vector<std::string> tags;
    // One value per occurrence: a list option that took every argument after it would swallow
    // the inputs.
    app.add_option("--tags", tags, "Only these tags: names or patterns (* ?), comma-separated")
        ->allow_extra_args(false);
    app.add_option("--from", o.from, "First time kept (inclusive), e.g. 2024-10-27T02:30:00Z");
    app.add_option("--to", o.to, "End of the times kept (exclusive)");
    app.add_option("--every", o.every, "Keep every N-th sample")
        ->check(CountUpTo(std::numeric_limits<std::uint64_t>::max(),
                          "must be a whole number of at least 1"));

    app.add_flag("-r,--recursive", o.recursive, "Folders: every .hst file below them");
    app.add_option("-o,--output", o.outputDir,
                   "Output folder (mirrors the inputs' folders), or - for standard output");
    auto* gzip = app.add_flag("--gzip", o.gzip, "Compress the outputs (.gz)");
    app.add_option("--gzip-level", o.gzipLevel, "Compression level, 0 to 9 (default 1)")
        ->check(CLI::Range(0, 9))
        ->needs(gzip);
    app.add_flag("--skip-up-to-date", o.skipUpToDate,
                 "Skip inputs unchanged since their output was made");
    app.add_option("-j,--jobs", o.jobs, "Files converted at once (default: the cores)")
        ->check(
            CountUpTo(kMostJobs, "must be a whole number from 1 to " + std::to_string(kMostJobs)));
    app.add_flag("-q,--quiet", o.quiet, "No progress bar and no summary; problems only");
    app.add_option("inputs", o.inputs, "History files, folders or patterns")->required();

    try {
        app.parse(argc, argv);
        o.format = formats.at(formatName);
        if (!separator.empty() || app.count("--sep") > 0) {
            if (!UsableSeparator(separator)) {
                throw CLI::ValidationError("--sep",
                                           "must be one character that no time or value "
                                           "holds (not a letter, digit, . + - : or quote)");
            }
            o.separator = separator[0];
        } else {
            o.separator = o.format == Format::Tsv ? '\t' : o.decimalComma ? ';' : ',';
        }
        if (o.decimalComma && o.separator == ',') {
            throw CLI::ValidationError("--decimal-comma", "needs a separator other than a comma");
        }
        if (o.format == Format::Xlsx) {
            if (!WorkbooksSupported()) {
                throw CLI::ValidationError("--format xlsx", "this build writes no workbooks");
            }
            if (o.outputDir == "-" || o.gzip) {
                throw CLI::ValidationError("--format xlsx",
                                           "writes workbook files (compressed already): not "
                                           "with -o - or --gzip");
            }
        }
        epoch = epoch || timeFormat == "epoch";
        if (epoch && (utc || app.count("--tz") > 0)) {
            throw CLI::ValidationError("--time-format epoch",
                                       "shows no zone: leave out --utc and --tz");
        }
        o.wallClock = timeFormat == "local";
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
