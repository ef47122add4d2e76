// The processors the process may run on, from its scheduling affinity.
#include "platform/processors.h"

#include <sched.h>

#include <thread>

namespace trendtab::platform {

unsigned UsableProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) {
            return static_cast<unsigned>(count);
        }
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? hardware : 1;
}

}  // namespace trendtab::platform
