// The thread's last-error status, backed by a thread-local variable that the services set.
#include "timelib/platform/platform.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
}
