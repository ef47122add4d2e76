// Exports many files with a pool of workers, one file each at a time; standard output takes the
// files one after another, in the order given.
#pragma once

#include <vector>

#include "tools/hstexport/export_options.h"
#include "tools/hstexport/file_export.h"
#include "tools/hstexport/input_discovery.h"
#include "tools/hstexport/progress.h"

namespace hstexport {

// `standardOutput`, when given, takes the bytes meant for standard output (-o -) instead of it.
RunTotals RunExports(const std::vector<InputFile>& inputs, const ExportOptions& options,
                     const TimeRange& range, Progress& progress,
                     ByteSink* standardOutput = nullptr);

// The workers -j asks for, or as many as the process may use.
unsigned WorkerCount(const ExportOptions& options, std::size_t files);

}  // namespace hstexport
