// Opens a history file for the Python package: the checked header, where the records lie, and
// the converter's own text when the file is refused. The one place the package reads headers.
#pragma once

#include <cstdint>
#include <string>

#include "history_header.h"

namespace trendtab::python {

struct OpenedHistory {
    HistoryHeader header;
    std::uint64_t recordStart = 0;    // file offset of the first record
    std::uint64_t recordCount = 0;    // whole records (0 for a record size of 0)
    std::uint64_t trailingBytes = 0;  // bytes after the last whole record
    // Set when the file is refused: the converter's console text for it, exactly as printed
    // ("" where the converter prints nothing).
    bool refused = false;
    std::string message;
};

// Reads the header and tag table of `path`. An I/O failure (the file cannot be opened or read,
// or is a directory) throws std::system_error carrying the errno; a refused file does not throw.
OpenedHistory OpenHistory(const std::string& path);

}  // namespace trendtab::python
