// The time-zone object over the platform's zone services: the registry's zone list and records,
// and the plain and extended zone conversions of kernel32.
#include "timelib/time_zone.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "timelib/filetime_math.h"

namespace trendtab {
namespace {

constexpr const WCHAR* kZoneListKey =
    TT_WIDE("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones");
constexpr DWORD kTziSize = 44;
constexpr DWORD kMaxKeyNameLength = 1024;  // characters, terminator included

// The messages of a failed conversion, by direction (to local time or not) and path (extended
// or not).
const WCHAR* const kFailureFormats[2][2] = {
    {TT_WIDE("File time conversion error, TzSpecificLocalTimeToSystemTime failed, "
             "GetLastStatus: %d"),
     TT_WIDE("File time conversion error, TzSpecificLocalTimeToSystemTimeEx failed, "
             "GetLastStatus: %d")},
    {TT_WIDE("File time conversion error, SystemTimeToTzSpecificLocalTime failed, "
             "GetLastStatus: %d"),
     TT_WIDE("File time conversion error, SystemTimeToTzSpecificLocalTimeEx failed, "
             "GetLastStatus: %d")},
};

using LocalToUtcEx = decltype(&TzSpecificLocalTimeToSystemTimeEx);
using UtcToLocalEx = decltype(&SystemTimeToTzSpecificLocalTimeEx);

// Process-wide: set only by LoadZoneEntryPoints and ReleaseZoneEntryPoints. Atomic so that a
// conversion on another thread reads either value, never a torn one.
std::atomic<HMODULE> zoneLibrary{nullptr};
std::atomic<LocalToUtcEx> localToUtcEx{nullptr};
std::atomic<UtcToLocalEx> utcToLocalEx{nullptr};

template <typename Function>
Function EntryPoint(HMODULE library, const char* name) {
    // Through void(*)(): the one function type every other converts to without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The name in a 32-unit field, which need not be terminated.
WideString FieldText(const WCHAR (&field)[32]) {
    std::size_t length = 0;
    while (length < 32 && field[length] != 0) {
        ++length;
    }
    return WideString(field, length);
}

LONG Little32(const BYTE* p) {
    return static_cast<LONG>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                             std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

SYSTEMTIME LittleSystemTime(const BYTE* p) {
    WORD fields[8];
    for (int i = 0; i < 8; ++i) {
        fields[i] = static_cast<WORD>(p[2 * i] | p[2 * i + 1] << 8);
    }
    SYSTEMTIME t{};
    t.wYear = fields[0];
    t.wMonth = fields[1];
    t.wDayOfWeek = fields[2];
    t.wDay = fields[3];
    t.wHour = fields[4];
    t.wMinute = fields[5];
    t.wSecond = fields[6];
    t.wMilliseconds = fields[7];
    return t;
}

// One value of a zone's key: the key is opened for it and closed again.
bool ReadValue(const WideString& keyPath, const WCHAR* valueName, BYTE* buffer, DWORD size) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD length = size;
    const LSTATUS status = RegQueryValueExW(key, valueName, nullptr, nullptr, buffer, &length);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// A name read straight into a record's field; a value that filled it keeps 31 characters.
bool ReadName(const WideString& keyPath, const WCHAR* valueName, WCHAR (&field)[32]) {
    field[0] = 0;
    const bool read = ReadValue(keyPath, valueName, reinterpret_cast<BYTE*>(field), sizeof field);
    field[31] = 0;
    return read;
}

}  // namespace

bool TimeZone::IsUtcName(const WCHAR* zoneName) {
    return _wcsicmp(zoneName, TT_WIDE("UTC")) == 0;
}

TimeZone::TimeZone() : TimeZone(nullptr) {}

TimeZone::TimeZone(TimeZoneErrorSink* sink)
    : errorSink(sink), dynamicInfoPtr(nullptr), zoneInfoPtr(nullptr) {
    std::memset(&dynamicInfo, 0, sizeof dynamicInfo);
    std::memset(&zoneInfo, 0, sizeof zoneInfo);
    SelectZone(TT_WIDE(""));  // an empty name always succeeds
}

bool TimeZone::SelectZone(const WCHAR* zoneName) {
    if (zoneName != nullptr && zoneName == name.c_str()) {
        return true;
    }
    // A copy: the argument may point into this object's own name.
    const WideString requested = zoneName != nullptr ? WideString(zoneName) : WideString();
    std::memset(&dynamicInfo, 0, sizeof dynamicInfo);
    dynamicInfoPtr = nullptr;
    std::memset(&zoneInfo, 0, sizeof zoneInfo);
    name.clear();
    zoneInfoPtr = nullptr;

    GetTimeZoneInformation(&zoneInfo);
    const WideString standardName = FieldText(zoneInfo.StandardName);
    if (requested.empty() || _wcsicmp(requested.c_str(), standardName.c_str()) == 0) {
        name = standardName;
        return true;
    }
    if (!ReadZoneInformation(requested.c_str(), &zoneInfo)) {
        return false;
    }
    name = requested;

    dynamicInfo.Bias = zoneInfo.Bias;
    dynamicInfo.StandardBias = zoneInfo.StandardBias;
    dynamicInfo.DaylightBias = zoneInfo.DaylightBias;
    dynamicInfo.StandardDate = zoneInfo.StandardDate;
    dynamicInfo.DaylightDate = zoneInfo.DaylightDate;
    wcscpy(dynamicInfo.StandardName, zoneInfo.StandardName);
    wcscpy(dynamicInfo.DaylightName, zoneInfo.DaylightName);
    dynamicInfo.DynamicDaylightTimeDisabled = FALSE;
    // The key's "Std" value, not the key itself.
    wcsncpy(dynamicInfo.TimeZoneKeyName, zoneInfo.StandardName,
            sizeof dynamicInfo.TimeZoneKeyName / sizeof(WCHAR));

    zoneInfoPtr = &zoneInfo;
    dynamicInfoPtr = &dynamicInfo;
    return true;
}

bool TimeZone::SelectZoneByIndex(std::int32_t index) {
    std::vector<WideString> keys;
    if (!EnumerateZoneKeys(&keys) || index < 0 || static_cast<std::size_t>(index) >= keys.size()) {
        return false;
    }
    return SelectZone(keys[static_cast<std::size_t>(index)].c_str());
}

bool TimeZone::ReadZoneInformation(const WCHAR* zoneName, TIME_ZONE_INFORMATION* destination) {
    WideString keyPath = kZoneListKey;
    keyPath += TT_WIDE("\\");
    keyPath += zoneName;
    BYTE tzi[kTziSize] = {};
    const bool utc = IsUtcName(zoneName);  // bias 0, no change dates, no registry read
    if (!utc && !ReadValue(keyPath, TT_WIDE("TZI"), tzi, kTziSize)) {
        return false;
    }
    std::memset(destination, 0, sizeof *destination);
    destination->Bias = Little32(tzi);
    destination->StandardBias = Little32(tzi + 4);
    destination->DaylightBias = Little32(tzi + 8);
    destination->StandardDate = LittleSystemTime(tzi + 12);
    destination->DaylightDate = LittleSystemTime(tzi + 28);
    if (utc) {
        return true;
    }
    return ReadName(keyPath, TT_WIDE("Std"), destination->StandardName) &&
           ReadName(keyPath, TT_WIDE("Dlt"), destination->DaylightName);
}

void TimeZone::Convert(bool toLocal, const FILETIME& input, FILETIME* output) const {
    if (IsUtcName(name.c_str())) {
        *output = input;
        return;
    }
    const UtcToLocalEx utcToLocal =
        toLocal ? utcToLocalEx.load(std::memory_order_relaxed) : nullptr;
    const LocalToUtcEx localToUtc =
        toLocal ? nullptr : localToUtcEx.load(std::memory_order_relaxed);
    const bool extended = utcToLocal != nullptr || localToUtc != nullptr;
    SYSTEMTIME from{};
    SYSTEMTIME to{};
    DWORD status = ERROR_INVALID_PARAMETER;  // what the split reports for 2^63 ticks and more
    if (FileTimeToSystemTime(&input, &from)) {
        BOOL converted = FALSE;
        if (toLocal) {
            converted = extended ? utcToLocal(dynamicInfoPtr, &from, &to)
                                 : SystemTimeToTzSpecificLocalTime(zoneInfoPtr, &from, &to);
        } else {
            converted = extended ? localToUtc(dynamicInfoPtr, &from, &to)
                                 : TzSpecificLocalTimeToSystemTime(zoneInfoPtr, &from, &to);
        }
        if (converted) {
            FILETIME result{};
            if (SystemTimeToFileTime(&to, &result)) {
                *output = result;
            }
            return;
        }
        status = GetLastError();
    }
    if (errorSink == nullptr) {
        return;
    }
    WCHAR message[256];
    _snwprintf(message, 255, kFailureFormats[toLocal][extended], static_cast<int>(status));
    message[255] = 0;
    errorSink->ReportError(message);
}

void TimeZone::LocalToUtc(const FILETIME& local, FILETIME* utc) const {
    Convert(false, local, utc);
}

void TimeZone::UtcToLocal(const FILETIME& utc, FILETIME* local) const {
    Convert(true, utc, local);
}

void TimeZone::LocalToUtc(FILETIME* time) const {
    LocalToUtc(*time, time);
}

void TimeZone::UtcToLocal(FILETIME* time) const {
    UtcToLocal(*time, time);
}

bool EnumerateZoneKeys(std::vector<WideString>* keys) {
    HKEY list = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kZoneListKey, 0, KEY_READ, &list) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<WCHAR> buffer(kMaxKeyNameLength);
    for (DWORD index = 0;; ++index) {
        DWORD length = kMaxKeyNameLength;
        if (RegEnumKeyExW(list, index, buffer.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            break;  // the end of the list, or any other failure
        }
        keys->emplace_back(buffer.data(), std::min(length, kMaxKeyNameLength - 1));
    }
    RegCloseKey(list);
    return true;
}

void LoadZoneEntryPoints() {
    if (zoneLibrary.load(std::memory_order_relaxed) != nullptr) {
        return;
    }
    const HMODULE library = LoadLibraryW(TT_WIDE("Kernel32.dll"));
    zoneLibrary.store(library, std::memory_order_relaxed);
    if (library == nullptr) {
        return;
    }
    localToUtcEx.store(EntryPoint<LocalToUtcEx>(library, "TzSpecificLocalTimeToSystemTimeEx"),
                       std::memory_order_relaxed);
    utcToLocalEx.store(EntryPoint<UtcToLocalEx>(library, "SystemTimeToTzSpecificLocalTimeEx"),
                       std::memory_order_relaxed);
}

void ReleaseZoneEntryPoints() {
    // The entry points go first: they must not outlive the library they point into.
    localToUtcEx.store(nullptr, std::memory_order_relaxed);
    utcToLocalEx.store(nullptr, std::memory_order_relaxed);
    const HMODULE library = zoneLibrary.exchange(nullptr, std::memory_order_relaxed);
    if (library != nullptr) {
        FreeLibrary(library);
    }
}

bool ZoneEntryPointsLoaded() {
    return localToUtcEx.load(std::memory_order_relaxed) != nullptr &&
           utcToLocalEx.load(std::memory_order_relaxed) != nullptr;
}

WCHAR* GetCurrentZoneName(WCHAR* buffer, std::int32_t capacity) {
    TIME_ZONE_INFORMATION zone;
    std::memset(&zone, 0, sizeof zone);
    GetTimeZoneInformation(&zone);
    const WideString name = FieldText(zone.StandardName);
    const std::size_t count =
        capacity <= 0 ? 0 : std::min(name.size() + 1, static_cast<std::size_t>(capacity));
    if (count > 0) {
        wcsncpy(buffer, name.c_str(), count);
    }
    return buffer;
}

LONG GetBiasAt(const FILETIME& utc) {
    const TimeZone zone;
    FILETIME local = utc;
    zone.UtcToLocal(utc, &local);
    FILETIME difference{};
    LONG sign = 1;
    if (CompareFileTime(&utc, &local) > 0) {
        difference = filetime::Difference(utc, local);
    } else {
        difference = filetime::Difference(local, utc);
        sign = -1;
    }
    const DWORD seconds = filetime::WholeSeconds(difference);
    const auto minutes = static_cast<LONG>(seconds / 60.0 + 0.5);  // at most 71,582,788
    return sign * minutes;
}

}  // namespace trendtab
