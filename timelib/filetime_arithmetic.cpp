// The exported FILETIME arithmetic and unit conversions. A FILETIME is read as one 64-bit count
// of ticks; sums wrap modulo 2^64, divisions are unsigned, 32-bit outputs keep the low bits.
#include <cmath>
#include <cstdint>
#include <ctime>

#include "timelib/civil_time.h"
#include "timelib/filetime_math.h"
#include "timelib/include/trendtime.h"
#include "timelib/platform/platform.h"
#include "timelib/time_value.h"

namespace {

namespace civil = trendtab::civil;

std::uint64_t Ticks(const FILETIME* time) {
    return trendtab::filetime::Ticks(*time);
}

FILETIME MakeFileTime(std::uint64_t ticks) {
    return trendtab::filetime::FromTicks(ticks);
}

constexpr std::uint64_t kTicksPerMillisecond = civil::kTicksPerMillisecond;
constexpr std::uint64_t kTicksPerSecond = civil::kTicksPerSecond;
constexpr std::uint64_t kTicksPerDay = civil::kTicksPerDay;
constexpr std::uint64_t kLargestLibraryTicks = (std::uint64_t{1} << 59) - 1;
constexpr std::uint64_t kOutOfRangeProduct = std::uint64_t{1} << 63;

// value x factor rounded once to a 53-bit significand (ties to even), then truncated toward
// zero; kOutOfRangeProduct when not a number or outside the signed 64-bit range. The product is
// formed exactly in integers, so no float-to-integer conversion can go out of range.
std::uint64_t MultiplyTicks(std::int64_t value, double factor) {
    if (std::isnan(factor) || (std::isinf(factor) && value != 0)) {
        return kOutOfRangeProduct;
    }
    if (value == 0 || factor == 0.0 || std::isinf(factor)) {
        return value == 0 && std::isinf(factor) ? kOutOfRangeProduct : 0;
    }
    const bool negative = (value < 0) != std::signbit(factor);
    // |value| as unsigned: well defined for INT64_MIN too.
    const std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(factor), &exponent);  // [0.5, 1)
    // |factor| = significand x 2^(exponent - 53), significand < 2^53, exact.
    const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    unsigned __int128 product = static_cast<unsigned __int128>(magnitude) * significand;  // < 2^117
    int width = 0;
    for (unsigned __int128 p = product; p != 0; p >>= 1) {
        ++width;
    }
    std::uint64_t rounded = 0;
    if (width > 53) {
        const int shift = width - 53;
        const unsigned __int128 rest = product & ((static_cast<unsigned __int128>(1) << shift) - 1);
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
        rounded = static_cast<std::uint64_t>(product >> shift);
        if (rest > half || (rest == half && (rounded & 1) != 0)) {
            ++rounded;  // may reach 2^53: still exact, one bit wider
        }
        exponent += shift;
    } else {
        rounded = static_cast<std::uint64_t>(product);
    }
    // |product| = rounded x 2^exponent, rounded <= 2^53 (< 2^54 in any case).
    std::uint64_t truncated = 0;
    if (exponent >= 0) {
        const unsigned __int128 whole =
            exponent < 64 ? static_cast<unsigned __int128>(rounded) << exponent : 0;
        if (exponent >= 64 || whole >= kOutOfRangeProduct) {
            // 2^63 and more: out of range (and exactly -2^63 has the same bits).
            return kOutOfRangeProduct;
        }
        truncated = static_cast<std::uint64_t>(whole);
    } else if (exponent > -64) {
        truncated = rounded >> -exponent;
    }
    return negative ? ~truncated + 1 : truncated;
}

}  // namespace

extern "C" {

TRENDTIME_API void FileTimeGetMax(FILETIME* out) {
    out->dwHighDateTime = 0x07FFFFFF;
    out->dwLowDateTime = 0xFFFFFFFF;
    static_assert(kLargestLibraryTicks == 0x07FFFFFFFFFFFFFF);
}

TRENDTIME_API FILETIME FileTimeDiff(const FILETIME* a, const FILETIME* b) {
    return trendtab::filetime::Difference(*a, *b);
}

TRENDTIME_API FILETIME FileTimeSum(const FILETIME* a, const FILETIME* b) {
    return MakeFileTime(Ticks(a) + Ticks(b));
}

TRENDTIME_API void TimeToFileTime(LONG t, FILETIME* out) {
    try {
        const trendtab::TimeValue value{std::int64_t{t}};
        std::tm fields{};
        if (value.GetUtcFields(&fields) == nullptr) {
            // Before 1970 the runtime refuses the split: the arithmetic value instead.
            *out = MakeFileTime(static_cast<std::uint64_t>(
                (std::int64_t{t} + civil::kSecondsFrom1601To1970) * civil::kTicksPerSecond));
            return;
        }
        SYSTEMTIME time{};
        time.wYear = static_cast<WORD>(fields.tm_year + 1900);
        time.wMonth = static_cast<WORD>(fields.tm_mon + 1);
        time.wDay = static_cast<WORD>(fields.tm_mday);
        time.wHour = static_cast<WORD>(fields.tm_hour);
        time.wMinute = static_cast<WORD>(fields.tm_min);
        time.wSecond = static_cast<WORD>(fields.tm_sec);
        SystemTimeToFileTime(&time, out);
    } catch (...) {
        // A C caller cannot catch anything: the output is simply left as it was.
    }
}

TRENDTIME_API void SecondsToFileTime(LONG seconds, FILETIME* out) {
    *out = MakeFileTime(static_cast<std::uint64_t>(std::int64_t{seconds}) * kTicksPerSecond);
}

TRENDTIME_API void mSecondsToFileTime(LONGLONG milliseconds, FILETIME* out) {
    *out = MakeFileTime(static_cast<std::uint64_t>(milliseconds) * kTicksPerMillisecond);
}

TRENDTIME_API void FileTimeToSeconds(const FILETIME* value, DWORD* out) {
    *out = trendtab::filetime::WholeSeconds(*value);
}

TRENDTIME_API void FileTimeTomSeconds(const FILETIME* value, DWORD* out) {
    *out = static_cast<DWORD>(Ticks(value) / kTicksPerMillisecond);
}

TRENDTIME_API FILETIME FileTimeMult(const FILETIME* value, double factor) {
    return MakeFileTime(MultiplyTicks(static_cast<std::int64_t>(Ticks(value)), factor));
}

TRENDTIME_API FILETIME FileTimeAddDays(const FILETIME* value, LONG days) {
    return MakeFileTime(Ticks(value) +
                        static_cast<std::uint64_t>(std::int64_t{days}) * kTicksPerDay);
}

TRENDTIME_API void FileTimeTomSeconds64(const FILETIME* value, ULONGLONG* out) {
    *out = Ticks(value) / kTicksPerMillisecond;
}

TRENDTIME_API void FileTimeToTime(FILETIME value, LONG* out) {
    try {
        const trendtab::TimeValue time(value, -1);
        *out = static_cast<LONG>(static_cast<std::uint32_t>(time.GetEpochSeconds()));
    } catch (...) {
        // No exception may reach a C caller: the output stays unwritten.
    }
}

}  // extern "C"
