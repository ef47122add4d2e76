// The records of an open history file, read in large blocks and handed out in place: memory does
// not grow with the file's length, and no record is copied.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace trendtab {

// Whole records back to back in memory: record i starts at data + i * recordSize.
struct RecordSpan {
    const unsigned char* data = nullptr;
    std::size_t count = 0;
    std::size_t recordSize = 0;

    const unsigned char* Record(std::size_t i) const { return data + i * recordSize; }
    bool empty() const { return count == 0; }
};

class RecordCursor {
  public:
    static constexpr std::size_t kDefaultBlockBytes = 1 << 20;

    // Reads `file` from where it stands, at most `recordLimit` records (the count the file held
    // when it was opened: records appended meanwhile are not read). A block holds as many whole
    // records as fit in `blockBytes`, at least one, however large a record is.
    RecordCursor(std::FILE* file, std::size_t recordSize,
                 std::size_t blockBytes = kDefaultBlockBytes,
                 std::uint64_t recordLimit = UINT64_MAX);

    // The next records, as many as one block holds; empty at the end (end of file, a partial
    // last record, a read error, or a record size of 0). Valid until the next call.
    RecordSpan Next() { return NextInto(buffer_.get()); }

    // The same, read into `block` (BlockBytes() long) instead: for blocks that travel on.
    RecordSpan NextInto(unsigned char* block);
    std::size_t BlockBytes() const { return capacity_; }

    // Whether the reading ended on an error rather than at the end of the file.
    bool failed() const { return failed_; }

  private:
    std::FILE* file_;
    std::size_t recordSize_;
    std::size_t capacity_ = 0;
    std::unique_ptr<unsigned char[]> buffer_;
    std::uint64_t remaining_;  // records still to read
    bool exhausted_ = false;
    bool failed_ = false;
};

}  // namespace trendtab
