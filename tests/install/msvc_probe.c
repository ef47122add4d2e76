/* Linked by Microsoft's kind of linker (lld-link) against trendtime.lib with no C runtime at all:
   its exit code says whether the call through the import library reached trendtime.dll. */
#include "trendtime.h"

int ProbeEntry(void) {
    trendtime_FILETIME max;
    FileTimeGetMax(&max);
    return max.dwHighDateTime == 0x07FFFFFF && max.dwLowDateTime == 0xFFFFFFFF ? 0 : 3;
}
