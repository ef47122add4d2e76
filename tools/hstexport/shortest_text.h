// The shortest text that reads back to the same float or double, laid out by fixed-size stores:
// the workings of ValueText, in a header of their own so that the loops making a row's values can
// have them inline (a call per value saved and restored most of the registers).
#pragma once

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

// SSE2 is part of every x86-64 processor (and its 64-bit moves out of a register are x86-64's
// only); elsewhere, or built with HSTEXPORT_PORTABLE_TEXT as a test does, the same bytes come from
// 64-bit words.
#if defined(__x86_64__) && !defined(HSTEXPORT_PORTABLE_TEXT)
#define HSTEXPORT_SSE2_TEXT
#include <emmintrin.h>
#endif

#include "tools/hstexport/shortest_decimal.h"

namespace hstexport::shortest_text {

// Most bytes one value's text takes ("-1.2345678901234567e-308").
inline constexpr std::size_t kLongestText = 24;
// The room a text is written to, all of which a write may fill: the text is laid out with
// fixed-size stores, some of them past its end.
inline constexpr std::size_t kTextRoom = 40;

inline constexpr auto kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (auto& slot : powers) {
        slot = power;
        power *= 10;
    }
    return powers;
}();

inline constexpr std::uint64_t kEight = 100'000'000;
inline constexpr std::uint64_t kZeros = 0x3030303030303030ULL;  // "00000000"

// The number of decimal digits of `value`, at least 1, without a branch on the magnitude.
inline int DigitCount(std::uint64_t value) {
    value |= 1;  // 0 has one digit too; no power of ten above 1 is odd
    const int estimate = std::bit_width(value) * 1233 >> 12;  // floor(log10(2^bits))
    return estimate + (value >= kPowersOfTen[static_cast<std::size_t>(estimate)] ? 1 : 0);
}

// The eight decimal digits of a value below 10^8 as text, the most significant in the lowest
// byte: split into halves of four digits, each into two of two, each into two digits, in the lanes
// of one 64-bit number (no lane overflows into the next). Independent of each other, three of
// these take far less time than the seventeen dependent divisions of a digit loop.
inline std::uint64_t EightDigits(std::uint32_t value) {
    std::uint64_t v = value / 10000 | std::uint64_t{value % 10000} << 32;
    const std::uint64_t hundreds = (v * 10486 >> 20) & 0x0000007F0000007FULL;  // lane / 100
    v = hundreds | (v - hundreds * 100) << 16;
    const std::uint64_t tens = (v * 103 >> 10) & 0x000F000F000F000FULL;  // lane / 10
    v = tens | (v - tens * 10) << 8;
    return v | kZeros;
}

#ifdef HSTEXPORT_SSE2_TEXT
// EightDigits of two values below 10^8 at once, `first`'s in the low half of the register, in its
// 16-bit lanes: each value split into two halves of four digits, each half copied into four lanes
// and divided there by 1000, 100, 10 and 1 (multiplications by reciprocals, exact below 10^4), the
// tens taken off by one lane's shift. Half the instructions of two EightDigits.
inline __m128i SixteenDigits(std::uint32_t first, std::uint32_t second) {
    const __m128i values = _mm_set_epi64x(second, first);  // in the even 32-bit lanes
    // value / 10^4 = value * ceil(2^45 / 10^4) >> 45, exact below 2^32.
    const __m128i upper =
        _mm_srli_epi64(_mm_mul_epu32(values, _mm_set1_epi32(static_cast<int>(0xD1B71759))), 45);
    const __m128i lower = _mm_sub_epi32(values, _mm_mul_epu32(upper, _mm_set1_epi32(10000)));
    // 32-bit lanes: first's upper and lower half, second's; times four for the divisions below.
    const __m128i halves = _mm_slli_epi32(_mm_or_si128(upper, _mm_slli_epi64(lower, 32)), 2);
    const auto digits = [](__m128i quadruple) {  // halves h, g as [h h h h g g g g] (times four)
        // floor(4h * m / 2^16) * s / 2^16 = h / 1000, h / 100, h / 10, h in turn
        const __m128i m = _mm_setr_epi16(8389, 5243, 13108, -32768, 8389, 5243, 13108, -32768);
        const __m128i s = _mm_setr_epi16(128, 2048, 8192, -32768, 128, 2048, 8192, -32768);
        const __m128i prefixes = _mm_mulhi_epu16(_mm_mulhi_epu16(quadruple, m), s);
        const __m128i tens = _mm_slli_epi64(_mm_mullo_epi16(prefixes, _mm_set1_epi16(10)), 16);
        return _mm_sub_epi16(prefixes, tens);  // each lane the last digit of its prefix
    };
    const __m128i firstDigits = digits(_mm_shuffle_epi32(_mm_unpacklo_epi16(halves, halves), 0xA0));
    const __m128i secondDigits =
        digits(_mm_shuffle_epi32(_mm_unpackhi_epi16(halves, halves), 0xA0));
    return _mm_or_si128(_mm_packus_epi16(firstDigits, secondDigits), _mm_set1_epi8('0'));
}
#endif

