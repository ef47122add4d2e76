// Backed by CreateFileA (sharing read, write and delete) and ReadFile at an offset.
#include "platform/win32/windows_api.h"

#include "platform/positioned_reader.h"

namespace trendtab::platform {

namespace {
HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
}  // namespace

PositionedReader::PositionedReader(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(file);
}

PositionedReader::~PositionedReader() {
    if (handle_ != -1) {
        CloseHandle(AsHandle(handle_));
    }
}

bool PositionedReader::is_open() const {
    return handle_ != -1;
}

std::size_t PositionedReader::ReadAt(std::uint64_t offset, unsigned char* buffer,
                                     std::size_t size) {
    std::size_t done = 0;
    while (handle_ != -1 && done < size) {
        OVERLAPPED at = {};
        const std::uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const std::size_t chunk = size - done < 0x40000000u ? size - done : 0x40000000u;
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), buffer + done, static_cast<DWORD>(chunk), &got, &at) ||
            got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

}  // namespace trendtab::platform
