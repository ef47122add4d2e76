#include "history/m4.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "history/record_values.h"
#include "history/stamp_ticks.h"

namespace trendtab {

void M4Column::Add(const M4Sample& sample) {
    if (count == 0) {
        first = last = sample;
    } else {
        if (EarlierSample(sample, first)) {
            first = sample;
        }
        if (EarlierSample(last, sample)) {
            last = sample;
        }
    }
    if (std::isnan(sample.value)) {
        if (!hasNaN || EarlierSample(sample, firstNaN)) {
            firstNaN = sample;
            hasNaN = true;
        }
    } else {
        if (!hasValue || sample.value < min.value ||
            (sample.value == min.value && EarlierSample(sample, min))) {
            min = sample;
        }
        if (!hasValue || sample.value > max.value ||
            (sample.value == max.value && EarlierSample(sample, max))) {
            max = sample;
        }
        hasValue = true;
    }
    ++count;
    if (count < 4) {
        samples.push_back(sample);
    } else if (!samples.empty()) {
        samples.clear();
    }
}

void M4Column::Merge(const M4Column& other) {
    if (other.count == 0) {
        return;
    }
    if (count == 0) {
        *this = other;
        return;
    }
    if (EarlierSample(other.first, first)) {
        first = other.first;
    }
    if (EarlierSample(last, other.last)) {
        last = other.last;
    }
    if (other.hasValue) {
        if (!hasValue || other.min.value < min.value ||
            (other.min.value == min.value && EarlierSample(other.min, min))) {
            min = other.min;
        }
        if (!hasValue || other.max.value > max.value ||
            (other.max.value == max.value && EarlierSample(other.max, max))) {
            max = other.max;
        }
        hasValue = true;
    }
    if (other.hasNaN && (!hasNaN || EarlierSample(other.firstNaN, firstNaN))) {
        firstNaN = other.firstNaN;
        hasNaN = true;
    }
    count += other.count;
    if (count < 4) {
        samples.insert(samples.end(), other.samples.begin(), other.samples.end());
    } else {
        samples.clear();
    }
}

std::uint64_t M4Window::ColumnStart(std::uint32_t column) const {
    const unsigned __int128 span = to - from;
    return from + static_cast<std::uint64_t>((span * column + width - 1) / width);
}

std::uint32_t M4Window::ColumnOf(std::uint64_t ticks) const {
    const unsigned __int128 offset = ticks - from;
    return static_cast<std::uint32_t>(offset * width / (to - from));
}

void AddToColumns(std::vector<M4Column>& columns, const M4Window& window, const M4Sample& sample) {
    if (sample.ticks >= window.from && sample.ticks < window.to) {
        columns[window.ColumnOf(sample.ticks)].Add(sample);
    }
}

namespace {

// Whole blocks of records read at column edges; the last two are kept, since a column's left
// edge is the previous column's right one.
class EdgeRecords {
  public:
    EdgeRecords(const MinMaxSummary& summary, platform::PositionedReader& reader,
                std::uint32_t fileNumber)
        : summary_(summary), reader_(reader), fileNumber_(fileNumber) {}

    // The record's bytes, or null when the file no longer holds it.
    const unsigned char* Record(std::uint32_t index) {
        const std::size_t leaf = index / MinMaxSummary::kLeafRecords;
        Slot* slot = Load(leaf);
        if (!slot) {
            return nullptr;
        }
        return slot->bytes.data() +
               (index - leaf * MinMaxSummary::kLeafRecords) * summary_.recordSize();
    }
    bool Sample(std::uint32_t index, std::size_t tag, M4Sample& sample) {
        const unsigned char* record = Record(index);
        if (!record) {
            return false;
        }
        sample.ticks = StampTicks(record, summary_.layout());
        sample.value = RecordValue(record, summary_.layout(), tag);
        sample.order = static_cast<std::uint64_t>(fileNumber_) << 32 | index;
        return true;
    }
    // The first record stamped at `ticks` or later; recordCount() when none is. Null-safe:
    // false when the file no longer holds a record it needs.
    bool LowerBound(std::uint64_t ticks, std::uint32_t& index) {
        const auto& lasts = summary_.leafLastTicks();
        const auto leaf = static_cast<std::size_t>(
            std::partition_point(lasts.begin(), lasts.end(),
                                 [&](std::uint64_t last) { return last < ticks; }) -
            lasts.begin());
        if (leaf == lasts.size()) {
            index = summary_.recordCount();
            return true;
        }
        const std::uint32_t begin = static_cast<std::uint32_t>(leaf * MinMaxSummary::kLeafRecords);
        const std::uint32_t end = std::min<std::uint32_t>(
            summary_.recordCount(),
            begin + static_cast<std::uint32_t>(MinMaxSummary::kLeafRecords));
        for (index = begin; index < end; ++index) {
            const unsigned char* record = Record(index);
            if (!record) {
                return false;
            }
            if (StampTicks(record, summary_.layout()) >= ticks) {
                return true;
            }
        }
        return true;  // the block's last stamp is >= ticks, so this is not reached for sound files
    }

