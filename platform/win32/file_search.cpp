// File search backed by the wide directory search (FindFirstFileW / FindNextFileW): patterns and
// names are UTF-8 in the program and the system's own UTF-16 names on disk, so a name matches
// itself and never a best-fit twin.
#include "platform/file_search.h"

#include "platform/win32/wide_path.h"
#include "platform/win32/windows_api.h"

namespace trendtab {

std::vector<std::string> FindMatchingFiles(const std::string& pattern) {
    const std::size_t separator = pattern.find_last_of("\\/:");
    const std::string directory =
        separator == std::string::npos ? "" : pattern.substr(0, separator + 1);

    std::vector<std::string> matches;
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileExW(platform::WidePath(pattern).c_str(), FindExInfoBasic,
                                           &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return matches;
    }
    do {
        matches.push_back(directory + platform::Utf8Text(entry.cFileName));
    } while (FindNextFileW(search, &entry) != 0);
    FindClose(search);
    return matches;
}

}  // namespace trendtab
