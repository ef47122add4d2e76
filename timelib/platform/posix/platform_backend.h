// Windows services backed by our own implementation over the C library and the IANA zone files.
// Types and constants keep the Windows names and layouts, so that callers read the same on
// both platforms.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>

#include "trendtime_platform.h"

// The public header's types under their Windows names, for the code of the library.
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = trendtime_DWORD;
using LONG = trendtime_LONG;
using BOOL = trendtime_BOOL;
using LONGLONG = trendtime_LONGLONG;
using ULONGLONG = trendtime_ULONGLONG;
using FILETIME = trendtime_FILETIME;
using WCHAR = char16_t;  // UTF-16 on both platforms
using BOOLEAN = BYTE;
using HRESULT = std::int32_t;
using errno_t = int;

#define TT_WIDE(text) u"" text

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;

inline constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
inline constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
inline constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;
inline constexpr DWORD TIME_ZONE_ID_INVALID = 0xFFFFFFFFu;

struct SYSTEMTIME {
    WORD wYear;          // 1601..30828
    WORD wMonth;         // 1..12
    WORD wDayOfWeek;     // 0..6, Sunday = 0
    WORD wDay;           // 1..31
    WORD wHour;          // 0..23
    WORD wMinute;        // 0..59
    WORD wSecond;        // 0..59
    WORD wMilliseconds;  // 0..999
};
using PSYSTEMTIME = SYSTEMTIME*;
using LPSYSTEMTIME = SYSTEMTIME*;

struct TIME_ZONE_INFORMATION {
    LONG Bias;  // minutes, UTC = local time + bias
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;  // change to standard time; wMonth 0: no daylight saving
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;  // change to daylight time
    LONG DaylightBias;
};
using PTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;
using LPTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;

struct DYNAMIC_TIME_ZONE_INFORMATION {
    LONG Bias;
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
    WCHAR TimeZoneKeyName[128];
    BOOLEAN DynamicDaylightTimeDisabled;
};
using PDYNAMIC_TIME_ZONE_INFORMATION = DYNAMIC_TIME_ZONE_INFORMATION*;

// kernel32. Failures return FALSE (or TIME_ZONE_ID_INVALID) and set the thread's last error.
DWORD GetLastError();
void SetLastError(DWORD error);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);
LONG CompareFileTime(const FILETIME* first, const FILETIME* second);
void GetLocalTime(SYSTEMTIME* localTime);
void GetSystemTime(SYSTEMTIME* systemTime);
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone);
BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* utc,
                                     SYSTEMTIME* local);
BOOL TzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* local,
                                     SYSTEMTIME* utc);
BOOL SystemTimeToTzSpecificLocalTimeEx(const DYNAMIC_TIME_ZONE_INFORMATION* zone,
                                       const SYSTEMTIME* utc, SYSTEMTIME* local);
BOOL TzSpecificLocalTimeToSystemTimeEx(const DYNAMIC_TIME_ZONE_INFORMATION* zone,
                                       const SYSTEMTIME* local, SYSTEMTIME* utc);

// Runtime calendar functions with the Microsoft ranges: counts from 0 (1970-01-01 00:00:00 UTC)
// to 32535215999 (3000-12-31 23:59:59 UTC).
std::int64_t _mktime64(std::tm* fields);  // -1 outside the range; normalises the fields
errno_t _localtime64_s(std::tm* fields, const std::int64_t* time);  // EINVAL outside the range
errno_t _gmtime64_s(std::tm* fields, const std::int64_t* time);
// 32-bit local-time breakdown (LONG is the runtime's 32-bit time type on both platforms). Null
// for a negative count; the result lives in thread-local storage until the next call on the
// same thread.
std::tm* _localtime32(const LONG* time);

// Wide-string helpers on WCHAR, as the Microsoft runtime has them for its wide strings.
std::size_t wcslen(const WCHAR* text);
// Copies up to count characters and pads with terminators; no terminator when src is longer.
WCHAR* wcsncpy(WCHAR* dest, const WCHAR* src, std::size_t count);
WCHAR* wcscpy(WCHAR* dest, const WCHAR* src);
// Compares ignoring ASCII letter case: negative, 0 or positive.
int _wcsicmp(const WCHAR* first, const WCHAR* second);
// Formats at most count characters: %d %i %u %x %X %ld %lu %s %ls %c %%, with flags, width and
// precision. Returns the length, or -1 when the text did not fit (then it is not terminated).
int _snwprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, ...);
int _vsnwprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, std::va_list arguments);

// advapi32 registry, read only: HKEY_LOCAL_MACHINE's zone list key and its zone keys, served from
// the zone database (TZDIR, else the system default). Results are Windows error codes
// (ERROR_SUCCESS on success); the last error is not touched.
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using LSTATUS = LONG;
using REGSAM = DWORD;

#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;

LSTATUS RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access, PHKEY result);
// nameLength: the buffer's size in characters on entry, the name's length without terminator on
// success. ERROR_NO_MORE_ITEMS past the last subkey.
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength, DWORD* reserved,
                      WCHAR* keyClass, DWORD* classLength, FILETIME* lastWriteTime);
// dataSize: the buffer's size in bytes on entry, the value's size on return; ERROR_MORE_DATA
// (buffer untouched) when the value does not fit.
LSTATUS RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize);
LSTATUS RegCloseKey(HKEY key);

// kernel32 library loading. The one library is "Kernel32.dll" (letter case ignored, ".dll"
// optional): this layer's own kernel32 time services, the extended zone conversions included.
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using FARPROC = std::intptr_t (*)();

HMODULE LoadLibraryW(const WCHAR* fileName);  // null and ERROR_MOD_NOT_FOUND for any other
FARPROC GetProcAddress(HMODULE module, const char* procName);  // null, ERROR_PROC_NOT_FOUND
BOOL FreeLibrary(HMODULE module);

namespace trendtab::platform {
// The runtime's calendar functions and the kernel's zone conversions here both follow the C
// library's zone, so a local time from the one reads back the same through the other.
inline constexpr bool kRuntimeZoneIsKernelZone = true;
}  // namespace trendtab::platform
