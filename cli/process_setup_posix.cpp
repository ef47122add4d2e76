// Process setup backed by POSIX signals.
#include <csignal>

#include "process_setup.h"

namespace trendtab {

void PrepareProcess() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace trendtab
