/* Calls exported time functions through the installed header and library. */
#include <stdio.h>

/* The program's own BOOL and DWORD: the header brings none of its own. */
typedef int BOOL;
typedef unsigned long long DWORD;

#include "trendtime.h"

int main(void) {
    trendtime_FILETIME max;
    FileTimeGetMax(&max);
    trendtime_FILETIME day;
    trendtime_FILETIME zero = {0, 0};
    day = FileTimeAddDays(&zero, 1);
    trendtime_DWORD seconds = 0;
    FileTimeToSeconds(&day, &seconds);
    trendtime_FILETIME epoch;
    TimeToFileTime(0, &epoch);
    if (max.dwHighDateTime != 0x07FFFFFF || seconds != 86400 ||
        epoch.dwHighDateTime != 0x019DB1DE || epoch.dwLowDateTime != 0xD53E8000) {
        printf("wrong results\n");
        return 1;
    }
    printf("consumer ok: one day is %u seconds\n", (unsigned)seconds);
    return 0;
}
