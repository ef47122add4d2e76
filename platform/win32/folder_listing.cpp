// Folder listing on Windows: the wide directory search, with the \\?\ form for long paths.
#include "platform/folder_listing.h"

#include <system_error>

#include "platform/win32/wide_path.h"
#include "platform/win32/windows_api.h"

namespace trendtab::platform {

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error) {
    const std::string pattern = folder.empty() || folder.back() == '\\' || folder.back() == '/'
                                    ? folder + "*"
                                    : folder + "\\*";
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW(WidePath(pattern).c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        error = std::system_category().message(static_cast<int>(GetLastError()));
        return false;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back({Utf8Text(name), directory && !link, !directory});
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
    return true;
}

}  // namespace trendtab::platform
