// A fast 64-bit hash of bytes, for telling whether stored bytes are the ones written (a cache
// file torn, cut short or foreign) or whether a file's bytes are as they were. Not a defence
// against someone forging bytes on purpose: readers still check every bound.
#pragma once

#include <cstddef>
#include <cstdint>

#include "history/little_endian.h"

namespace trendtab {

inline std::uint64_t HashBytes(const unsigned char* data, std::size_t size,
                               std::uint64_t seed = 0x9e3779b97f4a7c15ULL) {
    constexpr std::uint64_t kMultiplier = 0xff51afd7ed558ccdULL;
    std::uint64_t hash = seed ^ (size * kMultiplier);
    auto mix = [&hash](std::uint64_t word) {
        hash ^= word * 0xc4ceb9fe1a85ec53ULL;
        hash = (hash << 31 | hash >> 33) * kMultiplier;
    };
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        mix(LoadLittleEndian<std::uint64_t>(data + i));
    }
    std::uint64_t tail = 0;
    for (std::size_t shift = 0; i < size; ++i, shift += 8) {
        tail |= static_cast<std::uint64_t>(data[i]) << shift;
    }
    mix(tail);
    hash ^= hash >> 33;
    hash *= kMultiplier;
    return hash ^ (hash >> 29);
}

}  // namespace trendtab
