#include "record_reader.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "test_support.h"

namespace trendtab {
namespace {

// Counts the whole records a reader yields from `bytes`, checking each record's first byte.
std::size_t CountRecords(const std::string& bytes, std::size_t recordSize) {
    testsupport::TempDir dir;
    testsupport::WriteFileBytes(dir.file("r"), bytes);
    std::FILE* file = std::fopen(dir.file("r").c_str(), "rb");
    RecordReader reader(file, recordSize);
    std::size_t count = 0;
    while (const unsigned char* record = reader.Next()) {
        EXPECT_EQ(record[0], static_cast<unsigned char>(count % 251)) << "record " << count;
        ++count;
    }
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

TEST(RecordReader, YieldsWholeRecordsAcrossBlocks) {
    // Sizes that do and do not divide the block, and records larger than any small buffer.
    for (std::size_t size : {1u, 7u, 132u, 4096u, 65535u}) {
        const std::size_t count = (3u << 20) / size / 2 + 3;
        EXPECT_EQ(CountRecords(Records(count, size), size), count) << size;
    }
}

TEST(RecordReader, IgnoresAPartialLastRecordAndSizeZero) {
    EXPECT_EQ(CountRecords(Records(5, 12, 11), 12), 5u);
    EXPECT_EQ(CountRecords(Records(0, 12, 11), 12), 0u);
    EXPECT_EQ(CountRecords(Records(3, 12), 0), 0u);
}

}  // namespace
}  // namespace trendtab
