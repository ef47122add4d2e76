// Process setup on POSIX.
#include "platform/process_setup.h"
#include "platform/file_services.h"

namespace trendtab {

void PrepareProcess() {
    platform::TreatFileSizeLimitAsWriteError();
}

}  // namespace trendtab
