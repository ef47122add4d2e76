#include "python/core/history_opening.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace trendtab::python {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& path) {
    throw std::system_error(error != 0 ? error : EIO, std::generic_category(), path);
}

}  // namespace

HistoryFile OpenHistory(const std::string& path) {
    std::error_code status;
    if (std::filesystem::is_directory(path, status)) {
        ThrowErrno(EISDIR, path);  // opens for reading on POSIX, then fails every read
    }
    errno = 0;
    UniqueFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        ThrowErrno(errno, path);
    }
    HistoryFile info = ReadHistoryFile(file.get());
    if (std::ferror(file.get())) {
        ThrowErrno(errno, path);
    }
    return info;
}

}  // namespace trendtab::python
