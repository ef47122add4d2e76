// The Windows time, registry and runtime services the time library and the converter stand on,
// under their Windows names. The build picks the backend: the system's own services on Windows
// (win32/), our implementation of the same services elsewhere (posix/).
#pragma once

#include "platform_backend.h"

#include <string>

namespace trendtab::platform {

// Prepares the process for the converter: on POSIX a file-size limit then surfaces as a write
// error instead of ending the process (SIGXFSZ ignored).
void PrepareProcess();

// True when two path names spell the same file name: byte for byte on POSIX, regardless of
// letter case on Windows.
bool SamePathName(const std::string& a, const std::string& b);

}  // namespace trendtab::platform
