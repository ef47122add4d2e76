// The programs' processes, set up before the first file.
#pragma once

#include <string_view>

namespace trendtab {

// On POSIX a file-size limit then surfaces as a write error instead of ending the process
// (SIGXFSZ ignored), and with glibc freed memory up to some megabytes is kept for reuse. On
// Windows nothing is left to do at run time: patterns already reach the program unexpanded.
void PrepareProcess();

// True for the help request of the platform's own programs: "/?" on Windows. POSIX has none
// ("/?" may name a file there).
bool IsPlatformHelpRequest(std::string_view argument);

}  // namespace trendtab
