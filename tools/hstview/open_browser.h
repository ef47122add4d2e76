// Opens an address in the user's web browser (--open); the backend is chosen by the build.
#pragma once

#include <string>

namespace hstview {

// False when no browser could be started.
bool OpenInBrowser(const std::string& address);

}  // namespace hstview
