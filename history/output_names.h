// The names of the two text files a history file converts into, and the names that may not be
// converted because making those outputs would destroy the input.
#pragma once

#include <string>

namespace trendtab {

// The output name for `path`: everything from the last "." of the file's own name (never of a
// folder name) replaced by `extension`; empty when the file's name has no ".".
std::string DeriveOutputName(const std::string& path, const char* extension);

// False when `path` has no output names (no "." in its own name), or when its .txt or .hdr is
// the input itself, by name or through a link: creating that output would destroy it.
bool HasOwnOutputNames(const std::string& path);

// The converter's refusal of such a name, with its line end.
std::string InvalidFilenameMessage(const std::string& path);

}  // namespace trendtab
