#include "platform/win32/wide_path.h"

#include "platform/win32/windows_api.h"

namespace trendtab::platform {
namespace {

// CreateDirectory's limit (MAX_PATH less room for an 8.3 name) is the strictest of the classic
// ones; any path this long or longer takes the \\?\ form.
constexpr std::size_t kClassicPathLimit = MAX_PATH - 12;

std::wstring Widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

bool HasDevicePrefix(const std::wstring& path) {
    return path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0;
}

}  // namespace

std::wstring WidePath(std::string_view path) {
    std::wstring wide = Widen(path);
    if (wide.size() < kClassicPathLimit || HasDevicePrefix(wide)) {
        return wide;
    }
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return wide;
    }
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return wide;
    }
    full.resize(written);
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

std::string Utf8Text(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

}  // namespace trendtab::platform
