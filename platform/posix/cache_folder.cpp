#include "platform/cache_folder.h"

#include <cstdlib>

namespace trendtab::platform {

std::string UserCacheFolder() {
    // A relative XDG_CACHE_HOME is invalid by the base directory rules and is ignored.
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') {
        return std::string(cache) + "/trendtab";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.cache/trendtab";
    }
    return "";
}

}  // namespace trendtab::platform
