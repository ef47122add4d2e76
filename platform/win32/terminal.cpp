// Console streams backed by the Windows runtime's _isatty and _setmode.
#include "platform/terminal.h"

#include <fcntl.h>
#include <io.h>

namespace trendtab::platform {

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

void UseBinaryMode(std::FILE* stream) {
    _setmode(_fileno(stream), _O_BINARY);
}

}  // namespace trendtab::platform
