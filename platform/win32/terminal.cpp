// Console streams backed by the Windows runtime's _isatty and _setmode, and the console API.
#include "platform/terminal.h"

#include <fcntl.h>
#include <io.h>

#include "platform/win32/windows_api.h"

namespace trendtab::platform {

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

void UseBinaryMode(std::FILE* stream) {
    _setmode(_fileno(stream), _O_BINARY);
}

// With the UTF-8 process code page (the manifest) names and messages are UTF-8 bytes; the
// console otherwise shows them in its OEM code page.
void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
}

bool EnableTerminalEscapes(std::FILE* stream) {
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || GetConsoleMode(console, &mode) == 0) {
        return false;
    }
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace trendtab::platform
