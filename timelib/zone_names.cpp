#include "timelib/zone_names.h"

#include <algorithm>
#include <cctype>

namespace trendtab {
namespace {

struct ZoneNameMapping {
    const char* windowsName;
    const char* region;     // "001" marks the Windows zone's principal IANA zone
    const char* ianaNames;  // separated by spaces
};

constexpr ZoneNameMapping kMappings[] = {
#include "zone_name_table.inc"
};

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void AddOnce(std::vector<std::string>& names, std::string_view name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.emplace_back(name);
    }
}

template <typename Visit>
void ForEachIanaName(const ZoneNameMapping& mapping, Visit visit) {
    std::string_view rest = mapping.ianaNames;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(' '), rest.size());
        visit(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
}

}  // namespace

std::vector<std::string> OtherWorldZoneNames(std::string_view name) {
    std::vector<std::string> names;
    // The principal zone first, then the regions' in the mapping's order.
    for (const bool principal : {true, false}) {
        for (const ZoneNameMapping& mapping : kMappings) {
            if (SameName(mapping.windowsName, name) &&
                principal == (std::string_view(mapping.region) == "001")) {
                ForEachIanaName(mapping, [&](std::string_view iana) { AddOnce(names, iana); });
            }
        }
    }
    if (!names.empty()) {
        return names;
    }
    for (const ZoneNameMapping& mapping : kMappings) {
        ForEachIanaName(mapping, [&](std::string_view iana) {
            if (SameName(iana, name)) {
                AddOnce(names, mapping.windowsName);
            }
        });
    }
    return names;
}

}  // namespace trendtab
