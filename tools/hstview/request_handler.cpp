#include "tools/hstview/request_handler.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

#include "timelib/civil_time.h"
#include "tools/hstview/csv_export.h"
#include "tools/hstview/embedded_assets.h"
#include "tools/hstview/query_string.h"
#include "tools/hstview/workbook_export.h"
#include "tools/hstview/zone_offsets.h"

namespace hstview {

std::string HttpResponse::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (key == name) {
            return value;
        }
    }
    return "";
}

namespace {

using nlohmann::json;
using trendtab::civil::kSecondsFrom1601To1970;
using trendtab::civil::kTicksPerSecond;

constexpr const char* kJson = "application/json";
constexpr std::uint64_t kEpochTicks =
    static_cast<std::uint64_t>(kSecondsFrom1601To1970) * kTicksPerSecond;

HttpResponse Json(const json& value, int status = 200) {
    HttpResponse response;
    response.status = status;
    response.contentType = kJson;
    response.body = value.dump();
    return response;
}

HttpResponse Error(int status, const std::string& message) {
    return Json(json{{"error", message}}, status);
}

double Seconds(std::uint64_t ticks) {
    return (static_cast<double>(static_cast<std::int64_t>(ticks - kEpochTicks))) / kTicksPerSecond;
}

// Unix seconds as the API takes them ("1700000000", "-5.25", up to 7 fraction digits), as
// FILETIME ticks; false for anything else or a time outside FILETIME's range.
bool ParseSeconds(const std::string& text, std::uint64_t& ticks) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    i += negative ? 1 : 0;
    const std::size_t digitsStart = i;
    __int128 whole = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - digitsStart < 14) {
        whole = whole * 10 + (text[i++] - '0');
    }
    if (i == digitsStart) {
        return false;
    }
    __int128 fraction = 0;
    int fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && fractionDigits < 7) {
            fraction = fraction * 10 + (text[i++] - '0');
            ++fractionDigits;
        }
    }
    if (i != text.size()) {
        return false;
    }
    for (int d = fractionDigits; d < 7; ++d) {
        fraction *= 10;
    }
    __int128 value = whole * kTicksPerSecond + fraction;
    value = static_cast<__int128>(kEpochTicks) + (negative ? -value : value);
    if (value < 0 || value >= static_cast<__int128>(INT64_MAX)) {
        return false;
    }
    ticks = static_cast<std::uint64_t>(value);
    return true;
}

// A single's value as the double its shortest text reads as: the page shows 3.14159, as the
// exports do, not the single's exact binary expansion 3.141590118408203.
// A finite number as JSON: the shortest text that reads back as the same value (for a single,
// the same single).
template <typename Number>
void AppendNumber(std::string& out, Number value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

std::vector<std::string> SplitTags(const std::string& text) {
    std::vector<std::string> tags;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            comma = text.size();
        }
        if (comma > start) {
            tags.push_back(text.substr(start, comma - start));
        }
        start = comma + 1;
    }
    return tags;
}

HttpResponse Files(const trendtab::Archive& archive) {
    json files = json::array();
    for (const trendtab::ArchiveFile& file : archive.Files()) {
        json entry = {{"id", file.id}, {"name", file.path}, {"bytes", file.size}};
        if (!file.ok()) {
            entry["refused"] = file.refusal;
        } else {
            entry["layout"] = file.layout == trendtab::Layout::Compact ? "compact" : "wide";
            entry["records"] = file.recordCount;
            entry["tags"] = file.tags;
            if (file.recordCount > 0) {
                entry["first"] = Seconds(file.firstTicks);
                entry["last"] = Seconds(file.lastTicks);
            }
            entry["overlaps"] = file.overlapsEarlier;
        }
        files.push_back(std::move(entry));
    }
    // The export formats this build offers, so that the page shows only those.
    json exports = json::array({"csv"});
    if (WorkbookExportSupported()) {
        exports.push_back("xlsx");
    }
    return Json(json{{"files", files}, {"exports", exports}});
}

