// File identity for names that may not exist yet, on top of the backend's identity of an
// existing file.
#include <filesystem>
#include <map>
#include <vector>

#include "platform/file_services.h"

namespace trendtab::platform {

namespace {

// The identity of an existing folder, empty where there is none; looked up once with `folders`.
std::string FolderKey(const std::string& folder, FolderKeys* folders) {
    if (folders) {
        if (const auto known = folders->find(folder); known != folders->end()) {
            return known->second;
        }
    }
    std::string key;
    if (!ExistingFileKey(folder, true, key)) {
        key.clear();
    }
    if (folders) {
        folders->emplace(folder, key);
    }
    return key;
}

// The key of a name that does not exist (or not as itself): the identity of the nearest folder
// that does, and the names below it.
std::string KeyBelowFolders(const std::string& path, FolderKeys* folders) {
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
        const std::string key = FolderKey(parent.string(), folders);
        if (!key.empty()) {
            return join(key);
        }
        current = parent;
    }
}

}  // namespace

std::string FileKey(const std::string& path, bool followLastLink) {
    std::string key;
    if (ExistingFileKey(path, followLastLink, key)) {
        return key;
    }
    return KeyBelowFolders(path, nullptr);
}

LinkKeys FileKeysBothWays(const std::string& path, FolderKeys& folders) {
    LinkKeys keys;
    keys.existing = ExistingFileKey(path, false, keys.own);
    if (keys.existing) {
        // A link's file, or the file itself.
        if (!ExistingFileKey(path, true, keys.reached)) {
            keys.reached = KeyBelowFolders(path, &folders);  // a link that leads nowhere
        }
    } else {
        // Nothing at the name: following a link there cannot reach anything else either.
        keys.own = KeyBelowFolders(path, &folders);
        keys.reached = keys.own;
    }
    return keys;
}

}  // namespace trendtab::platform
