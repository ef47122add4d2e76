// Windows services backed by the system itself: kernel32, advapi32 and the C runtime.
// Always include this header (through platform.h) instead of <windows.h>.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ctime>
#include <cwchar>

#include "trendtime_platform.h"

static_assert(sizeof(WCHAR) == 2, "wide text is UTF-16");

#define TT_WIDE(text) L"" text

namespace trendtab::platform {
// The runtime's calendar functions (_mktime64, _localtime64_s) read TZ in their own way and
// apply United States daylight-saving rules to any daylight zone, so they may disagree with the
// kernel's zone conversions.
inline constexpr bool kRuntimeZoneIsKernelZone = false;
}  // namespace trendtab::platform
