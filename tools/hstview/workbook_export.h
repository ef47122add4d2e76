// The workbook the page downloads: the one `hstexport --format xlsx -o FOLDER -r --tags T --from
// F --to T [--tz Z] FILE` writes for the one file that holds the chosen tags in the range, made
// in-process by hstexport's own code. hstexport writes a workbook per file, so a range that
// reaches into several files is refused with a word about the CSV export, which joins them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/hstview/export_request.h"

namespace hstview {

struct WorkbookExport {
    int status = 200;   // 400 bad parameters, 404 no samples, 409 several files, 413 too large,
                        // 501 no workbooks in this build, 500 the workbook could not be written
    std::string error;  // when status is not 200
    std::string bytes;
};

// True where this build writes workbooks.
bool WorkbookExportSupported();

WorkbookExport ExportWorkbook(const std::vector<std::string>& inputs,
                              const ExportParameters& parameters, std::size_t maxBytes);

}  // namespace hstview
