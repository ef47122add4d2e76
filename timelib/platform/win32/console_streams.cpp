// Console streams backed by the Windows runtime's _isatty and _setmode, and the processor count
// by GetProcessAffinityMask.
#include <fcntl.h>
#include <io.h>

#include "platform.h"

namespace trendtab::platform {

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

void UseBinaryMode(std::FILE* stream) {
    _setmode(_fileno(stream), _O_BINARY);
}

unsigned UsableProcessorCount() {
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    unsigned count = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) {
        for (; process != 0; process &= process - 1) {
            ++count;
        }
    }
    return count > 0 ? count : 1;
}

}  // namespace trendtab::platform
