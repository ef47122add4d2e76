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

// Random magnitudes over many decades, both signs, as hstgen's random values have them.
template <typename T>
std::vector<T> RandomValues() {
    std::mt19937_64 random(26);
    std::vector<T> values(4096);
    for (T& value : values) {
        const double decades = std::ldexp(static_cast<double>(random() >> 11), -53) * 16 - 6;
        value = static_cast<T>((random() & 1 ? -1 : 1) * std::pow(10.0, decades));
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
    const auto values = RandomValues<T>();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hstexport::ToShortestDecimal(std::fabs(values[i++ & 4095])));
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
