#include "tools/hstgen/hst_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace hstgen {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool AllDigits(std::string_view text) {
    for (char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    return !text.empty();
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '\'';
    quoted += text;
    quoted += '\'';
    return quoted;
}

// Fixed-width unsigned field of a calendar time.
int Field(std::string_view text, std::size_t at, std::size_t width) {
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// [+-]digits[.digits][e[+-]digits], or with the digits only after the point.
bool IsDecimalNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (!AllDigits(text.substr(i))) {
            return false;
        }
        i = text.size();
    }
    return i == text.size();
}

// Rounds once, to `Float`. Overflow and underflow to zero both fail.
template <typename Float>
bool ParseDecimal(std::string_view text, Float& value) {
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool Unescape(std::string_view text, std::string& bytes, std::string& error) {
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size()) {
            error = "a lone backslash ends " + Quoted(text);
            return false;
        }
        switch (text[i]) {
            case 't':
                bytes += '\t';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            case '0':
                bytes += '\0';
                break;
            case '\\':
                bytes += '\\';
                break;
            case '"':
                bytes += '"';
                break;
            case 'x': {
                const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
                const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    error = "\\x needs two hex digits in " + Quoted(text);
                    return false;
                }
                bytes += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                error = "unknown escape \\" + std::string(1, text[i]) + " in " + Quoted(text);
                return false;
        }
    }
    return true;
}

bool ParseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& value,
                  std::string& error) {
    std::string_view digits = text;
    if (!digits.empty() && digits[0] == '-') {
        digits.remove_prefix(1);
    }
    std::int64_t parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (!AllDigits(digits) || ec == std::errc::invalid_argument ||
        end != text.data() + text.size()) {
        error = "not a whole number: " + Quoted(text);
        return false;
    }
    if (ec == std::errc::result_out_of_range || parsed < min || parsed > max) {
        error = Quoted(text) + " is out of range (" + std::to_string(min) + " to " +
                std::to_string(max) + ")";
        return false;
    }
    value = parsed;
    return true;
}

bool ParseCalendarTime(std::string_view text, std::int64_t& ticks, std::string& error) {
    error = "not a time of the form YYYY-MM-DDTHH:MM:SS[.fffffff]: " + Quoted(text);
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':') {
        return false;
    }
    for (std::size_t at : {0, 5, 8, 11, 14, 17}) {
        if (!AllDigits(text.substr(at, at == 0 ? 4 : 2))) {
            return false;
        }
    }
    std::int64_t fraction = 0;
    if (text.size() > 19) {
        const std::string_view digits = text.substr(20);
        if (text[19] != '.' || digits.size() > 7 || !AllDigits(digits)) {
            return false;
        }
        for (std::size_t i = 0; i < 7; ++i) {
            fraction = fraction * 10 + (i < digits.size() ? digits[i] - '0' : 0);
        }
    }
    const int year = Field(text, 0, 4);
    const int month = Field(text, 5, 2);
    const int day = Field(text, 8, 2);
    const int hour = Field(text, 11, 2);
    const int minute = Field(text, 14, 2);
    const int second = Field(text, 17, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        error = "no such time: " + Quoted(text);
        return false;
    }
    ticks = FileTimeTicks(year, month, day, hour, minute, second) + fraction;
    error.clear();
    return true;
}

