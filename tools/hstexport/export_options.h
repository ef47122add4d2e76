// hstexport's command line: what to write, how to show time, which samples, where outputs go.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/name_text.h"

namespace hstexport {

enum class Format { Csv, Tsv, Long, Xlsx };
enum class TimeMode { Local, Utc, Zone, Epoch };

struct ExportOptions {
    Format format = Format::Csv;
    char separator = ',';  // tsv: TAB
    bool header = true;
    TimeMode timeMode = TimeMode::Local;
    // --time-format local: wall time "YYYY-MM-DD HH:MM:SS[.fff]" as spreadsheets read it, the UTC
    // offset in a column of its own.
    bool wallClock = false;
    bool decimalComma = false;  // values as 1466,875
    std::string zone;           // --tz: a zone the time library knows
    trendtab::NameEncoding namesEncoding = trendtab::NameEncoding::Detect;
    std::vector<std::string> tags;  // names or glob patterns; empty: every tag
    std::string from;               // absolute times as given; "" when not set
    std::string to;
    std::uint64_t every = 1;  // keep the 1st, (N+1)th, ... of the samples in range
    bool recursive = false;
    std::string outputDir;  // "": beside each input; "-": standard output
    bool gzip = false;
    int gzipLevel = 1;  // zlib's 0 (stored) to 9 (smallest); 1 is nearly as small and fastest
    bool skipUpToDate = false;
    unsigned jobs = 0;  // 0: as many as the process has cores
    bool quiet = false;
    std::vector<std::string> inputs;
};

struct ParsedCommandLine {
    bool run = false;  // false: exit with `exitCode` (help, version, a bad command line)
    int exitCode = 0;
    ExportOptions options;
};

// Parses the arguments; help and version text go to standard output, a bad command line gets one
// message on standard error and exit status 2.
ParsedCommandLine ParseExportCommandLine(int argc, const char* const* argv);

}  // namespace hstexport
