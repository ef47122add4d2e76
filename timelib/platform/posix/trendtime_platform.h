/* The types of the public time-function header and its export macro, for POSIX systems: the
   layouts of the Windows types, under names of the library's own, so that a C program including
   trendtime.h gets no BOOL, DWORD or FILETIME of ours. */
#ifndef TRENDTIME_PLATFORM_H
#define TRENDTIME_PLATFORM_H

#include <stdint.h>

#define TRENDTIME_API __attribute__((visibility("default")))

typedef int32_t trendtime_LONG;
typedef uint32_t trendtime_DWORD;
typedef int32_t trendtime_BOOL;
typedef int64_t trendtime_LONGLONG;
typedef uint64_t trendtime_ULONGLONG;

/* 100-nanosecond ticks since 1601-01-01 00:00:00, low half first: FILETIME's layout. */
typedef struct trendtime_FILETIME {
    trendtime_DWORD dwLowDateTime;
    trendtime_DWORD dwHighDateTime;
} trendtime_FILETIME;

#endif
