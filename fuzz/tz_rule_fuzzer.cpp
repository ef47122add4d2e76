// Fuzz target: the POSIX TZ rule parser, and the Windows yearly form made from a rule it accepts.
#include <cstdint>
#include <string_view>

#include "timelib/portable/posix_tz_rule.h"
#include "timelib/portable/yearly_rule_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    trendtab::platform::PosixZoneRule rule;
    if (trendtab::platform::ParsePosixZoneRule(text, &rule)) {
        for (std::int64_t year : {1601, 1970, 2000, 2024, 2100, 30827}) {
            trendtab::platform::PosixRuleToWindows(rule, year);
        }
    }
    return 0;
}
