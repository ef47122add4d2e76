// The CSV the page downloads: exactly the bytes `hstexport -o - -r --tags T --from F --to T
// [--tz Z] PATH...` writes, made in-process by hstexport's own code.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hstview {

struct CsvExport {
    bool ok = false;
    bool tooLarge = false;  // more than the byte limit
    std::string error;      // for a bad parameter (or tooLarge)
    std::string bytes;
};

// Empty `tags`, `from`, `to` or `zone` leave that option out.
CsvExport ExportCsv(const std::vector<std::string>& inputs, const std::string& tags,
                    const std::string& from, const std::string& to, const std::string& zone,
                    std::size_t maxBytes);

}  // namespace hstview
