// The CSV the page downloads: exactly the bytes `hstexport -o - -r --tags T --from F --to T
// [--tz Z] PATH...` writes, made in-process by hstexport's own code.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/hstview/export_request.h"

namespace hstview {

struct CsvExport {
    bool ok = false;
    bool tooLarge = false;  // more than the byte limit
    std::string error;      // for a bad parameter (or tooLarge)
    std::string bytes;
};

CsvExport ExportCsv(const std::vector<std::string>& inputs, const ExportParameters& parameters,
                    std::size_t maxBytes);

}  // namespace hstview
