#include "converter/options.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace trendtab {
namespace {

constexpr int kLastOptionPosition = 6;  // argv[2] to argv[6]: at most five options

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// "/i:HH:MM:SS" and "/f:HH:MM:SS": the text after the third character split at runs of ":".
// True only when the three pieces exist.
bool ReadTimeOfDay(const char* text, TimeOfDay& time) {
    std::int32_t* fields[] = {&time.hour, &time.minute, &time.second};
    int found = 0;
    const char* p = text;
    while (found < 3) {
        while (*p == ':') {
            ++p;
        }
        if (*p == '\0') {
            break;
        }
        *fields[found++] = ReadDecimal(p);
        while (*p != '\0' && *p != ':') {
            ++p;
        }
    }
    return found == 3;
}

}  // namespace

std::int32_t ReadDecimal(const char* text) {
    while (IsSpace(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value <= kLimit + 1) {
            value = value * 10 + (*text - '0');
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(value > kLimit ? -kLimit - 1 : -value);
    }
    return static_cast<std::int32_t>(value > kLimit ? kLimit : value);
}

bool ScanOptions(int argc, const char* const* argv, ConvertOptions& options) {
    bool bad = false;
    for (int position = 2; position < argc; ++position) {
        const char* arg = argv[position];
        if (position > kLastOptionPosition) {
            bad = true;
            continue;
        }
        if (arg[0] == '\0') {
            bad = true;  // the separator cannot be the string terminator
            continue;
        }
        if (arg[0] != '/') {
            options.separator = arg[0];
            continue;
        }
        const char letter = Lower(arg[1]);
        // "/i", "/f" and "/l" take their value from the fourth character on; the third is
        // skipped unchecked, so these need at least three characters.
        const bool hasValue = arg[1] != '\0' && arg[2] != '\0';
        switch (letter) {
            case 'e':
                options.extended = true;
                break;
            case 'm':
                options.withMilliseconds = true;
                break;
            case 'l':
                if (!hasValue) {
                    bad = true;
                    break;
                }
                options.everyN = ReadDecimal(arg + 3);
                break;
            case 'i':
                if (!hasValue || !ReadTimeOfDay(arg + 3, options.start)) {
                    bad = true;
                    break;
                }
                options.hasStart = true;
                break;
            case 'f':
                if (!hasValue || !ReadTimeOfDay(arg + 3, options.finish)) {
                    bad = true;
                    break;
                }
                options.hasFinish = true;
                break;
            default:
                bad = true;
                break;
        }
    }
    return !bad;
}

}  // namespace trendtab
