// Sample values as the shortest text that reads back to the same float (compact files) or double
// (wide files): "nan" for every NaN, "inf", "-inf". Each tag keeps the text of its last value,
// since history values often repeat.
#pragma once

#include <cstdint>

namespace hstexport {

class ValueText {
  public:
    // Most bytes one value takes.
    static constexpr std::size_t kLongest = 24;

    char* WriteFloat(std::uint32_t bits, char* out);
    char* WriteDouble(std::uint64_t bits, char* out);

  private:
    char* Repeat(char* out) const;
    char* Remember(char* start, char* end);

    std::uint64_t bits_ = 0;
    bool known_ = false;
    unsigned char length_ = 0;
    char text_[kLongest] = {};
};

}  // namespace hstexport
