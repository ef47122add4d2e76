/* Loads a library by path and calls all eighteen functions by name, as a C program using the
   public header would. Run under TZ=UTC0.

   With --pure-arithmetic it looks all eighteen up but calls only those that need nothing but
   arithmetic: Windows runs no static constructors in an .exe loaded as a library, and Wine does not
   bind its imports, so that is all an .exe loaded this way can be asked to do. */
#include <stdio.h>
#include <string.h>

/* A program's own Windows-like names: the public header must not bring others. */
typedef int BOOL;
typedef unsigned long DWORD;
typedef struct {
    int x;
} FILETIME;

#include "tests/timelib/library_loader.h"
#include "trendtime.h"

static int failures = 0;

#define CHECK(condition)                                                   \
    do {                                                                   \
        if (!(condition)) {                                                \
            printf("%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                    \
        }                                                                  \
    } while (0)

/* Declares name_fn with the type the public header gives the function (the declaration is only
   read, never linked) and looks the name up in the library. */
#define LOOKUP(name) __typeof__(&name) name##_fn = (__typeof__(&name))Lookup(library, #name)

static void* Lookup(void* library, const char* name) {
    void* entry = FindExport(library, name);
    if (entry == NULL) {
        printf("missing export: %s\n", name);
        ++failures;
    }
    return entry;
}

static trendtime_ULONGLONG Ticks(trendtime_FILETIME t) {
    return ((trendtime_ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime;
}

static trendtime_FILETIME Ft(trendtime_ULONGLONG ticks) {
    trendtime_FILETIME t;
    t.dwLowDateTime = (trendtime_DWORD)ticks;
    t.dwHighDateTime = (trendtime_DWORD)(ticks >> 32);
    return t;
}

int main(int argc, char** argv) {
    const int pureArithmetic = argc == 3 && strcmp(argv[2], "--pure-arithmetic") == 0;
    if (argc != 2 && !pureArithmetic) {
        printf("usage: %s LIBRARY [--pure-arithmetic]\n", argv[0]);
        return 2;
    }
    void* library = LoadLibraryAt(argv[1]);
    if (library == NULL) {
        printf("cannot load %s\n", argv[1]);
        return 1;
    }
    LOOKUP(FileTimeGetMax);
    LOOKUP(FileTimeDiff);
    LOOKUP(FileTimeSum);
    LOOKUP(TimeToFileTime);
    LOOKUP(SecondsToFileTime);
    LOOKUP(mSecondsToFileTime);
    LOOKUP(FileTimeToSeconds);
    LOOKUP(FileTimeTomSeconds);
    LOOKUP(FileTimeMult);
    LOOKUP(FileTimeAddDays);
    LOOKUP(FileTimeTomSeconds64);
    LOOKUP(FileTimeToTime);
    LOOKUP(CompareFileTimeBias);
    LOOKUP(GetCurrentBias);
    LOOKUP(FileTimeToLocalFileTimeBias);
    LOOKUP(LocalFileTimeToFileTimeBias);
    LOOKUP(LocalTimeLessDays);
    LOOKUP(GetDayOfYear);
    if (failures != 0) {
        return 1;
    }

    const trendtime_ULONGLONG epoch = 116444736000000000ULL;
    trendtime_FILETIME a, b, out;
    trendtime_DWORD dword = 0;
    trendtime_ULONGLONG quad = 0;
    trendtime_LONG value = 0;

    FileTimeGetMax_fn(&out);
    CHECK(out.dwHighDateTime == 0x07FFFFFF && out.dwLowDateTime == 0xFFFFFFFF);
    a = Ft(0);
    b = Ft(1);
    CHECK(Ticks(FileTimeDiff_fn(&a, &b)) == ~0ULL);
    a = Ft(0xFFFFFFFF);
    CHECK(Ticks(FileTimeSum_fn(&a, &b)) == 0x100000000ULL);
    SecondsToFileTime_fn(-1, &out);
    CHECK(out.dwHighDateTime == 0xFFFFFFFF && out.dwLowDateTime == 0xFF676980);
    mSecondsToFileTime_fn(1500, &out);
    CHECK(Ticks(out) == 15000000ULL);
    a = Ft(19999999);
    FileTimeToSeconds_fn(&a, &dword);
    CHECK(dword == 1);
    a = Ft(42949672960000ULL);
    FileTimeTomSeconds_fn(&a, &dword);
    CHECK(dword == 0);
    FileTimeTomSeconds64_fn(&a, &quad);
    CHECK(quad == 4294967296ULL);
    a = Ft(3);
    CHECK(Ticks(FileTimeMult_fn(&a, 0.5)) == 1);
    a = Ft(1ULL << 62);
    CHECK(Ticks(FileTimeMult_fn(&a, 4.0)) == 1ULL << 63);
    a = Ft(0);
    out = FileTimeAddDays_fn(&a, -1);
    CHECK(out.dwHighDateTime == 0xFFFFFF36 && out.dwLowDateTime == 0xD5964000);
    if (pureArithmetic) {
        FreeLoadedLibrary(library);
        if (failures == 0) {
            printf("eighteen exports found, the pure arithmetic called\n");
        }
        return failures == 0 ? 0 : 1;
    }
    TimeToFileTime_fn(0, &out);
    CHECK(Ticks(out) == epoch);
    FileTimeToTime_fn(Ft(epoch + 1300000000ULL * 10000000ULL), &value);
    CHECK(value == 1300000000);
    value = 77;
    FileTimeToTime_fn(Ft(1ULL << 63), &value); /* refused: returns, writes nothing */
    CHECK(value == 77);

    a = Ft(epoch);
    CHECK(CompareFileTimeBias_fn(&a, 0, &a, -60) == 1);
    CHECK(GetCurrentBias_fn() == 0);
    CHECK(FileTimeToLocalFileTimeBias_fn(&a, &out, 300) == 1);
    CHECK(Ticks(out) == epoch - 180000000000ULL);
    CHECK(LocalFileTimeToFileTimeBias_fn(&out, &b, 300) == 1);
    CHECK(Ticks(b) == epoch);
    out = LocalTimeLessDays_fn(0);
    CHECK(Ticks(out) > epoch);
    CHECK(GetDayOfYear_fn(&a) == 0);
    CHECK(GetDayOfYear_fn(NULL) <= 365);

    FreeLoadedLibrary(library);
    if (failures == 0) {
        printf("all eighteen exports called\n");
    }
    return failures == 0 ? 0 : 1;
}