bool ParseStamp(std::string_view text, Layout layout, std::int64_t& stamp, std::string& error) {
    const bool compact = layout == Layout::Compact;
    if (!text.empty() && text[0] == '@') {
        if (!compact) {
            error = "raw seconds (@N) need the compact layout; use #N ticks";
            return false;
        }
        // A compact stamp is a signed 32-bit count: anything beyond would wrap when stored.
        return ParseInteger(text.substr(1), std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max(), stamp, error);
    }
    if (!text.empty() && text[0] == '#') {
        if (compact) {
            error = "raw ticks (#N) need the wide layout; use @N seconds";
            return false;
        }
        const std::string_view digits = text.substr(1);
        if (!digits.empty() && digits[0] == '-') {
            return ParseInteger(digits, std::numeric_limits<std::int64_t>::min(), 0, stamp, error);
        }
        std::uint64_t ticks = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), ticks);
        if (!AllDigits(digits) || ec != std::errc() || end != digits.data() + digits.size()) {
            error = "not a tick count below 2^64: " + Quoted(digits);
            return false;
        }
        stamp = static_cast<std::int64_t>(ticks);  // modulo 2^64
        return true;
    }
    std::int64_t ticks = 0;
    if (!ParseCalendarTime(text, ticks, error)) {
        return false;
    }
    if (!compact) {
        stamp = ticks;
        return true;
    }
    if (ticks % kTicksPerSecond != 0) {
        error = "compact stamps are whole seconds: " + Quoted(text);
        return false;
    }
    const std::int64_t seconds = ticks / kTicksPerSecond - kSecondsFrom1601To1970;
    if (seconds < std::numeric_limits<std::int32_t>::min() ||
        seconds > std::numeric_limits<std::int32_t>::max()) {
        error = Quoted(text) +
                " does not fit a compact stamp (signed 32 bits of seconds from 1970: "
                "1901-12-13T20:45:52 to 2038-01-19T03:14:07)";
        return false;
    }
    stamp = seconds;
    return true;
}

bool ParseValue(std::string_view text, Layout layout, Value& value, std::string& error) {
    const bool compact = layout == Layout::Compact;
    value = Value{};
    if (text == "nan" || text == "-nan") {
        const bool negative = text[0] == '-';
        value.number = std::copysign(std::numeric_limits<double>::quiet_NaN(), negative ? -1 : 1);
        if (compact) {
            value.bits = negative ? 0xFFC00000u : 0x7FC00000u;
        } else {
            value.bits = negative ? 0xFFF8000000000000u : 0x7FF8000000000000u;
        }
        return true;
    }
    if (text == "inf" || text == "-inf") {
        value.number = text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = text.substr(2);
        const std::size_t maxDigits = compact ? 8 : 16;
        std::uint64_t bits = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0) {
                error = "not a hex bit pattern: " + Quoted(text);
                return false;
            }
            bits = (bits << 4) | static_cast<std::uint64_t>(HexDigit(c));
        }
        if (digits.size() > maxDigits) {
            error = Quoted(text) + " has more than " + std::to_string(maxDigits) +
                    " hex digits, the size of a " + (compact ? "float" : "double");
            return false;
        }
        value.bits = bits;
        if (compact) {
            float f;
            const std::uint32_t floatBits = static_cast<std::uint32_t>(bits);
            std::memcpy(&f, &floatBits, sizeof f);
            value.number = f;
        } else {
            std::memcpy(&value.number, &bits, sizeof bits);
        }
        return true;
    }
    if (!IsDecimalNumber(text)) {
        error = "not a value (number, nan, -nan, inf, -inf or 0x bits): " + Quoted(text);
        return false;
    }
    bool parsed;
    if (compact) {
        float f = 0;
        parsed = ParseDecimal(text, f);
        value.number = f;
    } else {
        parsed = ParseDecimal(text, value.number);
    }
    if (!parsed) {
        error = Quoted(text) + " is too large or too small for a " + (compact ? "float" : "double");
        return false;
    }
    return true;
}

bool ParseSeconds(std::string_view text, std::int64_t& ticks, std::string& error) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view body = negative ? text.substr(1) : text;
    const std::size_t point = body.find('.');
    const std::string_view whole = body.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
    if (!AllDigits(whole) || (point != std::string_view::npos && !AllDigits(fraction)) ||
        fraction.size() > 7) {
        error = "not a number of seconds with at most 7 decimals: " + Quoted(text);
        return false;
    }
    // 9e11 s keeps the tick count within 64 bits.
    std::int64_t seconds = 0;
    if (!ParseInteger(whole, 0, 900'000'000'000, seconds, error)) {
        return false;
    }
    std::int64_t part = 0;
    for (std::size_t i = 0; i < 7; ++i) {
        part = part * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    }
    ticks = seconds * kTicksPerSecond + part;
    if (negative) {
        ticks = -ticks;
    }
    return true;
}

}  // namespace hstgen
