// UTF-8 and UTF-16 text, portable: zone names and messages of the time services are UTF-16 on
// every platform.
#pragma once

#include <string>
#include <string_view>

#include TRENDTAB_PLATFORM_BACKEND  // WCHAR

namespace trendtab::platform {

// Wide text (UTF-16 on every platform) owned by the caller.
using WideString = std::basic_string<WCHAR>;

// UTF-8 to UTF-16 and back. Each always fills its output; it returns false when the input was
// not well formed (bytes that are not UTF-8, unpaired surrogates), which then became U+FFFD.
bool WideFromUtf8(std::string_view text, WideString* wide);
bool Utf8FromWide(std::basic_string_view<WCHAR> wide, std::string* text);

}  // namespace trendtab::platform
