// File search backed by opendir(3) and our own wildcard rule.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/file_search.h"
#include "platform/name_pattern.h"

namespace trendtab {

std::vector<std::string> FindMatchingFiles(const std::string& pattern) {
    const std::size_t slash = pattern.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
    const std::string namePattern =
        slash == std::string::npos ? pattern : pattern.substr(slash + 1);

    std::vector<std::string> matches;
    if (namePattern.find_first_of("*?") == std::string::npos) {
        struct stat info;
        if (stat(pattern.c_str(), &info) == 0) {
            matches.push_back(pattern);
        }
        return matches;
    }

    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.empty() ? "." : directory.c_str()),
                                            closedir);
    if (!dir) {
        return matches;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (name[0] == '.' && namePattern[0] != '.') {
            continue;
        }
        if (WildcardMatch(namePattern, name)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        matches.push_back(directory + name);
    }
    return matches;
}

}  // namespace trendtab
