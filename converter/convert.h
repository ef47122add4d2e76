// The conversion of one history file into its .txt rows and .hdr tag list.
#pragma once

#include <string>

#include "converter/convert_options.h"

namespace trendtab {

// Converts the history file at `path` into the .txt and .hdr files beside it, both replaced
// whole or not at all. Every outcome is reported on standard output. True when both files were
// written; false after any message that ended the conversion early (nothing on disk changed then,
// except for a .hdr that could not be put in place, which is removed).
bool ConvertHistoryFile(const std::string& path, const ConvertOptions& options);

// The output name for `path`: everything from the last "." of the file's own name (never of a
// folder name) replaced by `extension`; empty when the file's name has no ".".
std::string DeriveOutputName(const std::string& path, const char* extension);

}  // namespace trendtab
