// The programs carry paths as UTF-8; the wide Windows functions take them as UTF-16. Long paths
// get the \\?\ form, which every Windows version accepts beyond 260 characters without the
// LongPathsEnabled policy.
#pragma once

#include <string>
#include <string_view>

namespace trendtab::platform {

// `path` (UTF-8) as UTF-16 for the wide functions. A path too long for the classic limit is made
// absolute (resolving "." and "..", "/" becoming "\") and given the \\?\ (or \\?\UNC\) prefix.
std::wstring WidePath(std::string_view path);

// UTF-16 text (a name from the system) as UTF-8.
std::string Utf8Text(std::wstring_view text);

}  // namespace trendtab::platform
