#include "text_output.h"

#include "build_flavor.h"

namespace trendtab {
namespace {
constexpr std::size_t kFlushBytes = 1 << 20;
}

TextOutput::TextOutput(std::FILE* file) : file_(file) {
    buffer_.reserve(kFlushBytes + 4096);
}

TextOutput::~TextOutput() {
    if (file_) {
        Close();
    }
}

bool TextOutput::EndRow() {
    // The plain build hands each row to the runtime's buffered output as it is made.
    if (kPlainBuild || buffer_.size() >= kFlushBytes) {
        return WriteBuffer();
    }
    return !failed_;
}

bool TextOutput::WriteBuffer() {
    if (!failed_ && !buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        failed_ = true;
    }
    buffer_.clear();
    return !failed_;
}

bool TextOutput::Close() {
    WriteBuffer();
    if (std::fclose(file_) != 0) {
        failed_ = true;
    }
    file_ = nullptr;
    return !failed_;
}

}  // namespace trendtab
