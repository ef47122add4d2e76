// Process setup and file-name rules, backed by the Windows runtime.
#include <cstring>

#include "platform.h"

// Patterns reach the program unexpanded, as on a Windows command prompt: the file search
// expands them itself (the MinGW runtime would otherwise expand them before main).
extern "C" {
int _dowildcard = 0;
}

namespace trendtab::platform {

void PrepareProcess() {}

bool SamePathName(const std::string& a, const std::string& b) {
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace trendtab::platform
