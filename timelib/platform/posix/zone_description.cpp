// Windows zone descriptions, backed by the TZif reader, the POSIX rule parser and the TZ and
// TZDIR variables as the C library reads them.
#include "zone_description.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "civil_time.h"

namespace trendtab::posix {
namespace {

constexpr std::size_t kMaxZoneFileSize = 1 << 20;
constexpr std::int32_t kSecondsPerDay = 86'400;

LONG RoundedMinutes(std::int64_t seconds, bool* approximated) {
    if (seconds % 60 != 0) {
        *approximated = true;
    }
    const std::int64_t half = seconds < 0 ? -30 : 30;
    return static_cast<LONG>((seconds + half) / 60);
}

// The Windows day-of-week-in-month form of one change rule.
SYSTEMTIME ToWindowsDate(const PosixChangeRule& rule, std::int64_t year, bool* approximated) {
    int month = rule.month;
    int week = rule.week;
    int weekday = rule.weekday;
    if (rule.kind != PosixChangeRule::Kind::kMonthWeekDay) {
        // A fixed day of the year: its weekday and week in the reference year.
        *approximated = true;
        int dayOfYear = rule.day;  // n: zero-based, February 29 counted
        if (rule.kind == PosixChangeRule::Kind::kJulian) {
            dayOfYear = rule.day - 1 + (civil::IsLeapYear(year) && rule.day > 59 ? 1 : 0);
        }
        const int daysInYear = civil::IsLeapYear(year) ? 366 : 365;
        if (dayOfYear >= daysInYear) {
            dayOfYear = daysInYear - 1;
        }
        const std::int64_t days = civil::DaysFromCivil(year, 1, 1) + dayOfYear;
        const civil::CivilDate date = civil::CivilFromDays(days);
        month = date.month;
        week = date.day + 7 > civil::DaysInMonth(year, month) ? 5 : (date.day - 1) / 7 + 1;
        weekday = civil::WeekdayFromDays(days);
    }
    // Times outside one day move the weekday instead: the nearest form Windows has.
    std::int32_t time = rule.time;  // [-167h, 167h]
    int dayShift = 0;
    while (time < 0) {
        time += kSecondsPerDay;
        --dayShift;
    }
    while (time >= kSecondsPerDay) {
        time -= kSecondsPerDay;
        ++dayShift;
    }
    if (dayShift != 0) {
        *approximated = true;
        weekday = ((weekday + dayShift) % 7 + 7) % 7;
    }
    SYSTEMTIME date{};
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(week);
    date.wDayOfWeek = static_cast<WORD>(weekday);
    date.wHour = static_cast<WORD>(time / 3600);
    date.wMinute = static_cast<WORD>(time / 60 % 60);
    date.wSecond = static_cast<WORD>(time % 60);
    return date;
}

bool IsFirstMomentOfYear(const PosixChangeRule& rule) {
    return rule.kind != PosixChangeRule::Kind::kMonthWeekDay &&
           rule.day == (rule.kind == PosixChangeRule::Kind::kJulian ? 1 : 0) && rule.time <= 0;
}

bool IsLastMomentOfYear(const PosixChangeRule& rule, std::int32_t save) {
    return rule.kind != PosixChangeRule::Kind::kMonthWeekDay && rule.day == 365 &&
           rule.time >= kSecondsPerDay + save;
}

WindowsZone FixedZone(const std::string& name, std::int64_t utcOffset, bool approximated) {
    WindowsZone zone;
    zone.approximated = approximated;
    zone.info.Bias = RoundedMinutes(-utcOffset, &zone.approximated);
    SetZoneName(name, zone.info.StandardName);
    return zone;
}

bool IsInside(const std::filesystem::path& path, const std::filesystem::path& directory,
              std::string* relative) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(path, error);
    if (error) {
        return false;
    }
    const std::filesystem::path base = std::filesystem::weakly_canonical(directory, error);
    if (error) {
        return false;
    }
    const std::filesystem::path rest = real.lexically_relative(base);
    if (rest.empty() || rest == "." || *rest.begin() == "..") {
        return false;
    }
    *relative = rest.generic_string();
    return true;
}

std::int64_t CurrentYear() {
    const std::int64_t days = std::time(nullptr) / kSecondsPerDay;
    return civil::CivilFromDays(days).year;
}

bool LoadZoneFile(const std::string& path, std::int64_t year, WindowsZone* zone) {
    return ZoneFileToWindows(path, year, zone);
}

}  // namespace

