// What the columns made four at a time share: the functions that run only where the processor has
// AVX2 (asked once at run time), and the eight digits of four numbers as text at once.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TRENDTAB_VECTOR_COLUMNS 1
#include <immintrin.h>

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

}  // namespace trendtab::fast

#else

namespace trendtab::fast {
inline bool HasVectorColumns() {
    return false;
}
}  // namespace trendtab::fast

#endif
