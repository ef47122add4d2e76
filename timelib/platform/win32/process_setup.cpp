// Process setup, backed by the Windows runtime.
#include "platform.h"

// Patterns reach the program unexpanded, as on a Windows command prompt: the file search
// expands them itself (the MinGW runtime would otherwise expand them before main).
extern "C" {
int _dowildcard = 0;
}

namespace trendtab::platform {

void PrepareProcess() {}

}  // namespace trendtab::platform
