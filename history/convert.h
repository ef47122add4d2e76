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

// Converts the history file at `path` into the .txt and .hdr files beside it. Every outcome is
// reported on standard output; nothing is returned, and the caller goes on with the next file.
void ConvertHistoryFile(const std::string& path, const ConvertOptions& options);

// The output name for `path`: everything from its last "." (directory part included) replaced by
// `extension`; empty when the path has no ".".
std::string DeriveOutputName(const std::string& path, const char* extension);

}  // namespace trendtab
