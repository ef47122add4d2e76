#include "tools/hstexport/value_text.h"

#include <bit>
#include <charconv>
#include <cmath>

namespace hstexport {
namespace {

template <typename T>
char* Shortest(T value, char* out) {
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);  // whatever its sign and payload
        return out + 3;
    }
    return std::to_chars(out, out + ValueText::kLongest, value).ptr;
}

}  // namespace

char* ValueText::Remember(std::uint64_t bits, char* start, char* end) {
    bits_ = bits;
    known_ = true;
    length_ = static_cast<unsigned char>(end - start);
    std::memcpy(text_, start, length_);
    return end;
}

char* ValueText::FormatFloat(std::uint32_t bits, char* out) {
    return Remember(bits, out, Shortest(std::bit_cast<float>(bits), out));
}

char* ValueText::FormatDouble(std::uint64_t bits, char* out) {
    return Remember(bits, out, Shortest(std::bit_cast<double>(bits), out));
}

}  // namespace hstexport
