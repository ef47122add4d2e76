// The fast build's record loop: a file's records in blocks through an ordered pipeline, rows
// made on every processor the process may use, written in file order.
#pragma once

#include <cstdio>

#include "console.h"
#include "convert.h"
#include "history_header.h"
#include "text_output.h"

namespace trendtab {

// How the records go through the pipeline.
struct PipelineShape {
    std::size_t workers = 1;
    std::size_t recordsPerBlock = 1;
};

// The usual shape for records of `recordSize` bytes: a worker per usable processor, blocks of
// about half a megabyte. TRENDTAB_WORKERS=N[:RECORDS] in the environment forces N workers (and
// RECORDS records per block), for tests.
PipelineShape ChoosePipelineShape(std::size_t recordSize);

// Streams the records after the header into rows, with a progress line per record read. False
// when writing the .txt failed; the pipeline then stops at once.
bool ConvertRecordsInBlocks(std::FILE* history, const HistoryHeader& header,
                            const ConvertOptions& options, TextOutput& text, Console& console);

}  // namespace trendtab
