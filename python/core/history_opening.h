// Opens a history file for the Python package through the reading core, telling I/O problems
// (which Python reports as OSError) from files the converter refuses.
#pragma once

#include <string>

#include "history/history_file.h"

namespace trendtab::python {

// The checked header and record geometry of the file open on `descriptor` (named `path` in
// messages), its record count from that file's own size: the caller maps the records through
// the same descriptor, so header, size and records are one file's. A refused file comes back
// with its error and the converter's message. Throws std::system_error with the errno when the
// file cannot be read or is no regular file.
HistoryFile OpenHistory(int descriptor, const std::string& path);

}  // namespace trendtab::python
