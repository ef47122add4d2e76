// Wildcard patterns for tag names and file names: "*" any run of characters, "?" one character,
// everything else literal and case-sensitive.
#pragma once

#include <string_view>

namespace hstexport {

bool HasWildcards(std::string_view text);
bool GlobMatch(std::string_view pattern, std::string_view text);

}  // namespace hstexport
