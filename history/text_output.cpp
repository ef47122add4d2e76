#include "text_output.h"

namespace trendtab {
namespace {
constexpr std::size_t kFlushBytes = 1 << 20;
}

TextOutput::TextOutput(std::FILE* file, std::size_t longestRow)
    : file_(file),
      capacity_(kFlushBytes + longestRow),
      buffer_(std::make_unique_for_overwrite<char[]>(capacity_)) {}

bool TextOutput::EndRow(char* end) {
    used_ = static_cast<std::size_t>(end - buffer_.get());
    if (used_ >= kFlushBytes) {
        return Finish();
    }
    return !failed_;
}

bool TextOutput::Finish() {
    if (!failed_ && used_ > 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_) {
        failed_ = true;
    }
    used_ = 0;
    return !failed_;
}

}  // namespace trendtab
