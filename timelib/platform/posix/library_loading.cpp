// Library loading, backed by a table of this layer's own kernel32 services: "Kernel32.dll" is
// the one library, always present, and its entry points are the functions of this layer.
#include <atomic>
#include <cstring>
#include <string_view>

#include "timelib/platform/platform.h"

struct HINSTANCE__ {
    std::atomic<long> loads{0};
};

namespace {

HINSTANCE__ kernel32;

template <typename Function>
FARPROC Entry(Function* function) {
    // Through void(*)(): the one function type every other converts to without a warning.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct Export {
    const char* name;
    FARPROC entry;
};

const Export kKernel32Exports[] = {
    {"CompareFileTime", Entry(&CompareFileTime)},
    {"FileTimeToLocalFileTime", Entry(&FileTimeToLocalFileTime)},
    {"FileTimeToSystemTime", Entry(&FileTimeToSystemTime)},
    {"GetLastError", Entry(&GetLastError)},
    {"GetLocalTime", Entry(&GetLocalTime)},
    {"GetSystemTime", Entry(&GetSystemTime)},
    {"GetTimeZoneInformation", Entry(&GetTimeZoneInformation)},
    {"SetLastError", Entry(&SetLastError)},
    {"SystemTimeToFileTime", Entry(&SystemTimeToFileTime)},
    {"SystemTimeToTzSpecificLocalTime", Entry(&SystemTimeToTzSpecificLocalTime)},
    {"SystemTimeToTzSpecificLocalTimeEx", Entry(&SystemTimeToTzSpecificLocalTimeEx)},
    {"TzSpecificLocalTimeToSystemTime", Entry(&TzSpecificLocalTimeToSystemTime)},
    {"TzSpecificLocalTimeToSystemTimeEx", Entry(&TzSpecificLocalTimeToSystemTimeEx)},
};

// "kernel32" or "kernel32.dll" in any letter case, as the Windows loader takes them.
bool NamesKernel32(const WCHAR* fileName) {
    const std::u16string_view name = fileName;
    const std::u16string_view base = u"kernel32";
    if (name.size() != base.size() && name.size() != base.size() + 4) {
        return false;
    }
    const std::u16string_view extension = name.substr(base.size());
    WCHAR lowered[12] = {};
    for (std::size_t i = 0; i < name.size(); ++i) {
        const WCHAR c = name[i];
        lowered[i] = c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c;
    }
    const std::u16string_view folded(lowered, name.size());
    return folded.substr(0, base.size()) == base &&
           (extension.empty() || folded.substr(base.size()) == u".dll");
}

}  // namespace

HMODULE LoadLibraryW(const WCHAR* fileName) {
    if (fileName == nullptr || !NamesKernel32(fileName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    kernel32.loads.fetch_add(1, std::memory_order_relaxed);
    return &kernel32;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
    if (module != &kernel32) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (procName != nullptr) {
        for (const Export& entry : kKernel32Exports) {
            if (std::strcmp(entry.name, procName) == 0) {
                return entry.entry;
            }
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    long loads = kernel32.loads.load(std::memory_order_relaxed);
    while (module == &kernel32 && loads > 0) {
        if (kernel32.loads.compare_exchange_weak(loads, loads - 1, std::memory_order_relaxed)) {
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
