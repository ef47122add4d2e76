// Process setup and file-name rules, backed by POSIX signals and byte-wise names.
#include <csignal>

#include "platform.h"

namespace trendtab::platform {

void PrepareProcess() {
    std::signal(SIGXFSZ, SIG_IGN);
}

bool SamePathName(const std::string& a, const std::string& b) {
    return a == b;
}

}  // namespace trendtab::platform