    // The stamp of a record whose value is known (a summary node's): from a kept block, or
    // read alone, leaving the kept blocks as they are.
    bool Stamp(std::uint32_t index, double value, M4Sample& sample) {
        const std::size_t leaf = index / MinMaxSummary::kLeafRecords;
        unsigned char stamp[8];
        const unsigned char* record = nullptr;
        for (Slot& slot : slots_) {
            if (slot.leaf == leaf) {
                record = slot.bytes.data() +
                         (index - leaf * MinMaxSummary::kLeafRecords) * summary_.recordSize();
            }
        }
        if (!record && summary_.StampOf(index, sample.ticks)) {
            sample.value = value;
            sample.order = static_cast<std::uint64_t>(fileNumber_) << 32 | index;
            return true;
        }
        if (!record) {
            const std::size_t size =
                summary_.layout() == Layout::Wide ? kWideStampSize : kCompactStampSize;
            if (reader_.ReadAt(summary_.recordStart() +
                                   static_cast<std::uint64_t>(index) * summary_.recordSize(),
                               stamp, size) != size) {
                return false;
            }
            record = stamp;
        }
        sample.ticks = StampTicks(record, summary_.layout());
        sample.value = value;
        sample.order = static_cast<std::uint64_t>(fileNumber_) << 32 | index;
        return true;
    }

  private:
    struct Slot {
        std::size_t leaf = SIZE_MAX;
        std::vector<unsigned char> bytes;
    };
    Slot* Load(std::size_t leaf) {
        for (Slot& slot : slots_) {
            if (slot.leaf == leaf) {
                return &slot;
            }
        }
        Slot& slot = slots_[next_];
        next_ = 1 - next_;
        const std::size_t first = leaf * MinMaxSummary::kLeafRecords;
        const std::size_t records =
            std::min<std::size_t>(MinMaxSummary::kLeafRecords, summary_.recordCount() - first);
        slot.bytes.resize(records * summary_.recordSize());
        slot.leaf = SIZE_MAX;
        if (reader_.ReadAt(summary_.recordStart() + first * summary_.recordSize(),
                           slot.bytes.data(), slot.bytes.size()) != slot.bytes.size()) {
            return nullptr;
        }
        slot.leaf = leaf;
        return &slot;
    }

