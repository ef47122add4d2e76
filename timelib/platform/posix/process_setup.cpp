// Process setup, backed by POSIX signals.
#include <csignal>

#include "platform.h"

namespace trendtab::platform {

void PrepareProcess() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace trendtab::platform
