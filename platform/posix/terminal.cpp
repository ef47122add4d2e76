// Console streams backed by isatty(3); POSIX streams never translate line ends.
#include "platform/terminal.h"

#include <unistd.h>

namespace trendtab::platform {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

void UseBinaryMode(std::FILE*) {}

}  // namespace trendtab::platform
