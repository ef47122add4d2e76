// Sample values as the shortest text that reads back to the same float (compact files) or double
// (wide files): "nan" for every NaN, "inf", "-inf". Each tag keeps the text of its last value,
// since history values often repeat.
#pragma once

#include <cstdint>
#include <cstring>

#include "tools/hstexport/shortest_text.h"

namespace hstexport {

class ValueText {
  public:
    // Most bytes one value's text takes ("-1.2345678901234567e-308").
    static constexpr std::size_t kLongest = shortest_text::kLongestText;
    // The room the caller leaves at `out`, all of which a write may fill: the text is laid out
    // with fixed-size stores, some of them past its end.
    static constexpr std::size_t kRoom = shortest_text::kTextRoom;

    char* WriteFloat(std::uint32_t bits, char* out) {
        return bits == bits_ ? Repeat(out) : FormatFloat(bits, out);
    }
    char* WriteDouble(std::uint64_t bits, char* out) {
        return bits == bits_ ? Repeat(out) : FormatDouble(bits, out);
    }

  private:
    char* Repeat(char* out) const {
        std::memcpy(out, text_, kLongest);  // the whole buffer: one fixed-size copy
        return out + length_;
    }
    [[gnu::always_inline]] char* FormatFloat(std::uint32_t bits, char* out) {
        bits_ = bits;
        length_ = static_cast<unsigned char>(shortest_text::Shortest<float>(bits, {out, text_}));
        return out + length_;
    }
    [[gnu::always_inline]] char* FormatDouble(std::uint64_t bits, char* out) {
        bits_ = bits;
        length_ = static_cast<unsigned char>(shortest_text::Shortest<double>(bits, {out, text_}));
        return out + length_;
    }

    // At first a double NaN, whose text "nan" is right: no flag to test before each value. No
    // float's bits match it.
    std::uint64_t bits_ = ~std::uint64_t{0};
    unsigned char length_ = 3;
    char text_[kRoom] = {'n', 'a', 'n'};  // written with the same stores as the output
};

}  // namespace hstexport
