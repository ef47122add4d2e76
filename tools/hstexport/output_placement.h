// Where an input's text goes: beside it (NAME.csv), below an output folder that mirrors the
// inputs' folders, or standard output.
#pragma once

#include <string>

#include "tools/hstexport/export_options.h"
#include "tools/hstexport/input_discovery.h"

namespace hstexport {

// ".csv", ".tsv" (a TAB separator), with ".gz" after it when compressed.
std::string OutputExtension(const ExportOptions& options);

// The output path of `input`; "" for standard output.
std::string OutputPath(const InputFile& input, const ExportOptions& options);

}  // namespace hstexport
