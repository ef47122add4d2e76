// Sample values as the shortest text that reads back to the same float (compact files) or double
// (wide files): "nan" for every NaN, "inf", "-inf". Each tag keeps the text of its last value,
// since history values often repeat.
#pragma once

#include <cstdint>
#include <cstring>

namespace hstexport {

class ValueText {
  public:
    // Most bytes one value takes ("-1.2345678901234567e-308"); the caller leaves this much
    // room at `out`, all of which a write may fill.
    static constexpr std::size_t kLongest = 24;

    char* WriteFloat(std::uint32_t bits, char* out) {
        return known_ && bits == bits_ ? Repeat(out) : FormatFloat(bits, out);
    }
    char* WriteDouble(std::uint64_t bits, char* out) {
        return known_ && bits == bits_ ? Repeat(out) : FormatDouble(bits, out);
    }

  private:
    char* Repeat(char* out) const {
        std::memcpy(out, text_, kLongest);  // the whole buffer: one fixed-size copy
        return out + length_;
    }
    char* FormatFloat(std::uint32_t bits, char* out);
    char* FormatDouble(std::uint64_t bits, char* out);
    char* Remember(std::uint64_t bits, const char* text, std::size_t length, char* out);

    std::uint64_t bits_ = 0;
    bool known_ = false;
    unsigned char length_ = 0;
    char text_[kLongest] = {};
};

}  // namespace hstexport