static_assert(std::endian::native == std::endian::little,
              "digits are stored eight at a time, the first in the lowest byte");

inline void StoreWord(char* at, std::uint64_t word) {
    std::memcpy(at, &word, sizeof word);
}

// The last `count` (1 to 8) of the eight digits of `value` at `at`; writes 8 bytes.
inline void StoreDigits(char* at, std::uint64_t value, int count) {
    StoreWord(at, EightDigits(static_cast<std::uint32_t>(value)) >> (8 * (8 - count)));
}

// Writes the `count` (1 to 20) digits of `value` so that they end at `end`; may write up to 8
// bytes past `end`. For whole numbers of 2^53 and more, whose digits are not the shortest ones.
inline void PutDigits(std::uint64_t value, int count, char* end) {
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

// Each scientific exponent's text, "e+dd" or "e-ddd", as one word whose top byte holds its length.
inline constexpr int kLowestExponent = -330;
inline constexpr auto kExponentWords = [] {
    std::array<std::uint64_t, 2 * 330 + 1> words{};
    for (int exponent = kLowestExponent; exponent <= -kLowestExponent; ++exponent) {
        const int power = exponent < 0 ? -exponent : exponent;
        const std::uint64_t sign = exponent < 0 ? '-' : '+';
        std::uint64_t word = 'e' | sign << 8;
        int length = 2;
        if (power >= 100) {
            word |= static_cast<std::uint64_t>('0' + power / 100) << (8 * length++);
        }
        word |= static_cast<std::uint64_t>('0' + power / 10 % 10) << (8 * length++);
        word |= static_cast<std::uint64_t>('0' + power % 10) << (8 * length++);
        words[static_cast<std::size_t>(exponent - kLowestExponent)] =
            word | static_cast<std::uint64_t>(length) << 56;
    }
    return words;
}();

// The shortest digits as text in three words, padded with '0's to 17 digits (9 for a float's):
// the first digit and seven more, eight more, the rest.
struct DigitWords {
    std::uint64_t first;
    std::uint64_t second;
    std::uint64_t third;
};

// The shortest digits padded with '0's to 17 (9 for a float's), as numbers: the first digit, the
// next eight, the last eight (a float has none: 0).
struct DigitParts {
    std::uint32_t lead;
    std::uint32_t middle;
    std::uint32_t last;
};

template <int kDigits>
inline DigitParts SplitDigits(std::uint64_t digits, int count) {
    const std::uint64_t normal = digits * kPowersOfTen[static_cast<std::size_t>(kDigits - count)];
    // The first nine digits below 10^9 take 32-bit arithmetic.
    const auto upper = static_cast<std::uint32_t>(kDigits == 17 ? normal / kEight : normal);
    return {upper / static_cast<std::uint32_t>(kEight), upper % static_cast<std::uint32_t>(kEight),
            kDigits == 17 ? static_cast<std::uint32_t>(normal % kEight) : 0};
}

#ifdef HSTEXPORT_SSE2_TEXT
// The digits as text (a double's 17, a float's 9 and seven '0's): the first 16 in a register, the
// 16th and 17th in the low bytes of `tail`.
struct DigitText {
    __m128i head;
    std::uint32_t tail;

    DigitWords Words() const {
        return {static_cast<std::uint64_t>(_mm_cvtsi128_si64(head)),
                static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(head, head))),
                tail >> 8 | kZeros << 8};
    }
};

template <int kDigits>
inline DigitText ToDigitText(std::uint64_t digits, int count) {
    const DigitParts parts = SplitDigits<kDigits>(digits, count);
    const __m128i rest = SixteenDigits(parts.middle, parts.last);
    return {_mm_or_si128(_mm_slli_si128(rest, 1),
                         _mm_cvtsi32_si128(static_cast<int>('0' + parts.lead))),
            static_cast<std::uint32_t>(_mm_extract_epi16(rest, 7))};
}
#endif

template <int kDigits>
inline DigitWords ToDigitWords(std::uint64_t digits, int count) {
    const DigitParts parts = SplitDigits<kDigits>(digits, count);
    const std::uint64_t middle = EightDigits(parts.middle);
    const std::uint64_t last = kDigits == 17 ? EightDigits(parts.last) : kZeros;
    return {('0' + parts.lead) | middle << 8, middle >> 56 | last << 8, last >> 56 | kZeros << 8};
}

