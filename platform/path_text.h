// Paths as the programs carry them (UTF-8 text) and as std::filesystem holds them. On Windows a
// path built from a narrow string, and its .string(), go through the runtime's 8-bit conversion
// rather than UTF-8; these go through UTF-8 on every platform (POSIX: the bytes as they are).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace trendtab::platform {

inline std::filesystem::path PathFromText(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// In the platform's own separators.
inline std::string TextFromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// With "/" as the separator on every platform.
inline std::string GenericTextFromPath(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace trendtab::platform
