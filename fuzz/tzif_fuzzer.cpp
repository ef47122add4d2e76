// Fuzz target: the zone-file (TZif) reader, and the Windows description made from what it reads.
#include <cstdint>

#include "tzif_reader.h"
#include "zone_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    trendtab::posix::TzifData zone;
    if (trendtab::posix::ParseTzif(data, size, &zone)) {
        for (std::int64_t year : {1601, 1970, 2024, 30827}) {
            trendtab::posix::TzifToWindows(zone, year);
        }
    }
    return 0;
}
