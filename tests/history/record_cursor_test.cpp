#include "history/record_cursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/test_support.h"

namespace trendtab {
namespace {

// Counts the whole records a cursor yields from `bytes`, checking each record's first byte.
std::size_t CountRecords(const std::string& bytes, std::size_t recordSize,
                         std::size_t blockBytes = RecordCursor::kDefaultBlockBytes) {
    testsupport::TempDir dir;
    testsupport::WriteFileBytes(dir.file("r"), bytes);
    std::FILE* file = std::fopen(dir.file("r").c_str(), "rb");
    RecordCursor cursor(file, recordSize, blockBytes);
    std::size_t count = 0;
    for (RecordSpan span = cursor.Next(); !span.empty(); span = cursor.Next()) {
        EXPECT_LE(span.count * span.recordSize, std::max(blockBytes, recordSize));
        for (std::size_t i = 0; i < span.count; ++i, ++count) {
            EXPECT_EQ(span.Record(i)[0], static_cast<unsigned char>(count % 251))
                << "record " << count;
        }
    }
    EXPECT_FALSE(cursor.failed());
    std::fclose(file);
    return count;
}

std::string Records(std::size_t count, std::size_t size, std::size_t extra = 0) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        std::string record(size, '\x7f');
        record[0] = static_cast<char>(i % 251);
        bytes += record;
    }
    return bytes + std::string(extra, '\x01');
}

TEST(RecordCursor, YieldsWholeRecordsAcrossBlocks) {
    // Sizes that do and do not divide the block, and records larger than any small buffer.
    for (std::size_t size : {1u, 7u, 132u, 4096u, 65535u}) {
        const std::size_t count = (3u << 20) / size / 2 + 3;
        EXPECT_EQ(CountRecords(Records(count, size), size), count) << size;
    }
}

TEST(RecordCursor, IgnoresAPartialLastRecordAndSizeZero) {
    EXPECT_EQ(CountRecords(Records(5, 12, 11), 12), 5u);
    EXPECT_EQ(CountRecords(Records(0, 12, 11), 12), 0u);
    EXPECT_EQ(CountRecords(Records(3, 12), 0), 0u);
}

TEST(RecordCursor, SmallBlocksDownToOneRecord) {
    EXPECT_EQ(CountRecords(Records(9, 12, 5), 12, 12), 9u);  // one record per read
    EXPECT_EQ(CountRecords(Records(9, 12, 5), 12, 40), 9u);  // three per block
    EXPECT_EQ(CountRecords(Records(9, 12), 12, 5), 9u);      // a block below one record
}

}  // namespace
}  // namespace trendtab
