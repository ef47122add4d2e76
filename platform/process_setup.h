// The converter's process, set up before the first file.
#pragma once

namespace trendtab {

// On POSIX a file-size limit then surfaces as a write error instead of ending the process
// (SIGXFSZ ignored). On Windows nothing is left to do at run time: patterns already reach the
// program unexpanded.
void PrepareProcess();

}  // namespace trendtab
