#include "tools/hstexport/output_buffer.h"

#include <cstring>

namespace hstexport {

bool OutputBuffer::Flush() {
    if (used_ > 0 && !failed_) {
        failed_ = !sink_->Write(buffer_.get(), used_);
    }
    bytesIn_ += used_;
    used_ = 0;
    return !failed_;
}

void OutputBuffer::Grow(std::size_t bytes) {
    if (sink_ && used_ >= kFlushBytes) {
        Flush();
    }
    if (capacity_ - used_ >= bytes) {
        return;
    }
    // Doubling from a small start: a small file never touches a large block.
    std::size_t capacity = capacity_ < kFirstBytes ? kFirstBytes : capacity_ * 2;
    if (capacity < used_ + bytes) {
        capacity = used_ + bytes;
    }
    auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
    if (used_ > 0) {
        std::memcpy(bigger.get(), buffer_.get(), used_);
    }
    buffer_ = std::move(bigger);
    capacity_ = capacity;
}

}  // namespace hstexport
