#include "converter/console.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace trendtab {
namespace {

constexpr std::size_t kProgressBatchBytes = 64 * 1024;
constexpr std::size_t kNumberRoom = 24;  // 2^64 - 1 has 20 digits

// Adds one to the decimal text of a number of `length` digits; returns its new length.
std::size_t CountUp(char* number, std::size_t length) {
    std::size_t at = length;
    while (at > 0 && number[at - 1] == '9') {
        number[--at] = '0';
    }
    if (at > 0) {
        ++number[at - 1];
        return length;
    }
    std::memmove(number + 1, number, length);  // 99..9 became 00..0
    number[0] = '1';
    return length + 1;
}

}  // namespace

void Console::Print(const char* format, ...) {
    Flush();
    progressOpen_ = false;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

void Console::Progress(std::uint64_t first, std::uint64_t count) {
    constexpr std::string_view kBefore = "\r    Line = ";
    constexpr std::string_view kAfter = "   ";
    if (count == 0) {
        return;
    }
    progressOpen_ = true;
    // The line number's text is counted up digit by digit: a carry past the last digit is rare.
    // The whole buffer is copied each time, so the copy has a fixed size.
    char number[kNumberRoom] = {};
    std::size_t length =
        static_cast<std::size_t>(std::to_chars(number, number + sizeof number, first).ptr - number);
    constexpr std::size_t kLineRoom = kBefore.size() + kNumberRoom + kAfter.size();
    while (count > 0) {
        const std::uint64_t lines = std::min<std::uint64_t>(count, kProgressBatchBytes / kLineRoom);
        const std::size_t start = pending_.size();
        pending_.resize(start + lines * kLineRoom);
        char* out = pending_.data() + start;
        for (std::uint64_t i = 0; i < lines; ++i) {
            std::memcpy(out, kBefore.data(), kBefore.size());
            out += kBefore.size();
            std::memcpy(out, number, sizeof number);
            out += length;
            std::memcpy(out, kAfter.data(), kAfter.size());
            out += kAfter.size();
            length = CountUp(number, length);
        }
        pending_.resize(static_cast<std::size_t>(out - pending_.data()));
        if (pending_.size() >= kProgressBatchBytes) {
            Flush();
        }
        count -= lines;
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

bool Console::OutputIntact() {
    Flush();
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

void Console::Flush() {
    if (!pending_.empty()) {
        std::fwrite(pending_.data(), 1, pending_.size(), stdout);
        pending_.clear();
    }
}

}  // namespace trendtab
