#include "value_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

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

char* ValueText::Repeat(char* out) const {
    std::memcpy(out, text_, length_);
    return out + length_;
}

char* ValueText::Remember(char* start, char* end) {
    length_ = static_cast<unsigned char>(end - start);
    std::memcpy(text_, start, length_);
    known_ = true;
    return end;
}

char* ValueText::WriteFloat(std::uint32_t bits, char* out) {
    if (known_ && bits == bits_) {
        return Repeat(out);
    }
    bits_ = bits;
    return Remember(out, Shortest(std::bit_cast<float>(bits), out));
}

char* ValueText::WriteDouble(std::uint64_t bits, char* out) {
    if (known_ && bits == bits_) {
        return Repeat(out);
    }
    bits_ = bits;
    return Remember(out, Shortest(std::bit_cast<double>(bits), out));
}

}  // namespace hstexport
