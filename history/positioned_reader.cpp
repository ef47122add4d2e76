#include "history/positioned_reader.h"

#include <limits>

namespace trendtab {

PositionedReader::PositionedReader(const std::string& path)
    : stream_(path, std::ios::in | std::ios::binary) {}

std::size_t PositionedReader::ReadAt(std::uint64_t offset, unsigned char* buffer,
                                     std::size_t size) {
    if (!stream_.is_open() ||
        offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) {
        return 0;
    }
    stream_.clear();  // an earlier short read left the end-of-file flag
    stream_.seekg(static_cast<std::streamoff>(offset));
    if (!stream_) {
        return 0;
    }
    stream_.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(stream_.gcount());
}

}  // namespace trendtab
