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
