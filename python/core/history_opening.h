// Opens a history file for the Python package through the reading core, telling I/O problems
// (which Python reports as OSError) from files the converter refuses.
#pragma once

#include <string>

#include "history/history_file.h"

namespace trendtab::python {

// The checked header and record geometry of `path`; a refused file comes back with its error
// and the converter's message. Throws std::system_error with the errno when the file cannot be
// opened or read, or is a directory.
HistoryFile OpenHistory(const std::string& path);

}  // namespace trendtab::python
