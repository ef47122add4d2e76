#include "tools/hstexport/input_discovery.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/name_pattern.h"

namespace hstexport {
namespace {

namespace fs = std::filesystem;

bool IsHistoryName(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".hst";
}

// The part of a path that may be mirrored below an output folder: a relative path that stays
// inside the current folder as it is, anything else by what follows `base`.
fs::path MirroredPart(const fs::path& path, const fs::path& base) {
    const fs::path normal = path.lexically_normal();
    if (normal.is_relative() && !normal.empty() && *normal.begin() != "..") {
        return normal;
    }
    const fs::path below = normal.lexically_relative(base.lexically_normal());
    return below.empty() || *below.begin() == ".." ? normal.filename() : below;
}

class Collector {
  public:
    explicit Collector(Discovery& result) : result_(result) {}

    void Add(const fs::path& path, const fs::path& base) {
        const std::string text = path.string();
        if (seen_.insert(text).second) {
            fs::path relative = MirroredPart(path, base);
            relative.replace_extension();
            result_.files.push_back({text, relative.generic_string()});
        }
    }

    // Every .hst file below `folder`, in name order.
    void AddTree(const fs::path& folder, const std::string& argument) {
        std::error_code error;
        std::vector<fs::path> found;
        fs::recursive_directory_iterator it(folder, error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            std::error_code typeError;
            if (it->is_regular_file(typeError) && IsHistoryName(it->path())) {
                found.push_back(it->path());
            }
        }
        if (error) {
            Problem(argument, error.message());
        }
        std::sort(found.begin(), found.end());
        const fs::path base = folder.has_filename() ? folder.parent_path() : folder;
        for (const fs::path& path : found) {
            Add(path, base.empty() ? fs::path(".") : base);
        }
    }

    void Problem(const std::string& argument, const std::string& reason) {
        result_.problems.emplace_back(argument, reason);
    }

  private:
    Discovery& result_;
    std::set<std::string> seen_;
};

void ExpandPattern(const std::string& argument, bool recursive, Collector& collector) {
    const fs::path pattern(argument);
    const std::string namePattern = pattern.filename().string();
    const fs::path folder = pattern.parent_path();
    std::error_code error;
    std::vector<fs::path> matches;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        // As shells do: a hidden name only matches a pattern that starts with ".".
        if ((name[0] != '.' || namePattern[0] == '.') &&
            trendtab::WildcardMatch(namePattern, name)) {
            matches.push_back(folder / name);
        }
    }
    if (error) {
        collector.Problem(argument, error.message());
        return;
    }
    std::sort(matches.begin(), matches.end());
    bool any = false;
    for (const fs::path& match : matches) {
        std::error_code typeError;
        if (fs::is_directory(match, typeError)) {
            if (recursive) {
                collector.AddTree(match, argument);
                any = true;
            }
        } else {
            collector.Add(match, folder);
            any = true;
        }
    }
    if (!any) {
        collector.Problem(argument, "no file matches this pattern");
    }
}

}  // namespace

Discovery DiscoverInputs(const std::vector<std::string>& arguments, bool recursive) {
    Discovery result;
    Collector collector(result);
    for (const std::string& argument : arguments) {
        const fs::path path(argument);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (fs::is_directory(status)) {
            if (recursive) {
                collector.AddTree(path, argument);
            } else {
                collector.Problem(argument, "is a folder (add -r for the .hst files below it)");
            }
        } else if (fs::exists(status)) {
            collector.Add(path, path.parent_path());
        } else if (trendtab::HasWildcards(path.filename().string())) {
            ExpandPattern(argument, recursive, collector);
        } else {
            // Left to the conversion, which names the system's reason.
            collector.Add(path, path.parent_path());
        }
    }
    return result;
}

}  // namespace hstexport
