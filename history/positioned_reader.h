// Reads bytes at a given offset of a file that may shrink, grow or be replaced while it is read:
// no memory map, so a truncated file gives a short read, never a fault. One reader is used by one
// thread at a time (the archive keeps a lock around it).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace trendtab {

class PositionedReader {
  public:
    explicit PositionedReader(const std::string& path);
    bool is_open() const { return stream_.is_open(); }
    // Reads `size` bytes at `offset` into `buffer`; returns the bytes read (fewer at the end of
    // the file or on an error).
    std::size_t ReadAt(std::uint64_t offset, unsigned char* buffer, std::size_t size);

  private:
    std::ifstream stream_;
};

}  // namespace trendtab
