// A multi-level minimum/maximum summary of one history file, built in one pass over its records:
// the lowest level holds, per block of kLeafRecords records and per tag, the smallest and largest
// value (NaN left out) with their record numbers and the first NaN; each level above joins
// kFanOut nodes of the one below. A question about any run of whole blocks is answered from at
// most 2 * kFanOut nodes per level, so its cost does not grow with the run's length.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "history/history_file.h"

namespace trendtab {

inline constexpr std::uint32_t kNoRecord = std::numeric_limits<std::uint32_t>::max();

// What a run of records holds for one tag.
struct MinMaxNode {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    std::uint32_t minRecord = kNoRecord;  // the first record holding `min`; kNoRecord: all NaN
    std::uint32_t maxRecord = kNoRecord;
    std::uint32_t nanRecord = kNoRecord;  // the first record holding NaN

    bool HasValue() const { return minRecord != kNoRecord; }
    // Joins a run that comes after this one.
    void Join(const MinMaxNode& later);
};

class MinMaxSummary {
  public:
    static constexpr std::size_t kLeafRecords = 64;
    static constexpr std::size_t kFanOut = 8;

    // Reads the file's records (the count its size gives now) and summarises them. Null with
    // `reason` in plain words when the file cannot be read.
    static std::shared_ptr<const MinMaxSummary> Build(const std::string& path, std::string& reason);

    Layout layout() const { return layout_; }
    std::size_t tagCount() const { return tagCount_; }
    std::uint64_t recordStart() const { return recordStart_; }
    std::size_t recordSize() const { return recordSize_; }
    std::uint32_t recordCount() const { return recordCount_; }
    std::size_t leafCount() const { return leafLastTicks_.size(); }
    // The stamps never go back in time: the records are in time order.
    bool ordered() const { return ordered_; }
    // The earliest and the latest stamp (0 without records).
    std::uint64_t firstTicks() const { return firstTicks_; }
    std::uint64_t lastTicks() const { return lastTicks_; }
    // The last stamp of each block: in order when ordered().
    const std::vector<std::uint64_t>& leafLastTicks() const { return leafLastTicks_; }

    // The node of blocks [leafBegin, leafEnd) for `tag`.
    MinMaxNode Range(std::size_t tag, std::size_t leafBegin, std::size_t leafEnd) const;

    std::size_t MemoryBytes() const;

  private:
    Layout layout_ = Layout::Compact;
    std::size_t tagCount_ = 0;
    std::uint64_t recordStart_ = 0;
    std::size_t recordSize_ = 0;
    std::uint32_t recordCount_ = 0;
    bool ordered_ = true;
    std::uint64_t firstTicks_ = 0;
    std::uint64_t lastTicks_ = 0;
    std::vector<std::uint64_t> leafLastTicks_;
    // levels_[l][n * tagCount_ + tag]: node n of level l covers blocks [n * 8^l, (n + 1) * 8^l).
    std::vector<std::vector<MinMaxNode>> levels_;
};

}  // namespace trendtab
