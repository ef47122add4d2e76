#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

#include "tests/support/test_support.h"
#include "tests/timelib/filetime_test_util.h"
#include "timelib/include/trendtime.h"

using namespace timelibtest;

namespace {

constexpr std::uint64_t kMinSigned = std::uint64_t{1} << 63;
constexpr std::uint64_t kAllOnes = ~std::uint64_t{0};

constexpr std::uint64_t Negative(std::uint64_t magnitude) {
    return ~magnitude + 1;
}

std::uint64_t Mult(std::uint64_t ticks, double factor) {
    const FILETIME value = Ft(ticks);
    return Ticks(FileTimeMult(&value, factor));
}

}  // namespace

TEST(FileTimeArithmetic, MaxDiffSumAddDays) {
    FILETIME max{};
    FileTimeGetMax(&max);
    EXPECT_EQ(max.dwHighDateTime, 0x07FFFFFFu);
    EXPECT_EQ(max.dwLowDateTime, 0xFFFFFFFFu);

    const FILETIME zero = Ft(0), one = Ft(1), low = Ft(0xFFFFFFFF), all = Ft(kAllOnes);
    EXPECT_EQ(Ticks(FileTimeDiff(&zero, &one)), kAllOnes);              // borrow
    EXPECT_EQ(Ticks(FileTimeSum(&low, &one)), std::uint64_t{1} << 32);  // carry
    EXPECT_EQ(Ticks(FileTimeSum(&all, &one)), 0u);                      // wraps
    const FILETIME back = FileTimeAddDays(&zero, -1);
    EXPECT_EQ(back.dwHighDateTime, 0xFFFFFF36u);
    EXPECT_EQ(back.dwLowDateTime, 0xD5964000u);
    const FILETIME epoch = Ft(kUnixEpochTicks);
    EXPECT_EQ(Ticks(FileTimeAddDays(&epoch, 2147483647)),
              kUnixEpochTicks + 2147483647 * kTicksPerDay);  // no 32-bit intermediate
}

