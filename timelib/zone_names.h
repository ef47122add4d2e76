// Zone names from either world: Windows names its zones by their registry keys ("W. Europe
// Standard Time"), POSIX systems by the IANA database ("Europe/Berlin"). The Unicode CLDR's
// mapping between the two, built into the library, lets a name of either kind select a zone on
// every platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trendtab {

// The names of the other world that stand for the zone `name` names, best first (letter case
// ignored): for a Windows name, its principal IANA zone, then those of its regions; for an IANA
// name, the Windows zone it belongs to. Empty when the mapping knows no such name.
std::vector<std::string> OtherWorldZoneNames(std::string_view name);

}  // namespace trendtab
