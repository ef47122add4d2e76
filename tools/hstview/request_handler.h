// Every answer the viewer gives, as a pure function of the request and what the viewer serves:
// the page's files, and the query API (see man/hstview.1):
//   GET /api/files                          the archive's files, in time order
//   GET /api/tags                           the tags across files, with descriptions
//   GET /api/series?tags=&from=&to=&width=  M4 points per tag (times in Unix seconds)
//   GET /api/zone?tz=&from=&to=             UTC offsets over a range, and where they change
//   GET /api/export.csv?tags=&from=&to=&tz= what hstexport -o - -r writes for the same values
//   GET /api/export.xlsx?tags=&from=&to=&tz= the workbook hstexport --format xlsx writes for them
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "history/archive.h"
#include "tools/hstview/access_policy.h"
#include "tools/hstview/http_message.h"

namespace hstview {

inline constexpr std::uint32_t kMaxWidth = 8192;
inline constexpr std::size_t kMaxTagsPerQuery = 32;

struct ViewerState {
    trendtab::Archive& archive;
    const AccessPolicy& access;
    std::vector<std::string> inputs;  // the PATH arguments, for the export
    std::size_t maxExportBytes = 256u << 20;
};

HttpResponse HandleRequest(const HttpRequest& request, ViewerState& state);

}  // namespace hstview
