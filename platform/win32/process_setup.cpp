// Process setup backed by the MinGW-w64 runtime's start-up.
#include "platform/process_setup.h"

// Patterns reach the program unexpanded, as on a Windows command prompt: the file search
// expands them itself (the runtime would otherwise expand them before main).
extern "C" {
int _dowildcard = 0;
}

namespace trendtab {

void PrepareProcess() {}

}  // namespace trendtab
