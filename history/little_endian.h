// Little-endian fields of a history file, loaded byte by byte: any alignment, any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace trendtab {

// The integer stored little-endian at `p` in sizeof(T) bytes; signed types keep the file's two's
// complement.
template <typename T>
T LoadLittleEndian(const unsigned char* p) {
    static_assert(std::is_integral_v<T> && sizeof(T) <= 8);
    using Unsigned = std::make_unsigned_t<T>;
    // Lowest byte first, each shifted into place: compilers merge this into one load.
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        value |= std::uint64_t{p[i]} << (8 * i);
    }
    return static_cast<T>(static_cast<Unsigned>(value));
}

}  // namespace trendtab
