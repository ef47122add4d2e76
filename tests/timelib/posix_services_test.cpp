// Where our services are stricter than the platform our Windows build is tested on: calendar
// validation and the runtime's end of time.
#include <gtest/gtest.h>

#include "tests/timelib/filetime_test_util.h"

using namespace timelibtest;

TEST(PosixServices, RefusesInvalidAndUnrepresentableDates) {
    FILETIME out = Ft(42);
    for (const SYSTEMTIME& bad : {St(2023, 2, 29), St(1900, 2, 29), St(30828, 9, 14, 2, 48, 6),
                                  St(30828, 12, 31), St(30829, 1, 1)}) {
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&bad, &out)) << bad.wYear << "-" << bad.wMonth;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(Ticks(out), 42u);
    const SYSTEMTIME last = St(30828, 9, 14, 2, 48, 5, 477);
    ASSERT_TRUE(SystemTimeToFileTime(&last, &out));
    EXPECT_EQ(Ticks(out), 0x7FFFFFFFFFFFE950u);
    // Under TZ=UTC0 the shift is 0, so only the input's own range decides.
    const FILETIME top = Ft(0x7FFFFFFFFFFFFFFF);
    EXPECT_TRUE(FileTimeToLocalFileTime(&top, &out));
}

TEST(PosixServices, RuntimeEndsAt3000) {
    std::tm fields{};
    fields.tm_year = 1100;
    fields.tm_mon = 11;
    fields.tm_mday = 31;
    fields.tm_hour = 23;
    fields.tm_min = 59;
    fields.tm_sec = 60;  // rolls over into 3001
    fields.tm_isdst = -1;
    EXPECT_EQ(_mktime64(&fields), -1);
    const std::int64_t past = 32'535'216'000;
    EXPECT_NE(_localtime64_s(&fields, &past), 0);
    EXPECT_EQ(fields.tm_year, -1);  // filled with -1, as the Microsoft runtime does
    EXPECT_NE(_gmtime64_s(&fields, &past), 0);
}
