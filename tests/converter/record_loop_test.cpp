// The parts of the record loops: which records become rows, and whole rows made the fast way.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "converter/record_filter.h"
#include "converter/row_formatter.h"

namespace trendtab {
namespace {

RecordTime At(int hour, int minute, int second) {
    RecordTime time;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    return time;
}

// The 1-based positions of the records kept out of `times`.
std::vector<int> Kept(const ConvertOptions& options, const std::vector<RecordTime>& times) {
    RecordFilter filter(options);
    std::vector<int> kept;
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (filter.Keep(times[i])) {
            kept.push_back(static_cast<int>(i) + 1);
        }
    }
    return kept;
}

TEST(RecordFilter, WindowBoundsAreInclusiveTimesOfDay) {
    ConvertOptions options;
    options.hasStart = options.hasFinish = true;
    options.start = options.finish = {8, 0, 0};
    EXPECT_EQ(Kept(options, {At(7, 59, 59), At(8, 0, 0), At(8, 0, 1), At(8, 0, 0)}),
              (std::vector<int>{2, 4}));
    options.start = {23, 0, 0};
    options.finish = {1, 0, 0};
    EXPECT_EQ(Kept(options, {At(0, 30, 0), At(23, 30, 0), At(1, 0, 0)}), std::vector<int>{});
}

TEST(RecordFilter, EveryNthCountsOnlyRecordsInsideTheWindow) {
    ConvertOptions options;
    options.everyN = 3;
    const std::vector<RecordTime> seven(7, At(12, 0, 0));
    EXPECT_EQ(Kept(options, seven), (std::vector<int>{1, 4, 7}));
    options.hasStart = true;
    options.start = {12, 0, 0};
    std::vector<RecordTime> times = seven;
    times[0] = times[1] = At(11, 0, 0);  // the start bound drops the first two
    EXPECT_EQ(Kept(options, times), (std::vector<int>{3, 6}));
    options = ConvertOptions{};
    options.everyN = 1;
    EXPECT_EQ(Kept(options, {At(1, 0, 0), At(2, 0, 0)}), (std::vector<int>{1, 2}));
}

TEST(RowFormatter, WholeRowsWithinTheRoomItAsksFor) {
    HistoryHeader header;
    header.type = 1;  // wide
    header.numTags = 2;
    header.recordSize = 24;
    ConvertOptions options;
    RowFormatter rows(header, options);
    unsigned char record[24] = {};
    const double values[2] = {3.14159, -12.5};
    std::memcpy(record + 8, values, sizeof values);
    const RecordTime time{9, 5, 14, 4, 2, 111, 250};
    std::vector<char> out(rows.LongestRow(), '#');
    char* end = rows.Put(out.data(), time, record);
    EXPECT_EQ(std::string(out.data(), end), "04/03/2011\t14:05:09\t     3.142\t   -12.500\n");

    // The widest row of 250 "/e" values fits, with what is stored past it.
    header.numTags = kMaxTags;
    header.recordSize = static_cast<std::uint16_t>(8 + 8 * kMaxTags);
    options.extended = true;
    options.withMilliseconds = true;
    RowFormatter widest(header, options);
    std::vector<unsigned char> big(header.recordSize);
    for (int i = 0; i < kMaxTags; ++i) {
        const double value = -1.7976931348623157e308;
        std::memcpy(big.data() + 8 + 8 * i, &value, 8);
    }
    std::vector<char> room(widest.LongestRow());
    const RecordTime failed{-1, -1, -1, 0, -1, -1900, 0};
    const char* last = widest.Put(room.data(), failed, big.data());
    EXPECT_LE(static_cast<std::size_t>(last - room.data()), room.size());
}

}  // namespace
}  // namespace trendtab
