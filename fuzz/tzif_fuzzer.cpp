// Fuzz target: the zone-file (TZif) reader, and the Windows description and history made from
// what it reads.
#include <cstdint>

#include "timelib/platform/posix/tzif_reader.h"
#include "timelib/platform/posix/zone_description.h"
#include "timelib/platform/posix/zone_history.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    trendtab::posix::TzifData zone;
    if (trendtab::posix::ParseTzif(data, size, &zone)) {
        for (std::int64_t year : {1601, 1970, 2024, 30827}) {
            trendtab::posix::TzifToWindows(zone, year);
        }
        // The whole FILETIME range, in seconds since 1970.
        const trendtab::posix::ZoneHistory history = trendtab::posix::HistoryFromTzif(zone);
        for (std::int64_t t :
             {INT64_C(-11644473600), INT64_C(0), INT64_C(1700000000), INT64_C(910692730000)}) {
            trendtab::posix::OffsetAtUtc(history, t);
            trendtab::posix::OffsetForLocal(history, t);
            std::vector<trendtab::posix::OffsetChange> changes;
            trendtab::posix::ChangesBetween(history, t, t + 400 * 86'400, 64, &changes);
        }
    }
    return 0;
}
