// The processors the process may run on, from its affinity mask.
#include "platform/processors.h"

#include <bit>
#include <cstdint>

#include "platform/win32/windows_api.h"

namespace trendtab::platform {

unsigned UsableProcessorCount() {
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) && processMask) {
        return static_cast<unsigned>(std::popcount(static_cast<std::uint64_t>(processMask)));
    }
    return 1;
}

}  // namespace trendtab::platform
