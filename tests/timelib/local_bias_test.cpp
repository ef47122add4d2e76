#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "tests/support/test_support.h"
#include "tests/timelib/filetime_test_util.h"
#include "timelib/include/trendtime.h"

using namespace timelibtest;

namespace {

constexpr std::uint64_t kMinute = 60 * kTicksPerSecond;
const std::uint64_t kTen = UnixTicks(1'300'000'000 / 86'400 * 86'400 + 10 * 3600);  // a 10:00

LONG Compare(std::uint64_t a, LONG biasA, std::uint64_t b, LONG biasB) {
    const FILETIME fa = Ft(a), fb = Ft(b);
    return CompareFileTimeBias(&fa, biasA, &fb, biasB);
}

// The current local time as ticks, whole seconds.
std::uint64_t LocalNowTicks() {
    const std::int64_t now = std::time(nullptr);
    return UnixTicks(now + LocalOffsetAt(now));
}

}  // namespace

TEST(LocalBias, CompareFileTimeBias) {
    // Equal biases compare the raw values, whatever the bias.
    for (LONG bias : {0, -60, 300, 2147483647}) {
        EXPECT_EQ(Compare(5, bias, 7, bias), -1);
        EXPECT_EQ(Compare(7, bias, 7, bias), 0);
        EXPECT_EQ(Compare(~std::uint64_t{0}, bias, 7, bias), 1);  // unsigned order
    }
    EXPECT_EQ(Compare(kTen, 0, kTen, -60), 1);                  // b is 09:00 UTC
    EXPECT_EQ(Compare(kTen, -60, kTen - 30 * kMinute, 0), -1);  // 09:00 against 09:30 UTC
    EXPECT_EQ(Compare(kTen, -60, kTen - 60 * kMinute, 0), 0);
}

TEST(LocalBias, ShiftByBias) {
    const FILETIME in = Ft(kTen);
    FILETIME out = Ft(1);
    EXPECT_EQ(LocalFileTimeToFileTimeBias(&in, &out, 0), 1);
    EXPECT_EQ(Ticks(out), kTen);
    EXPECT_EQ(FileTimeToLocalFileTimeBias(&in, &out, 300), 1);
    EXPECT_EQ(Ticks(out), kTen - 180'000'000'000);
    EXPECT_EQ(LocalFileTimeToFileTimeBias(&in, &out, -330), 1);
    EXPECT_EQ(Ticks(out), kTen - 330 * kMinute);
    // 64-bit arithmetic: extreme biases are exact modulo 2^64, and in place works.
    EXPECT_EQ(LocalFileTimeToFileTimeBias(&in, &out, -2147483647 - 1), 1);
    EXPECT_EQ(Ticks(out), kTen - 2147483648ULL * kMinute);
    FILETIME same = Ft(kTen);
    FileTimeToLocalFileTimeBias(&same, &same, 60);
    EXPECT_EQ(Ticks(same), kTen - 60 * kMinute);
    const FILETIME zero = Ft(0);
    LocalFileTimeToFileTimeBias(&zero, &out, -1);
    EXPECT_EQ(Ticks(out), ~std::uint64_t{0} - kMinute + 1);
}

TEST(LocalBias, DayOfYear) {
    const struct {
        SYSTEMTIME date;
        DWORD day;
    } cases[] = {
        {St(2023, 1, 1), 0},       {St(2023, 1, 1, 23, 59, 59, 999), 0},
        {St(2024, 2, 29, 12), 59}, {St(2024, 3, 1), 60},
        {St(2023, 3, 1), 59},      {St(2023, 12, 31, 23, 59, 59, 999), 364},
        {St(2024, 12, 31), 365},   {St(1601, 12, 31), 364},
        {St(30828, 1, 1), 0},
    };
    for (const auto& c : cases) {
        FILETIME value{};
        ASSERT_TRUE(SystemTimeToFileTime(&c.date, &value));
        EXPECT_EQ(GetDayOfYear(&value), c.day) << c.date.wYear << "-" << c.date.wMonth;
    }
    const FILETIME refused = Ft(std::uint64_t{1} << 63);
    EXPECT_EQ(GetDayOfYear(&refused), 0u);
}

TEST(LocalBiasInZone, CurrentBiasMatchesTheRuntime) {
    const std::int64_t now = std::time(nullptr);
    std::tm fields{};
    _localtime64_s(&fields, &now);
    EXPECT_EQ(GetCurrentBias(), -LocalOffsetAt(now) / 60);
    const std::string zone = testsupport::TestZone();
    if (zone == "UTC0" || zone == "UTC") {
        EXPECT_EQ(GetCurrentBias(), 0);
    } else if (zone == "Asia/Kolkata") {
        EXPECT_EQ(GetCurrentBias(), -330);
    } else if (zone == "America/New_York" || zone.rfind("EST5EDT", 0) == 0) {
        EXPECT_EQ(GetCurrentBias(), fields.tm_isdst > 0 ? 240 : 300);
    } else if (zone == "Europe/Berlin") {
        EXPECT_EQ(GetCurrentBias(), fields.tm_isdst > 0 ? -120 : -60);
    } else if (zone == "Australia/Sydney") {
        EXPECT_EQ(GetCurrentBias(), fields.tm_isdst > 0 ? -660 : -600);
    }
}

TEST(LocalBiasInZone, LocalTimeLessDays) {
    // The clock moves between the calls: bracket each result. std::time's whole seconds come
    // from a coarser clock that can be a few milliseconds behind the precise one just after a
    // second begins, hence a second more of room after.
    for (LONG days : {0, 1, -1, 24855, -24855, 100000}) {
        const std::uint64_t before = LocalNowTicks();
        const std::uint64_t result = Ticks(LocalTimeLessDays(days));
        const std::uint64_t after = LocalNowTicks() + 2 * kTicksPerSecond;
        const std::uint64_t step = static_cast<std::uint64_t>(std::int64_t{days}) * kTicksPerDay;
        EXPECT_GE(result + step, before) << days;
        EXPECT_LT(result + step, after) << days;
    }
}

TEST(LocalBiasInZone, DayOfYearToday) {
    const std::uint64_t before = LocalNowTicks();
    const DWORD today = GetDayOfYear(nullptr);
    const std::uint64_t after = LocalNowTicks();
    const auto dayOf = [](std::uint64_t ticks) {
        const auto local = static_cast<std::int64_t>((ticks - kUnixEpochTicks) / kTicksPerSecond);
        std::tm fields{};
        _gmtime64_s(&fields, &local);
        return static_cast<DWORD>(fields.tm_yday);
    };
    EXPECT_TRUE(today == dayOf(before) || today == dayOf(after));
    // A UTC stamp keeps its own (UTC) date.
    const FILETIME newYearUtc = Ft(UnixTicks(1'704'067'200));  // 2024-01-01 00:00:00 UTC
    EXPECT_EQ(GetDayOfYear(&newYearUtc), 0u);
}
