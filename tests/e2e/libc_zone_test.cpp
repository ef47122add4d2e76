// Rows against the C library's own local-time breakdown in the same zone (POSIX only: the
// Windows runtime reads TZ its own way).
#include <ctime>
#include <random>

#include "tests/e2e/converter_fixture.h"

namespace e2e {
namespace {

class LibcRowsInZone : public ConverterTest {};

// Rows against the C library's own breakdown in the same zone, over random stamps.
TEST_F(LibcRowsInZone, CompactRowsMatchLocaltimeOverRandomStamps) {
    std::mt19937_64 random(20110304);
    std::vector<hstgen::Record> records;
    std::string expected;
    const int count = static_cast<int>(20000 / testsupport::HeavyTestDivisor());
    for (int i = 0; i < count; ++i) {
        const std::time_t stamp = static_cast<std::time_t>(random() % 2147483648u);
        records.push_back({stamp, {}});
        std::tm local{};
        ASSERT_NE(localtime_r(&stamp, &local), nullptr);
        char row[64];
        std::snprintf(row, sizeof row, "%02d/%02d/%04d\t%02d:%02d:%02d\t\n", local.tm_mday,
                      local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                      local.tm_sec);
        expected += row;
    }
    Write("random.hst", CompactFile({}, records));
    Convert({"random.hst"});
    EXPECT_EQ(Text("random.txt"), expected);
}

// Wide rows against the C library over random stamps from 1970 to 2100, with milliseconds.
TEST_F(LibcRowsInZone, WideRowsMatchLocaltimeOverRandomStamps) {
    std::mt19937_64 random(20110327);
    std::vector<hstgen::Record> records;
    std::string expected;
    const int count = static_cast<int>(20000 / testsupport::HeavyTestDivisor());
    const std::int64_t first = hstgen::FileTimeTicks(1970, 1, 1, 0, 0, 0);
    const std::int64_t span = hstgen::FileTimeTicks(2100, 1, 1, 0, 0, 0) - first;
    for (int i = 0; i < count; ++i) {
        const std::int64_t ticks = first + static_cast<std::int64_t>(random() % span);
        records.push_back({ticks, {}});
        const std::time_t seconds = (ticks - first) / 10'000'000;
        std::tm local{};
        ASSERT_NE(localtime_r(&seconds, &local), nullptr);
        char row[64];
        std::snprintf(row, sizeof row, "%02d/%02d/%04d\t%02d:%02d:%02d.%03d\t\n", local.tm_mday,
                      local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                      local.tm_sec, static_cast<int>((ticks - first) / 10'000 % 1000));
        expected += row;
    }
    Write("random.hst", WideFile({}, records));
    Convert({"random.hst", "/m"});
    EXPECT_EQ(Text("random.txt"), expected);
}

}  // namespace
}  // namespace e2e