TEST(FileTimeArithmetic, UnitConversionsTruncateAndKeepLowBits) {
    FILETIME out{};
    SecondsToFileTime(-1, &out);
    EXPECT_EQ(out.dwHighDateTime, 0xFFFFFFFFu);
    EXPECT_EQ(out.dwLowDateTime, 0xFF676980u);
    SecondsToFileTime(2147483647, &out);
    EXPECT_EQ(Ticks(out), 21'474'836'470'000'000u);
    mSecondsToFileTime(-1, &out);
    EXPECT_EQ(Ticks(out), Negative(10'000));

    const struct {
        std::uint64_t ticks;
        DWORD seconds, milliseconds;
        ULONGLONG milliseconds64;
    } cases[] = {
        {19'999'999, 1, 1'999, 1'999},
        {12'591'158'400 * kTicksPerSecond, 4'001'223'808u,  // 2000-01-01 after 1601
         static_cast<DWORD>(12'591'158'400'000), 12'591'158'400'000},
        {42'949'672'960'000, 4'294'967, 0, 4'294'967'296},          // 2^32 ms
        {kAllOnes, static_cast<DWORD>(kAllOnes / kTicksPerSecond),  // huge, not negative
         static_cast<DWORD>(kAllOnes / 10'000), kAllOnes / 10'000},
    };
    for (const auto& c : cases) {
        const FILETIME v = Ft(c.ticks);
        DWORD seconds = 0, milliseconds = 0;
        ULONGLONG milliseconds64 = 0;
        FileTimeToSeconds(&v, &seconds);
        FileTimeTomSeconds(&v, &milliseconds);
        FileTimeTomSeconds64(&v, &milliseconds64);
        EXPECT_EQ(seconds, c.seconds) << c.ticks;
        EXPECT_EQ(milliseconds, c.milliseconds) << c.ticks;
        EXPECT_EQ(milliseconds64, c.milliseconds64) << c.ticks;
    }
}

TEST(FileTimeArithmetic, InPlaceUse) {
    FILETIME v = Ft(0x0000000100000005);
    v = FileTimeSum(&v, &v);
    EXPECT_EQ(Ticks(v), 0x000000020000000Au);
    v = Ft(50'000'000'000);  // output over the input's low half: the input is read first
    FileTimeToSeconds(&v, &v.dwLowDateTime);
    EXPECT_EQ(v.dwLowDateTime, 5000u);
    v = Ft(kUnixEpochTicks);
    v = FileTimeMult(&v, 2.0);
    EXPECT_EQ(Ticks(v), 2 * kUnixEpochTicks);
}

TEST(FileTimeArithmetic, Mult) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        std::uint64_t ticks;
        double factor;
        std::uint64_t expected;
    } cases[] = {
        // Truncation toward zero; the top bit makes a value negative.
        {3, 0.5, 1},
        {Negative(3), 0.5, Negative(1)},
        {kUnixEpochTicks, 0.0, 0},
        {kAllOnes, 2.0, kAllOnes - 1},
        {1, 1e-320, 0},  // subnormal factor
        {kMinSigned, 1.0, kMinSigned},
        // One rounding, in the product (to 53 bits, ties to even).
        {116'444'736'000'000'001, 1.0, 116'444'736'000'000'000},
        {(std::uint64_t{1} << 53) + 1, 1.0, std::uint64_t{1} << 53},
        {(std::uint64_t{1} << 53) + 1, 3.0, 27'021'597'764'222'980},  // not 3 x 2^53
        {3, 1.0 / 3.0, 1},  // 1 - 2^-54 rounds to 1.0 before truncation
        // Out of range or not a number.
        {std::uint64_t{1} << 62, 4.0, kMinSigned},
        {std::uint64_t{1} << 62, -2.0, kMinSigned},  // exactly -2^63, same bits
        {kMinSigned, -1.0, kMinSigned},
        {5, 1e300, kMinSigned},
        {5, nan, kMinSigned},
        {0, inf, kMinSigned},
        {5, -inf, kMinSigned},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Mult(c.ticks, c.factor), c.expected) << c.ticks << " x " << c.factor;
    }
    // Present-day stamps have 57 significant bits: they come back as multiples of 16.
    for (std::uint64_t stamp : {133'000'000'000'000'001u, 139'999'999'999'999'999u}) {
        const std::uint64_t product = Mult(stamp, 1.0);
        EXPECT_EQ(product % 16, 0u);
        EXPECT_LE(product > stamp ? product - stamp : stamp - product, 8u);
    }
}

TEST(FileTimeArithmetic, TimeToFileTime) {
    FILETIME out{};
    TimeToFileTime(0, &out);
    EXPECT_EQ(out.dwHighDateTime, 0x019DB1DEu);
    EXPECT_EQ(out.dwLowDateTime, 0xD53E8000u);
    TimeToFileTime(2147483647, &out);
    EXPECT_EQ(Ticks(out), 137'919'572'470'000'000u);
    // 951782400: 2000-02-29; negative counts give the arithmetic value.
    for (LONG t : {951'782'400, 1'700'000'000, -1, -2147483647 - 1}) {
        TimeToFileTime(t, &out);
        EXPECT_EQ(Ticks(out), UnixTicks(t)) << t;
    }
}

// Under TZ=UTC0 local time is UTC, so FileTimeToTime gives the exact count.
TEST(FileTimeArithmetic, FileTimeToTimeInUtc) {
    LONG out = 0;
    FileTimeToTime(Ft(UnixTicks(1'300'000'000) + 9'999'999), &out);
    EXPECT_EQ(out, 1'300'000'000);
    FileTimeToTime(Ft(UnixTicks(4'102'444'800)), &out);  // 2100-01-01: low 32 bits
    EXPECT_EQ(out, static_cast<LONG>(4'102'444'800 - 4'294'967'296));
    out = 77;
    FileTimeToTime(Ft(UnixTicks(-5'364'662'400)), &out);  // 1800: a year before 1900 gives 0
    EXPECT_EQ(out, 0);
    // Refused, nothing written: 1950, 3001-01-02, and 2^63 ticks.
    for (std::uint64_t refused : {UnixTicks(-631'152'000), UnixTicks(32'535'302'400), kMinSigned}) {
        out = 77;
        FileTimeToTime(Ft(refused), &out);
        EXPECT_EQ(out, 77) << refused;
    }
}

// The stamp moves to local time with the offset in force now and comes back with the offset
// of its own date, so the result is off by the daylight saving between the two.
TEST(FileTimeArithmeticInZone, FileTimeToTimeAcrossDaylightSaving) {
    const std::int64_t nowOffset = LocalOffsetAt(std::time(nullptr));
    bool sawDaylightSaving = false;
    // Mid-July and mid-January of 2011 and 2024: one of each pair differs from now in a zone
    // with daylight saving.
    for (std::int64_t t : {1'310'000'000LL, 1'295'000'000LL, 1'720'000'000LL, 1'705'000'000LL}) {
        const std::int64_t thenOffset = LocalOffsetAt(t + nowOffset);
        LONG out = 0;
        FileTimeToTime(Ft(UnixTicks(t)), &out);
        EXPECT_EQ(out, t + nowOffset - thenOffset) << t;
        if (thenOffset != nowOffset) {
            sawDaylightSaving = true;
            EXPECT_EQ(std::abs(nowOffset - thenOffset), 3600) << t;
        }
    }
    const std::string zone = testsupport::TestZone();
    const bool zoneHasDaylightSaving = zone == "Europe/Berlin" || zone == "America/New_York" ||
                                       zone == "Australia/Sydney" ||
                                       zone == "EST5EDT,M3.2.0,M11.1.0";
    EXPECT_EQ(sawDaylightSaving, zoneHasDaylightSaving);
}
