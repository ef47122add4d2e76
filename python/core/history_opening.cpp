#include "python/core/history_opening.h"

#include "platform/file_services.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace trendtab::python {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& path) {
    throw std::system_error(error != 0 ? error : EIO, std::generic_category(), path);
}

}  // namespace

HistoryFile OpenHistory(int descriptor, const std::string& path) {
    errno = 0;
    UniqueFile file(platform::OpenDescriptorForReading(descriptor));
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