HttpResponse Tags(const trendtab::Archive& archive) {
    json tags = json::array();
    for (const trendtab::ArchiveTag& tag : archive.Tags()) {
        tags.push_back(
            {{"name", tag.name}, {"description", tag.description}, {"files", tag.files}});
    }
    return Json(json{{"tags", tags}});
}

HttpResponse Series(const ParsedTarget& target, const trendtab::Archive& archive) {
    const auto tagText = Parameter(target, "tags");
    const auto fromText = Parameter(target, "from");
    const auto toText = Parameter(target, "to");
    const auto widthText = Parameter(target, "width");
    if (!tagText || !fromText || !toText || !widthText) {
        return Error(400, "tags, from, to and width are required");
    }
    const std::vector<std::string> tags = SplitTags(*tagText);
    if (tags.empty() || tags.size() > kMaxTagsPerQuery) {
        return Error(400, "tags: name 1 to " + std::to_string(kMaxTagsPerQuery) + " tags");
    }
    std::uint64_t fromTicks = 0;
    std::uint64_t toTicks = 0;
    if (!ParseSeconds(*fromText, fromTicks) || !ParseSeconds(*toText, toTicks) ||
        fromTicks >= toTicks) {
        return Error(400, "from and to: Unix seconds, from before to");
    }
    unsigned long width = 0;
    if (widthText->empty() || widthText->size() > 5 ||
        widthText->find_first_not_of("0123456789") != std::string::npos ||
        (width = std::stoul(*widthText)) < 1 || width > kMaxWidth) {
        return Error(400, "width: a whole number from 1 to " + std::to_string(kMaxWidth));
    }
    for (const std::string& tag : tags) {
        if (!archive.HasTag(tag)) {
            return Error(400, "no file holds the tag \"" + tag + "\"");
        }
    }
    const trendtab::M4Window window{fromTicks, toTicks, static_cast<std::uint32_t>(width)};
    std::set<std::uint32_t> singleFiles;  // compact files: their values are singles
    for (const trendtab::ArchiveFile& file : archive.Files()) {
        if (file.ok() && file.layout == trendtab::Layout::Compact) {
            singleFiles.insert(file.id);
        }
    }
    // Written out directly: a whole-range answer holds some 16,000 points, and building a json
    // value of each took about half of the query's time.
    const auto columns = archive.Query(tags, window);
    std::string body = "{\"from\":";
    AppendNumber(body, Seconds(fromTicks));
    body += ",\"to\":";
    AppendNumber(body, Seconds(toTicks));
    body += ",\"width\":" + std::to_string(width) + ",\"series\":[";
    for (std::size_t t = 0; t < tags.size(); ++t) {
        const std::vector<trendtab::M4Sample> points = trendtab::DrawnPoints(columns[t]);
        body += t == 0 ? "{\"tag\":" : ",{\"tag\":";
        body += json(tags[t]).dump();
        body += ",\"t\":[";
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i != 0) {
                body += ',';
            }
            AppendNumber(body, Seconds(points[i].ticks));
        }
        body += "],\"v\":[";
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i != 0) {
                body += ',';
            }
            const double value = points[i].value;
            if (!std::isfinite(value)) {
                body += "null";  // JSON has no NaN nor infinity
            } else if (singleFiles.count(static_cast<std::uint32_t>(points[i].order >> 32)) != 0) {
                AppendNumber(body, static_cast<float>(value));  // a single's shortest text
            } else {
                AppendNumber(body, value);
            }
        }
        body += "]}";
    }
    body += "]}";
    HttpResponse response;
    response.contentType = kJson;
    response.body = std::move(body);
    return response;
}

HttpResponse Zone(const ParsedTarget& target) {
    const std::string zone = Parameter(target, "tz").value_or("");
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    const auto fromText = Parameter(target, "from");
    const auto toText = Parameter(target, "to");
    if (!fromText || !toText || !ParseSeconds(*fromText, from) || !ParseSeconds(*toText, to) ||
        from > to) {
        return Error(400, "from and to: Unix seconds, from not after to");
    }
    auto unixSeconds = [](std::uint64_t ticks) {
        return static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
    };
    std::vector<OffsetChange> changes;
    std::string error;
    if (!ZoneOffsets(zone, unixSeconds(from), unixSeconds(to + kTicksPerSecond - 1), changes,
                     error)) {
        return Error(400, error);
    }
    json list = json::array();
    for (const OffsetChange& change : changes) {
        list.push_back({{"at", change.at}, {"offset", change.offset}});
    }
    return Json(json{{"zone", zone.empty() ? "local" : zone}, {"offsets", list}});
}