// Where a value's text goes: the output, and the tag's cache of its last text. Each word is
// stored to both, rather than the cache filled by copying the output, whose bytes were just
// stored piecewise at other offsets: a load of them would wait for the stores to complete.
struct TextTargets {
    char* out;
    char* cache;

    void Word(std::ptrdiff_t at, std::uint64_t word) const {
        StoreWord(out + at, word);
        StoreWord(cache + at, word);
    }
#ifdef HSTEXPORT_SSE2_TEXT
    void Block(std::ptrdiff_t at, __m128i block) const {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), block);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cache + at), block);
    }
#endif
};

// The fixed form of a value below 1: "0.", -whole zeros, the digits.
template <int kDigits>
inline void PutBelowOne(const DigitWords& text, int whole, TextTargets to, int at) {
    to.Word(at, '0' | std::uint64_t{'.'} << 8 | kZeros << 16);
    to.Word(at + 8, kZeros);
    const int first = at + 2 - whole;
    to.Word(first, text.first);
    to.Word(first + 8, text.second);
    if constexpr (kDigits > 9) {  // a float's nine digits end in the second word
        to.Word(first + 16, text.third);
    }
}

#ifdef HSTEXPORT_SSE2_TEXT
// The digits with a point after the first `point` (1 to 16) of them, blended in one register: the
// digits before the point as they are, the point, those after it one place on. Returns the length
// of the digits shown and the point.
template <int kDigits>
inline int PutPoint(const DigitText& text, int count, int point, TextTargets to, int at) {
    const __m128i places = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i pointPlace = _mm_set1_epi8(static_cast<char>(point));
    const __m128i before = _mm_cmpgt_epi8(pointPlace, places);
    const __m128i dot = _mm_cmpeq_epi8(pointPlace, places);
    const __m128i after = _mm_slli_si128(text.head, 1);
    to.Block(at, _mm_or_si128(_mm_or_si128(_mm_and_si128(before, text.head),
                                           _mm_and_si128(dot, _mm_set1_epi8('.'))),
                              _mm_andnot_si128(_mm_or_si128(before, dot), after)));
    if constexpr (kDigits > 9) {  // a float's point comes after 8 digits at most
        // Places 16 and 17: the 16th digit, or the point after it, and the 17th.
        const std::uint32_t pointAt16 = 0 - static_cast<std::uint32_t>(point >> 4);
        const std::uint32_t tail = (text.tail & ~(pointAt16 & 0xFF)) | ('.' & pointAt16);
        to.Word(at + 16, tail | kZeros << 16);
    }
    return count > point ? count + 1 : point;
}
#endif