    const MinMaxSummary& summary_;
    platform::PositionedReader& reader_;
    std::uint32_t fileNumber_;
    std::array<Slot, 2> slots_;
    std::size_t next_ = 0;
};

constexpr const char* kCutShort = "the file no longer holds its summarised records";

// Every record of the file, for a file out of time order.
bool ScanM4(const MinMaxSummary& summary, platform::PositionedReader& reader,
            const std::vector<M4Target>& targets, std::uint32_t fileNumber, const M4Window& window,
            std::string& reason) {
    EdgeRecords records(summary, reader, fileNumber);
    for (std::uint32_t index = 0; index < summary.recordCount(); ++index) {
        for (const M4Target& target : targets) {
            M4Sample sample;
            if (!records.Sample(index, target.tag, sample)) {
                reason = kCutShort;
                return false;
            }
            AddToColumns(*target.columns, window, sample);
        }
    }
    return true;
}

}  // namespace

bool QueryM4(const MinMaxSummary& summary, platform::PositionedReader& reader,
             const std::vector<M4Target>& targets, std::uint32_t fileNumber, const M4Window& window,
             std::string& reason) {
    if (summary.recordCount() == 0 || window.to <= summary.firstTicks() ||
        window.from > summary.lastTicks() || targets.empty()) {
        return true;
    }
    if (!summary.ordered()) {
        return ScanM4(summary, reader, targets, fileNumber, window, reason);
    }
    EdgeRecords records(summary, reader, fileNumber);
    constexpr std::uint32_t kLeaf = MinMaxSummary::kLeafRecords;
    auto boundary = [&](std::uint32_t column, std::uint32_t& index) {
        const std::uint64_t start = window.ColumnStart(column);
        if (start <= summary.firstTicks()) {
            index = 0;
            return true;
        }
        if (start > summary.lastTicks()) {
            index = summary.recordCount();
            return true;
        }
        return records.LowerBound(start, index);
    };
    auto addRaw = [&](M4Column& column, std::size_t tag, std::uint32_t begin, std::uint32_t end) {
        if (end - begin < 4) {
            for (std::uint32_t index = begin; index < end; ++index) {
                M4Sample sample;
                if (!records.Sample(index, tag, sample)) {
                    return false;
                }
                column.Add(sample);
            }
            return true;
        }
        // A run of four or more in time order: its first and last are its ends, its smallest and
        // largest the first of equal ones; only those samples are made.
        std::uint32_t minIndex = kNoRecord;
        std::uint32_t maxIndex = kNoRecord;
        std::uint32_t nanIndex = kNoRecord;
        double min = 0;
        double max = 0;
        for (std::uint32_t index = begin; index < end; ++index) {
            const unsigned char* record = records.Record(index);
            if (!record) {
                return false;
            }
            const double value = RecordValue(record, summary.layout(), tag);
            if (std::isnan(value)) {
                nanIndex = nanIndex == kNoRecord ? index : nanIndex;
            } else if (minIndex == kNoRecord) {
                min = max = value;
                minIndex = maxIndex = index;
            } else if (value < min) {
                min = value;
                minIndex = index;
            } else if (value > max) {
                max = value;
                maxIndex = index;
            }
        }
        M4Column run;
        run.count = end - begin;
        bool read = records.Sample(begin, tag, run.first) && records.Sample(end - 1, tag, run.last);
        if (minIndex != kNoRecord) {
            run.hasValue = true;
            read = read && records.Sample(minIndex, tag, run.min) &&
                   records.Sample(maxIndex, tag, run.max);
        }
        if (nanIndex != kNoRecord) {
            run.hasNaN = true;
            read = read && records.Sample(nanIndex, tag, run.firstNaN);
        }
        column.Merge(run);
        return read;
    };
    // The columns before the file's first stamp hold none of its records.
    std::uint32_t c =
        summary.firstTicks() < window.from ? 0 : window.ColumnOf(summary.firstTicks());
    std::uint32_t begin = 0;
    if (!boundary(c, begin)) {
        reason = kCutShort;
        return false;
    }
    for (; c < window.width && begin < summary.recordCount(); ++c) {
        std::uint32_t end = 0;
        if (!boundary(c + 1, end)) {
            reason = kCutShort;
            return false;
        }
        if (begin == end) {
            continue;
        }
        const std::uint32_t firstLeaf = begin / kLeaf;
        const std::uint32_t lastLeaf = (end - 1) / kLeaf;
        for (const M4Target& target : targets) {
            M4Column column;
            bool read = true;
            if (lastLeaf <= firstLeaf + 1) {
                read = addRaw(column, target.tag, begin, end);
            } else {
                // The ragged ends from the records, the whole blocks between from the summary.
                read = addRaw(column, target.tag, begin, (firstLeaf + 1) * kLeaf) &&
                       addRaw(column, target.tag, lastLeaf * kLeaf, end);
                const MinMaxNode node = summary.Range(target.tag, firstLeaf + 1, lastLeaf);
                M4Column middle;
                middle.count = static_cast<std::uint64_t>(lastLeaf - firstLeaf - 1) * kLeaf;
                // Its first and last lie between the ends' samples, so never win: the
                // column's own first stands in for both, without a read.
                middle.first = middle.last = column.first;
                if (read && node.HasValue()) {
                    middle.hasValue = true;
                    read = records.Stamp(node.minRecord, node.min, middle.min) &&
                           records.Stamp(node.maxRecord, node.max, middle.max);
                }
                if (read && node.nanRecord != kNoRecord) {
                    middle.hasNaN = true;
                    read = records.Stamp(node.nanRecord, std::numeric_limits<double>::quiet_NaN(),
                                         middle.firstNaN);
                }
                column.Merge(middle);
            }
            if (!read) {
                reason = kCutShort;
                return false;
            }
            (*target.columns)[c].Merge(column);
        }
        begin = end;
    }
    return true;
}

std::vector<M4Sample> DrawnPoints(const std::vector<M4Column>& columns) {
    std::vector<M4Sample> points;
    for (const M4Column& column : columns) {
        const std::size_t start = points.size();
        if (column.count == 0) {
            continue;
        }
        if (column.count < 4) {
            points.insert(points.end(), column.samples.begin(), column.samples.end());
        } else {
            points.push_back(column.first);
            if (column.hasValue) {
                points.push_back(column.min);
                points.push_back(column.max);
            }
            if (column.hasNaN) {
                points.push_back(column.firstNaN);
            }
            points.push_back(column.last);
        }
        std::sort(points.begin() + static_cast<std::ptrdiff_t>(start), points.end(), EarlierSample);
        points.erase(
            std::unique(points.begin() + static_cast<std::ptrdiff_t>(start), points.end(),
                        [](const M4Sample& a, const M4Sample& b) { return a.order == b.order; }),
            points.end());
    }
    return points;
}

}  // namespace trendtab
