// Generated series of any size: well-formed files with tags Tag001, Tag002, ... and records at
// a fixed step, whose values follow one of a few patterns. The same options give the same bytes
// on every platform: the generator has its own random numbers and uses only exact or correctly
// rounded floating-point operations.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/hstgen/hst_writer.h"

namespace hstgen {

enum class ValuePattern {
    Trend,   // like process data: most values repeat the previous one, the rest move a little
    Random,  // magnitudes over many decades, both signs, some exact zeros
    Ramp,    // record r, tag t: r + t
    Const,   // every value the same
};

struct SeriesOptions {
    Layout layout = Layout::Compact;
    int tags = 4;  // 0..250
    std::uint64_t records = 1000;
    std::int64_t startTicks = (1'577'836'800 + kSecondsFrom1601To1970) * kTicksPerSecond;
    std::int64_t stepTicks = kTicksPerSecond;  // may be negative
    ValuePattern pattern = ValuePattern::Trend;
    double constValue = 0;                   // Const
    std::optional<std::uint64_t> constBits;  // Const: exact bits instead of constValue
    std::uint64_t seed = 1;
    int wideTags = 0;  // Trend: tags whose values print wider than 10 characters with %10.3f
};

constexpr int kMaxSeriesTags = 250;

// What is wrong with `options`, or "" when they describe a series that can be written. Compact
// stamps must stay within 32 bits of seconds; wide stamps wrap modulo 2^64.
std::string CheckSeriesOptions(const SeriesOptions& options);

// Makes the records one after another, in constant memory.
class SeriesGenerator {
  public:
    explicit SeriesGenerator(const SeriesOptions& options);

    // The file's header fields and tags, without records.
    const HistoryPlan& header() const { return header_; }

    // Fills `record` (stamp and values) with the next record. `record` may be reused.
    void Next(Record& record);

  private:
    struct TagState {
        std::int64_t center = 0;  // in units
        std::int64_t level = 0;   // current value, in units
        int unitExponent = 0;     // value = level * 2^unitExponent
    };

    std::uint64_t Random();
    std::uint64_t Below(std::uint64_t bound);
    double TrendValue(TagState& tag);
    double RandomValue();

    SeriesOptions options_;
    HistoryPlan header_;
    std::uint64_t state_;
    std::uint64_t index_ = 0;
    std::uint64_t ticks_;  // stamp of the next record, wrapping
    std::vector<TagState> trend_;
};

// The whole series in memory; for small series and for checking the streamed writer.
HistoryPlan BuildSeriesPlan(const SeriesOptions& options);

// Streams the series to `path` in constant memory; false when it cannot be written (a partly
// written file is removed). The options must pass CheckSeriesOptions.
bool WriteSeriesFile(const std::string& path, const SeriesOptions& options);

}  // namespace hstgen
