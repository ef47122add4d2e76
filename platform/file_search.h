// The file search behind the first argument: the names of the entries a name or wildcard pattern
// matches, each joined to the pattern's directory part.
#pragma once

#include <string>
#include <vector>

namespace trendtab {

// POSIX: "*" and "?" in the last path component are the only wildcards, matched case-sensitively;
// a name beginning with "." matches only a pattern beginning with "."; "." and ".." never match;
// matches come in byte order of their names. A name without wildcards matches itself if it exists.
// Windows: the runtime's directory search, in its order.
// Directories are not skipped.
std::vector<std::string> FindMatchingFiles(const std::string& pattern);

}  // namespace trendtab
