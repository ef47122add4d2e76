#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

#include "filetime_test_util.h"
#include "test_support.h"
#include "trendtime.h"

using namespace timelibtest;

namespace {

std::uint64_t Mult(std::uint64_t ticks, double factor) {
    const FILETIME value = Ft(ticks);
    return Ticks(FileTimeMult(&value, factor));
}

constexpr std::uint64_t kMinSigned = std::uint64_t{1} << 63;
constexpr std::uint64_t Negative(std::uint64_t magnitude) {
    return ~magnitude + 1;
}

}  // namespace

TEST(FileTimeArithmetic, MaxDiffSumWrapAndCarry) {
    FILETIME max{};
    FileTimeGetMax(&max);
    EXPECT_EQ(max.dwHighDateTime, 0x07FFFFFFu);
    EXPECT_EQ(max.dwLowDateTime, 0xFFFFFFFFu);

    const FILETIME zero = Ft(0), one = Ft(1), low = Ft(0xFFFFFFFF), all = Ft(~std::uint64_t{0});
    EXPECT_EQ(Ticks(FileTimeDiff(&zero, &one)), ~std::uint64_t{0});     // borrow into the high half
    EXPECT_EQ(Ticks(FileTimeSum(&low, &one)), std::uint64_t{1} << 32);  // carry
    EXPECT_EQ(Ticks(FileTimeSum(&all, &one)), 0u);                      // wraps
    const FILETIME a = Ft(0x123456789ABCDEF0), b = Ft(0x0FEDCBA987654321);
    EXPECT_EQ(Ticks(FileTimeDiff(&a, &b)), 0x123456789ABCDEF0 - 0x0FEDCBA987654321);
}