void SetZoneName(const std::string& text, WCHAR (&name)[32]) {
    std::size_t i = 0;
    for (; i < 31 && i < text.size(); ++i) {
        name[i] = static_cast<unsigned char>(text[i]);
    }
    for (; i < 32; ++i) {
        name[i] = 0;
    }
}

WindowsZone PosixRuleToWindows(const PosixZoneRule& rule, std::int64_t referenceYear) {
    if (!rule.hasDaylight) {
        return FixedZone(rule.standardName, rule.standardOffset, false);
    }
    const std::int32_t save = rule.daylightOffset - rule.standardOffset;
    if (IsFirstMomentOfYear(rule.start) && IsLastMomentOfYear(rule.end, save)) {
        // Daylight saving all year round: a fixed zone at the daylight offset.
        return FixedZone(rule.daylightName, rule.daylightOffset, true);
    }
    WindowsZone zone;
    PosixZoneRule ordered = rule;
    if (save < 0) {
        // Negative daylight saving: the winter time is the C library's daylight time. Windows
        // needs the later offset as daylight time, so the roles swap; each change time stays
        // in the local time in force before it.
        zone.approximated = true;
        std::swap(ordered.standardName, ordered.daylightName);
        std::swap(ordered.standardOffset, ordered.daylightOffset);
        std::swap(ordered.start, ordered.end);
    }
    zone.info.Bias = RoundedMinutes(-ordered.standardOffset, &zone.approximated);
    zone.info.StandardBias = 0;
    zone.info.DaylightBias = RoundedMinutes(
        -(std::int64_t{ordered.daylightOffset} - ordered.standardOffset), &zone.approximated);
    SetZoneName(ordered.standardName, zone.info.StandardName);
    SetZoneName(ordered.daylightName, zone.info.DaylightName);
    zone.info.DaylightDate = ToWindowsDate(ordered.start, referenceYear, &zone.approximated);
    zone.info.StandardDate = ToWindowsDate(ordered.end, referenceYear, &zone.approximated);
    return zone;
}

WindowsZone TzifToWindows(const TzifData& data, std::int64_t referenceYear) {
    PosixZoneRule rule;
    if (!data.footer.empty() && ParsePosixZoneRule(data.footer, &rule)) {
        return PosixRuleToWindows(rule, referenceYear);
    }
    const TzifType& last =
        data.transitions.empty() ? data.types.front() : data.types[data.transitions.back().type];
    bool knowsDaylight = false;
    for (const TzifType& type : data.types) {
        knowsDaylight = knowsDaylight || type.isDst;
    }
    return FixedZone(last.abbreviation, last.utcOffset, knowsDaylight);
}

bool ZoneFileToWindows(const std::string& path, std::int64_t referenceYear, WindowsZone* zone) {
    std::vector<std::uint8_t> bytes;
    TzifData data;
    if (!ReadSmallFile(path, kMaxZoneFileSize, &bytes) ||
        !ParseTzif(bytes.data(), bytes.size(), &data)) {
        return false;
    }
    *zone = TzifToWindows(data, referenceYear);
    return true;
}

std::string ZoneDirectory() {
    const char* directory = std::getenv("TZDIR");
    return directory != nullptr && *directory != '\0' ? directory : "/usr/share/zoneinfo";
}

WindowsZone DescribeCurrentZone() {
    const std::int64_t year = CurrentYear();
    const std::string directory = ZoneDirectory();
    const char* tz = std::getenv("TZ");
    std::string name;
    WindowsZone zone;
    if (tz == nullptr) {
        const std::string path = "/etc/localtime";
        if (!LoadZoneFile(path, year, &zone)) {
            return FixedZone("UTC", 0, false);  // what the C library falls back to
        }
        IsInside(path, directory, &name);
    } else {
        std::string spec = tz;
        const bool fileOnly = !spec.empty() && spec.front() == ':';
        if (fileOnly) {
            spec.erase(0, 1);
        }
        const std::filesystem::path path = !spec.empty() && spec.front() == '/'
                                               ? std::filesystem::path(spec)
                                               : std::filesystem::path(directory) / spec;
        PosixZoneRule rule;
        if (!spec.empty() && LoadZoneFile(path.string(), year, &zone)) {
            if (spec.front() != '/') {
                name = spec;
            } else {
                IsInside(path, directory, &name);
            }
        } else if (!fileOnly && ParsePosixZoneRule(spec, &rule)) {
            zone = PosixRuleToWindows(rule, year);
        } else {
            return FixedZone("UTC", 0, false);
        }
    }
    if (!name.empty()) {
        SetZoneName(name, zone.info.StandardName);
    }
    return zone;
}

}  // namespace trendtab::posix
