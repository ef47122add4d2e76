// Little-endian fields of a history file: any alignment, any host.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace trendtab {

// The integer stored little-endian at `p` in sizeof(T) bytes; signed types keep the file's two's
// complement.
template <typename T>
T LoadLittleEndian(const unsigned char* p) {
    static_assert(std::is_integral_v<T> && sizeof(T) <= 8);
    using Unsigned = std::make_unsigned_t<T>;
    if constexpr (std::endian::native == std::endian::little) {
        // The same bytes in one load: compilers do not always merge the byte loop.
        Unsigned value;
        std::memcpy(&value, p, sizeof value);
        return static_cast<T>(value);
    } else {
        std::uint64_t value = 0;
        for (std::size_t i = sizeof(T); i-- > 0;) {
            value = value << 8 | p[i];
        }
        return static_cast<T>(static_cast<Unsigned>(value));
    }
}

}  // namespace trendtab
