// Backed by the command interpreter's "start".
#include <cstdlib>

#include "tools/hstview/open_browser.h"

namespace hstview {

bool OpenInBrowser(const std::string& address) {
    const std::string command = "start \"\" \"" + address + "\"";
    return std::system(command.c_str()) == 0;
}

}  // namespace hstview
