// Compact rows against the C library's own local-time breakdown in the same zone (POSIX only:
// the Windows runtime reads TZ its own way).
#include <ctime>
#include <random>

#include "converter_fixture.h"

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

}  // namespace
}  // namespace e2e
