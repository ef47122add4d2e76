// The conversion of one history file into its .txt rows and .hdr tag list.
#pragma once

#include <cstdint>
#include <string>

#include "record_time.h"

namespace trendtab {

// The run's options: filled once by the command line, read-only afterwards.
struct ConvertOptions {
    char separator = '\t';
    bool extended = false;          // values at full width ("%f") instead of 10-character columns
    bool withMilliseconds = false;  // time column as HH:MM:SS.mmm
    bool hasStart = false;
    TimeOfDay start;  // earliest time of day kept, inclusive
    bool hasFinish = false;
    TimeOfDay finish;         // latest time of day kept, inclusive
    std::int32_t everyN = 0;  // keep every N-th record that passes the filters (N > 1)
};

// Converts the history file at `path` into the .txt and .hdr files beside it, both replaced
// whole or not at all. Every outcome is reported on standard output. True when both files were
// written; false after any message that ended the conversion early (nothing on disk changed then,
// except for a .hdr that could not be put in place, which is removed).
bool ConvertHistoryFile(const std::string& path, const ConvertOptions& options);

// The output name for `path`: everything from the last "." of the file's own name (never of a
// folder name) replaced by `extension`; empty when the file's name has no ".".
std::string DeriveOutputName(const std::string& path, const char* extension);

}  // namespace trendtab
