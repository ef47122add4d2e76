// Zone histories, backed by the TZif reader, the POSIX rule's change dates and the zone files
// of the registry stand-in's zone directory.
#include "timelib/platform/posix/zone_history.h"

#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <utility>

#include "timelib/civil_time.h"
#include "timelib/platform/posix/zone_description.h"
#include "timelib/platform/posix/zone_keys.h"

namespace trendtab::posix {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;

std::int64_t YearOf(std::int64_t seconds) {
    const std::int64_t days = seconds / kSecondsPerDay - (seconds % kSecondsPerDay < 0 ? 1 : 0);
    return civil::CivilFromDays(days).year;
}

std::int32_t OffsetAfter(const TzifData& data, std::size_t count) {
    // Before the first transition, the first type (RFC 8536).
    return data.types[count == 0 ? 0 : data.transitions[count - 1].type].utcOffset;
}

bool RuleGoverns(const ZoneHistory& history, std::size_t count) {
    return history.hasRule && count == history.data.transitions.size();
}

std::int64_t LastTransition(const TzifData& data) {
    return data.transitions.empty() ? INT64_MIN : data.transitions.back().time;
}

// The footer rule's changes after the last transition, years [firstYear, lastYear], in order.
// Each takes its "before" from the change ahead of it, the first from the last transition, so
// the first year's may be wrong when it lies beyond the last transition: callers start a year
// early.
std::vector<OffsetChange> RuleChanges(const ZoneHistory& history, std::int64_t firstYear,
                                      std::int64_t lastYear) {
    std::vector<OffsetChange> changes;
    const platform::PosixZoneRule& rule = history.rule;
    if (!history.hasRule || !rule.hasDaylight) {
        return changes;
    }
    for (std::int64_t year = firstYear; year <= lastYear; ++year) {
        changes.push_back({platform::LocalChangeSeconds(rule.start, year) - rule.standardOffset, 0,
                           rule.daylightOffset, true, rule.daylightName});
        changes.push_back({platform::LocalChangeSeconds(rule.end, year) - rule.daylightOffset, 0,
                           rule.standardOffset, false, rule.standardName});
    }
    // Stable: a year's end at the very instant of the next year's start stays before it.
    std::stable_sort(changes.begin(), changes.end(),
                     [](const OffsetChange& a, const OffsetChange& b) { return a.at < b.at; });
    const std::int64_t last = LastTransition(history.data);
    std::int32_t state = OffsetAfter(history.data, history.data.transitions.size());
    std::vector<OffsetChange> kept;
    for (OffsetChange& change : changes) {
        if (change.at > last) {
            change.before = state;
            state = change.after;
            kept.push_back(change);
        }
    }
    return kept;
}

// The number of transitions whose wall-clock reading in the offset before them is not after a
// local reading.
std::size_t TransitionsBeforeLocal(const TzifData& data, std::int64_t localSeconds) {
    std::size_t low = 0;
    std::size_t high = data.transitions.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        std::int64_t wall = 0;
        if (__builtin_add_overflow(data.transitions[middle].time, OffsetAfter(data, middle),
                                   &wall)) {
            wall = data.transitions[middle].time < 0 ? INT64_MIN : INT64_MAX;
        }
        if (wall <= localSeconds) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

// The offset after `count` transitions, or the rule's at a time where the rule governs; a local
// time meets each of the rule's changes at its wall-clock reading in the offset before it.
std::int32_t OffsetAfterChanges(const ZoneHistory& history, std::size_t count, std::int64_t seconds,
                                bool local) {
    std::int32_t offset = OffsetAfter(history.data, count);
    if (!RuleGoverns(history, count)) {
        return offset;
    }
    if (!history.rule.hasDaylight) {
        return history.rule.standardOffset;
    }
    const std::int64_t year = YearOf(seconds);
    for (const OffsetChange& change : RuleChanges(history, year - 2, year + 1)) {
        if (seconds >= change.at + (local ? change.before : 0)) {
            offset = change.after;
        }
    }
    return offset;
}

}  // namespace

ZoneHistory HistoryFromTzif(TzifData data) {
    ZoneHistory history;
    history.data = std::move(data);
    history.hasRule = !history.data.footer.empty() &&
                      platform::ParsePosixZoneRule(history.data.footer, &history.rule);
    return history;
}

std::int32_t OffsetAtUtc(const ZoneHistory& history, std::int64_t utcSeconds) {
    const std::vector<TzifTransition>& transitions = history.data.transitions;
    const auto count = static_cast<std::size_t>(
        std::upper_bound(transitions.begin(), transitions.end(), utcSeconds,
                         [](std::int64_t t, const TzifTransition& x) { return t < x.time; }) -
        transitions.begin());
    return OffsetAfterChanges(history, count, utcSeconds, false);
}

std::int32_t OffsetForLocal(const ZoneHistory& history, std::int64_t localSeconds) {
    return OffsetAfterChanges(history, TransitionsBeforeLocal(history.data, localSeconds),
                              localSeconds, true);
}

void ChangesBetween(const ZoneHistory& history, std::int64_t from, std::int64_t to,
                    std::size_t maxChanges, std::vector<OffsetChange>* changes) {
    const TzifData& data = history.data;
    for (std::size_t i = 0; i < data.transitions.size() && changes->size() < maxChanges; ++i) {
        const TzifTransition& transition = data.transitions[i];
        const std::int32_t before = OffsetAfter(data, i);
        const TzifType& type = data.types[transition.type];
        if (transition.time >= from && transition.time < to && type.utcOffset != before) {
            changes->push_back(
                {transition.time, before, type.utcOffset, type.isDst, type.abbreviation});
        }
    }
    if (!history.hasRule || to <= from || LastTransition(data) >= to) {
        return;
    }
    // A window of a few years is what callers ask for; far ones are cut to four centuries.
    const std::int64_t firstYear = YearOf(std::max(from, LastTransition(data))) - 1;
    const std::int64_t lastYear = std::min(YearOf(to) + 1, firstYear + 400);
    for (const OffsetChange& change : RuleChanges(history, firstYear, lastYear)) {
        if (change.at >= from && change.at < to && change.before != change.after &&
            changes->size() < maxChanges) {
            changes->push_back(change);
        }
    }
}

void RuleChangesBetween(const platform::PosixZoneRule& rule, std::int64_t from, std::int64_t to,
                        std::vector<OffsetChange>* changes) {
    ZoneHistory alone;
    alone.hasRule = true;
    alone.rule = rule;
    alone.data.types.push_back({rule.standardOffset, false, rule.standardName});
    ChangesBetween(alone, from, to, 64, changes);
}

std::shared_ptr<const ZoneHistory> LoadZoneHistory(const std::string& keyName) {
    struct Cached {
        std::string directory;
        std::string keyName;
        std::string path;
        struct stat status {};
        std::shared_ptr<const ZoneHistory> history;
    };
    static std::mutex mutex;
    static Cached cached;
    const std::string directory = ZoneDirectory();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        struct stat status {};
        if (cached.history && cached.directory == directory && cached.keyName == keyName &&
            stat(cached.path.c_str(), &status) == 0 && status.st_ino == cached.status.st_ino &&
            status.st_dev == cached.status.st_dev && status.st_size == cached.status.st_size &&
            status.st_mtim.tv_sec == cached.status.st_mtim.tv_sec &&
            status.st_mtim.tv_nsec == cached.status.st_mtim.tv_nsec) {
            return cached.history;
        }
    }
    std::string key;
    std::vector<std::uint8_t> bytes;
    TzifData data;
    if (!FindZoneKey(directory, keyName, &key, &bytes) ||
        !ParseTzif(bytes.data(), bytes.size(), &data)) {
        return nullptr;
    }
    Cached fresh;
    fresh.directory = directory;
    fresh.keyName = keyName;
    fresh.path = directory + "/" + key;
    fresh.history = std::make_shared<const ZoneHistory>(HistoryFromTzif(std::move(data)));
    if (stat(fresh.path.c_str(), &fresh.status) == 0) {
        const std::lock_guard<std::mutex> lock(mutex);
        cached = fresh;
    }
    return fresh.history;
}

}  // namespace trendtab::posix
