#include "file_search.h"

namespace trendtab {

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    std::size_t p = 0;
    std::size_t n = 0;
    // Where to resume after the last "*": the pattern just past it, and the name position it
    // currently stands for. Backtracking to the latest "*" alone is enough for "*" and "?".
    std::size_t starPattern = std::string::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
        } else if (starPattern != std::string::npos) {
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
