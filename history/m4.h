// The M4 aggregation of a time series for a chart `width` pixels wide: per pixel column the
// first, last, smallest and largest sample (with their times), and every sample of a column that
// holds fewer than four. A line drawn through these points covers the same pixels as one drawn
// through every sample. NaN is left out of the smallest and largest; the first NaN of a column is
// kept so that the chart can leave a gap there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/minmax_summary.h"
#include "platform/positioned_reader.h"

namespace trendtab {

struct M4Sample {
    std::uint64_t ticks = 0;  // FILETIME ticks, UTC
    double value = 0;
    // Where the sample lies: the file's number in the archive << 32 | its record number. Samples
    // of one instant are ordered by it.
    std::uint64_t order = 0;
};

// Earlier in time, or at the same time earlier in the archive.
inline bool EarlierSample(const M4Sample& a, const M4Sample& b) {
    return a.ticks != b.ticks ? a.ticks < b.ticks : a.order < b.order;
}

struct M4Column {
    std::uint64_t count = 0;  // samples in the column, NaN included
    M4Sample first;           // when count > 0
    M4Sample last;
    bool hasValue = false;  // some sample is not NaN
    M4Sample min;           // when hasValue; the earliest of equal ones
    M4Sample max;
    bool hasNaN = false;
    M4Sample firstNaN;              // when hasNaN
    std::vector<M4Sample> samples;  // every sample while count < 4, in no particular order

    void Add(const M4Sample& sample);
    // Joins what another file (or another part of one) holds in the same column.
    void Merge(const M4Column& other);
};

// [from, to) in ticks cut into `width` columns. Column c begins at from + ceil((to - from) c /
// width), so that a sample's column is floor((t - from) width / (to - from)).
struct M4Window {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::uint32_t width = 0;

    bool Valid() const { return from < to && width > 0; }
    std::uint64_t ColumnStart(std::uint32_t column) const;
    std::uint32_t ColumnOf(std::uint64_t ticks) const;  // ticks within [from, to)
};

// Adds a sample to its column; nothing when it lies outside the window.
void AddToColumns(std::vector<M4Column>& columns, const M4Window& window, const M4Sample& sample);

// A tag of a file (0-based) and the columns (window.width long) it is added to.
struct M4Target {
    std::size_t tag = 0;
    std::vector<M4Column>* columns = nullptr;
};

// Adds tags of one summarised file to their columns, in one pass over the column edges. Raw
// records are read through `reader` only at column edges; a file out of time order is read
// whole. False with `reason` when the file no longer holds the summarised records.
bool QueryM4(const MinMaxSummary& summary, platform::PositionedReader& reader,
             const std::vector<M4Target>& targets, std::uint32_t fileNumber, const M4Window& window,
             std::string& reason);

// The points to draw, in time order: the column's samples when it holds fewer than four, else
// its first, smallest, largest, first NaN and last (each once).
std::vector<M4Sample> DrawnPoints(const std::vector<M4Column>& columns);

}  // namespace trendtab
