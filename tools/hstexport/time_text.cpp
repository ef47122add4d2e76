#include "tools/hstexport/time_text.h"

#include <charconv>
#include <cstring>

#include "timelib/civil_time.h"

namespace hstexport {
namespace {

namespace civil = trendtab::civil;

constexpr std::uint64_t kTicksPerSecond = civil::kTicksPerSecond;
constexpr std::uint64_t kUnixEpochTicks = civil::kTicksFrom1601To1970;

char* TwoDigits(int value, char* out) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

// The first `digits` of the seven-digit fraction `ticks` (0 .. 9,999,999).
char* Fraction(std::uint64_t ticks, int digits, char* out) {
    if (digits == 0) {
        return out;
    }
    *out++ = '.';
    char all[kMaxFractionDigits];
    for (int i = kMaxFractionDigits - 1; i >= 0; --i) {
        all[i] = static_cast<char>('0' + ticks % 10);
        ticks /= 10;
    }
    std::memcpy(out, all, static_cast<std::size_t>(digits));
    return out + digits;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b < 0 ? 1 : 0);
}

}  // namespace

int FractionDigitsFor(std::uint64_t ticks) {
    const std::uint64_t fraction = ticks % kTicksPerSecond;
    if (fraction == 0) {
        return 0;
    }
    if (fraction % 10'000 == 0) {
        return 3;
    }
    return fraction % 10 == 0 ? 6 : 7;
}

char* TimeText::WriteEpoch(std::uint64_t ticks, int digits, char* out) const {
    // Sign and magnitude, so that any stamp fits without overflow.
    std::uint64_t magnitude;
    if (ticks >= kUnixEpochTicks) {
        magnitude = ticks - kUnixEpochTicks;
    } else {
        magnitude = kUnixEpochTicks - ticks;
        *out++ = '-';
    }
    out = std::to_chars(out, out + 24, magnitude / kTicksPerSecond).ptr;
    return Fraction(magnitude % kTicksPerSecond, digits, out);
}

char* TimeText::Write(std::uint64_t ticks, int digits, char* out) {
    if (mode_ == TimeMode::Epoch) {
        return WriteEpoch(ticks, digits, out);
    }
    // Seconds since 1970 fit: ticks reach only some 58,000 years.
    const auto since1601 = static_cast<std::int64_t>(ticks / kTicksPerSecond);
    const std::int64_t unixSeconds = since1601 - civil::kSecondsFrom1601To1970;
    std::int32_t offset = 0;
    const bool placed = offsets_.At(unixSeconds, offset);
    if (!placed) {
        offset = 0;
    }
    const std::int64_t local = unixSeconds + offset;
    const std::int64_t minute = FloorDiv(local, 60);
    if (minute != minute_) {
        minute_ = minute;
        const civil::CivilDate date = civil::CivilFromDays(FloorDiv(minute, 1440));
        const auto minuteOfDay = static_cast<int>(minute - FloorDiv(minute, 1440) * 1440);
        char* p = minuteText_;
        if (date.year > 9999) {
            *p++ = '+';  // the expanded form for years past 9999
        }
        p = std::to_chars(p, p + 8, date.year).ptr;
        *p++ = '-';
        p = TwoDigits(date.month, p);
        *p++ = '-';
        p = TwoDigits(date.day, p);
        *p++ = 'T';
        p = TwoDigits(minuteOfDay / 60, p);
        *p++ = ':';
        p = TwoDigits(minuteOfDay % 60, p);
        *p++ = ':';
        minuteLength_ = static_cast<std::size_t>(p - minuteText_);
    }
    std::memcpy(out, minuteText_, minuteLength_);
    out = TwoDigits(static_cast<int>(local - minute * 60), out + minuteLength_);
    out = Fraction(ticks % kTicksPerSecond, digits, out);

    const std::int32_t shown = mode_ == TimeMode::Utc || !placed ? INT32_MIN + 1 : offset;
    if (shown != offset_) {
        offset_ = shown;
        char* p = offsetText_;
        if (shown == INT32_MIN + 1) {
            *p++ = 'Z';
        } else {
            const std::int32_t size = shown < 0 ? -shown : shown;
            *p++ = shown < 0 ? '-' : '+';
            p = TwoDigits(size / 3600, p);
            *p++ = ':';
            p = TwoDigits(size / 60 % 60, p);
            if (size % 60 != 0) {  // old local mean times
                *p++ = ':';
                p = TwoDigits(size % 60, p);
            }
        }
        offsetLength_ = static_cast<std::size_t>(p - offsetText_);
    }
    std::memcpy(out, offsetText_, offsetLength_);
    return out + offsetLength_;
}