TEST(FileTimeArithmetic, UnitConversions) {
    FILETIME out{};
    SecondsToFileTime(-1, &out);
    EXPECT_EQ(out.dwHighDateTime, 0xFFFFFFFFu);
    EXPECT_EQ(out.dwLowDateTime, 0xFF676980u);
    SecondsToFileTime(2147483647, &out);
    EXPECT_EQ(Ticks(out), 21'474'836'470'000'000u);
    mSecondsToFileTime(-1, &out);
    EXPECT_EQ(Ticks(out), Negative(10'000));
    mSecondsToFileTime(LONGLONG{1} << 62, &out);  // wraps modulo 2^64
    EXPECT_EQ(Ticks(out), (std::uint64_t{1} << 62) * 10'000);

    DWORD seconds = 0;
    FILETIME v = Ft(19'999'999);
    FileTimeToSeconds(&v, &seconds);
    EXPECT_EQ(seconds, 1u);                    // truncates
    v = Ft(12'591'158'400 * kTicksPerSecond);  // 2000-01-01 00:00:00 as seconds after 1601
    FileTimeToSeconds(&v, &seconds);
    EXPECT_EQ(seconds, 4'001'223'808u);  // low 32 bits
    v = Ft(~std::uint64_t{0});           // the top bit makes it huge, not negative
    FileTimeToSeconds(&v, &seconds);
    EXPECT_EQ(seconds, static_cast<DWORD>(~std::uint64_t{0} / kTicksPerSecond));

    DWORD milliseconds = 7;
    ULONGLONG milliseconds64 = 0;
    v = Ft(42'949'672'960'000);  // 2^32 ms
    FileTimeTomSeconds(&v, &milliseconds);
    FileTimeTomSeconds64(&v, &milliseconds64);
    EXPECT_EQ(milliseconds, 0u);
    EXPECT_EQ(milliseconds64, 4'294'967'296u);
}

TEST(FileTimeArithmetic, AddDays) {
    const FILETIME zero = Ft(0);
    const FILETIME back = FileTimeAddDays(&zero, -1);
    EXPECT_EQ(back.dwHighDateTime, 0xFFFFFF36u);
    EXPECT_EQ(back.dwLowDateTime, 0xD5964000u);
    const FILETIME epoch = Ft(kUnixEpochTicks);
    EXPECT_EQ(Ticks(FileTimeAddDays(&epoch, 2147483647)),
              kUnixEpochTicks + 2147483647 * kTicksPerDay);  // no 32-bit intermediate
}

TEST(FileTimeArithmetic, InPlaceUse) {
    FILETIME v = Ft(0x0000000100000005);
    v = FileTimeSum(&v, &v);
    EXPECT_EQ(Ticks(v), 0x000000020000000Au);
    v = FileTimeDiff(&v, &v);
    EXPECT_EQ(Ticks(v), 0u);
    v = Ft(50'000'000'000);  // output over the input's low half: the input is read first
    FileTimeToSeconds(&v, &v.dwLowDateTime);
    EXPECT_EQ(v.dwLowDateTime, 5000u);
    v = Ft(kUnixEpochTicks);
    v = FileTimeMult(&v, 2.0);
    EXPECT_EQ(Ticks(v), 2 * kUnixEpochTicks);
}

TEST(FileTimeArithmetic, MultTruncatesTowardZero) {
    EXPECT_EQ(Mult(3, 0.5), 1u);
    EXPECT_EQ(Mult(Negative(3), 0.5), Negative(1));
    EXPECT_EQ(Mult(kUnixEpochTicks, 0.0), 0u);
    EXPECT_EQ(Mult(Negative(5), -0.0), 0u);
    EXPECT_EQ(Mult(~std::uint64_t{0}, 2.0), ~std::uint64_t{0} - 1);  // -1 x 2 = -2
    EXPECT_EQ(Mult(1, 1e-320), 0u);                                  // subnormal factor
    EXPECT_EQ(Mult(kMinSigned, 1.0), kMinSigned);                    // -2^63 is in range
}

TEST(FileTimeArithmetic, MultRoundsOnceInTheProduct) {
    EXPECT_EQ(Mult(116'444'736'000'000'001, 1.0), 116'444'736'000'000'000u);
    EXPECT_EQ(Mult((std::uint64_t{1} << 53) + 1, 1.0), std::uint64_t{1} << 53);  // tie to even
    // Converting the value to double first would give 3 x 2^53.
    EXPECT_EQ(Mult((std::uint64_t{1} << 53) + 1, 3.0), 27'021'597'764'222'980u);
    EXPECT_EQ(Mult(3, 1.0 / 3.0), 1u);  // 1 - 2^-54 rounds to 1.0 before truncation
    for (std::uint64_t stamp :
         {133'000'000'000'000'001u, 134'123'456'789'012'347u, 139'999'999'999'999'999u}) {
        EXPECT_EQ(Mult(stamp, 1.0) % 16, 0u) << stamp;  // 57 significant bits, 53 kept
        EXPECT_LE(Mult(stamp, 1.0) > stamp ? Mult(stamp, 1.0) - stamp : stamp - Mult(stamp, 1.0),
                  8u);
    }
}

TEST(FileTimeArithmetic, MultOutOfRangeAndNotANumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Mult(std::uint64_t{1} << 62, 4.0), kMinSigned);
    EXPECT_EQ(Mult(std::uint64_t{1} << 62, -2.0), kMinSigned);  // exactly -2^63
    EXPECT_EQ(Mult(kMinSigned, -1.0), kMinSigned);
    EXPECT_EQ(Mult(5, nan), kMinSigned);
    EXPECT_EQ(Mult(0, inf), kMinSigned);
    EXPECT_EQ(Mult(5, -inf), kMinSigned);
    EXPECT_EQ(Mult(5, 1e300), kMinSigned);
    const FILETIME result = Ft(Mult(5, nan));
    EXPECT_EQ(result.dwHighDateTime, 0x80000000u);
    EXPECT_EQ(result.dwLowDateTime, 0u);
}

TEST(FileTimeArithmetic, TimeToFileTime) {
    FILETIME out{};
    TimeToFileTime(0, &out);
    EXPECT_EQ(out.dwHighDateTime, 0x019DB1DEu);
    EXPECT_EQ(out.dwLowDateTime, 0xD53E8000u);
    TimeToFileTime(2147483647, &out);
    EXPECT_EQ(Ticks(out), 137'919'572'470'000'000u);
    for (LONG t : {1, 951'782'400, 1'700'000'000}) {  // 951782400: 2000-02-29
        TimeToFileTime(t, &out);
        EXPECT_EQ(Ticks(out), UnixTicks(t)) << t;
    }
    // Before 1970: the arithmetic value.
    TimeToFileTime(-1, &out);
    EXPECT_EQ(Ticks(out), UnixTicks(-1));
    TimeToFileTime(-2147483647 - 1, &out);
    EXPECT_EQ(Ticks(out), UnixTicks(-2147483648LL));
}

// Under TZ=UTC0 local time is UTC, so FileTimeToTime is the exact count.
TEST(FileTimeArithmetic, FileTimeToTimeInUtc) {
    LONG out = 0;
    FileTimeToTime(Ft(UnixTicks(1'300'000'000) + 9'999'999), &out);
    EXPECT_EQ(out, 1'300'000'000);
    FileTimeToTime(Ft(UnixTicks(4'102'444'800)), &out);  // 2100-01-01: low 32 bits
    EXPECT_EQ(out, static_cast<LONG>(4'102'444'800 - 4'294'967'296));
    out = 77;
    FileTimeToTime(Ft(UnixTicks(-5'364'662'400)), &out);  // 1800-01-01: a year before 1900
    EXPECT_EQ(out, 0);
    out = 77;
    FileTimeToTime(Ft(UnixTicks(-631'152'000)), &out);  // 1950: refused, nothing written
    EXPECT_EQ(out, 77);
    FileTimeToTime(Ft(kMinSigned), &out);  // 2^63: refused by the platform
    EXPECT_EQ(out, 77);
    FileTimeToTime(Ft(UnixTicks(32'535'216'000)), &out);  // 3001-01-01
    EXPECT_EQ(out, 77);
}

// FileTimeToTime moves the stamp with the offset in force now and reads it back with the
// offset of its own date, so it is off by the difference of the two.
TEST(FileTimeArithmeticInZone, FileTimeToTimeAcrossDaylightSaving) {
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    localtime_r(&now, &fields);
    const long nowOffset = fields.tm_gmtoff;
    for (std::int64_t t : {1'310'000'000LL, 1'326'000'000LL, 1'700'000'000LL, 1'720'000'000LL}) {
        const std::time_t target = t + nowOffset;  // the local reading, taken as UTC...
        std::tm reading{};
        gmtime_r(&target, &reading);
        reading.tm_isdst = -1;  // ...and read back in the zone
        const std::int64_t expected = mktime(&reading);
        LONG out = 0;
        FileTimeToTime(Ft(UnixTicks(t)), &out);
        EXPECT_EQ(out, expected) << t;
        std::tm then{};
        localtime_r(&target, &then);
        const std::string zone = testsupport::TestZone();
        if (zone == "UTC" || zone == "Asia/Kolkata" || then.tm_gmtoff == nowOffset) {
            EXPECT_EQ(out, t);  // no daylight saving between now and then
        } else {
            EXPECT_EQ(std::abs(out - t), 3600) << t;
        }
    }
}
