// Process setup on POSIX.
#include "file_services.h"
#include "process_setup.h"

namespace trendtab {

void PrepareProcess() {
    platform::TreatFileSizeLimitAsWriteError();
}

}  // namespace trendtab
