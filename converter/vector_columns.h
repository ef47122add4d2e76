// What the columns made four at a time share: the functions that run only where the processor has
// AVX2 and FMA (asked once at run time), the eight digits of four numbers as text at once, and the
// run of values taken four at a time, the undecided ones mended one by one.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TRENDTAB_VECTOR_COLUMNS 1
#include <immintrin.h>

#include <cstddef>
#include <cstring>

#include "converter/compact_piece.h"
#include "converter/row_format.h"

// Everything else stays on the build's baseline instructions.
#define TRENDTAB_AVX2 __attribute__((target("avx2,fma")))

namespace trendtab::fast {

// Whether this processor runs the functions marked TRENDTAB_AVX2; fixed for the process.
inline bool HasVectorColumns() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

// The eight decimal digits of each of four numbers below 10^8 (in the low half of each 64-bit
// lane) as text, the first digit in the lowest byte: halves of four digits, then pairs, then
// digits. A lane's quotient and remainder side by side as w * 2^k - q * (d * 2^k - 1), one
// multiplication.
TRENDTAB_AVX2 inline __m256i EightDigitTexts(__m256i value) {
    const __m256i high =
        _mm256_srli_epi64(_mm256_mul_epu32(value, _mm256_set1_epi64x(109951163)), 40);
    const __m256i low = _mm256_sub_epi64(value, _mm256_mul_epu32(high, _mm256_set1_epi64x(10000)));
    __m256i text = _mm256_or_si256(high, _mm256_slli_epi64(low, 32));
    const __m256i hundreds =
        _mm256_srli_epi16(_mm256_mulhi_epu16(text, _mm256_set1_epi16(5243)), 3);
    text = _mm256_sub_epi32(_mm256_slli_epi32(text, 16),
                            _mm256_mullo_epi32(hundreds, _mm256_set1_epi32(100 * 65536 - 1)));
    const __m256i tens = _mm256_mulhi_epu16(text, _mm256_set1_epi16(6554));
    text = _mm256_sub_epi16(_mm256_slli_epi16(text, 8),
                            _mm256_mullo_epi16(tens, _mm256_set1_epi16(10 * 256 - 1)));
    return _mm256_or_si256(text, _mm256_set1_epi8('0'));
}

// 1.0 where the mask is set, else 0.0.
TRENDTAB_AVX2 inline __m256d Ones(__m256d mask) {
    return _mm256_and_pd(mask, _mm256_set1_pd(1.0));
}

// One of four 32-bit lanes (the extraction wants a constant lane).
TRENDTAB_AVX2 inline std::size_t LaneOf(__m128i lanes, int lane) {
    int value = 0;
    switch (lane) {
        case 0:
            value = _mm_extract_epi32(lanes, 0);
            break;
        case 1:
            value = _mm_extract_epi32(lanes, 1);
            break;
        case 2:
            value = _mm_extract_epi32(lanes, 2);
            break;
        default:
            value = _mm_extract_epi32(lanes, 3);
            break;
    }
    return static_cast<std::size_t>(value);
}

// From the table entries of four lanes (16-byte aligned), `first` and the double after it: the
// firsts of lanes 0 to 3 in one register, the seconds in the other. Loaded a pair at a time by
// lane (gathers waited longer), unpacked into lane order.
struct LanePairs {
    __m256d first;
    __m256d second;
};
template <typename Entry>
TRENDTAB_AVX2 inline LanePairs LoadLanePairs(const Entry* const (&entries)[4],
                                             const double Entry::*first) {
    const auto pair = [&](int lane) { return _mm_load_pd(&(entries[lane]->*first)); };
    const __m256d even = _mm256_insertf128_pd(_mm256_castpd128_pd256(pair(0)), pair(2), 1);
    const __m256d odd = _mm256_insertf128_pd(_mm256_castpd128_pd256(pair(1)), pair(3), 1);
    return {_mm256_unpacklo_pd(even, odd), _mm256_unpackhi_pd(even, odd)};
}

// Four columns at `out`: lanes 0 and 2 in `even`, 1 and 3 in `odd`, 16 bytes each.
TRENDTAB_AVX2 inline void StoreFourColumns(char* out, __m256i even, __m256i odd) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(even));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + kColumnStride), _mm256_castsi256_si128(odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * kColumnStride),
                     _mm256_extracti128_si256(even, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * kColumnStride),
                     _mm256_extracti128_si256(odd, 1));
}

// The columns of `count` values of kValueSize bytes, four at a time by `four(out, values)`, which
// returns a bit for each lane it left undecided; those lanes' columns are made again by
// `putOne(out, value)`, aside (its piece reaches further past the column). Returns the end.
template <std::size_t kValueSize, typename Four, typename One>
TRENDTAB_AVX2 inline char* PutColumnsInFours(char* out, const unsigned char* values,
                                             std::size_t count, const Four& four,
                                             const One& putOne) {
    const auto mend = [&](char* at, const unsigned char* group, int undecided) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            if ((undecided >> lane & 1) != 0) {
                char piece[kMaxValuePiece + kRoomPastPiece];
                putOne(piece, group + kValueSize * lane);
                std::memcpy(at + kColumnStride * lane, piece, kColumnStride);
            }
        }
    };
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4, out += 4 * kColumnStride) {
        const int undecided = four(out, values + kValueSize * i);
        if (undecided != 0) [[unlikely]] {
            mend(out, values + kValueSize * i, undecided);
        }
    }
    const std::size_t rest = count - i;
    if (rest == 0) {
        return out;
    }
    // The last one to three with zeros after them, made aside: the four columns reach further past
    // the last one than the room behind the row.
    unsigned char padded[4 * kValueSize] = {};
    std::memcpy(padded, values + kValueSize * i, kValueSize * rest);
    char columns[4 * kColumnStride + 16];
    const int undecided = four(columns, padded);
    if (undecided != 0) [[unlikely]] {
        mend(columns, padded, undecided);
    }
    std::memcpy(out, columns, rest * kColumnStride);
    return out + rest * kColumnStride;
}

}  // namespace trendtab::fast

#else

namespace trendtab::fast {
inline bool HasVectorColumns() {
    return false;
}
}  // namespace trendtab::fast

#endif
