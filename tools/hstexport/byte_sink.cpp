#include "tools/hstexport/byte_sink.h"

#include <cerrno>
#include <system_error>

namespace hstexport {
namespace {

std::string WriteReason() {
    return "write error: " +
           std::error_code(errno != 0 ? errno : EIO, std::generic_category()).message();
}

}  // namespace

bool FileSink::Write(const char* data, std::size_t size) {
    if (!reason_.empty()) {
        return false;
    }
    errno = 0;
    if (std::fwrite(data, 1, size, file_) != size) {
        reason_ = WriteReason();
        return false;
    }
    bytesOut_ += size;
    return true;
}

bool FileSink::Finish() {
    if (!reason_.empty()) {
        return false;
    }
    errno = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) {
        reason_ = WriteReason();
        return false;
    }
    return true;
}

}  // namespace hstexport
