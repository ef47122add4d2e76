// Shortest round-trip value text on random floats and doubles: std::to_chars against {fmt}'s
// Dragonbox digits (what hstexport's values use), and hstexport's whole value text.
#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>
#include <vector>

#include "tools/hstexport/shortest_decimal.h"
#include "tools/hstexport/value_text.h"

namespace {

// Random values as hstgen makes them: a sixteenth zeros, the others of either sign with a random
// mantissa and a binary exponent from -60 to 60 (about 1e-18 to 2e18), so that the digit counts
// and the fixed and scientific forms come in no order a branch predictor could learn.
template <typename T>
std::vector<T> RandomValues() {
    std::mt19937_64 random(26);
    std::vector<T> values(4096);
    for (T& value : values) {
        const std::uint64_t r = random();
        const double mantissa = 1 + std::ldexp(static_cast<double>(random() >> 12), -52);
        const double magnitude =
            (r & 15) == 0 ? 0.0 : std::ldexp(mantissa, static_cast<int>((r >> 5) % 121) - 60);
        value = static_cast<T>((r >> 4) & 1 ? -magnitude : magnitude);
    }
    return values;
}

template <typename T>
void StdToChars(benchmark::State& state) {
    const auto values = RandomValues<T>();
    char out[64];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::to_chars(out, out + sizeof out, values[i++ & 4095]).ptr);
        benchmark::ClobberMemory();
    }
}

template <typename T>
void DragonboxDigits(benchmark::State& state) {
    std::vector<T> magnitudes;  // Dragonbox takes finite nonzero magnitudes only
    for (const T value : RandomValues<T>()) {
        magnitudes.push_back(value == 0 ? T{1} : std::fabs(value));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hstexport::ToShortestDecimal(magnitudes[i++ & 4095]));
    }
}

template <typename T>
void HstexportValueText(benchmark::State& state) {
    const auto values = RandomValues<T>();
    hstexport::ValueText text;
    char out[hstexport::ValueText::kRoom];
    std::size_t i = 0;
    for (auto _ : state) {
        const T value = values[i++ & 4095];
        if constexpr (sizeof(T) == 4) {
            benchmark::DoNotOptimize(text.WriteFloat(std::bit_cast<std::uint32_t>(value), out));
        } else {
            benchmark::DoNotOptimize(text.WriteDouble(std::bit_cast<std::uint64_t>(value), out));
        }
        benchmark::ClobberMemory();
    }
}

BENCHMARK(StdToChars<float>);
BENCHMARK(DragonboxDigits<float>);
BENCHMARK(HstexportValueText<float>);
BENCHMARK(StdToChars<double>);
BENCHMARK(DragonboxDigits<double>);
BENCHMARK(HstexportValueText<double>);

}  // namespace
