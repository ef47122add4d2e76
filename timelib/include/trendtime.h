/* The exported time functions: FILETIME arithmetic and unit conversions, local-time bias and
   calendar functions. Plain C, undecorated names; link with libtrendtime (trendtime.dll).

   A trendtime_FILETIME has the layout of the Windows FILETIME: one 64-bit count of 100-nanosecond
   ticks, high half times 2^32 plus low half. trendtime_LONG, trendtime_DWORD, trendtime_BOOL,
   trendtime_LONGLONG and trendtime_ULONGLONG are the Windows LONG, DWORD, BOOL, LONGLONG and
   ULONGLONG; the header declares no Windows names of its own, so a program may have its own.
   Arithmetic wraps modulo 2^64 and 32-bit outputs keep the low 32 bits, silently. Divisions are
   unsigned and truncate. No function keeps state or reports errors; pointers must be valid. */
#ifndef TRENDTIME_H
#define TRENDTIME_H

#include "trendtime_platform.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Writes 2^59 - 1 ticks (high 0x07FFFFFF, low 0xFFFFFFFF), the largest time of the library. */
TRENDTIME_API void FileTimeGetMax(trendtime_FILETIME* out);
/* a - b, modulo 2^64. */
TRENDTIME_API trendtime_FILETIME FileTimeDiff(const trendtime_FILETIME* a,
                                              const trendtime_FILETIME* b);
/* a + b, modulo 2^64. */
TRENDTIME_API trendtime_FILETIME FileTimeSum(const trendtime_FILETIME* a,
                                             const trendtime_FILETIME* b);
/* The UTC FILETIME of t seconds since 1970-01-01 00:00:00 UTC (also for negative t). */
TRENDTIME_API void TimeToFileTime(trendtime_LONG t, trendtime_FILETIME* out);
/* seconds x 10,000,000 ticks (negative seconds give a negative duration). */
TRENDTIME_API void SecondsToFileTime(trendtime_LONG seconds, trendtime_FILETIME* out);
/* milliseconds x 10,000 ticks, modulo 2^64. */
TRENDTIME_API void mSecondsToFileTime(trendtime_LONGLONG milliseconds, trendtime_FILETIME* out);
/* Low 32 bits of value / 10,000,000. */
TRENDTIME_API void FileTimeToSeconds(const trendtime_FILETIME* value, trendtime_DWORD* out);
/* Low 32 bits of value / 10,000. */
TRENDTIME_API void FileTimeTomSeconds(const trendtime_FILETIME* value, trendtime_DWORD* out);
/* value (signed) x factor, rounded once to double precision, truncated toward zero; high
   0x80000000, low 0 when the product is not a number or out of the signed 64-bit range. */
TRENDTIME_API trendtime_FILETIME FileTimeMult(const trendtime_FILETIME* value, double factor);
/* value + days x 864,000,000,000 ticks, modulo 2^64. */
TRENDTIME_API trendtime_FILETIME FileTimeAddDays(const trendtime_FILETIME* value,
                                                 trendtime_LONG days);
/* value / 10,000, all 64 bits. */
TRENDTIME_API void FileTimeTomSeconds64(const trendtime_FILETIME* value, trendtime_ULONGLONG* out);
/* Seconds since 1970 of a UTC FILETIME, moved to local time with the bias in force now
   and read back with the zone rules of that date; low 32 bits. Not written when the time cannot be
   converted (before 1970 or after 3000 in local time); 0 for a local year before 1900. */
TRENDTIME_API void FileTimeToTime(trendtime_FILETIME value, trendtime_LONG* out);

/* Bias: minutes, UTC = local time + bias (-60 for a zone one hour ahead of UTC). */

/* -1, 0 or +1 as a (local, with bias a) is earlier than, equal to or later than b. */
TRENDTIME_API trendtime_LONG CompareFileTimeBias(const trendtime_FILETIME* a, trendtime_LONG biasA,
                                                 const trendtime_FILETIME* b, trendtime_LONG biasB);
/* The bias of the system's zone now, daylight saving included. */
TRENDTIME_API trendtime_LONG GetCurrentBias(void);
/* local = utc - bias minutes. Always 1. */
TRENDTIME_API trendtime_BOOL FileTimeToLocalFileTimeBias(const trendtime_FILETIME* utc,
                                                         trendtime_FILETIME* local,
                                                         trendtime_LONG bias);
/* utc = local + bias minutes. Always 1. */
TRENDTIME_API trendtime_BOOL LocalFileTimeToFileTimeBias(const trendtime_FILETIME* local,
                                                         trendtime_FILETIME* utc,
                                                         trendtime_LONG bias);
/* The current local time as a local FILETIME, less days x 86,400 seconds. */
TRENDTIME_API trendtime_FILETIME LocalTimeLessDays(trendtime_LONG days);
/* Zero-based day of the year of the FILETIME's own calendar date (no zone shift), or of
   today's local date for null; 0 for a FILETIME of 2^63 ticks or more. */
TRENDTIME_API trendtime_DWORD GetDayOfYear(const trendtime_FILETIME* value);

#ifdef __cplusplus
}
#endif

#endif
