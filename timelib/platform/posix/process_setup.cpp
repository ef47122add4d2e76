// File identity, backed by byte-wise names and stat(2).
#include <sys/stat.h>

#include "platform.h"

namespace trendtab::platform {

bool SamePathName(const std::string& a, const std::string& b) {
    return a == b;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first;
    struct stat second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace trendtab::platform
