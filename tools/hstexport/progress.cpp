#include "tools/hstexport/progress.h"

#include <cstdio>

namespace hstexport {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::string Duration(double seconds) {
    char text[32];
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    } else {
        const auto whole = static_cast<long long>(seconds);
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    }
    return text;
}

}  // namespace

Progress::Progress(std::uint64_t files, std::uint64_t bytes, bool showBar)
    : files_(files), bytes_(bytes), showBar_(showBar), start_(Clock::now()), lastDraw_(start_) {}

std::string Progress::Bytes(std::uint64_t bytes) {
    static const char* const kUnits[] = {"B", "kB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000 && unit + 1 < std::size(kUnits)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, kUnits[unit]);
    return text;
}

void Progress::ClearBar() {
    if (barShown_) {
        std::fputs("\r\033[K", stderr);
        barShown_ = false;
    }
}

void Progress::Problem(const std::string& what, const std::string& reason) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ClearBar();
    std::fprintf(stderr, "hstexport: %s: %s\n", what.c_str(), reason.c_str());
    std::fflush(stderr);
}

void Progress::Update(std::uint64_t filesDone, std::uint64_t bytesDone) {
    if (!showBar_) {
        return;
    }
    const std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    const Clock::time_point now = Clock::now();
    if (!lock || now - lastDraw_ < std::chrono::milliseconds(200)) {
        return;
    }
    lastDraw_ = now;
    const double elapsed = Seconds(now - start_);
    const double fraction =
        bytes_ > 0 ? static_cast<double>(bytesDone) / static_cast<double>(bytes_) : 0.0;
    const double rate = elapsed > 0 ? static_cast<double>(bytesDone) / elapsed : 0.0;
    constexpr int kWidth = 24;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled < kWidth ? filled : kWidth), '#');
    bar.resize(kWidth, '.');
    const std::string left =
        rate > 0 && bytesDone <= bytes_
            ? Duration(static_cast<double>(bytes_ - bytesDone) / rate) + " left"
            : "";
    std::fprintf(stderr, "\r\033[K[%s] %llu/%llu files  %s/%s  %s/s  %s", bar.c_str(),
                 static_cast<unsigned long long>(filesDone),
                 static_cast<unsigned long long>(files_), Bytes(bytesDone).c_str(),
                 Bytes(bytes_).c_str(), Bytes(static_cast<std::uint64_t>(rate)).c_str(),
                 left.c_str());
    std::fflush(stderr);
    barShown_ = true;
}

void Progress::Finish(const RunTotals& totals, bool quiet) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ClearBar();
    if (!quiet) {
        std::fprintf(
            stderr, "hstexport: %llu converted, %llu skipped, %llu failed; %s in, %s out; %s\n",
            static_cast<unsigned long long>(totals.converted),
            static_cast<unsigned long long>(totals.skipped),
            static_cast<unsigned long long>(totals.failed), Bytes(totals.bytesIn).c_str(),
            Bytes(totals.bytesOut).c_str(), Duration(Seconds(Clock::now() - start_)).c_str());
    }
    std::fflush(stderr);
}

}  // namespace hstexport
