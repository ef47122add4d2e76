// Process setup on POSIX.
#include "platform/process_setup.h"
#include "platform/file_services.h"

namespace trendtab {

bool IsPlatformHelpRequest(std::string_view) {
    return false;
}

void PrepareProcess() {
    platform::TreatFileSizeLimitAsWriteError();
}

}  // namespace trendtab
