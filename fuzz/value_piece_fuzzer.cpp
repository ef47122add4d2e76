// Fuzz target: the fast value pieces against the plain ones, byte for byte. Eight bytes are a
// double, the first four also a compact float; the next byte chooses the separator. Any
// difference aborts.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "converter/row_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) {
        return 0;
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, sizeof bits);
    const char separator = size > 8 ? static_cast<char>(data[8]) : '\t';
    const auto wide = std::bit_cast<double>(bits);
    const auto compact = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
    using namespace trendtab;
    if (std::bit_cast<std::uint64_t>(fast::RoundCompactValue(compact)) !=
        std::bit_cast<std::uint64_t>(plain::RoundCompactValue(compact))) {
        std::abort();
    }
    for (const bool extended : {false, true}) {
        for (const bool isLast : {false, true}) {
            std::string fast;
            std::string plain;
            fast::AppendValuePiece(fast, wide, separator, isLast, extended);
            plain::AppendValuePiece(plain, wide, separator, isLast, extended);
            if (fast != plain) {
                std::abort();
            }
            fast.clear();
            plain.clear();
            fast::AppendCompactValuePiece(fast, compact, separator, isLast, extended);
            plain::AppendCompactValuePiece(plain, compact, separator, isLast, extended);
            if (fast != plain) {
                std::abort();
            }
        }
    }
    return 0;
}
