#include "tools/hstexport/value_text.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "tools/hstexport/shortest_decimal.h"

namespace hstexport {
namespace {

constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

constexpr auto kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (auto& slot : powers) {
        slot = power;
        power *= 10;
    }
    return powers;
}();

// The number of decimal digits of `value`, at least 1, without a branch on the magnitude.
int DigitCount(std::uint64_t value) {
    value |= 1;  // 0 has one digit too; no power of ten above 1 is odd
    const int estimate = std::bit_width(value) * 1233 >> 12;  // floor(log10(2^bits))
    return estimate + (value >= kPowersOfTen[static_cast<std::size_t>(estimate)] ? 1 : 0);
}

// The eight decimal digits of a value below 10^8 as text, the most significant in the lowest
// byte: split into halves of four digits, each into two of two, each into two digits, in the lanes
// of one 64-bit number (no lane overflows into the next). Independent of each other, three of
// these take far less time than the seventeen dependent divisions of a digit loop.
std::uint64_t EightDigits(std::uint32_t value) {
    std::uint64_t v = value / 10000 | std::uint64_t{value % 10000} << 32;
    const std::uint64_t hundreds = (v * 10486 >> 20) & 0x0000007F0000007FULL;  // lane / 100
    v = hundreds | (v - hundreds * 100) << 16;
    const std::uint64_t tens = (v * 103 >> 10) & 0x000F000F000F000FULL;  // lane / 10
    v = tens | (v - tens * 10) << 8;
    return v | 0x3030303030303030ULL;
}

static_assert(std::endian::native == std::endian::little,
              "digits are stored eight at a time, the first in the lowest byte");

// The last `count` (1 to 8) of the eight digits of `value` at `at`; writes 8 bytes.
void StoreDigits(char* at, std::uint64_t value, int count) {
    const std::uint64_t text = EightDigits(static_cast<std::uint32_t>(value)) >> (8 * (8 - count));
    std::memcpy(at, &text, sizeof text);
}

// Writes the `count` (1 to 20) digits of `value` so that they end at `end`; may write up to 8
// bytes past `end`.
void PutDigits(std::uint64_t value, int count, char* end) {
    constexpr std::uint64_t kEight = 100'000'000;
    char* at = end - count;
    if (count <= 8) {
        StoreDigits(at, value, count);
    } else if (count <= 16) {
        StoreDigits(at, value / kEight, count - 8);
        StoreDigits(end - 8, value % kEight, 8);
    } else {
        const std::uint64_t low = value % (kEight * kEight);
        StoreDigits(at, value / (kEight * kEight), count - 16);  // below 10^4: 20 digits at most
        StoreDigits(end - 16, low / kEight, 8);
        StoreDigits(end - 8, low % kEight, 8);
    }
}

// The text std::to_chars gives without a format: the shorter of the fixed and the scientific
// form of the shortest digits (fixed on a tie, "e" with a sign and at least two exponent digits),
// laid out from the digits and exponent alone. Returns nullptr where the fixed form would need
// more than the digits (an integer of 2^64 or more), which the caller leaves to std::to_chars.
char* LayOut(bool negative, std::uint64_t digits, int exponent, double magnitude, char* out) {
    *out = '-';
    out += negative ? 1 : 0;
    const int count = DigitCount(digits);
    const int scientific = exponent + count - 1;  // the exponent of d.ddd
    const int scientificLength =
        count + (count > 1 ? 1 : 0) + 2 + (scientific >= 100 || scientific <= -100 ? 3 : 2);
    const int fixedLength = exponent >= 0          ? count + exponent
                            : count + exponent > 0 ? count + 1
                                                   : 2 - exponent;
    if (fixedLength <= scientificLength) {
        if (exponent >= 0) {
            // A whole number: std::to_chars shows its exact digits, which are the shortest ones
            // padded with zeros below 2^53 but need not be above.
            if (magnitude >= 18446744073709551616.0) {
                return nullptr;
            }
            const auto whole = static_cast<std::uint64_t>(magnitude);
            PutDigits(whole, fixedLength, out + fixedLength);
            return out + fixedLength;
        }
        const int wholeDigits = count + exponent;
        if (wholeDigits > 0) {
            PutDigits(digits, count, out + count + 1);
            std::memmove(out, out + 1, static_cast<std::size_t>(wholeDigits));
            out[wholeDigits] = '.';
            return out + count + 1;
        }
        out[0] = '0';
        out[1] = '.';
        std::memset(out + 2, '0', static_cast<std::size_t>(-wholeDigits));
        PutDigits(digits, count, out + fixedLength);
        return out + fixedLength;
    }
    PutDigits(digits, count, out + count + 1);
    out[0] = out[1];
    out[1] = '.';
    out += count > 1 ? count + 1 : 1;
    out[0] = 'e';
    out[1] = scientific < 0 ? '-' : '+';
    const int power = scientific < 0 ? -scientific : scientific;
    if (power >= 100) {
        out[2] = static_cast<char>('0' + power / 100);
        std::memcpy(out + 3, &kDigitPairs[static_cast<std::size_t>(power % 100) * 2], 2);
        return out + 5;
    }
    std::memcpy(out + 2, &kDigitPairs[static_cast<std::size_t>(power) * 2], 2);
    return out + 4;
}

// Writes the shortest text of `value` into `text` (room for kComposed bytes).
template <typename T>
std::size_t Shortest(T value, char* text) {
    if (std::isnan(value)) {
        std::memcpy(text, "nan", 3);  // whatever its sign and payload
        return 3;
    }
    const T magnitude = std::fabs(value);
    char* end;
    if (magnitude == 0 || std::isinf(magnitude)) {
        end = std::to_chars(text, text + ValueText::kLongest, value).ptr;
    } else {
        const ShortestDecimal decimal = ToShortestDecimal(magnitude);
        end = LayOut(std::signbit(value), decimal.digits, decimal.exponent,
                     static_cast<double>(magnitude), text);
        if (end == nullptr) {
            end = std::to_chars(text, text + ValueText::kLongest, value).ptr;
        }
    }
    return static_cast<std::size_t>(end - text);
}

// The text is composed here, with room to spare, then copied whole.
constexpr std::size_t kComposed = 48;

}  // namespace

char* ValueText::Remember(std::uint64_t bits, const char* text, std::size_t length, char* out) {
    bits_ = bits;
    known_ = true;
    length_ = static_cast<unsigned char>(length);
    std::memcpy(text_, text, kLongest);
    std::memcpy(out, text, kLongest);
    return out + length;
}

char* ValueText::FormatFloat(std::uint32_t bits, char* out) {
    char text[kComposed];
    const std::size_t length = Shortest(std::bit_cast<float>(bits), text);
    return Remember(bits, text, length, out);
}

char* ValueText::FormatDouble(std::uint64_t bits, char* out) {
    char text[kComposed];
    const std::size_t length = Shortest(std::bit_cast<double>(bits), text);
    return Remember(bits, text, length, out);
}

}  // namespace hstexport