ExportParameters ExportParametersOf(const ParsedTarget& target) {
    return {Parameter(target, "tags").value_or(""), Parameter(target, "from").value_or(""),
            Parameter(target, "to").value_or(""), Parameter(target, "tz").value_or("")};
}

HttpResponse Attachment(std::string bytes, const char* contentType, const char* name) {
    HttpResponse response;
    response.contentType = contentType;
    response.body = std::move(bytes);
    response.headers.emplace_back("Content-Disposition",
                                  std::string("attachment; filename=\"") + name + "\"");
    return response;
}

HttpResponse ExportTable(const ParsedTarget& target, const ViewerState& state) {
    CsvExport csv = ExportCsv(state.inputs, ExportParametersOf(target), state.maxExportBytes);
    if (!csv.ok) {
        return Error(csv.tooLarge ? 413 : 400, csv.error);
    }
    return Attachment(std::move(csv.bytes), "text/csv; charset=utf-8", "export.csv");
}

HttpResponse ExportBook(const ParsedTarget& target, const ViewerState& state) {
    WorkbookExport book =
        ExportWorkbook(state.inputs, ExportParametersOf(target), state.maxExportBytes);
    if (book.status != 200) {
        return Error(book.status, book.error);
    }
    return Attachment(std::move(book.bytes),
                      "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                      "export.xlsx");
}

HttpResponse Route(const HttpRequest& request, ViewerState& state) {
    if (!state.access.HostAllowed(request.host)) {
        return Error(403, "this server answers only requests addressed to its own names");
    }
    if (request.method != "GET" && request.method != "HEAD") {
        HttpResponse response = Error(405, "only GET and HEAD");
        response.headers.emplace_back("Allow", "GET, HEAD");
        return response;
    }
    const ParsedTarget target = ParseTarget(request.target);
    if (!target.valid || target.path.empty() || target.path[0] != '/') {
        return Error(400, "malformed request target");
    }
    const std::string token = Parameter(target, "token").value_or("");
    if (!state.access.TokenAccepted(token, request.cookie)) {
        return Error(403, "open the address with the token hstview printed at start");
    }
    HttpResponse response;
    const std::string& path = target.path;
    if (path == "/api/files") {
        response = Files(state.archive);
    } else if (path == "/api/tags") {
        response = Tags(state.archive);
    } else if (path == "/api/series") {
        response = Series(target, state.archive);
    } else if (path == "/api/zone") {
        response = Zone(target);
    } else if (path == "/api/export.csv") {
        response = ExportTable(target, state);
    } else if (path == "/api/export.xlsx") {
        response = ExportBook(target, state);
    } else if (const EmbeddedAsset* asset = FindAsset(path == "/" ? "/index.html" : path)) {
        response.contentType = asset->contentType;
        response.body.assign(reinterpret_cast<const char*>(asset->data), asset->size);
    } else {
        return Error(404, "not found");
    }
    if (!token.empty()) {
        response.headers.emplace_back("Set-Cookie", state.access.TokenCookie());
    }
    return response;
}

}  // namespace

HttpResponse HandleRequest(const HttpRequest& request, ViewerState& state) {
    HttpResponse response;
    try {
        response = Route(request, state);
    } catch (const std::exception& error) {
        response = Error(500, error.what());
    }
    response.headers.emplace_back("Content-Security-Policy", "default-src 'self'");
    response.headers.emplace_back("X-Content-Type-Options", "nosniff");
    response.headers.emplace_back("Referrer-Policy", "no-referrer");
    response.headers.emplace_back("Cache-Control", "no-store");
    if (request.method == "HEAD") {
        response.headers.emplace_back("Content-Length", std::to_string(response.body.size()));
        response.body.clear();
    }
    return response;
}

}  // namespace hstview
