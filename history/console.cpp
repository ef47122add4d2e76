#include "console.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>

namespace trendtab {
namespace {
constexpr std::size_t kProgressBatchBytes = 64 * 1024;
}

void Console::Print(const char* format, ...) {
    Flush();
    va_list args;
    va_start(args, format);
    if (capture_) {
        va_list measure;
        va_copy(measure, args);
        const int size = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        if (size > 0) {
            const std::size_t start = capture_->size();
            capture_->resize(start + static_cast<std::size_t>(size) + 1);
            std::vsnprintf(capture_->data() + start, static_cast<std::size_t>(size) + 1, format,
                           args);
            capture_->resize(start + static_cast<std::size_t>(size));
        }
    } else {
        std::vprintf(format, args);
    }
    va_end(args);
}

void Console::Progress(std::int64_t line) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, line).ptr;
    pending_ += "\r    Line = ";
    pending_.append(digits, end);
    pending_ += "   ";
    if (pending_.size() >= kProgressBatchBytes) {
        Flush();
    }
}

void Console::Flush() {
    if (capture_) {
        *capture_ += pending_;
        pending_.clear();
    } else if (!pending_.empty()) {
        std::fwrite(pending_.data(), 1, pending_.size(), stdout);
        pending_.clear();
    }
}

}  // namespace trendtab
