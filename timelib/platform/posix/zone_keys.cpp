// The zone list and zone values of the registry stand-in, backed by the zone directory's files
// (opendir(3), stat(2)) and the zone descriptions of zone_description.h.
#include "timelib/platform/posix/zone_keys.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "timelib/civil_time.h"
#include "timelib/platform/posix/posix_internal.h"
#include "timelib/platform/posix/zone_description.h"

namespace trendtab::posix {
namespace {

// Deeper trees are not zone databases; the bound also ends any walk through odd mounts.
constexpr int kMaxDepth = 16;
constexpr std::size_t kMaxZoneFileSize = 1 << 20;

bool IsLeftOut(const std::string& topLevelName) {
    return topLevelName == "posix" || topLevelName == "right" || topLevelName == "localtime" ||
           topLevelName == "posixrules";
}

bool BeginsWithTzifMagic(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    std::uint8_t magic[4];
    return file && std::fread(magic, 1, sizeof magic, file.get()) == sizeof magic &&
           HasTzifMagic(magic, sizeof magic);
}

FILETIME ModificationTime(const struct stat& status) {
    const std::int64_t seconds = status.st_mtim.tv_sec + civil::kSecondsFrom1601To1970;
    if (seconds < 0 || seconds >= 900'000'000'000) {
        return FILETIME{};
    }
    return FromTicks(static_cast<std::uint64_t>(seconds * civil::kTicksPerSecond +
                                                status.st_mtim.tv_nsec / 100));
}

// The entry names of a directory, without "." and "..". False when it cannot be read.
bool DirectoryEntries(const std::string& directory, std::vector<std::string>* names) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.c_str()), &closedir);
    if (!dir) {
        return false;
    }
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names->push_back(name);
        }
    }
    return true;
}

// Directories are entered only where they are real directories: a link to a directory would
// list its zones twice, or without end.
void Walk(const std::string& directory, const std::string& prefix, int depth,
          std::vector<ZoneKey>* keys) {
    std::vector<std::string> names;
    if (!DirectoryEntries(directory, &names)) {
        return;
    }
    for (const std::string& name : names) {
        if (prefix.empty() && IsLeftOut(name)) {
            continue;
        }
        const std::string path = directory + "/" + name;
        const std::string key = prefix.empty() ? name : prefix + "/" + name;
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0) {
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            if (depth < kMaxDepth) {
                Walk(path, key, depth + 1, keys);
            }
            continue;
        }
        platform::WideString wide;
        if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
            !platform::WideFromUtf8(key, &wide) || !BeginsWithTzifMagic(path)) {
            continue;
        }
        keys->push_back({key, ModificationTime(status)});
    }
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

// The entry of a directory that a key component names, and its lstat: itself when it exists,
// else the first in byte order that equals it ignoring letter case.
bool FindEntry(const std::string& directory, const std::string& component, std::string* entry,
               struct stat* status) {
    if (lstat((directory + "/" + component).c_str(), status) == 0) {
        *entry = component;
        return true;
    }
    std::vector<std::string> names;
    if (!DirectoryEntries(directory, &names)) {
        return false;
    }
    bool found = false;
    for (const std::string& name : names) {
        if (EqualIgnoringCase(name, component) && (!found || name < *entry)) {
            *entry = name;
            found = true;
        }
    }
    return found && lstat((directory + "/" + *entry).c_str(), status) == 0;
}

void PutLittle(std::uint32_t value, int bytes, BYTE** out) {
    for (int i = 0; i < bytes; ++i) {
        *(*out)++ = static_cast<BYTE>(value >> (8 * i));
    }
}

void PutSystemTime(const SYSTEMTIME& t, BYTE** out) {
    for (WORD field : {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                       t.wMilliseconds}) {
        PutLittle(field, 2, out);
    }
}

}  // namespace

bool ListZoneKeys(const std::string& directory, std::vector<ZoneKey>* keys) {
    struct stat status {};
    if (stat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return false;
    }
    keys->clear();
    Walk(directory, "", 0, keys);
    std::sort(keys->begin(), keys->end(),
              [](const ZoneKey& a, const ZoneKey& b) { return a.name < b.name; });
    return true;
}

bool FindZoneKey(const std::string& directory, std::string_view name, std::string* key,
                 std::vector<std::uint8_t>* bytes) {
    std::string path = directory;
    std::string resolved;
    std::size_t start = 0;
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string component(name.substr(start, end - start));
        // No empty, "." or ".." steps: a key never leaves the zone directory. A backslash
        // would separate registry keys, and zone keys have no subkeys.
        if (component.empty() || component == "." || component == ".." ||
            component.find_first_of(std::string_view("\\\0", 2)) != std::string::npos) {
            return false;
        }
        std::string entry;
        struct stat status {};
        if (!FindEntry(path, component, &entry, &status) || (depth == 0 && IsLeftOut(entry))) {
            return false;
        }
        path += "/" + entry;
        resolved += (depth == 0 ? "" : "/") + entry;
        if (end == name.size()) {
            // The file itself, or what a link leads to; read whole, as it is read anyway.
            if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
                !ReadSmallFile(path, kMaxZoneFileSize, bytes) ||
                !HasTzifMagic(bytes->data(), bytes->size())) {
                return false;
            }
            *key = resolved;
            return true;
        }
        if (!S_ISDIR(status.st_mode)) {
            return false;
        }
        start = end + 1;
    }
    return false;
}

ZoneKeyValues ReadZoneKeyValues(const std::string& key, const std::vector<std::uint8_t>& bytes) {
    ZoneKeyValues values;
    platform::WideFromUtf8(key, &values.standard);
    TzifData data;
    if (!ParseTzif(bytes.data(), bytes.size(), &data)) {
        return values;
    }
    const WindowsZone zone = TzifToWindows(data, CurrentYear());
    values.hasRule = true;
    values.approximated = zone.approximated;
    const TIME_ZONE_INFORMATION& info = zone.info;
    BYTE* out = values.tzi;
    PutLittle(static_cast<std::uint32_t>(info.Bias), 4, &out);
    PutLittle(static_cast<std::uint32_t>(info.StandardBias), 4, &out);
    PutLittle(static_cast<std::uint32_t>(info.DaylightBias), 4, &out);
    PutSystemTime(info.StandardDate, &out);
    PutSystemTime(info.DaylightDate, &out);
    values.daylight = info.DaylightName;
    return values;
}

}  // namespace trendtab::posix
