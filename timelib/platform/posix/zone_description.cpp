// Windows zone descriptions, backed by the TZif reader, the POSIX rule parser and the TZ and
// TZDIR variables as the C library reads them.
#include "zone_description.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
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

}  // namespace

void SetZoneName(const std::string& text, WCHAR (&name)[32]) {
    trendtab::platform::WideString wide;
    trendtab::platform::WideFromUtf8(text, &wide);
    std::size_t length = wide.size() < 31 ? wide.size() : 31;
    if (length == 31 && wide[30] >= 0xD800 && wide[30] <= 0xDBFF) {
        length = 30;  // never half a surrogate pair
    }
    std::size_t i = 0;
    for (; i < length; ++i) {
        name[i] = wide[i];
    }
    for (; i < 32; ++i) {
        name[i] = 0;
    }
}

std::int64_t CurrentYear() {
    const std::int64_t days = std::time(nullptr) / kSecondsPerDay;
    return civil::CivilFromDays(days).year;
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

namespace {

// What the current zone's description depends on: TZ, TZDIR, the year (for day-of-year rules)
// and the identity and age of the zone file TZ or /etc/localtime leads to.
struct ZoneSource {
    bool tzSet = false;
    std::string tz;
    std::string directory;
    std::int64_t year = 0;
    std::string link;  // where /etc/localtime points, without TZ
    bool hasFile = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t modified = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t size = 0;

    bool operator==(const ZoneSource&) const = default;
};

ZoneSource CurrentSource() {
    ZoneSource source;
    const char* tz = std::getenv("TZ");
    source.tzSet = tz != nullptr;
    source.tz = tz != nullptr ? tz : "";
    source.directory = ZoneDirectory();
    source.year = CurrentYear();
    std::string path = "/etc/localtime";
    if (source.tzSet) {
        const std::string tzValue = source.tz.substr(!source.tz.empty() && source.tz[0] == ':');
        path = !tzValue.empty() && tzValue[0] == '/' ? tzValue : source.directory + "/" + tzValue;
    } else {
        std::vector<char> target(4096);
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length > 0) {
            source.link.assign(target.data(), static_cast<std::size_t>(length));
        }
    }
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        source.hasFile = true;
        source.device = status.st_dev;
        source.inode = status.st_ino;
        source.modified = status.st_mtim.tv_sec;
        source.modifiedNanoseconds = status.st_mtim.tv_nsec;
        source.size = status.st_size;
    }
    return source;
}

WindowsZone DescribeSource(const ZoneSource& source) {
    const std::int64_t year = source.year;
    const std::string& directory = source.directory;
    const char* tz = source.tzSet ? source.tz.c_str() : nullptr;
    std::string name;
    WindowsZone zone;
    if (tz == nullptr) {
        const std::string path = "/etc/localtime";
        if (!ZoneFileToWindows(path, year, &zone)) {
            return FixedZone("UTC", 0, false);  // what the C library falls back to
        }
        IsInside(path, directory, &name);
    } else {
        std::string tzValue = tz;
        const bool fileOnly = !tzValue.empty() && tzValue.front() == ':';
        if (fileOnly) {
            tzValue.erase(0, 1);
        }
        const std::filesystem::path path = !tzValue.empty() && tzValue.front() == '/'
                                               ? std::filesystem::path(tzValue)
                                               : std::filesystem::path(directory) / tzValue;
        PosixZoneRule rule;
        if (!tzValue.empty() && ZoneFileToWindows(path.string(), year, &zone)) {
            if (tzValue.front() != '/') {
                name = tzValue;
            } else {
                IsInside(path, directory, &name);
            }
        } else if (!fileOnly && ParsePosixZoneRule(tzValue, &rule)) {
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

}  // namespace

// Reading and parsing the zone file costs several microseconds; the last description is kept
// for as long as nothing it depends on has changed.
WindowsZone DescribeCurrentZone() {
    static std::mutex mutex;
    static ZoneSource lastSource;
    static WindowsZone lastZone;
    static bool valid = false;
    const ZoneSource source = CurrentSource();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (valid && source == lastSource) {
            return lastZone;
        }
    }
    const WindowsZone zone = DescribeSource(source);
    const std::lock_guard<std::mutex> lock(mutex);
    lastSource = source;
    lastZone = zone;
    valid = true;
    return zone;
}

}  // namespace trendtab::posix
