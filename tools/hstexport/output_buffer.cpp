#include "output_buffer.h"

#include <cstring>

namespace hstexport {

bool OutputBuffer::Flush() {
    if (used_ > 0 && !failed_) {
        failed_ = !sink_.Write(buffer_.get(), used_);
    }
    bytesIn_ += used_;
    used_ = 0;
    return !failed_;
}

void OutputBuffer::Grow(std::size_t bytes) {
    if (used_ >= kFlushBytes) {
        Flush();
    }
    if (capacity_ - used_ >= bytes) {
        return;
    }
    // Room for a large block of rows plus the row asked for.
    const std::size_t capacity = used_ + bytes + kFlushBytes;
    auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
    if (used_ > 0) {
        std::memcpy(bigger.get(), buffer_.get(), used_);
    }
    buffer_ = std::move(bigger);
    capacity_ = capacity;
}

}  // namespace hstexport
