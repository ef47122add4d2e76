// Backed by open(2) and pread(2).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/positioned_reader.h"

namespace trendtab::platform {

PositionedReader::PositionedReader(const std::string& path)
    : handle_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}

PositionedReader::~PositionedReader() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

bool PositionedReader::is_open() const {
    return handle_ >= 0;
}

std::size_t PositionedReader::ReadAt(std::uint64_t offset, unsigned char* buffer,
                                     std::size_t size) {
    std::size_t done = 0;
    while (handle_ >= 0 && done < size) {
        const ssize_t got = ::pread(static_cast<int>(handle_), buffer + done, size - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace trendtab::platform
