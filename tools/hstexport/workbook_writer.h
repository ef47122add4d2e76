// The xlsx form of one file: a workbook a spreadsheet opens as it is. The time as real date cells
// in the output's zone (milliseconds shown where the file has them) and the UTC offset beside it,
// one number column per tag, the names as a frozen header row with a filter. A sheet holds
// 1,048,576 rows; longer files continue on further sheets, each with its header.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/hstexport/history_source.h"
#include "tools/hstexport/row_writer.h"
#include "tools/hstexport/utc_offsets.h"

namespace hstexport {

// Which records of the file become rows.
struct RecordSelection {
    std::optional<std::uint64_t> from;  // ticks, inclusive
    std::optional<std::uint64_t> to;    // ticks, exclusive
    std::uint64_t every = 1;
    std::uint64_t rowsPerSheet = 1'048'575;  // below the header row
};

// False when this build was made without the workbook library.
bool WorkbooksSupported();

// Writes the workbook of `source`'s remaining records to `path` (a file the library creates
// itself); `progress` counts the input bytes done. False with the reason in plain words.
bool WriteWorkbook(const std::string& path, HistorySource& source, const RowPlan& plan,
                   UtcOffsets& offsets, const RecordSelection& selection,
                   std::atomic<std::uint64_t>& progress, std::string& reason);

}  // namespace hstexport
