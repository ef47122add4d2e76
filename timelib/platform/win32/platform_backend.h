// Windows services backed by the system itself: kernel32, advapi32 and the C runtime.
// Always include this header (through platform.h) instead of <windows.h>.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ctime>

namespace trendtab::platform {
using Time32 = __time32_t;  // the runtime's 32-bit seconds count
}
