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

constexpr std::uint64_t kEight = 100'000'000;
constexpr std::uint64_t kZeros = 0x3030303030303030ULL;  // "00000000"

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
    return v | kZeros;
}

static_assert(std::endian::native == std::endian::little,
              "digits are stored eight at a time, the first in the lowest byte");

void StoreWord(char* at, std::uint64_t word) {
    std::memcpy(at, &word, sizeof word);
}

// The last `count` (1 to 8) of the eight digits of `value` at `at`; writes 8 bytes.
void StoreDigits(char* at, std::uint64_t value, int count) {
    StoreWord(at, EightDigits(static_cast<std::uint32_t>(value)) >> (8 * (8 - count)));
}

// Writes the `count` (1 to 20) digits of `value` so that they end at `end`; may write up to 8
// bytes past `end`. For whole numbers of 2^53 and more, whose digits are not the shortest ones.
void PutDigits(std::uint64_t value, int count, char* end) {
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

// The shortest digits as text at fixed places, whatever their count: eight '0's, the first digit
// at byte 8, then the others padded with '0's to 17 (or to 9 for a float's digits). Any eight
// bytes of it are two loads and two shifts away, so that each form is laid out with eight-byte
// stores at offsets computed from the digit count and exponent, not with branches on them: random
// magnitudes would mispredict those branches on almost every value.
template <int kDigits>
class PaddedDigits {
  public:
    PaddedDigits(std::uint64_t digits, int count) {
        const std::uint64_t normal =
            digits * kPowersOfTen[static_cast<std::size_t>(kDigits - count)];
        const std::uint64_t first = normal / kPowersOfTen[kDigits - 1];
        const std::uint64_t rest = normal % kPowersOfTen[kDigits - 1];
        std::uint64_t middle;
        std::uint64_t last;
        if constexpr (kDigits == 17) {
            middle = EightDigits(static_cast<std::uint32_t>(rest / kEight));
            last = EightDigits(static_cast<std::uint32_t>(rest % kEight));
        } else {
            static_assert(kDigits == 9);
            middle = EightDigits(static_cast<std::uint32_t>(rest));
            last = kZeros;
        }
        words_[0] = kZeros;
        words_[1] = ('0' + first) | middle << 8;
        words_[2] = middle >> 56 | last << 8;
        words_[3] = last >> 56 | kZeros << 8;
        words_[4] = kZeros;
        words_[5] = kZeros;
    }

    // The eight bytes from byte `at` (0 to 32).
    std::uint64_t Word(int at) const {
        const auto word = static_cast<std::size_t>(at >> 3);
        const int shift = (at & 7) * 8;
        return words_[word] >> shift | (words_[word + 1] << 1) << (63 - shift);
    }

  private:
    std::uint64_t words_[6];
};

// The text std::to_chars gives without a format for a finite nonzero magnitude below 2^53 (2^24
// for a float) or with a fraction: the shorter of the fixed and the scientific form of the
// shortest digits (fixed on a tie; "e" with a sign and at least two exponent digits). Both forms
// are one shape: digits before a point, the point, digits after it, and for the scientific form
// the exponent; they differ only in where the point goes. Writes up to ValueText::kRoom - 1
// bytes. Returns nullptr for a whole number of 2^53 (2^24) or more shown in full, whose exact
// digits are not the shortest ones padded with zeros.
template <int kDigits>
char* LayOut(std::uint64_t digits, int exponent, bool exactWhole, char* out) {
    const int count = DigitCount(digits);
    const int scientific = exponent + count - 1;  // the exponent of d.ddd
    const int power = scientific < 0 ? -scientific : scientific;
    const int powerDigits = power >= 100 ? 3 : 2;
    const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + powerDigits;
    const int whole = count + exponent;  // digits before the point in the fixed form
    const int fixedLength = exponent >= 0 ? whole : whole > 0 ? count + 1 : 2 - exponent;
    const bool fixed = fixedLength <= scientificLength;
    if (fixed && exponent > 0 && !exactWhole) {
        return nullptr;
    }
    // Fixed: `whole` digits, at least one ("0" before the point, and -whole zeros after it, when
    // whole <= 0). Scientific: one digit before the point.
    const int point = fixed ? whole : 1;
    const int before = point > 1 ? point : 1;
    const PaddedDigits<kDigits> text(digits, count);
    const int from = 8 + (point < 1 ? point - 1 : 0);  // the first byte before the point
    StoreWord(out, text.Word(from));
    StoreWord(out + 8, text.Word(from + 8));
    StoreWord(out + 16, text.Word(from + 16));
    out[before] = '.';
    // After the point: 16 bytes at most, or 20 for "0.000ddd" (then before is 1).
    const int after = 8 + (point < 16 ? point : 16);
    StoreWord(out + before + 1, text.Word(after));
    StoreWord(out + before + 9, text.Word(after + 8));
    StoreWord(out + 18, text.Word((after < 8 ? after : 8) + 16));
    const int digitsAfter = count - point;
    char* end = out + before + (digitsAfter > 0 ? 1 + digitsAfter : 0);
    // The exponent: "e+dd" or "e+ddd", stored whatever the form and counted in the scientific one.
    const auto tens = static_cast<std::size_t>(power % 100) * 2;
    const std::uint64_t pair = std::uint64_t{static_cast<unsigned char>(kDigitPairs[tens])} |
                               std::uint64_t{static_cast<unsigned char>(kDigitPairs[tens + 1])}
                                   << 8;
    const auto hundreds = static_cast<std::uint64_t>('0' + power / 100);
    const std::uint64_t powerText = powerDigits == 3 ? hundreds | pair << 8 : pair;
    const std::uint64_t sign = scientific < 0 ? '-' : '+';
    StoreWord(end, 'e' | sign << 8 | powerText << 16);
    return end + (fixed ? 0 : 2 + powerDigits);
}

// Writes the shortest text of the value with bits `bits` at `out` (room for kRoom bytes).
template <typename T, typename Bits>
char* Shortest(Bits bits, char* out) {
    constexpr Bits kSign = Bits{1} << (sizeof(Bits) * 8 - 1);
    constexpr Bits kInfinity = std::bit_cast<Bits>(std::numeric_limits<T>::infinity());
    const Bits magnitudeBits = bits & ~kSign;
    if (magnitudeBits - 1 >= kInfinity - 1) {  // zero, infinity or NaN
        const T value = std::bit_cast<T>(bits);
        if (std::isnan(value)) {
            std::memcpy(out, "nan", 3);  // whatever its sign and payload
            return out + 3;
        }
        return std::to_chars(out, out + ValueText::kLongest, value).ptr;
    }
    const T magnitude = std::bit_cast<T>(magnitudeBits);
    *out = '-';
    char* const start = out + ((bits & kSign) != 0 ? 1 : 0);
    constexpr T kExactWholes = static_cast<T>(std::uint64_t{1} << std::numeric_limits<T>::digits);
    const ShortestDecimal decimal = ToShortestDecimal(magnitude);
    constexpr int kDigits = std::numeric_limits<T>::max_digits10;
    char* end = LayOut<kDigits>(decimal.digits, decimal.exponent, magnitude < kExactWholes, start);
    if (end == nullptr) {
        // A whole number of 2^53 (2^24) or more in full: its exact digits, which may differ
        // from the shortest ones padded with zeros; std::to_chars's own from 2^64.
        if (magnitude >= static_cast<T>(18446744073709551616.0)) {
            return std::to_chars(out, out + ValueText::kLongest, std::bit_cast<T>(bits)).ptr;
        }
        const auto value = static_cast<std::uint64_t>(magnitude);
        const int count = DigitCount(value);
        PutDigits(value, count, start + count);
        end = start + count;
    }
    return end;
}

}  // namespace

char* ValueText::Remember(std::uint64_t bits, char* out, char* end) {
    bits_ = bits;
    length_ = static_cast<unsigned char>(end - out);
    std::memcpy(text_, out, kLongest);
    return end;
}

char* ValueText::FormatFloat(std::uint32_t bits, char* out) {
    return Remember(bits, out, Shortest<float>(bits, out));
}

char* ValueText::FormatDouble(std::uint64_t bits, char* out) {
    return Remember(bits, out, Shortest<double>(bits, out));
}

}  // namespace hstexport
