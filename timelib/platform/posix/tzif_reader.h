// Reader of TZif zone files (versions 1 to 3, RFC 8536). Every size in the file is checked
// against the bytes actually there; arbitrary input yields false or a consistent result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trendtab::posix {

struct TzifType {
    std::int32_t utcOffset = 0;  // seconds east of UTC
    bool isDst = false;
    std::string abbreviation;
};

struct TzifTransition {
    std::int64_t time = 0;  // seconds since 1970-01-01 00:00:00 UTC
    std::uint8_t type = 0;  // index into TzifData::types
};

struct TzifData {
    int version = 1;                          // 1, 2, 3 (or higher, read as 3)
    std::vector<TzifTransition> transitions;  // ascending as stored
    std::vector<TzifType> types;              // at least one
    std::string footer;  // the POSIX TZ rule after the last transition; empty in version 1
};

// True when the bytes begin with the TZif magic.
bool HasTzifMagic(const std::uint8_t* bytes, std::size_t size);

// Parses a whole TZif file. Uses the 64-bit data block when the file has one.
bool ParseTzif(const std::uint8_t* bytes, std::size_t size, TzifData* data);

// Reads a file whole, refusing anything larger than maxSize bytes.
bool ReadSmallFile(const std::string& path, std::size_t maxSize, std::vector<std::uint8_t>* bytes);

}  // namespace trendtab::posix