namespace {

// Reads `count` digits at `p`.
bool Digits(const char*& p, const char* end, int count, int& value) {
    value = 0;
    for (int i = 0; i < count; ++i, ++p) {
        if (p == end || *p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + (*p - '0');
    }
    return true;
}

bool Expect(const char*& p, const char* end, char c) {
    if (p != end && *p == c) {
        ++p;
        return true;
    }
    return false;
}

}  // namespace

std::optional<std::uint64_t> ParseAbsoluteTime(const std::string& text, UtcOffsets& offsets) {
    const char* p = text.data();
    const char* end = p + text.size();
    if (Expect(p, end, '@')) {
        std::int64_t seconds = 0;
        const auto [next, error] = std::from_chars(p, end, seconds);
        const std::int64_t since1601 = seconds + civil::kSecondsFrom1601To1970;
        if (error != std::errc() || next != end || since1601 < 0 ||
            since1601 > static_cast<std::int64_t>(UINT64_MAX / kTicksPerSecond)) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(since1601) * kTicksPerSecond;
    }
    civil::CivilTime fields{};
    int year;
    int month;
    int day;
    if (!Digits(p, end, 4, year) || !Expect(p, end, '-') || !Digits(p, end, 2, month) ||
        !Expect(p, end, '-') || !Digits(p, end, 2, day)) {
        return std::nullopt;
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::uint64_t fraction = 0;  // ticks
    if (Expect(p, end, 'T') || Expect(p, end, ' ')) {
        if (!Digits(p, end, 2, hour) || !Expect(p, end, ':') || !Digits(p, end, 2, minute)) {
            return std::nullopt;
        }
        if (Expect(p, end, ':')) {
            if (!Digits(p, end, 2, second)) {
                return std::nullopt;
            }
            if (Expect(p, end, '.')) {
                std::uint64_t scale = kTicksPerSecond;
                int count = 0;
                for (; p != end && *p >= '0' && *p <= '9'; ++p, ++count) {
                    scale /= 10;
                    if (count >= kMaxFractionDigits && *p != '0') {
                        return std::nullopt;  // finer than the files store
                    }
                    fraction += static_cast<std::uint64_t>(*p - '0') * scale;
                }
                if (count == 0) {
                    return std::nullopt;
                }
            }
        }
    }
    std::optional<std::int32_t> offset;
    if (Expect(p, end, 'Z')) {
        offset = 0;
    } else if (p != end && (*p == '+' || *p == '-')) {
        const int sign = *p++ == '-' ? -1 : 1;
        int hours;
        int minutes;
        if (!Digits(p, end, 2, hours) || !Expect(p, end, ':') || !Digits(p, end, 2, minutes)) {
            return std::nullopt;
        }
        offset = sign * (hours * 3600 + minutes * 60);
    }
    if (p != end || month < 1 || month > 12 || day < 1 || day > civil::DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    fields.year = year;
    fields.month = month;
    fields.day = day;
    fields.hour = hour;
    fields.minute = minute;
    fields.second = second;
    std::uint64_t ticks;
    if (!civil::TicksFromCivil(fields, &ticks)) {
        return std::nullopt;
    }
    ticks += fraction;
    if (offset) {
        const std::int64_t shift = static_cast<std::int64_t>(*offset) * kTicksPerSecond;
        return ticks - static_cast<std::uint64_t>(shift);
    }
    std::uint64_t utc;
    if (!offsets.LocalToUtc(ticks, utc)) {
        return std::nullopt;
    }
    return utc;
}

}  // namespace hstexport
