/* The types of the public time-function header and its export macro, for Windows: the system's
   own types under names of the library's own, so that a C program including trendtime.h gets no
   BOOL or DWORD of <windows.h> it did not ask for. The export macro exports when building the
   library and imports in the programs that use it. */
#ifndef TRENDTIME_PLATFORM_H
#define TRENDTIME_PLATFORM_H

typedef long trendtime_LONG;
typedef unsigned long trendtime_DWORD;
typedef int trendtime_BOOL;
typedef long long trendtime_LONGLONG;
typedef unsigned long long trendtime_ULONGLONG;

#ifdef TRENDTIME_BUILDING
#define TRENDTIME_API __declspec(dllexport)
/* The library itself speaks the system's FILETIME. */
#include <windows.h>
typedef FILETIME trendtime_FILETIME;
#else
#define TRENDTIME_API __declspec(dllimport)
/* 100-nanosecond ticks since 1601-01-01 00:00:00, low half first: FILETIME's layout. */
typedef struct trendtime_FILETIME {
    trendtime_DWORD dwLowDateTime;
    trendtime_DWORD dwHighDateTime;
} trendtime_FILETIME;
#endif

#endif
