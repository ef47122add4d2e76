// Where this user's caches go: files the tools may rebuild at any time, kept between runs.
// The build picks the backend (posix/ or win32/).
#pragma once

#include <string>

namespace trendtab::platform {

// The tool family's folder in the user's cache folder: $XDG_CACHE_HOME/trendtab, else
// ~/.cache/trendtab on POSIX; %LOCALAPPDATA%\trendtab on Windows. "" when the environment names
// none (no home folder). The folder is not created here.
std::string UserCacheFolder();

}  // namespace trendtab::platform
