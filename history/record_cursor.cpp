#include "history/record_cursor.h"

#include <algorithm>

namespace trendtab {

RecordCursor::RecordCursor(std::FILE* file, std::size_t recordSize, std::size_t blockBytes)
    : file_(file), recordSize_(recordSize) {
    if (recordSize_ > 0) {
        capacity_ = std::max<std::size_t>(1, blockBytes / recordSize_) * recordSize_;
        buffer_ = std::make_unique_for_overwrite<unsigned char[]>(capacity_);
    }
}

RecordSpan RecordCursor::NextInto(unsigned char* block) {
    // A block is a whole number of records and is filled up unless the file ends, so a partial
    // record can only be the file's last bytes.
    std::size_t end = 0;
    while (!exhausted_ && end < capacity_) {
        const std::size_t got = std::fread(block + end, 1, capacity_ - end, file_);
        if (got == 0) {
            exhausted_ = true;
            failed_ = std::ferror(file_) != 0;
        }
        end += got;
    }
    if (recordSize_ == 0) {
        return RecordSpan{};
    }
    return RecordSpan{block, end / recordSize_, recordSize_};
}

}  // namespace trendtab
