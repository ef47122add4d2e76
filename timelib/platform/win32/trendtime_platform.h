/* The Windows types used by the public time-function header come from the system; the export
   macro exports when building the library and imports in the programs that use it. */
#ifndef TRENDTIME_PLATFORM_H
#define TRENDTIME_PLATFORM_H

#include <windows.h>

#ifdef TRENDTIME_BUILDING
#define TRENDTIME_API __declspec(dllexport)
#else
#define TRENDTIME_API __declspec(dllimport)
#endif

#endif
