// A zone's full history from its zone file: the offsets of its transition list, then of its
// footer rule. The extended conversions of a registry zone and the current zone's record of
// the present read it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "timelib/platform/posix/tzif_reader.h"
#include "timelib/portable/posix_tz_rule.h"

namespace trendtab::posix {

struct ZoneHistory {
    TzifData data;
    bool hasRule = false;  // a usable footer rule governs after the last transition
    platform::PosixZoneRule rule;
};

// One offset change: at a UTC instant (seconds since 1970), from one offset to another
// (seconds east of UTC).
struct OffsetChange {
    std::int64_t at = 0;
    std::int32_t before = 0;
    std::int32_t after = 0;
    bool afterIsDaylight = false;
    std::string afterName;  // the abbreviation after the change
};

ZoneHistory HistoryFromTzif(TzifData data);

// The offset in force at a UTC instant.
std::int32_t OffsetAtUtc(const ZoneHistory& history, std::int64_t utcSeconds);

// The offset with which a local wall-clock reading (seconds since 1970 on the local clock)
// becomes UTC, as the Windows yearly rule reads a record: each change takes effect at its
// wall-clock reading in the offset before it. So a reading skipped by a change forward takes
// the offset after it; a repeated reading takes the offset before the change (the earlier
// instant).
std::int32_t OffsetForLocal(const ZoneHistory& history, std::int64_t localSeconds);

// The changes whose UTC instants fall in [from, to), in order, at most maxChanges of them.
void ChangesBetween(const ZoneHistory& history, std::int64_t from, std::int64_t to,
                    std::size_t maxChanges, std::vector<OffsetChange>* changes);

// The changes a rule alone makes in [from, to), whatever the transition list says there.
void RuleChangesBetween(const platform::PosixZoneRule& rule, std::int64_t from, std::int64_t to,
                        std::vector<OffsetChange>* changes);

// The history of the registry zone a key names in the zone directory; null when no zone key
// has that name or its file is no readable TZif file. The last one read is kept while its file
// stays the same.
std::shared_ptr<const ZoneHistory> LoadZoneHistory(const std::string& keyName);

}  // namespace trendtab::posix
