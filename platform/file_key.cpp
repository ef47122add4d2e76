// File identity for names that may not exist yet, on top of the backend's identity of an
// existing file.
#include <filesystem>
#include <vector>

#include "platform/file_services.h"

namespace trendtab::platform {

std::string FileKey(const std::string& path, bool followLastLink) {
    std::string key;
    if (ExistingFileKey(path, followLastLink, key)) {
        return key;
    }
    // The nearest folder that exists, then the names below it as the file system compares them.
    namespace fs = std::filesystem;
    fs::path current = fs::path(path);
    std::vector<std::string> names;  // from the last up
    auto join = [&names](std::string start) {
        for (auto name = names.rbegin(); name != names.rend(); ++name) {
            start.append("/").append(*name);
        }
        return start;
    };
    for (;;) {
        const std::string name = current.filename().string();
        if (!name.empty() && name != ".") {
            names.push_back(ComparedName(name));
        }
        fs::path parent = current.parent_path();
        if (parent == current) {
            return join(std::string());  // not even the root: the names alone
        }
        if (parent.empty()) {
            parent = ".";
        }
        if (ExistingFileKey(parent.string(), true, key)) {
            return join(key);
        }
        current = parent;
    }
}

}  // namespace trendtab::platform
