#include "platform/name_pattern.h"

namespace trendtab {
namespace {

// The bytes of the character at `at`: a whole UTF-8 sequence where one is there, so that "?"
// stands for one character of a name; one byte otherwise (text in an 8-bit code page).
std::size_t CharacterLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                                                              : 1;
    if (length == 1 || at + length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

}  // namespace

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    // Where to resume after the last "*": the pattern just past it, and the name position it
    // currently stands for. Backtracking to the latest "*" alone is enough for "*" and "?".
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharacterLength(name, n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace trendtab
