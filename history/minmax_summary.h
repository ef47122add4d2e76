// A multi-level minimum/maximum summary of one history file, built in one pass over its records:
// the lowest level holds, per block of kLeafRecords records and per tag, the smallest and largest
// value (NaN left out) with their record numbers and the first NaN; each level above joins
// kFanOut nodes of the one below. A question about any run of whole blocks is answered from at
// most 2 * kFanOut nodes per level, so its cost does not grow with the run's length.
//
// The lowest level, nearly all of the memory, is kept packed: values in the file's own width (a
// compact file's singles as singles, exactly) and record numbers as offsets within the block.
// A summary can be written to bytes and read back (the disk cache), and extended when its file
// has grown.
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
    // The same, reusing the whole blocks of `earlier` (a summary of the file when it was shorter)
    // when the file only grew: its header and the last of those blocks read as they did.
    // `extended` says whether it could; otherwise the file is summarised anew.
    static std::shared_ptr<const MinMaxSummary> Extend(const std::string& path,
                                                       const MinMaxSummary& earlier,
                                                       std::string& reason, bool& extended);

    // The summary as bytes (appended to `out`), and back: null when the bytes are not a
    // consistent summary (cut short, foreign, a record number beyond the records, ...).
    void Serialize(std::string& out) const;
    static std::shared_ptr<const MinMaxSummary> Deserialize(const unsigned char* data,
                                                            std::size_t size);

    Layout layout() const { return layout_; }
    std::size_t tagCount() const { return tagCount_; }
    std::uint64_t recordStart() const { return recordStart_; }
    std::size_t recordSize() const { return recordSize_; }
    std::uint32_t recordCount() const { return recordCount_; }
    std::size_t leafCount() const { return leafLastTicks_.size(); }
    // The node of block `leaf` for `tag`.
    MinMaxNode Leaf(std::size_t leaf, std::size_t tag) const;
    // The stamps never go back in time: the records are in time order.
    bool ordered() const { return ordered_; }
    // The earliest and the latest stamp (0 without records).
    std::uint64_t firstTicks() const { return firstTicks_; }
    std::uint64_t lastTicks() const { return lastTicks_; }
    // The last stamp of each block: in order when ordered().
    const std::vector<std::uint64_t>& leafLastTicks() const { return leafLastTicks_; }
    // The stamp of `record` without reading it, when its block's stamps are evenly spaced.
    bool StampOf(std::uint32_t record, std::uint64_t& ticks) const;

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
    friend class SummaryBuilder;
    const MinMaxNode& Upper(std::size_t level, std::size_t n, std::size_t tag) const {
        return upper_[level - 1][n * tagCount_ + tag];
    }
    void BuildUpperLevels();

    // What Extend checks: the bytes before the records, and the last whole block's records.
    std::uint64_t headerHash_ = 0;
    std::uint64_t lastBlockHash_ = 0;
    std::vector<std::uint64_t> leafLastTicks_;
    // Each block's first stamp, and 1 where its stamps are evenly spaced (a logger's fixed
    // period), so that a record's stamp follows from its number.
    std::vector<std::uint64_t> leafFirstTicks_;
    std::vector<std::uint8_t> leafRegular_;
    // The lowest level, node n * tagCount_ + tag: its smallest and largest value (in
    // leafSingles_ for a compact file, else leafDoubles_, two per node) and the offsets of their
    // records and of the first NaN in the block (three per node; kNoOffset: none).
    static constexpr std::uint8_t kNoOffset = 0xff;
    std::vector<float> leafSingles_;
    std::vector<double> leafDoubles_;
    std::vector<std::uint8_t> leafOffsets_;
    // upper_[l - 1][n * tagCount_ + tag]: node n of level l >= 1 covers blocks [n * 8^l,
    // (n + 1) * 8^l).
    std::vector<std::vector<MinMaxNode>> upper_;
};

}  // namespace trendtab
