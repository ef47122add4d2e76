#include "tools/hstgen/series.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace hstgen {
namespace {

constexpr std::size_t kWriteChunk = 1 << 20;
constexpr std::int64_t kTrendSpread = 1000;  // units a trend value strays from its center

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t CompactSeconds(std::int64_t ticks) {
    return FloorDiv(ticks, kTicksPerSecond) - kSecondsFrom1601To1970;
}

std::string TagName(int index) {
    std::string digits = std::to_string(index + 1);
    return "Tag" + std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits;
}

// Spreads `wide` marked tags evenly over `count`, the last tag always among them.
bool IsWideTag(int index, int count, int wide) {
    return (index + 1) * wide / count > index * wide / count;
}

// 2^exponent for a normal double's exponent range, built from its bits rather than by libm.
double PowerOfTwo(int exponent) {
    const std::uint64_t bits = static_cast<std::uint64_t>(1023 + exponent) << 52;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

std::string CheckSeriesOptions(const SeriesOptions& options) {
    if (options.tags < 0 || options.tags > kMaxSeriesTags) {
        return "--tags must be 0 to " + std::to_string(kMaxSeriesTags);
    }
    if (options.wideTags < 0 || options.wideTags > options.tags) {
        return "--wide-tags must be 0 to the number of tags (" + std::to_string(options.tags) + ")";
    }
    if (options.layout == Layout::Wide || options.records == 0) {
        return "";
    }
    // Compact stamps run from the first to the last record without wrapping.
    const std::uint64_t steps = options.records - 1;
    const std::int64_t step = options.stepTicks;
    const std::uint64_t stepSize =
        step < 0 ? 0 - static_cast<std::uint64_t>(step) : static_cast<std::uint64_t>(step);
    const std::string range =
        "compact stamps must stay within signed 32 bits of seconds from 1970 "
        "(1901-12-13T20:45:52 to 2038-01-19T03:14:07)";
    if (stepSize != 0 && steps > std::numeric_limits<std::int64_t>::max() / stepSize) {
        return range;
    }
    const std::int64_t span = static_cast<std::int64_t>(steps) * step;
    const std::int64_t first = options.startTicks;
    if ((span > 0 && first > std::numeric_limits<std::int64_t>::max() - span) ||
        (span < 0 && first < std::numeric_limits<std::int64_t>::min() - span)) {
        return range;
    }
    for (std::int64_t ticks : {first, first + span}) {
        const std::int64_t seconds = CompactSeconds(ticks);
        if (seconds < std::numeric_limits<std::int32_t>::min() ||
            seconds > std::numeric_limits<std::int32_t>::max()) {
            return range;
        }
    }
    return "";
}

SeriesGenerator::SeriesGenerator(const SeriesOptions& options)
    : options_(options),
      state_(options.seed),
      ticks_(static_cast<std::uint64_t>(options.startTicks)) {
    header_.layout = options.layout;
    for (int i = 0; i < options.tags; ++i) {
        header_.tags.push_back(TagName(i));
    }
    if (options.pattern != ValuePattern::Trend) {
        return;
    }
    const bool compact = options.layout == Layout::Compact;
    for (int i = 0; i < options.tags; ++i) {
        TagState tag;
        if (IsWideTag(i, options.tags, options.wideTags)) {
            // 1e8 to 2e8: 13 characters with %10.3f. Compact steps are coarser, as floats there
            // lie 8 or 16 apart.
            tag.unitExponent = compact ? 4 : -2;
            const auto value = static_cast<std::int64_t>(100'000'000 + Below(100'000'000));
            tag.center =
                tag.unitExponent > 0 ? value >> tag.unitExponent : value << -tag.unitExponent;
        } else {
            // -2000 to 18000 with a fine unit (2^-10 to 2^-4): at most 10 characters.
            tag.unitExponent = -4 - static_cast<int>(Below(7));
            const auto whole = static_cast<std::int64_t>(Below(20'000)) - 2'000;
            tag.center = whole * (std::int64_t{1} << -tag.unitExponent) +
                         static_cast<std::int64_t>(Below(std::uint64_t{1} << -tag.unitExponent));
        }
        tag.level = tag.center;
        trend_.push_back(tag);
    }
}

// splitmix64: small, fast and the same everywhere.
std::uint64_t SeriesGenerator::Random() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

std::uint64_t SeriesGenerator::Below(std::uint64_t bound) {
    return Random() % bound;
}

double SeriesGenerator::TrendValue(TagState& tag) {
    const std::uint64_t r = Random();
    if ((r & 7) == 0) {
        const auto step = static_cast<std::int64_t>(1 + ((r >> 3) & 7));
        bool up = ((r >> 6) & 1) != 0;
        if (tag.level > tag.center + kTrendSpread) {
            up = false;
        } else if (tag.level < tag.center - kTrendSpread) {
            up = true;
        }
        tag.level += up ? step : -step;
    }
    // Exact: the level has far fewer than 53 significant bits, and the unit is a power of two.
    return static_cast<double>(tag.level) * PowerOfTwo(tag.unitExponent);
}

double SeriesGenerator::RandomValue() {
    const std::uint64_t r = Random();
    if ((r & 15) == 0) {
        return 0.0;
    }
    // Built from its bits: sign, a binary exponent from -60 to 60 (about 1e-18 to 2e18, so also
    // within float range) and a random mantissa.
    const std::uint64_t sign = (r >> 4) & 1;
    const auto exponent = static_cast<std::uint64_t>(1023 - 60 + static_cast<int>((r >> 5) % 121));
    const std::uint64_t mantissa = Random() >> 12;
    const std::uint64_t bits = (sign << 63) | (exponent << 52) | mantissa;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void SeriesGenerator::Next(Record& record) {
    record.raw.reset();
    const std::int64_t ticks = static_cast<std::int64_t>(ticks_);
    record.stamp = options_.layout == Layout::Compact ? CompactSeconds(ticks) : ticks;
    ticks_ += static_cast<std::uint64_t>(options_.stepTicks);

    const auto count = static_cast<std::size_t>(options_.tags);
    record.values.resize(count);
    record.valueBits.clear();
    for (std::size_t i = 0; i < count; ++i) {
        switch (options_.pattern) {
            case ValuePattern::Trend:
                record.values[i] = TrendValue(trend_[i]);
                break;
            case ValuePattern::Random:
                record.values[i] = RandomValue();
                break;
            case ValuePattern::Ramp:
                record.values[i] = static_cast<double>(index_) + static_cast<double>(i);
                break;
            case ValuePattern::Const:
                record.values[i] = options_.constValue;
                break;
        }
    }
    if (options_.pattern == ValuePattern::Const && options_.constBits) {
        record.valueBits.assign(count, options_.constBits);
    }
    ++index_;
}

HistoryPlan BuildSeriesPlan(const SeriesOptions& options) {
    SeriesGenerator generator(options);
    HistoryPlan content = generator.header();
    content.records.resize(options.records);
    for (Record& record : content.records) {
        generator.Next(record);
    }
    return content;
}

bool WriteSeriesFile(const std::string& path, const SeriesOptions& options) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    SeriesGenerator generator(options);
    std::string buffer = BuildHeaderBytes(generator.header());
    buffer.reserve(kWriteChunk + 4096);
    bool written = true;
    Record record;
    for (std::uint64_t i = 0; i < options.records && written; ++i) {
        generator.Next(record);
        AppendRecordBytes(buffer, options.layout, record);
        if (buffer.size() >= kWriteChunk) {
            written = std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size();
            buffer.clear();
        }
    }
    if (written && !buffer.empty()) {
        written = std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size();
    }
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(path.c_str());
    }
    return written;
}

}  // namespace hstgen
