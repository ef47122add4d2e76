// The entries of one folder, by their real names (UTF-8) and at any path length. On Windows the
// runtime's directory functions behind std::filesystem's iterators fail beyond 260 characters.
#pragma once

#include <string>
#include <vector>

namespace trendtab::platform {

struct FolderEntry {
    std::string name;      // the entry's own name, without the folder
    bool folder = false;   // a folder itself, not a link to one
    bool regular = false;  // a regular file, or a link to one
};

// The entries of `folder`, "." and ".." left out, in no particular order. False, with the
// system's reason in `error`, when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error);

}  // namespace trendtab::platform
