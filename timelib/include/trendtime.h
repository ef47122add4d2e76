/* The exported time functions: FILETIME arithmetic and unit conversions, local-time bias and
   calendar functions. Plain C, undecorated names; link with libtrendtime (trendtime.dll).

   A FILETIME here is one 64-bit count of 100-nanosecond ticks, high half times 2^32 plus low half.
   Arithmetic wraps modulo 2^64 and 32-bit outputs keep the low 32 bits, silently. Divisions are
   unsigned and truncate. No function keeps state or reports errors; pointers must be valid. */
#ifndef TRENDTIME_H
#define TRENDTIME_H

#include "trendtime_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Writes 2^59 - 1 ticks (high 0x07FFFFFF, low 0xFFFFFFFF), the largest time of the library. */
TRENDTIME_API void FileTimeGetMax(FILETIME* out);
/* a - b, modulo 2^64. */
TRENDTIME_API FILETIME FileTimeDiff(const FILETIME* a, const FILETIME* b);
/* a + b, modulo 2^64. */
TRENDTIME_API FILETIME FileTimeSum(const FILETIME* a, const FILETIME* b);
/* The UTC FILETIME of t seconds since 1970-01-01 00:00:00 UTC (also for negative t). */
TRENDTIME_API void TimeToFileTime(LONG t, FILETIME* out);
/* seconds x 10,000,000 ticks (negative seconds give a negative duration). */
TRENDTIME_API void SecondsToFileTime(LONG seconds, FILETIME* out);
/* milliseconds x 10,000 ticks, modulo 2^64. */
TRENDTIME_API void mSecondsToFileTime(LONGLONG milliseconds, FILETIME* out);
/* Low 32 bits of value / 10,000,000. */
TRENDTIME_API void FileTimeToSeconds(const FILETIME* value, DWORD* out);
/* Low 32 bits of value / 10,000. */
TRENDTIME_API void FileTimeTomSeconds(const FILETIME* value, DWORD* out);
/* value (signed) x factor, rounded once to double precision, truncated toward zero; high
   0x80000000, low 0 when the product is not a number or out of the signed 64-bit range. */
TRENDTIME_API FILETIME FileTimeMult(const FILETIME* value, double factor);
/* value + days x 864,000,000,000 ticks, modulo 2^64. */
TRENDTIME_API FILETIME FileTimeAddDays(const FILETIME* value, LONG days);
/* value / 10,000, all 64 bits. */
TRENDTIME_API void FileTimeTomSeconds64(const FILETIME* value, ULONGLONG* out);
/* Seconds since 1970 of a UTC FILETIME, moved to local time with the bias in force now and read
   back with the zone rules of that date; low 32 bits. Not written when the time cannot be
   converted (before 1970 or after 3000 in local time); 0 for a local year before 1900. */
TRENDTIME_API void FileTimeToTime(FILETIME value, LONG* out);

/* Bias: minutes, UTC = local time + bias (-60 for a zone one hour ahead of UTC). */

/* -1, 0 or +1 as a (local, with bias a) is earlier than, equal to or later than b. */
TRENDTIME_API LONG CompareFileTimeBias(const FILETIME* a, LONG biasA, const FILETIME* b,
                                       LONG biasB);
/* The bias of the system's zone now, daylight saving included. */
TRENDTIME_API LONG GetCurrentBias(void);
/* local = utc - bias minutes. Always 1. */
TRENDTIME_API BOOL FileTimeToLocalFileTimeBias(const FILETIME* utc, FILETIME* local, LONG bias);
/* utc = local + bias minutes. Always 1. */
TRENDTIME_API BOOL LocalFileTimeToFileTimeBias(const FILETIME* local, FILETIME* utc, LONG bias);
/* The current local time as a local FILETIME, less days x 86,400 seconds. */
TRENDTIME_API FILETIME LocalTimeLessDays(LONG days);
/* Zero-based day of the year of the FILETIME's own calendar date (no zone shift), or of today's
   local date for null; 0 for a FILETIME of 2^63 ticks or more. */
TRENDTIME_API DWORD GetDayOfYear(const FILETIME* value);

#ifdef __cplusplus
}
#endif

#endif
