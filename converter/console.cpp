#include "converter/console.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>

namespace trendtab {
namespace {
constexpr std::size_t kProgressBatchBytes = 64 * 1024;
}

void Console::Print(const char* format, ...) {
    Flush();
    progressOpen_ = false;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

void Console::Progress(std::int64_t line) {
    progressOpen_ = true;
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, line).ptr;
    pending_ += "\r    Line = ";
    pending_.append(digits, end);
    pending_ += "   ";
    if (pending_.size() >= kProgressBatchBytes) {
        Flush();
    }
}

void Console::ProgressNow(std::int64_t line) {
    Flush();
    std::printf("\r    Line = %lld   ", static_cast<long long>(line));
    progressOpen_ = true;
}

void Console::EndProgressLine() {
    if (progressOpen_) {
        Print("\n");
    }
}

void Console::Flush() {
    if (!pending_.empty()) {
        std::fwrite(pending_.data(), 1, pending_.size(), stdout);
        pending_.clear();
    }
}

}  // namespace trendtab
