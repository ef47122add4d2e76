// Rows are written straight into one buffer that goes to the sink in large pieces, so memory does
// not grow with the file. Without a sink it holds a block's rows whole until they are taken.
#pragma once

#include <memory>

#include "tools/hstexport/byte_sink.h"

namespace hstexport {

class OutputBuffer {
  public:
    OutputBuffer() = default;
    explicit OutputBuffer(ByteSink& sink) : sink_(&sink) {}

    // Where the next bytes go, with room for `bytes` of them.
    char* Room(std::size_t bytes) {
        if (capacity_ - used_ < bytes) {
            Grow(bytes);
        }
        return buffer_.get() + used_;
    }
    void Advance(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }
    void Append(const std::string& text) {
        char* p = Room(text.size());
        text.copy(p, text.size());
        Advance(p + text.size());
    }

    // The text held, for a buffer without a sink; Clear() starts it afresh.
    const char* data() const { return buffer_.get(); }
    std::size_t size() const { return used_; }
    void Clear() { used_ = 0; }

    // Hands everything to the sink; false once a write failed.
    bool Flush();
    bool failed() const { return failed_; }
    std::uint64_t bytesIn() const { return bytesIn_; }  // bytes of text made

  private:
    void Grow(std::size_t bytes);

    static constexpr std::size_t kFlushBytes = 1 << 20;
    static constexpr std::size_t kFirstBytes = 64 << 10;
    ByteSink* sink_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
    std::uint64_t bytesIn_ = 0;
    bool failed_ = false;
};

}  // namespace hstexport
