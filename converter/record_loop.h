// The record loop of a conversion: each record read, counted on the console, decoded, filtered
// and written as a row. Built two ways, chosen in CMake: record_loop_fast.cpp for trendtab,
// record_loop_plain.cpp for trendtab-plain, the reference the fast one is checked against.
#pragma once

#include <cstdio>

#include "converter/console.h"
#include "converter/convert_options.h"
#include "history/history_file.h"

namespace trendtab {

// Streams the records of `history`, which stands at its first record, into rows on `text`.
// False when writing failed; `text` is left open.
bool ConvertRecords(std::FILE* history, const HistoryHeader& header, const ConvertOptions& options,
                    std::FILE* text, Console& console);

}  // namespace trendtab
