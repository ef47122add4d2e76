// Backed by xdg-open, in the background.
#include <cstdlib>

#include "tools/hstview/open_browser.h"

namespace hstview {

bool OpenInBrowser(const std::string& address) {
    // The address is the viewer's own (digits, dots, a host name, hex), quoted all the same.
    const std::string command = "xdg-open '" + address + "' >/dev/null 2>&1 &";
    return std::system(command.c_str()) == 0;
}

}  // namespace hstview
