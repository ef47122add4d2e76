// POSIX TZ rule parser, backed by nothing but the text it is given.
#include "timelib/portable/posix_tz_rule.h"

#include <cctype>
#include <utility>

#include "timelib/civil_time.h"

namespace trendtab::platform {
namespace {

namespace civil = trendtab::civil;

class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    bool Take(char c) {
        if (Peek() != c || AtEnd()) {
            return false;
        }
        ++pos_;
        return true;
    }

    // An unquoted name (three or more letters) or a quoted one (<...>, three or more of
    // letters, digits, + and -).
    bool Name(std::string* name) {
        name->clear();
        if (Take('<')) {
            while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(Peek())) || Peek() == '+' ||
                                Peek() == '-')) {
                name->push_back(text_[pos_++]);
            }
            return Take('>') && name->size() >= 3;
        }
        while (!AtEnd() && std::isalpha(static_cast<unsigned char>(Peek()))) {
            name->push_back(text_[pos_++]);
        }
        return name->size() >= 3;
    }

    // Up to maxDigits decimal digits, at least one.
    bool Number(int maxDigits, int* value) {
        int digits = 0;
        *value = 0;
        while (digits < maxDigits && std::isdigit(static_cast<unsigned char>(Peek()))) {
            *value = *value * 10 + (text_[pos_++] - '0');
            ++digits;
        }
        return digits > 0 && !std::isdigit(static_cast<unsigned char>(Peek()));
    }

    // [+-]hh[:mm[:ss]] with hh up to maxHours; seconds, signed as written.
    bool Duration(int maxHours, std::int32_t* seconds) {
        int sign = 1;
        if (Take('-')) {
            sign = -1;
        } else {
            Take('+');
        }
        int hours = 0;
        int minutes = 0;
        int secs = 0;
        if (!Number(3, &hours) || hours > maxHours) {
            return false;
        }
        if (Take(':')) {
            if (!Number(2, &minutes) || minutes > 59) {
                return false;
            }
            if (Take(':') && (!Number(2, &secs) || secs > 59)) {
                return false;
            }
        }
        *seconds = sign * (hours * 3600 + minutes * 60 + secs);
        return true;
    }

    bool ChangeRule(PosixChangeRule* rule) {
        int value = 0;
        if (Take('M')) {
            rule->kind = PosixChangeRule::Kind::kMonthWeekDay;
            if (!Number(2, &rule->month) || rule->month < 1 || rule->month > 12 || !Take('.') ||
                !Number(1, &rule->week) || rule->week < 1 || rule->week > 5 || !Take('.') ||
                !Number(1, &rule->weekday) || rule->weekday > 6) {
                return false;
            }
        } else if (Take('J')) {
            rule->kind = PosixChangeRule::Kind::kJulian;
            if (!Number(3, &value) || value < 1 || value > 365) {
                return false;
            }
            rule->day = value;
        } else {
            rule->kind = PosixChangeRule::Kind::kDayOfYear;
            if (!Number(3, &value) || value > 365) {
                return false;
            }
            rule->day = value;
        }
        rule->time = 2 * 3600;
        return !Take('/') || Duration(167, &rule->time);
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

bool ParsePosixZoneRule(std::string_view text, PosixZoneRule* rule) {
    Cursor cursor(text);
    PosixZoneRule result;
    std::int32_t offset = 0;
    if (!cursor.Name(&result.standardName) || !cursor.Duration(24, &offset)) {
        return false;
    }
    result.standardOffset = -offset;
    if (cursor.AtEnd()) {
        *rule = std::move(result);
        return true;
    }
    if (!cursor.Name(&result.daylightName)) {
        return false;
    }
    result.hasDaylight = true;
    result.daylightOffset = result.standardOffset + 3600;
    if (!cursor.AtEnd() && cursor.Peek() != ',') {
        if (!cursor.Duration(24, &offset)) {
            return false;
        }
        result.daylightOffset = -offset;
    }
    if (cursor.AtEnd()) {
        // No change dates: the United States rules, as the C library assumes.
        result.start = {PosixChangeRule::Kind::kMonthWeekDay, 0, 3, 2, 0, 2 * 3600};
        result.end = {PosixChangeRule::Kind::kMonthWeekDay, 0, 11, 1, 0, 2 * 3600};
    } else if (!cursor.Take(',') || !cursor.ChangeRule(&result.start) || !cursor.Take(',') ||
               !cursor.ChangeRule(&result.end)) {
        return false;
    }
    if (!cursor.AtEnd()) {
        return false;
    }
    *rule = std::move(result);
    return true;
}

std::int64_t LocalChangeSeconds(const PosixChangeRule& rule, std::int64_t year) {
    std::int64_t days = 0;
    if (rule.kind == PosixChangeRule::Kind::kMonthWeekDay) {
        const std::int64_t first = civil::DaysFromCivil(year, rule.month, 1);
        int day = 1 + (rule.weekday - civil::WeekdayFromDays(first) + 7) % 7 + 7 * (rule.week - 1);
        if (day > civil::DaysInMonth(year, rule.month)) {
            day -= 7;  // week 5: the last one
        }
        days = first + day - 1;
    } else {
        int dayOfYear = rule.day;  // n: zero-based, February 29 counted
        if (rule.kind == PosixChangeRule::Kind::kJulian) {
            dayOfYear = rule.day - 1 + (civil::IsLeapYear(year) && rule.day > 59 ? 1 : 0);
        }
        days = civil::DaysFromCivil(year, 1, 1) + dayOfYear;
    }
    return days * 86'400 + rule.time;
}

}  // namespace trendtab::platform
