// Process setup on POSIX.
#include "platform/process_setup.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/file_services.h"

namespace trendtab {

bool IsPlatformHelpRequest(std::string_view) {
    return false;
}

void PrepareProcess() {
    platform::TreatFileSizeLimitAsWriteError();
#ifdef __GLIBC__
    // Freed memory kept for the next file rather than handed back at once: a run of many small
    // files allocates and frees the same buffers for every file, and handing them back costs
    // page faults to get them again and, with several threads, the other processors' TLBs
    // flushed for every release (a third of the system time of 2,000 files on two workers).
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace trendtab
