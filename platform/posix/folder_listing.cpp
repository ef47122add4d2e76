// Folder listing on POSIX: std::filesystem's iterator, which has no length limit here.
#include "platform/folder_listing.h"

#include <filesystem>
#include <system_error>

namespace trendtab::platform {

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    fs::directory_iterator it(folder, code);
    for (; !code && it != fs::directory_iterator(); it.increment(code)) {
        std::error_code typeCode;
        FolderEntry entry;
        entry.name = it->path().filename().string();
        entry.folder = it->is_directory(typeCode) && !it->is_symlink(typeCode);
        entry.regular = it->is_regular_file(typeCode);
        entries.push_back(std::move(entry));
    }
    if (code) {
        error = code.message();
        return false;
    }
    return true;
}

}  // namespace trendtab::platform
