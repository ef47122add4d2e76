// Windows zone descriptions, backed by the TZif reader, the POSIX rule parser and the TZ and
// TZDIR variables as the C library reads them.
#include "timelib/platform/posix/zone_description.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "timelib/civil_time.h"
#include "timelib/platform/posix/zone_history.h"
#include "timelib/portable/system_time_ticks.h"
#include "timelib/portable/zone_rules.h"

namespace trendtab::posix {
namespace {

constexpr std::size_t kMaxZoneFileSize = 1 << 20;
constexpr std::int32_t kSecondsPerDay = 86'400;

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

std::int64_t CurrentYear() {
    const std::int64_t days = std::time(nullptr) / kSecondsPerDay;
    return civil::CivilFromDays(days).year;
}

WindowsZone TzifToWindows(const TzifData& data, std::int64_t referenceYear) {
    platform::PosixZoneRule rule;
    if (!data.footer.empty() && platform::ParsePosixZoneRule(data.footer, &rule)) {
        return PosixRuleToWindows(rule, referenceYear);
    }
    const TzifType& last =
        data.transitions.empty() ? data.types.front() : data.types[data.transitions.back().type];
    bool knowsDaylight = false;
    for (const TzifType& type : data.types) {
        knowsDaylight = knowsDaylight || type.isDst;
    }
    return FixedWindowsZone(last.abbreviation, last.utcOffset, knowsDaylight);
}

namespace {

bool ReadZoneFile(const std::string& path, TzifData* data) {
    std::vector<std::uint8_t> bytes;
    return ReadSmallFile(path, kMaxZoneFileSize, &bytes) &&
           ParseTzif(bytes.data(), bytes.size(), data);
}

}  // namespace

bool ZoneFileToWindows(const std::string& path, std::int64_t referenceYear, WindowsZone* zone) {
    TzifData data;
    if (!ReadZoneFile(path, &data)) {
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

// A description and the UTC seconds [from, until) in which it describes the present.
struct Description {
    WindowsZone zone;
    std::int64_t from = INT64_MIN;
    std::int64_t until = INT64_MAX;
    bool tzUnusable = false;  // TZ names no zone the C library can load: it uses UTC
};

LONG MinutesWest(std::int32_t offset) {
    return static_cast<LONG>(-(offset + (offset < 0 ? -30 : 30)) / 60);
}

// The wall-clock reading of a UTC instant in an offset, as an absolute change date.
bool WallClockDate(std::int64_t utcSeconds, std::int32_t offset, SYSTEMTIME* date) {
    const std::int64_t local = utcSeconds + offset + civil::kSecondsFrom1601To1970;
    return local >= 0 && civil::SplitTicks(local * civil::kTicksPerSecond, date);
}

// The bias a record gives at a UTC instant, in minutes; INT32_MIN when it gives none.
std::int64_t RecordBiasAt(const TIME_ZONE_INFORMATION& record, std::int64_t utcSeconds) {
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    std::int64_t utcTicks = 0;
    std::int64_t localTicks = 0;
    if (!WallClockDate(utcSeconds, 0, &utc) || !platform::RuleUtcToLocal(record, utc, &local) ||
        !civil::JoinTicks(utc, &utcTicks) || !civil::JoinTicks(local, &localTicks)) {
        return INT32_MIN;
    }
    return (utcTicks - localTicks) / civil::kTicksPerMinute;
}

// Where the offset in force now comes from the zone file's transition list rather than its
// footer rule, the record describes the present instead: the local year's changes from the
// list as dates of that year when they form one daylight-saving period, else the offset in
// force as a fixed zone until the next change. Either way the record's bias now is the offset
// in force now.
void DescribePresent(const ZoneHistory& history, std::int64_t now, Description* description) {
    const std::vector<TzifTransition>& transitions = history.data.transitions;
    const bool ruleGoverns =
        transitions.empty() || (history.hasRule && now >= transitions.back().time);
    if (ruleGoverns) {
        description->from = transitions.empty() ? INT64_MIN : transitions.back().time;
        return;
    }
    const std::int32_t offset = OffsetAtUtc(history, now);
    const std::int64_t localDays = (now + offset) / 86'400 - ((now + offset) % 86'400 < 0 ? 1 : 0);
    const std::int64_t year = civil::CivilFromDays(localDays).year;
    const std::int64_t from = civil::DaysFromCivil(year, 1, 1) * 86'400 - offset;
    const std::int64_t until = civil::DaysFromCivil(year + 1, 1, 1) * 86'400 - offset;
    std::vector<OffsetChange> changes;
    ChangesBetween(history, from, until, 16, &changes);
    description->from = from;
    description->until = until;
    // A list that only spells out the rule (zone files written in full to 2037) keeps it.
    std::vector<OffsetChange> ruleChanges;
    if (history.hasRule) {
        RuleChangesBetween(history.rule, from, until, &ruleChanges);
    }
    const auto same = [](const OffsetChange& a, const OffsetChange& b) {
        return a.at == b.at && a.before == b.before && a.after == b.after;
    };
    if (history.hasRule && changes.size() == ruleChanges.size() &&
        std::equal(changes.begin(), changes.end(), ruleChanges.begin(), same) &&
        RecordBiasAt(description->zone.info, now) == MinutesWest(offset)) {
        return;
    }
    const OffsetChange* start = nullptr;
    const OffsetChange* end = nullptr;
    for (const OffsetChange& change : changes) {
        const OffsetChange*& slot = change.afterIsDaylight ? start : end;
        slot = slot == nullptr ? &change : nullptr;
    }
    WindowsZone present = FixedWindowsZone("", offset, true);
    if (changes.size() == 2 && start != nullptr && end != nullptr && start->before == end->after &&
        start->after == end->before) {
        WindowsZone yearly = FixedWindowsZone("", start->before, true);
        yearly.info.DaylightBias = MinutesWest(start->after) - yearly.info.Bias;
        SetZoneName(start->afterName, yearly.info.DaylightName);
        if (WallClockDate(start->at, start->before, &yearly.info.DaylightDate) &&
            WallClockDate(end->at, end->before, &yearly.info.StandardDate) &&
            yearly.info.DaylightDate.wYear == year && yearly.info.StandardDate.wYear == year &&
            RecordBiasAt(yearly.info, now) == MinutesWest(offset)) {
            present = yearly;
        }
    }
    if (present.info.DaylightDate.wMonth == 0) {
        // A fixed zone holds only until the next change.
        for (const OffsetChange& change : changes) {
            if (change.at <= now) {
                description->from = change.at;
            } else if (change.at < description->until) {
                description->until = change.at;
            }
        }
    }
    std::copy(std::begin(description->zone.info.StandardName),
              std::end(description->zone.info.StandardName), present.info.StandardName);
    description->zone = present;
}

Description DescribeSource(const ZoneSource& source, std::int64_t now) {
    const std::int64_t year = source.year;
    const std::string& directory = source.directory;
    const char* tz = source.tzSet ? source.tz.c_str() : nullptr;
    std::string name;
    Description description;
    WindowsZone& zone = description.zone;
    TzifData data;
    bool hasHistory = false;
    if (tz == nullptr) {
        const std::string path = "/etc/localtime";
        if (!ReadZoneFile(path, &data)) {
            zone = FixedWindowsZone("UTC", 0, false);  // what the C library falls back to
            return description;
        }
        hasHistory = true;
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
        platform::PosixZoneRule rule;
        if (!tzValue.empty() && ReadZoneFile(path.string(), &data)) {
            hasHistory = true;
            if (tzValue.front() != '/') {
                name = tzValue;
            } else {
                IsInside(path, directory, &name);
            }
        } else if (!fileOnly && platform::ParsePosixZoneRule(tzValue, &rule)) {
            zone = PosixRuleToWindows(rule, year);
        } else {
            zone = FixedWindowsZone("UTC", 0, false);
            description.tzUnusable = !source.tz.empty();
            return description;
        }
    }
    if (hasHistory) {
        zone = TzifToWindows(data, year);
        DescribePresent(HistoryFromTzif(std::move(data)), now, &description);
    }
    if (!name.empty()) {
        SetZoneName(name, zone.info.StandardName);
    }
    return description;
}

// Reading and parsing the zone file costs several microseconds; the last description is kept
// for as long as nothing it depends on has changed and the present it describes lasts.
Description DescribeCurrentSource() {
    static std::mutex mutex;
    static ZoneSource lastSource;
    static Description last;
    static bool valid = false;
    const ZoneSource source = CurrentSource();
    const std::int64_t now = std::time(nullptr);
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (valid && source == lastSource && now >= last.from && now < last.until) {
            return last;
        }
    }
    const Description description = DescribeSource(source, now);
    const std::lock_guard<std::mutex> lock(mutex);
    lastSource = source;
    last = description;
    valid = true;
    return description;
}

}  // namespace

WindowsZone DescribeCurrentZone() {
    return DescribeCurrentSource().zone;
}

bool TzNamesNoZone() {
    return DescribeCurrentSource().tzUnusable;
}

}  // namespace trendtab::posix
