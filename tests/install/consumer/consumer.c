/* Calls exported time functions through the installed header and library. */
#include <stdio.h>

#include "trendtime.h"

int main(void) {
    FILETIME max;
    FileTimeGetMax(&max);
    FILETIME day;
    FILETIME zero = {0, 0};
    day = FileTimeAddDays(&zero, 1);
    DWORD seconds = 0;
    FileTimeToSeconds(&day, &seconds);
    FILETIME epoch;
    TimeToFileTime(0, &epoch);
    if (max.dwHighDateTime != 0x07FFFFFF || seconds != 86400 ||
        epoch.dwHighDateTime != 0x019DB1DE || epoch.dwLowDateTime != 0xD53E8000) {
        printf("wrong results\n");
        return 1;
    }
    printf("consumer ok: one day is %u seconds\n", (unsigned)seconds);
    return 0;
}
