// Wildcard patterns for names, as every front end reads them: "*" matches any run of characters,
// "?" any one character; everything else stands for itself, letter case included.
#pragma once

#include <string_view>

namespace trendtab {

// True when `text` holds a "*" or a "?".
bool HasWildcards(std::string_view text);

// True when the whole of `name` matches `pattern`.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace trendtab
