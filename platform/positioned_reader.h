// Reads bytes at a given offset of a file that may shrink, grow or be replaced while it is read:
// one positioned read per call (no shared file position, no memory map, so a truncated file
// gives a short read, never a fault). The file is opened so that others may still write, rename
// and remove it. The build picks the backend (posix/ or win32/).
#pragma once

#include <cstdint>
#include <string>

namespace trendtab::platform {

class PositionedReader {
  public:
    explicit PositionedReader(const std::string& path);
    ~PositionedReader();
    PositionedReader(const PositionedReader&) = delete;
    PositionedReader& operator=(const PositionedReader&) = delete;

    bool is_open() const;
    // Reads `size` bytes at `offset` into `buffer`; returns the bytes read (fewer at the end of
    // the file or on an error).
    std::size_t ReadAt(std::uint64_t offset, unsigned char* buffer, std::size_t size);

  private:
    std::intptr_t handle_;  // a descriptor or a HANDLE; -1 when not open
};

}  // namespace trendtab::platform
