// The shortest decimal digits that read back to the same float or double, by {fmt}'s Dragonbox
// (header-only: the target defines FMT_HEADER_ONLY), which measured fastest of the exact
// conversions at hand (bench/value_text_bench).
#pragma once

#include <fmt/format.h>

#include <cstdint>

namespace hstexport {

struct ShortestDecimal {
    std::uint64_t digits;  // no trailing zeros
    int exponent;          // the value is digits * 10^exponent
};

// For a finite, positive value.
template <typename T>
ShortestDecimal ToShortestDecimal(T value) {
    const auto decimal = fmt::detail::dragonbox::to_decimal(value);
    return {decimal.significand, decimal.exponent};
}

}  // namespace hstexport
