// The FILETIME and SYSTEMTIME services, through the platform interface only.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/test_support.h"
#include "tests/timelib/filetime_test_util.h"

using namespace timelibtest;

namespace {

void ExpectSystemTime(const SYSTEMTIME& t, int year, int month, int dayOfWeek, int day, int hour,
                      int minute, int second, int milliseconds) {
    EXPECT_EQ(t.wYear, year);
    EXPECT_EQ(t.wMonth, month);
    EXPECT_EQ(t.wDayOfWeek, dayOfWeek);
    EXPECT_EQ(t.wDay, day);
    EXPECT_EQ(t.wHour, hour);
    EXPECT_EQ(t.wMinute, minute);
    EXPECT_EQ(t.wSecond, second);
    EXPECT_EQ(t.wMilliseconds, milliseconds);
}

}  // namespace

TEST(FileTimeSplit, KnownInstants) {
    SYSTEMTIME t{};
    FILETIME f = Ft(0);
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    ExpectSystemTime(t, 1601, 1, 1, 1, 0, 0, 0, 0);  // a Monday
    f = Ft(kUnixEpochTicks + 9'999);                 // sub-millisecond ticks dropped
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    ExpectSystemTime(t, 1970, 1, 4, 1, 0, 0, 0, 0);
    f = Ft(0x07FFFFFFFFFFFFFF);
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    ExpectSystemTime(t, 3427, 9, 2, 25, 22, 40, 30, 342);
    f = Ft((std::uint64_t{1} << 63) - 1);
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    ExpectSystemTime(t, 30828, 9, 4, 14, 2, 48, 5, 477);
    f = Ft(UnixTicks(951'868'799) + 9'990'000);  // 2000-02-29 23:59:59.999, a Tuesday
    ASSERT_TRUE(FileTimeToSystemTime(&f, &t));
    ExpectSystemTime(t, 2000, 2, 2, 29, 23, 59, 59, 999);
}

TEST(FileTimeSplit, RefusedValues) {
    SYSTEMTIME t = St(2000, 1, 1);
    SetLastError(0);
    for (std::uint64_t ticks : {std::uint64_t{1} << 63, ~std::uint64_t{0}}) {
        const FILETIME f = Ft(ticks);
        EXPECT_FALSE(FileTimeToSystemTime(&f, &t));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(t.wYear, 2000);
    FILETIME out = Ft(42);
    for (const SYSTEMTIME& bad :
         {St(1600, 12, 31), St(2024, 4, 31), St(2024, 0, 1), St(2024, 13, 1), St(2024, 1, 0),
          St(2024, 1, 1, 24), St(2024, 1, 1, 0, 60), St(2024, 1, 1, 0, 0, 60),
          St(2024, 1, 1, 0, 0, 0, 1000)}) {
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&bad, &out)) << bad.wYear << "-" << bad.wMonth;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(Ticks(out), 42u);
    SYSTEMTIME leap = St(2024, 2, 29);
    leap.wDayOfWeek = 6;  // ignored
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &out));
}

TEST(FileTimeSplit, RoundTripsAndOrder) {
    std::mt19937_64 random(20240229);
    const std::uint64_t count = 200'000 / testsupport::HeavyTestDivisor();
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t ticks = random() >> 1;
        const FILETIME in = Ft(ticks - ticks % 10'000);  // whole milliseconds
        SYSTEMTIME t{};
        FILETIME back{};
        ASSERT_TRUE(FileTimeToSystemTime(&in, &t));
        ASSERT_TRUE(SystemTimeToFileTime(&t, &back));
        ASSERT_EQ(Ticks(back), Ticks(in));
    }
    const FILETIME a = Ft(0x00000001FFFFFFFF), b = Ft(0x0000000200000000);
    const FILETIME top = Ft(~std::uint64_t{0});
    EXPECT_EQ(CompareFileTime(&a, &b), -1);
    EXPECT_EQ(CompareFileTime(&b, &a), 1);
    EXPECT_EQ(CompareFileTime(&a, &a), 0);
    EXPECT_EQ(CompareFileTime(&top, &b), 1);  // unsigned
}
