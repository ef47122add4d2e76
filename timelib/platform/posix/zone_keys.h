// The registry's zone list over the zone database: every file under the zone directory that
// begins with the TZif magic is a zone key, named by its path under the directory ("/"
// separated), except for the posix/ and right/ trees, localtime and posixrules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "timelib/platform/platform.h"

namespace trendtab::posix {

struct ZoneKey {
    std::string name;  // UTF-8
    FILETIME modified{};
};

// The zone keys in byte order of their names. Names that are not UTF-8 are left out: no wide
// key name could open them. False when the directory cannot be read.
bool ListZoneKeys(const std::string& directory, std::vector<ZoneKey>* keys);

// The key that a name opens, its letter case ignored as in the registry (an exact match wins),
// and the bytes of its file. False when no zone key has that name.
bool FindZoneKey(const std::string& directory, std::string_view name, std::string* key,
                 std::vector<std::uint8_t>* bytes);

// The values of a zone key, as the registry holds them.
struct ZoneKeyValues {
    bool hasRule = false;  // false for a file that is no readable TZif file: no TZI, no Dlt
    bool approximated = false;
    BYTE tzi[44]{};  // little-endian: Bias, StandardBias, DaylightBias, StandardDate,
                     // DaylightDate
    platform::WideString standard;  // "Std": the key itself
    platform::WideString
        daylight;  // "Dlt": the daylight abbreviation, empty without daylight saving
};

ZoneKeyValues ReadZoneKeyValues(const std::string& key, const std::vector<std::uint8_t>& bytes);

}  // namespace trendtab::posix
