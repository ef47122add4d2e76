// Micro-benchmarks of the record loop's other parts: the stamps' local time (per file against
// per record), a compact value's piece straight from the float, and a whole row of values with
// the per-tag repeat cache, on process-like and on random values. Run with TZ set, e.g.
// TZ=Europe/Berlin build/bench/record_loop_bench.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "converter/row_format.h"
#include "converter/value_columns.h"
#include "history/stamp_decoder.h"

namespace trendtab {
namespace {

constexpr std::int64_t kStart = 1'300'000'000;  // March 2011, before a change in Europe
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kSecondsFrom1601To1970 = 11'644'473'600;

void CompactStamps(benchmark::State& state, bool perFile) {
    FileStampDecoder decoder(Layout::Compact);
    std::int32_t stamp = kStart;
    RecordTime time;
    for (auto _ : state) {
        const bool kept =
            perFile ? decoder.DecodeCompact(stamp++, time) : DecodeCompactStamp(stamp++, time);
        benchmark::DoNotOptimize(kept);
        benchmark::DoNotOptimize(time);
    }
}
BENCHMARK_CAPTURE(CompactStamps, per_file, true);
BENCHMARK_CAPTURE(CompactStamps, per_record, false);

void WideStamps(benchmark::State& state, bool perFile) {
    FileStampDecoder decoder(Layout::Wide);
    std::uint64_t ticks = (kStart + kSecondsFrom1601To1970) * kTicksPerSecond;
    RecordTime time;
    for (auto _ : state) {
        ticks += kTicksPerSecond / 4;
        if (perFile) {
            decoder.DecodeWide(ticks, time);
        } else {
            DecodeWideStamp(ticks, time);
        }
        benchmark::DoNotOptimize(time);
    }
}
BENCHMARK_CAPTURE(WideStamps, per_file, true);
BENCHMARK_CAPTURE(WideStamps, per_record, false);

std::vector<float> RandomFloats() {
    std::mt19937 random(7);
    std::vector<float> values(4096);
    for (float& value : values) {
        // Magnitudes from about 1e-9 to 1e9, both signs.
        const auto exponent = static_cast<std::uint32_t>(97 + random() % 60);
        value = std::bit_cast<float>(
            static_cast<std::uint32_t>(exponent << 23 | (random() & 0x807FFFFFu)));
    }
    return values;
}

void CompactPiece(benchmark::State& state, bool fastPath) {
    const std::vector<float> values = RandomFloats();
    char out[fast::kMaxValuePiece + fast::kRoomPastPiece];
    std::string row;
    std::size_t i = 0;
    for (auto _ : state) {
        const float value = values[i++ & 4095];
        if (fastPath) {
            benchmark::DoNotOptimize(fast::PutCompactValuePiece(out, value, '\t', false, false));
        } else {
            row.clear();
            plain::AppendCompactValuePiece(row, value, '\t', false, false);
            benchmark::DoNotOptimize(row.data());
        }
    }
}
BENCHMARK_CAPTURE(CompactPiece, fast, true);
BENCHMARK_CAPTURE(CompactPiece, plain, false);

// 32 compact values per record; `changing` of them change from one record to the next. Through
// ValueColumns (the per-tag cache; columns four at a time where the processor can, or one by one),
// or value by value (the fast pieces either way).
enum class RowWay { kValueByValue, kOneByOne, kFourAtATime };
void CompactRows(benchmark::State& state, int changing, RowWay way) {
    constexpr int kTags = 32;
    const std::vector<float> pool = RandomFloats();
    std::vector<unsigned char> records(256 * kTags * 4);
    std::mt19937 random(3);
    for (std::size_t r = 0; r < 256; ++r) {
        for (int t = 0; t < kTags; ++t) {
            const float value =
                t < changing ? pool[random() & 4095] : pool[static_cast<std::size_t>(t)];
            std::memcpy(&records[(r * kTags + static_cast<std::size_t>(t)) * 4], &value, 4);
        }
    }
    ValueColumns columns(Layout::Compact, kTags, '\t', false, way == RowWay::kFourAtATime);
    std::vector<char> out(ValueColumns::LongestPieces(kTags) + fast::kRoomPastPiece);
    std::string row;
    std::size_t r = 0;
    for (auto _ : state) {
        const unsigned char* values = &records[(r++ & 255) * kTags * 4];
        if (way != RowWay::kValueByValue) {
            benchmark::DoNotOptimize(columns.Put(out.data(), values));
        } else {
            row.clear();
            for (int t = 0; t < kTags; ++t) {
                float value;
                std::memcpy(&value, values + 4 * t, 4);
                fast::AppendCompactValuePiece(row, value, '\t', t == kTags - 1, false);
            }
            benchmark::DoNotOptimize(row.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kTags);
}
BENCHMARK_CAPTURE(CompactRows, trend_four_at_a_time, 4, RowWay::kFourAtATime);
BENCHMARK_CAPTURE(CompactRows, trend_one_by_one, 4, RowWay::kOneByOne);
BENCHMARK_CAPTURE(CompactRows, trend_value_by_value, 4, RowWay::kValueByValue);
BENCHMARK_CAPTURE(CompactRows, mixed_four_at_a_time, 12, RowWay::kFourAtATime);
BENCHMARK_CAPTURE(CompactRows, mixed_one_by_one, 12, RowWay::kOneByOne);
BENCHMARK_CAPTURE(CompactRows, random_four_at_a_time, 32, RowWay::kFourAtATime);
BENCHMARK_CAPTURE(CompactRows, random_one_by_one, 32, RowWay::kOneByOne);
BENCHMARK_CAPTURE(CompactRows, random_value_by_value, 32, RowWay::kValueByValue);

}  // namespace
}  // namespace trendtab
