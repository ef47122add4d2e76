#include "text_output.h"

namespace trendtab {
namespace {
constexpr std::size_t kFlushBytes = 1 << 20;
}

TextOutput::TextOutput(std::FILE* file, std::size_t longestRow)
    : file_(file),
      capacity_(kFlushBytes + longestRow),
      buffer_(std::make_unique_for_overwrite<char[]>(capacity_)) {}

TextOutput::~TextOutput() {
    if (file_) {
        Close();
    }
}

bool TextOutput::EndRow(char* end) {
    used_ = static_cast<std::size_t>(end - buffer_.get());
    if (used_ >= kFlushBytes) {
        return WriteBuffer();
    }
    return !failed_;
}

bool TextOutput::WriteRow(const std::string& row) {
    if (!failed_ && std::fwrite(row.data(), 1, row.size(), file_) != row.size()) {
        failed_ = true;
    }
    return !failed_;
}

bool TextOutput::Write(const char* rows, std::size_t size) {
    WriteBuffer();
    if (!failed_ && size > 0 && std::fwrite(rows, 1, size, file_) != size) {
        failed_ = true;
    }
    return !failed_;
}

bool TextOutput::WriteBuffer() {
    if (!failed_ && used_ > 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_) {
        failed_ = true;
    }
    used_ = 0;
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
