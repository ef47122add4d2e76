// The registry, read only, backed by the zone database (zone_keys.h): HKEY_LOCAL_MACHINE's zone
// list key, whose subkeys are the zone files, and each zone key's "TZI", "Std" and "Dlt" values.
// Nothing else exists. Sizes and failures are those of the Windows calls.
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "timelib/platform/platform.h"
#include "timelib/platform/posix/posix_internal.h"
#include "timelib/platform/posix/zone_description.h"
#include "timelib/platform/posix/zone_keys.h"

namespace {

using trendtab::platform::WideString;

constexpr std::u16string_view kZoneListPath =
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

// Rights this read-only registry never grants: set value, create subkey, create link, delete,
// write DAC, write owner.
constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x10000 | 0x40000 | 0x80000;

}  // namespace

struct HKEY__ {
    bool isZoneList = false;
    REGSAM access = 0;
    std::string directory;  // the zone directory when the key was opened
    // Zone list: its subkeys, listed at the first enumeration and kept while the key is open,
    // so that a walk by index sees one list.
    std::mutex mutex;
    bool listed = false;
    bool listable = false;
    std::vector<trendtab::posix::ZoneKey> subkeys;
    // Zone key.
    trendtab::posix::ZoneKeyValues values;
};

namespace {

std::mutex openKeysMutex;
std::map<HKEY, std::unique_ptr<HKEY__>> openKeys;

bool IsPredefined(HKEY key) {
    return key == HKEY_LOCAL_MACHINE;
}

HKEY__* OpenKey(HKEY key) {
    const std::lock_guard<std::mutex> lock(openKeysMutex);
    const auto found = openKeys.find(key);
    return found == openKeys.end() ? nullptr : found->second.get();
}

HKEY Register(std::unique_ptr<HKEY__> key) {
    const std::lock_guard<std::mutex> lock(openKeysMutex);
    HKEY handle = key.get();
    openKeys.emplace(handle, std::move(key));
    return handle;
}

// Registry names compare without regard to letter case.
bool EqualNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (trendtab::posix::FoldCase(a[i]) != trendtab::posix::FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

// When path is prefix, or prefix, a backslash and more: that rest (empty for the prefix alone).
bool StripKeyPrefix(std::u16string_view path, std::u16string_view prefix,
                    std::u16string_view* rest) {
    if (!EqualNames(path.substr(0, prefix.size()), prefix)) {
        return false;
    }
    if (path.size() == prefix.size()) {
        *rest = {};
        return true;
    }
    if (path[prefix.size()] != u'\\') {
        return false;
    }
    *rest = path.substr(prefix.size() + 1);
    return true;
}

// The zone list key exists while the zone directory does.
LSTATUS OpenZoneList(REGSAM access, HKEY* result) {
    auto key = std::make_unique<HKEY__>();
    key->isZoneList = true;
    key->access = access;
    key->directory = trendtab::posix::ZoneDirectory();
    struct stat status {};
    if (stat(key->directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return ERROR_FILE_NOT_FOUND;
    }
    *result = Register(std::move(key));
    return ERROR_SUCCESS;
}

LSTATUS OpenZone(const std::string& directory, std::u16string_view zone, REGSAM access,
                 HKEY* result) {
    std::string name;
    std::string key;
    std::vector<std::uint8_t> bytes;
    if (!trendtab::platform::Utf8FromWide(zone, &name) ||
        !trendtab::posix::FindZoneKey(directory, name, &key, &bytes)) {
        return ERROR_FILE_NOT_FOUND;
    }
    auto opened = std::make_unique<HKEY__>();
    opened->access = access;
    opened->directory = directory;
    opened->values = trendtab::posix::ReadZoneKeyValues(key, bytes);
    *result = Register(std::move(opened));
    return ERROR_SUCCESS;
}

LSTATUS Open(HKEY parent, const WCHAR* subKey, REGSAM access, HKEY* result) {
    const std::u16string_view path = subKey != nullptr ? subKey : u"";
    if (IsPredefined(parent)) {
        std::u16string_view zone;
        if (!StripKeyPrefix(path, kZoneListPath, &zone)) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (zone.empty()) {
            return OpenZoneList(access, result);
        }
        return OpenZone(trendtab::posix::ZoneDirectory(), zone, access, result);
    }
    const HKEY__* key = OpenKey(parent);
    if (key == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (path.empty()) {
        // The same key once more, with the rights now asked for.
        auto copy = std::make_unique<HKEY__>();
        copy->isZoneList = key->isZoneList;
        copy->access = access;
        copy->directory = key->directory;
        copy->values = key->values;
        *result = Register(std::move(copy));
        return ERROR_SUCCESS;
    }
    if (!key->isZoneList) {
        return ERROR_FILE_NOT_FOUND;  // zone keys have no subkeys
    }
    return OpenZone(key->directory, path, access, result);
}

}  // namespace

LSTATUS RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD /*options*/, REGSAM access,
                      PHKEY result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if ((access & kWriteRights) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    try {
        return Open(key, subKey, access, result);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength, DWORD* reserved,
                      WCHAR* keyClass, DWORD* classLength, FILETIME* lastWriteTime) {
    if (name == nullptr || nameLength == nullptr || reserved != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (IsPredefined(key)) {
        return ERROR_NO_MORE_ITEMS;  // only the zone list's path is served
    }
    HKEY__* opened = OpenKey(key);
    if (opened == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if ((opened->access & KEY_ENUMERATE_SUB_KEYS) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    if (!opened->isZoneList) {
        return ERROR_NO_MORE_ITEMS;
    }
    try {
        const std::lock_guard<std::mutex> lock(opened->mutex);
        if (!opened->listed) {
            opened->listable = trendtab::posix::ListZoneKeys(opened->directory, &opened->subkeys);
            opened->listed = true;
        }
        if (!opened->listable) {
            return ERROR_FILE_NOT_FOUND;  // the directory went away since the key was opened
        }
        if (index >= opened->subkeys.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        const trendtab::posix::ZoneKey& subkey = opened->subkeys[index];
        WideString wide;
        trendtab::platform::WideFromUtf8(subkey.name, &wide);
        if (wide.size() >= *nameLength) {
            return ERROR_MORE_DATA;
        }
        std::memcpy(name, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
        *nameLength = static_cast<DWORD>(wide.size());
        if (keyClass != nullptr && classLength != nullptr && *classLength > 0) {
            keyClass[0] = 0;
        }
        if (classLength != nullptr) {
            *classLength = 0;
        }
        if (lastWriteTime != nullptr) {
            *lastWriteTime = subkey.modified;
        }
        return ERROR_SUCCESS;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LSTATUS RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (IsPredefined(key)) {
        return ERROR_FILE_NOT_FOUND;
    }
    const HKEY__* opened = OpenKey(key);
    if (opened == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if ((opened->access & KEY_QUERY_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    const std::u16string_view value = valueName != nullptr ? valueName : u"";
    const auto is = [value](std::u16string_view wanted) { return EqualNames(value, wanted); };
    const trendtab::posix::ZoneKeyValues& values = opened->values;
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    DWORD kind = REG_SZ;
    if (opened->isZoneList) {
        return ERROR_FILE_NOT_FOUND;
    } else if (is(u"TZI") && values.hasRule) {
        bytes = values.tzi;
        size = sizeof values.tzi;
        kind = REG_BINARY;
    } else if (is(u"Std")) {
        bytes = reinterpret_cast<const BYTE*>(values.standard.c_str());
        size = static_cast<DWORD>((values.standard.size() + 1) * sizeof(WCHAR));
    } else if (is(u"Dlt") && values.hasRule) {
        bytes = reinterpret_cast<const BYTE*>(values.daylight.c_str());
        size = static_cast<DWORD>((values.daylight.size() + 1) * sizeof(WCHAR));
    } else {
        return ERROR_FILE_NOT_FOUND;
    }
    if (type != nullptr) {
        *type = kind;
    }
    if (data != nullptr && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) {
        std::memcpy(data, bytes, size);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    if (IsPredefined(key)) {
        return ERROR_SUCCESS;
    }
    std::unique_ptr<HKEY__> closed;
    {
        const std::lock_guard<std::mutex> lock(openKeysMutex);
        const auto found = openKeys.find(key);
        if (found == openKeys.end()) {
            return ERROR_INVALID_HANDLE;
        }
        closed = std::move(found->second);
        openKeys.erase(found);
    }
    return ERROR_SUCCESS;
}
