/* The Windows types used by the public time-function header, with their Windows layouts, and the
   export macro, for POSIX systems. Plain C: programs in C include it through trendtime.h. */
#ifndef TRENDTIME_PLATFORM_H
#define TRENDTIME_PLATFORM_H

#include <stdint.h>

#define TRENDTIME_API __attribute__((visibility("default")))

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int32_t BOOL;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;

/* 100-nanosecond ticks since 1601-01-01 00:00:00, low half first. */
typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

#endif
