#include "platform/cache_folder.h"

#include <cstdlib>

#include "platform/win32/wide_path.h"

namespace trendtab::platform {

std::string UserCacheFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (local == nullptr || local[0] == L'\0') {
        return "";
    }
    return Utf8Text(local) + "\\trendtab";
}

}  // namespace trendtab::platform
