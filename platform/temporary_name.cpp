// The names of named temporaries, the same on every platform.
#include "platform/file_services.h"
#include "platform/temporary_file.h"

namespace trendtab::platform {
namespace {
constexpr char kMarker[] = ".trendtab-";
constexpr char kEnd[] = ".tmp";
}  // namespace

std::string TemporaryNameFor(const std::string& target, unsigned long long unique) {
    // Hidden in listings; the target's own name cut short enough for any folder.
    const std::size_t nameStart = FileNameStart(target);
    return target.substr(0, nameStart) + "." + target.substr(nameStart, 64) + kMarker +
           std::to_string(unique) + kEnd;
}

bool IsTemporaryName(const std::string& name) {
    const std::size_t marker = name.rfind(kMarker);
    const std::size_t endSize = sizeof kEnd - 1;
    if (name.size() < 2 || name[0] != '.' || marker == std::string::npos || marker == 0 ||
        name.size() < endSize || name.compare(name.size() - endSize, endSize, kEnd) != 0) {
        return false;
    }
    const std::size_t digits = marker + sizeof kMarker - 1;
    if (digits >= name.size() - endSize) {
        return false;
    }
    for (std::size_t i = digits; i < name.size() - endSize; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace trendtab::platform
