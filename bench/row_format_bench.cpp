// The row pieces, fast against plain: values as columns and with "/e", compact values read back
// through "%e", and the date and time pieces. Each iteration formats a batch of typical inputs.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "converter/row_format.h"

namespace trendtab {
namespace {

constexpr std::size_t kBatch = 1024;

// Trend values: levels, flows and temperatures with a few decimals, some negative, some large.
std::vector<double> TypicalValues() {
    std::mt19937_64 engine(42);
    std::vector<double> values;
    for (std::size_t i = 0; i < kBatch; ++i) {
        const double magnitude = static_cast<double>(engine() % 1'000'000) / 1000.0;
        const double scale = (i % 8 == 0) ? 1000.0 : 1.0;
        values.push_back((i % 5 == 0 ? -magnitude : magnitude) * scale);
    }
    return values;
}

std::vector<float> NearestFloats(const std::vector<double>& values) {
    std::vector<float> floats;
    for (const double value : values) {
        floats.push_back(static_cast<float>(value));
    }
    return floats;
}

// Random values as the generator makes them: both signs, binary exponents from -60 to 60, random
// mantissas, one in sixteen zero. Magnitudes at random defeat branch prediction.
std::vector<double> RandomValues() {
    std::mt19937_64 engine(7);
    std::vector<double> values;
    for (std::size_t i = 0; i < kBatch; ++i) {
        const std::uint64_t r = engine();
        if ((r & 15) == 0) {
            values.push_back(0.0);
            continue;
        }
        const std::uint64_t sign = (r >> 4) & 1;
        const std::uint64_t exponent = 1023 - 60 + (r >> 5) % 121;
        values.push_back(std::bit_cast<double>(sign << 63 | exponent << 52 | engine() >> 12));
    }
    return values;
}

std::vector<RecordTime> TypicalTimes() {
    std::vector<RecordTime> times;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(kBatch); ++i) {
        times.push_back(
            {i % 60, (i / 60) % 60, i % 24, 1 + i % 28, i % 12, 100 + i % 30, (i * 37) % 1000});
    }
    return times;
}

// Each value of the batch as a piece of one row, the last one ending it.
template <typename Value>
void Pieces(benchmark::State& state, const std::vector<Value>& values,
            void (*append)(std::string&, Value, char, bool, bool), bool extended) {
    std::string row;
    for (auto _ : state) {
        row.clear();
        for (std::size_t i = 0; i < values.size(); ++i) {
            append(row, values[i], '\t', i + 1 == values.size(), extended);
        }
        benchmark::DoNotOptimize(row.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}

using ValueAppender = void (*)(std::string&, double, char, bool, bool);

void Values(benchmark::State& state, ValueAppender append, bool extended) {
    Pieces(state, TypicalValues(), append, extended);
}
BENCHMARK_CAPTURE(Values, fast_columns, fast::AppendValuePiece, false);
BENCHMARK_CAPTURE(Values, plain_columns, plain::AppendValuePiece, false);
BENCHMARK_CAPTURE(Values, fast_extended, fast::AppendValuePiece, true);
BENCHMARK_CAPTURE(Values, plain_extended, plain::AppendValuePiece, true);

void RandomValuePieces(benchmark::State& state, bool extended) {
    Pieces(state, RandomValues(), fast::AppendValuePiece, extended);
}
BENCHMARK_CAPTURE(RandomValuePieces, columns, false);
BENCHMARK_CAPTURE(RandomValuePieces, extended, true);

void RandomCompactPieces(benchmark::State& state, bool extended) {
    Pieces(state, NearestFloats(RandomValues()), fast::AppendCompactValuePiece, extended);
}
BENCHMARK_CAPTURE(RandomCompactPieces, columns, false);
BENCHMARK_CAPTURE(RandomCompactPieces, extended, true);

void CompactRounding(benchmark::State& state, double (*round)(float)) {
    const std::vector<float> floats = NearestFloats(TypicalValues());
    for (auto _ : state) {
        double sum = 0;
        for (const float value : floats) {
            sum += round(value);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * floats.size()));
}
BENCHMARK_CAPTURE(CompactRounding, fast, fast::RoundCompactValue);
BENCHMARK_CAPTURE(CompactRounding, plain, plain::RoundCompactValue);

using DateAppender = void (*)(std::string&, const RecordTime&, char);
using TimeAppender = void (*)(std::string&, const RecordTime&, char, bool);

void DateAndTime(benchmark::State& state, DateAppender date, TimeAppender time,
                 bool withMilliseconds) {
    const std::vector<RecordTime> times = TypicalTimes();
    std::string row;
    for (auto _ : state) {
        row.clear();
        for (const RecordTime& t : times) {
            date(row, t, '\t');
            time(row, t, '\t', withMilliseconds);
        }
        benchmark::DoNotOptimize(row.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * times.size()));
}
BENCHMARK_CAPTURE(DateAndTime, fast, fast::AppendDatePiece, fast::AppendTimePiece, false);
BENCHMARK_CAPTURE(DateAndTime, plain, plain::AppendDatePiece, plain::AppendTimePiece, false);
BENCHMARK_CAPTURE(DateAndTime, fast_milliseconds, fast::AppendDatePiece, fast::AppendTimePiece,
                  true);
BENCHMARK_CAPTURE(DateAndTime, plain_milliseconds, plain::AppendDatePiece, plain::AppendTimePiece,
                  true);

}  // namespace
}  // namespace trendtab
