// TZif zone file reader, backed by nothing but the bytes it is given.
#include "timelib/platform/posix/tzif_reader.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace trendtab::posix {
namespace {

constexpr std::size_t kHeaderSize = 44;
constexpr std::uint32_t kMaxTypes = 256;  // indices are one byte

std::uint32_t ReadBig32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

std::int64_t ReadBig64(const std::uint8_t* p) {
    const std::uint64_t value = (std::uint64_t{ReadBig32(p)} << 32) | ReadBig32(p + 4);
    return static_cast<std::int64_t>(value);  // two's complement, well defined since C++20
}

struct Counts {
    std::uint32_t isUtc, isStd, leap, time, type, chars;
};

bool ReadHeader(const std::uint8_t* bytes, std::size_t size, std::size_t offset, Counts* counts,
                int* version) {
    if (size < kHeaderSize || offset > size - kHeaderSize) {
        return false;
    }
    const std::uint8_t* p = bytes + offset;
    if (!HasTzifMagic(p, kHeaderSize)) {
        return false;
    }
    *version = p[4] == 0 ? 1 : (p[4] == '2' ? 2 : 3);
    counts->isUtc = ReadBig32(p + 20);
    counts->isStd = ReadBig32(p + 24);
    counts->leap = ReadBig32(p + 28);
    counts->time = ReadBig32(p + 32);
    counts->type = ReadBig32(p + 36);
    counts->chars = ReadBig32(p + 40);
    return counts->type >= 1 && counts->type <= kMaxTypes && counts->chars >= 1 &&
           (counts->isUtc == 0 || counts->isUtc == counts->type) &&
           (counts->isStd == 0 || counts->isStd == counts->type);
}

// Size of a data block; counts are 32-bit, so the 64-bit sum cannot overflow.
std::uint64_t BlockSize(const Counts& c, std::uint64_t timeSize) {
    return std::uint64_t{c.time} * timeSize + c.time + std::uint64_t{c.type} * 6 + c.chars +
           std::uint64_t{c.leap} * (timeSize + 4) + c.isStd + c.isUtc;
}

bool ReadBlock(const std::uint8_t* p, const Counts& c, std::size_t timeSize, TzifData* data) {
    data->transitions.clear();
    data->types.clear();
    data->transitions.resize(c.time);
    for (std::uint32_t i = 0; i < c.time; ++i) {
        const std::uint8_t* t = p + std::size_t{i} * timeSize;
        data->transitions[i].time =
            timeSize == 8 ? ReadBig64(t) : static_cast<std::int32_t>(ReadBig32(t));
    }
    p += std::size_t{c.time} * timeSize;
    for (std::uint32_t i = 0; i < c.time; ++i) {
        if (p[i] >= c.type) {
            return false;
        }
        data->transitions[i].type = p[i];
    }
    p += c.time;
    const std::uint8_t* chars = p + std::size_t{c.type} * 6;
    for (std::uint32_t i = 0; i < c.type; ++i) {
        const std::uint8_t* t = p + std::size_t{i} * 6;
        TzifType type;
        type.utcOffset = static_cast<std::int32_t>(ReadBig32(t));
        if (type.utcOffset == INT32_MIN || t[4] > 1 || t[5] >= c.chars) {
            return false;
        }
        type.isDst = t[4] == 1;
        for (std::uint32_t k = t[5]; k < c.chars && chars[k] != 0; ++k) {
            type.abbreviation.push_back(static_cast<char>(chars[k]));
        }
        data->types.push_back(std::move(type));
    }
    return true;
}

}  // namespace

bool HasTzifMagic(const std::uint8_t* bytes, std::size_t size) {
    return size >= 4 && bytes[0] == 'T' && bytes[1] == 'Z' && bytes[2] == 'i' && bytes[3] == 'f';
}

bool ParseTzif(const std::uint8_t* bytes, std::size_t size, TzifData* data) {
    Counts counts{};
    int version = 1;
    if (!ReadHeader(bytes, size, 0, &counts, &version)) {
        return false;
    }
    const std::uint64_t v1Size = BlockSize(counts, 4);
    if (v1Size > size - kHeaderSize) {
        return false;
    }
    if (version == 1) {
        data->version = 1;
        data->footer.clear();
        return ReadBlock(bytes + kHeaderSize, counts, 4, data);
    }
    const std::size_t second = kHeaderSize + static_cast<std::size_t>(v1Size);
    int secondVersion = 1;
    if (!ReadHeader(bytes, size, second, &counts, &secondVersion)) {
        return false;
    }
    const std::size_t dataStart = second + kHeaderSize;
    const std::uint64_t v2Size = BlockSize(counts, 8);
    if (v2Size > size - dataStart) {
        return false;
    }
    if (!ReadBlock(bytes + dataStart, counts, 8, data)) {
        return false;
    }
    // Footer: newline, rule text (possibly empty), newline.
    std::size_t pos = dataStart + static_cast<std::size_t>(v2Size);
    if (pos >= size || bytes[pos] != '\n') {
        return false;
    }
    ++pos;
    std::string footer;
    while (pos < size && bytes[pos] != '\n') {
        footer.push_back(static_cast<char>(bytes[pos]));
        ++pos;
    }
    if (pos >= size) {
        return false;
    }
    data->version = version;
    data->footer = std::move(footer);
    return true;
}

bool ReadSmallFile(const std::string& path, std::size_t maxSize, std::vector<std::uint8_t>* bytes) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        return false;
    }
    bytes->clear();
    std::uint8_t chunk[4096];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        if (n == 0) {
            break;
        }
        if (bytes->size() + n > maxSize) {
            return false;
        }
        bytes->insert(bytes->end(), chunk, chunk + n);
    }
    return std::ferror(file.get()) == 0;
}

}  // namespace trendtab::posix
