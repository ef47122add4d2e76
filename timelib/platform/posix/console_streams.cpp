// Console streams backed by isatty(3) (POSIX streams never translate line ends), and the
// processor count by sched_getaffinity(2).
#include <sched.h>
#include <unistd.h>

#include <thread>

#include "platform.h"

namespace trendtab::platform {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

void UseBinaryMode(std::FILE*) {}

unsigned UsableProcessorCount() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
    const unsigned all = std::thread::hardware_concurrency();
    return all > 0 ? all : 1;
}

}  // namespace trendtab::platform
