// File search backed by the Windows runtime's directory search (_findfirst64 / _findnext64).
#include <io.h>

#include "platform/file_search.h"

namespace trendtab {

std::vector<std::string> FindMatchingFiles(const std::string& pattern) {
    const std::size_t separator = pattern.find_last_of("\\/:");
    const std::string directory =
        separator == std::string::npos ? "" : pattern.substr(0, separator + 1);

    std::vector<std::string> matches;
    __finddata64_t entry;
    const intptr_t handle = _findfirst64(pattern.c_str(), &entry);
    if (handle == -1) {
        return matches;
    }
    do {
        matches.push_back(directory + entry.name);
    } while (_findnext64(handle, &entry) == 0);
    _findclose(handle);
    return matches;
}

}  // namespace trendtab