// The text std::to_chars gives without a format for a finite nonzero magnitude, at `at` in the
// targets: the shorter of the fixed and the scientific form of the shortest digits (fixed on a
// tie; "e" with a sign and at least two exponent digits). The scientific form and the fixed one
// with a digit before the point are one shape: the digits with a point after the first `point`
// of them, then for the scientific form the exponent, so that random values, which would
// mispredict a branch between them every other time, take none. Writes up to 33 bytes. Returns
// the length, or 0 for a whole number of 2^53 (2^24) or more shown in full, whose exact digits are
// not the shortest ones padded with zeros.
template <int kDigits>
inline int LayOut(std::uint64_t digits, int exponent, bool exactWhole, TextTargets to, int at) {
    const int count = DigitCount(digits);
    const int scientific = exponent + count - 1;  // the exponent of d.ddd
    const std::uint64_t exponentWord =
        kExponentWords[static_cast<std::size_t>(scientific - kLowestExponent)];
    const int scientificLength = count + (count > 1 ? 1 : 0) + static_cast<int>(exponentWord >> 56);
    const int whole = count + exponent;  // digits before the point in the fixed form
    // exponent >= 0: `whole` digits; below it the point and -exponent digits follow, after a "0"
    // when no digit is whole. By masks: GCC makes jumps of ?: here, taken at random.
    const int belowOne = (whole - 1) >> 31;  // all ones where whole <= 0
    const int fraction = exponent >> 31;     // all ones where exponent < 0
    const int fixedLength = whole + ((1 - whole) & belowOne) + ((1 - exponent) & fraction);
    // Which form is random for random values: it is a mask, and the rarer cases below are asked
    // with `&`, not `&&`, whose first test GCC would make a jump taken every other time.
    const bool fixed = fixedLength <= scientificLength;
    const int fixedMask = -static_cast<int>(fixed);
    if ((fixedMask & ~fraction & (static_cast<int>(exactWhole) - 1)) != 0) {
        return 0;
    }
#ifdef HSTEXPORT_SSE2_TEXT
    const DigitText text = ToDigitText<kDigits>(digits, count);
    if ((fixedMask & belowOne) != 0) {
        PutBelowOne<kDigits>(text.Words(), whole, to, at);
        return fixedLength;
    }
    const int length = PutPoint<kDigits>(text, count, 1 + ((whole - 1) & fixedMask), to, at);
#else
    const DigitWords text = ToDigitWords<kDigits>(digits, count);
    if ((fixedMask & belowOne) != 0) {
        PutBelowOne<kDigits>(text, whole, to, at);
        return fixedLength;
    }
    // 1 to 16: below 2^53 (2^24), a whole number has 16 digits at most.
    const int point = 1 + ((whole - 1) & fixedMask);
    to.Word(at, text.first);
    // A float's point comes after 8 digits at most (wholes below 2^24), and its digits after the
    // point fit the one shifted word below: the first word is all it needs stored unshifted.
    if constexpr (kDigits > 9) {
        to.Word(at + 8, text.second);
    }
    // The digits after the point: the 17 shifted down by `point` bytes.
    const bool high = point >= 8;
    const bool last = point >= 16;
    const std::uint64_t a = last ? text.third : high ? text.second : text.first;
    const std::uint64_t b = last ? kZeros : high ? text.third : text.second;
    const std::uint64_t c = high ? kZeros : text.third;
    const int shift = (point & 7) * 8;
    to.Word(at + point, '.');
    to.Word(at + point + 1, a >> shift | (b << 1) << (63 - shift));
    if constexpr (kDigits > 9) {
        to.Word(at + point + 9, b >> shift | (c << 1) << (63 - shift));
    }
    const int length = count > point ? count + 1 : point;
#endif
    // The exponent, stored whatever the form and counted in the scientific one.
    to.Word(at + length, exponentWord);
    return scientificLength + ((length - scientificLength) & fixedMask);
}

// Writes the shortest text of the value with bits `bits` to the targets (room for kRoom bytes
// each); returns its length.
template <typename T, typename Bits>
inline std::size_t Shortest(Bits bits, TextTargets to) {
    constexpr Bits kSign = Bits{1} << (sizeof(Bits) * 8 - 1);
    constexpr Bits kInfinity = std::bit_cast<Bits>(std::numeric_limits<T>::infinity());
    const Bits magnitudeBits = bits & ~kSign;
    const int negative = (bits & kSign) != 0 ? 1 : 0;
    if (magnitudeBits - 1 >= kInfinity - 1) {  // zero, infinity or NaN
        if (magnitudeBits == 0) {              // "0" or "-0"
            to.Word(0, negative != 0 ? '-' | std::uint64_t{'0'} << 8 : '0');
            return static_cast<std::size_t>(1 + negative);
        }
        const T value = std::bit_cast<T>(bits);
        const char* text = std::isnan(value) ? "nan" : negative != 0 ? "-inf" : "inf";
        const std::size_t length = std::strlen(text);  // whatever a NaN's sign and payload
        std::memcpy(to.out, text, length);
        std::memcpy(to.cache, text, length);
        return length;
    }
    const T magnitude = std::bit_cast<T>(magnitudeBits);
    to.Word(0, '-');
    constexpr T kExactWholes = static_cast<T>(std::uint64_t{1} << std::numeric_limits<T>::digits);
    const ShortestDecimal decimal = ToShortestDecimal(magnitude);
    constexpr int kDigits = std::numeric_limits<T>::max_digits10;
    const int length =
        LayOut<kDigits>(decimal.digits, decimal.exponent, magnitude < kExactWholes, to, negative);
    if (length != 0) {
        return static_cast<std::size_t>(negative + length);
    }
    // A whole number of 2^53 (2^24) or more in full: its exact digits, which may differ from the
    // shortest ones padded with zeros; std::to_chars's own from 2^64.
    char* end;
    if (magnitude >= static_cast<T>(18446744073709551616.0)) {
        end = std::to_chars(to.out, to.out + kLongestText, std::bit_cast<T>(bits)).ptr;
    } else {
        const auto value = static_cast<std::uint64_t>(magnitude);
        const int count = DigitCount(value);
        end = to.out + negative + count;
        PutDigits(value, count, end);
    }
    std::memcpy(to.cache, to.out, kLongestText);
    return static_cast<std::size_t>(end - to.out);
}

}  // namespace hstexport::shortest_text
