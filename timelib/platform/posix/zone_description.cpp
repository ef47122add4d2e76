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
            return FixedWindowsZone("UTC", 0, false);  // what the C library falls back to
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
        platform::PosixZoneRule rule;
        if (!tzValue.empty() && ZoneFileToWindows(path.string(), year, &zone)) {
            if (tzValue.front() != '/') {
                name = tzValue;
            } else {
                IsInside(path, directory, &name);
            }
        } else if (!fileOnly && platform::ParsePosixZoneRule(tzValue, &rule)) {
            zone = PosixRuleToWindows(rule, year);
        } else {
            return FixedWindowsZone("UTC", 0, false);
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
