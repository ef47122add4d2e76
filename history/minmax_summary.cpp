#include "history/minmax_summary.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <system_error>

#include "history/content_hash.h"
#include "history/little_endian.h"
#include "history/record_cursor.h"
#include "history/record_values.h"
#include "history/rejection_message.h"
#include "history/stamp_ticks.h"
#include "platform/file_services.h"
#include "platform/positioned_reader.h"

namespace trendtab {

void MinMaxNode::Join(const MinMaxNode& later) {
    // Ties keep the earlier record: later runs hold later records.
    if (later.HasValue()) {
        if (!HasValue() || later.min < min) {
            min = later.min;
            minRecord = later.minRecord;
        }
        if (!HasValue() || later.max > max) {
            max = later.max;
            maxRecord = later.maxRecord;
        }
    }
    if (nanRecord == kNoRecord) {
        nanRecord = later.nanRecord;
    }
}

// Summarises records one at a time into packed blocks, from the first record or after the whole
// blocks of an earlier summary.
class SummaryBuilder {
  public:
    explicit SummaryBuilder(MinMaxSummary& s) : s_(s), block_(s.tagCount_) {}

    // Starts after the first `index` records, whose blocks are already in the summary (whole
    // ones, in time order, the last stamped `previous`).
    void StartAt(std::uint32_t index, std::uint64_t previous) {
        index_ = index;
        previous_ = previous;
    }
    std::uint32_t index() const { return index_; }

    // Adds `count` records, `recordSize` bytes apart from `records`.
    void Add(const unsigned char* records, std::size_t count, std::size_t recordSize) {
        while (count > 0) {
            // A piece within one block: the stamps first, then tag by tag, each tag's smallest and
            // largest held in registers across the piece.
            const std::size_t inBlock = index_ % MinMaxSummary::kLeafRecords;
            const std::size_t take = std::min(count, MinMaxSummary::kLeafRecords - inBlock);
            AddStamps(records, take, recordSize);
            for (std::size_t tag = 0; tag < s_.tagCount_; ++tag) {
                AddValues(records, take, recordSize, tag);
            }
            index_ += static_cast<std::uint32_t>(take);
            records += take * recordSize;
            count -= take;
            if (index_ % MinMaxSummary::kLeafRecords == 0 || index_ == s_.recordCount_) {
                Pack();
            }
        }
    }

  private:
    void AddStamps(const unsigned char* records, std::size_t count, std::size_t recordSize) {
        MinMaxSummary& s = s_;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t ticks = StampTicks(records + i * recordSize, s.layout_);
            const std::uint32_t index = index_ + static_cast<std::uint32_t>(i);
            if (index == 0) {
                s.firstTicks_ = s.lastTicks_ = ticks;
            } else if (ticks < previous_) {
                s.ordered_ = false;
            }
            s.firstTicks_ = std::min(s.firstTicks_, ticks);
            s.lastTicks_ = std::max(s.lastTicks_, ticks);
            previous_ = ticks;
            if (index % MinMaxSummary::kLeafRecords == 0) {
                s.leafLastTicks_.push_back(ticks);
                std::fill(block_.begin(), block_.end(), MinMaxNode());
                blockFirst_ = ticks;
                blockRegular_ = true;
            } else if (index % MinMaxSummary::kLeafRecords == 1) {
                blockStep_ = ticks - blockPrevious_;
                blockRegular_ = ticks >= blockPrevious_;
            } else if (ticks < blockPrevious_ || ticks - blockPrevious_ != blockStep_) {
                blockRegular_ = false;
            }
            blockPrevious_ = ticks;
            s.leafLastTicks_.back() = std::max(s.leafLastTicks_.back(), ticks);
        }
    }

    void AddValues(const unsigned char* records, std::size_t count, std::size_t recordSize,
                   std::size_t tag) {
        MinMaxNode node = block_[tag];
        for (std::size_t i = 0; i < count; ++i) {
            const double value = RecordValue(records + i * recordSize, s_.layout_, tag);
            const std::uint32_t index = index_ + static_cast<std::uint32_t>(i);
            if (std::isnan(value)) {
                if (node.nanRecord == kNoRecord) {
                    node.nanRecord = index;
                }
                continue;
            }
            if (node.minRecord == kNoRecord || value < node.min) {
                node.min = value;
                node.minRecord = index;
            }
            if (node.maxRecord == kNoRecord || value > node.max) {
                node.max = value;
                node.maxRecord = index;
            }
        }
        block_[tag] = node;
    }

    void Pack() {
        MinMaxSummary& s = s_;
        const std::uint32_t blockStart =
            static_cast<std::uint32_t>((s.leafLastTicks_.size() - 1) * MinMaxSummary::kLeafRecords);
        auto offset = [blockStart](std::uint32_t record) {
            return record == kNoRecord ? MinMaxSummary::kNoOffset
                                       : static_cast<std::uint8_t>(record - blockStart);
        };
        s.leafFirstTicks_.push_back(blockFirst_);
        s.leafRegular_.push_back(blockRegular_ ? 1 : 0);
        for (const MinMaxNode& node : block_) {
            if (s.layout_ == Layout::Compact) {
                // Values of a compact file are singles widened: narrowing them back is exact.
                s.leafSingles_.push_back(static_cast<float>(node.min));
                s.leafSingles_.push_back(static_cast<float>(node.max));
            } else {
                s.leafDoubles_.push_back(node.min);
                s.leafDoubles_.push_back(node.max);
            }
            s.leafOffsets_.push_back(offset(node.minRecord));
            s.leafOffsets_.push_back(offset(node.maxRecord));
            s.leafOffsets_.push_back(offset(node.nanRecord));
        }
    }

    MinMaxSummary& s_;
    std::vector<MinMaxNode> block_;  // the block being summarised, per tag
    // Its first stamp, and whether its stamps are evenly spaced so far.
    std::uint64_t blockFirst_ = 0;
    std::uint64_t blockPrevious_ = 0;
    std::uint64_t blockStep_ = 0;
    bool blockRegular_ = true;
    std::uint32_t index_ = 0;
    std::uint64_t previous_ = 0;
};

namespace {

constexpr const char* kCutShort = "the file was cut short while it was read";

// The header fields a summary is made for; null with `reason` when the file cannot be read.
std::shared_ptr<MinMaxSummary> Prepare(const OpenedHistoryFile& opened, std::string& reason) {
    if (!opened.file) {
        reason = std::error_code(errno != 0 ? errno : ENOENT, std::generic_category()).message();
        return nullptr;
    }
    if (!opened.info.ok()) {
        reason = PlainRejectionReason(opened.info.error, opened.info.header);
        return nullptr;
    }
    if (opened.info.recordCount >= kNoRecord) {
        reason = "too many records to summarise";
        return nullptr;
    }
    return std::make_shared<MinMaxSummary>();
}

// Hashes `size` bytes at `offset`; false when the file holds fewer.
bool HashAt(platform::PositionedReader& reader, std::uint64_t offset, std::size_t size,
            std::uint64_t& hash) {
    std::vector<unsigned char> bytes(size);
    if (reader.ReadAt(offset, bytes.data(), size) != size) {
        return false;
    }
    hash = HashBytes(bytes.data(), size);
    return true;
}

}  // namespace

std::shared_ptr<const MinMaxSummary> MinMaxSummary::Build(const std::string& path,
                                                          std::string& reason) {
    bool extended = false;
    return Extend(path, MinMaxSummary(), reason, extended);
}

std::shared_ptr<const MinMaxSummary> MinMaxSummary::Extend(const std::string& path,
                                                           const MinMaxSummary& earlier,
                                                           std::string& reason, bool& extended) {
    extended = false;
    errno = 0;
    const OpenedHistoryFile opened = OpenHistoryFile(path);
    auto summary = Prepare(opened, reason);
    if (!summary) {
        return nullptr;
    }
    MinMaxSummary& s = *summary;
    const HistoryHeader& header = opened.info.header;
    s.layout_ = header.layout();
    s.tagCount_ = static_cast<std::size_t>(header.numTags);
    s.recordStart_ = opened.info.recordStart;
    s.recordSize_ = header.recordSize;
    s.recordCount_ = static_cast<std::uint32_t>(opened.info.recordCount);
    platform::PositionedReader reader(path);
    if (!HashAt(reader, 0, static_cast<std::size_t>(s.recordStart_), s.headerHash_)) {
        reason = kCutShort;
        return nullptr;
    }

    // The earlier summary's whole blocks, when the file only grew after them.
    const std::size_t wholeBlocks = earlier.recordCount_ / kLeafRecords;
    const std::size_t nodes = wholeBlocks * s.tagCount_;
    std::uint64_t lastBlockHash = 0;
    if (wholeBlocks > 0 && earlier.ordered_ && earlier.layout_ == s.layout_ &&
        earlier.tagCount_ == s.tagCount_ && earlier.recordStart_ == s.recordStart_ &&
        earlier.recordSize_ == s.recordSize_ && earlier.recordCount_ <= s.recordCount_ &&
        earlier.headerHash_ == s.headerHash_ &&
        HashAt(reader, s.recordStart_ + (wholeBlocks - 1) * kLeafRecords * s.recordSize_,
               kLeafRecords * s.recordSize_, lastBlockHash) &&
        lastBlockHash == earlier.lastBlockHash_) {
        s.leafLastTicks_.assign(earlier.leafLastTicks_.begin(),
                                earlier.leafLastTicks_.begin() + wholeBlocks);
        s.leafFirstTicks_.assign(earlier.leafFirstTicks_.begin(),
                                 earlier.leafFirstTicks_.begin() + wholeBlocks);
        s.leafRegular_.assign(earlier.leafRegular_.begin(),
                              earlier.leafRegular_.begin() + wholeBlocks);
        if (s.layout_ == Layout::Compact) {
            s.leafSingles_.assign(earlier.leafSingles_.begin(),
                                  earlier.leafSingles_.begin() + 2 * nodes);
        } else {
            s.leafDoubles_.assign(earlier.leafDoubles_.begin(),
                                  earlier.leafDoubles_.begin() + 2 * nodes);
        }
        s.leafOffsets_.assign(earlier.leafOffsets_.begin(),
                              earlier.leafOffsets_.begin() + 3 * nodes);
        s.firstTicks_ = earlier.firstTicks_;
        s.lastTicks_ = s.leafLastTicks_.back();
        extended = true;
    }

    const std::size_t leaves = (s.recordCount_ + kLeafRecords - 1) / kLeafRecords;
    s.leafLastTicks_.reserve(leaves);
    (s.layout_ == Layout::Compact ? s.leafSingles_.reserve(2 * leaves * s.tagCount_)
                                  : s.leafDoubles_.reserve(2 * leaves * s.tagCount_));
    s.leafOffsets_.reserve(3 * leaves * s.tagCount_);
    SummaryBuilder builder(s);
    const std::uint32_t start =
        extended ? static_cast<std::uint32_t>(wholeBlocks * kLeafRecords) : 0;
    builder.StartAt(start, s.lastTicks_);
    if (start > 0 && !platform::SeekTo(opened.file.get(),
                                       s.recordStart_ + std::uint64_t{start} * s.recordSize_)) {
        reason = "read error";
        return nullptr;
    }
    RecordCursor cursor(opened.file.get(), s.recordSize_, RecordCursor::kDefaultBlockBytes,
                        s.recordCount_ - start);
    for (RecordSpan span = cursor.Next(); !span.empty() && builder.index() < s.recordCount_;
         span = cursor.Next()) {
        builder.Add(span.data, std::min<std::size_t>(span.count, s.recordCount_ - builder.index()),
                    span.recordSize);
    }
    if (builder.index() < s.recordCount_) {
        reason = cursor.failed() ? "read error" : kCutShort;
        return nullptr;
    }
    const std::size_t lastWhole = s.recordCount_ / kLeafRecords;
    if (lastWhole > 0 &&
        !HashAt(reader, s.recordStart_ + (lastWhole - 1) * kLeafRecords * s.recordSize_,
                kLeafRecords * s.recordSize_, s.lastBlockHash_)) {
        reason = kCutShort;
        return nullptr;
    }
    s.BuildUpperLevels();
    return summary;
}

MinMaxNode MinMaxSummary::Leaf(std::size_t leaf, std::size_t tag) const {
    const std::size_t n = leaf * tagCount_ + tag;
    MinMaxNode node;
    if (layout_ == Layout::Compact) {
        node.min = leafSingles_[2 * n];
        node.max = leafSingles_[2 * n + 1];
    } else {
        node.min = leafDoubles_[2 * n];
        node.max = leafDoubles_[2 * n + 1];
    }
    const std::uint8_t* offsets = &leafOffsets_[3 * n];
    const auto blockStart = static_cast<std::uint32_t>(leaf * kLeafRecords);
    auto record = [blockStart](std::uint8_t offset) {
        return offset == kNoOffset ? kNoRecord : blockStart + offset;
    };
    node.minRecord = record(offsets[0]);
    node.maxRecord = record(offsets[1]);
    node.nanRecord = record(offsets[2]);
    return node;
}

bool MinMaxSummary::StampOf(std::uint32_t record, std::uint64_t& ticks) const {
    const std::size_t leaf = record / kLeafRecords;
    if (record >= recordCount_ || leafRegular_[leaf] == 0) {
        return false;
    }
    const std::uint64_t first = leafFirstTicks_[leaf];
    const std::size_t inBlock =
        std::min<std::size_t>(kLeafRecords, recordCount_ - leaf * kLeafRecords);
    const std::size_t offset = record - leaf * kLeafRecords;
    ticks = inBlock < 2 ? first : first + (leafLastTicks_[leaf] - first) / (inBlock - 1) * offset;
    return true;
}

void MinMaxSummary::BuildUpperLevels() {
    // The levels above, each kFanOut times smaller, until one node is left.
    upper_.clear();
    for (std::size_t count = leafCount(); count > 1;) {
        const std::size_t above = (count + kFanOut - 1) / kFanOut;
        std::vector<MinMaxNode> next(above * tagCount_);
        const std::size_t level = upper_.size();
        for (std::size_t n = 0; n < count; ++n) {
            for (std::size_t tag = 0; tag < tagCount_; ++tag) {
                next[(n / kFanOut) * tagCount_ + tag].Join(level == 0 ? Leaf(n, tag)
                                                                      : Upper(level, n, tag));
            }
        }
        upper_.push_back(std::move(next));
        count = above;
    }
}

namespace {

// Fixed-width little-endian fields, written and read back with bounds checked.
void Put(std::string& out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i) & 0xff));
    }
}

class FieldReader {
  public:
    FieldReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    bool Get(std::uint64_t& value, std::size_t bytes) {
        if (size_ - at_ < bytes) {
            return false;
        }
        value = 0;
        for (std::size_t i = bytes; i-- > 0;) {
            value = value << 8 | data_[at_ + i];
        }
        at_ += bytes;
        return true;
    }
    std::size_t left() const { return size_ - at_; }
    // `count` little-endian values of T's width into `values`.
    template <typename T, typename Bits>
    bool GetArray(std::vector<T>& values, std::size_t count) {
        static_assert(sizeof(T) == sizeof(Bits));
        if (left() / sizeof(T) < count) {
            return false;
        }
        values.resize(count);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(values.data(), data_ + at_, count * sizeof(T));
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                values[i] = std::bit_cast<T>(LoadLittleEndian<Bits>(data_ + at_ + i * sizeof(T)));
            }
        }
        at_ += count * sizeof(T);
        return true;
    }

  private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace

void MinMaxSummary::Serialize(std::string& out) const {
    Put(out, static_cast<std::uint64_t>(layout_ == Layout::Wide), 1);
    Put(out, ordered_ ? 1 : 0, 1);
    Put(out, tagCount_, 2);
    Put(out, recordCount_, 4);
    Put(out, recordStart_, 8);
    Put(out, recordSize_, 8);
    Put(out, firstTicks_, 8);
    Put(out, lastTicks_, 8);
    Put(out, headerHash_, 8);
    Put(out, lastBlockHash_, 8);
    for (const std::uint64_t ticks : leafLastTicks_) {
        Put(out, ticks, 8);
    }
    for (const std::uint64_t ticks : leafFirstTicks_) {
        Put(out, ticks, 8);
    }
    out.append(leafRegular_.begin(), leafRegular_.end());
    for (const float value : leafSingles_) {
        Put(out, std::bit_cast<std::uint32_t>(value), 4);
    }
    for (const double value : leafDoubles_) {
        Put(out, std::bit_cast<std::uint64_t>(value), 8);
    }
    out.append(leafOffsets_.begin(), leafOffsets_.end());
}

std::shared_ptr<const MinMaxSummary> MinMaxSummary::Deserialize(const unsigned char* data,
                                                                std::size_t size) {
    FieldReader in(data, size);
    auto summary = std::make_shared<MinMaxSummary>();
    MinMaxSummary& s = *summary;
    std::uint64_t wide = 0, ordered = 0, tags = 0, records = 0, recordSize = 0;
    if (!in.Get(wide, 1) || !in.Get(ordered, 1) || !in.Get(tags, 2) || !in.Get(records, 4) ||
        !in.Get(s.recordStart_, 8) || !in.Get(recordSize, 8) || !in.Get(s.firstTicks_, 8) ||
        !in.Get(s.lastTicks_, 8) || !in.Get(s.headerHash_, 8) || !in.Get(s.lastBlockHash_, 8) ||
        wide > 1 || ordered > 1 || tags > 250 || records >= kNoRecord) {
        return nullptr;
    }
    s.layout_ = wide != 0 ? Layout::Wide : Layout::Compact;
    s.ordered_ = ordered != 0;
    s.tagCount_ = static_cast<std::size_t>(tags);
    s.recordCount_ = static_cast<std::uint32_t>(records);
    // The record size the layout gives: values are read within records of this size.
    const std::size_t expectedSize = wide != 0
                                         ? kWideStampSize + s.tagCount_ * kWideValueSize
                                         : kCompactStampSize + s.tagCount_ * kCompactValueSize;
    if (recordSize != expectedSize) {
        return nullptr;
    }
    s.recordSize_ = expectedSize;
    const std::size_t leaves = (s.recordCount_ + kLeafRecords - 1) / kLeafRecords;
    const std::size_t nodes = leaves * s.tagCount_;
    const std::size_t valueSize = wide != 0 ? 8 : 4;
    if (in.left() != leaves * (8 + 8 + 1) + nodes * (2 * valueSize + 3)) {
        return nullptr;
    }
    in.GetArray<std::uint64_t, std::uint64_t>(s.leafLastTicks_, leaves);
    if (s.ordered_ && !std::is_sorted(s.leafLastTicks_.begin(), s.leafLastTicks_.end())) {
        return nullptr;
    }
    in.GetArray<std::uint64_t, std::uint64_t>(s.leafFirstTicks_, leaves);
    in.GetArray<std::uint8_t, std::uint8_t>(s.leafRegular_, leaves);
    for (std::size_t leaf = 0; leaf < leaves; ++leaf) {
        const std::uint64_t first = s.leafFirstTicks_[leaf];
        const std::uint64_t last = s.leafLastTicks_[leaf];
        const std::size_t inBlock =
            std::min<std::size_t>(kLeafRecords, s.recordCount_ - leaf * kLeafRecords);
        const bool evenlySpaced =
            last >= first && (inBlock < 2 ? last == first : (last - first) % (inBlock - 1) == 0);
        if (s.leafRegular_[leaf] > 1 || (s.leafRegular_[leaf] == 1 && !evenlySpaced)) {
            return nullptr;
        }
    }
    if (wide != 0) {
        in.GetArray<double, std::uint64_t>(s.leafDoubles_, 2 * nodes);
    } else {
        in.GetArray<float, std::uint32_t>(s.leafSingles_, 2 * nodes);
    }
    s.leafOffsets_.assign(data + (size - in.left()), data + size);
    // Every offset within its block's records; a value's two offsets both given or both not.
    for (std::size_t n = 0; n < nodes; ++n) {
        const std::size_t leaf = n / s.tagCount_;
        const std::size_t inBlock =
            std::min<std::size_t>(kLeafRecords, s.recordCount_ - leaf * kLeafRecords);
        const std::uint8_t* offsets = &s.leafOffsets_[3 * n];
        for (std::size_t k = 0; k < 3; ++k) {
            if (offsets[k] != kNoOffset && offsets[k] >= inBlock) {
                return nullptr;
            }
        }
        if ((offsets[0] == kNoOffset) != (offsets[1] == kNoOffset)) {
            return nullptr;
        }
    }
    s.BuildUpperLevels();
    return summary;
}

MinMaxNode MinMaxSummary::Range(std::size_t tag, std::size_t leafBegin, std::size_t leafEnd) const {
    // Climb while the ends are not aligned to the level above; the ragged pieces are joined in
    // order: the left ones now, the right ones (collected) at the end.
    MinMaxNode left;
    std::size_t begin = leafBegin;
    std::size_t end = leafEnd;
    std::vector<MinMaxNode> right;
    auto node = [&](std::size_t level, std::size_t n) {
        return level == 0 ? Leaf(n, tag) : Upper(level, n, tag);
    };
    const std::size_t levels = upper_.size() + 1;
    for (std::size_t level = 0; begin < end && level < levels; ++level) {
        if (end - begin < kFanOut || level + 1 == levels) {
            for (std::size_t n = begin; n < end; ++n) {
                left.Join(node(level, n));
            }
            begin = end;
            break;
        }
        while (begin % kFanOut != 0 && begin < end) {
            left.Join(node(level, begin++));
        }
        while (end % kFanOut != 0 && end > begin) {
            right.push_back(node(level, --end));
        }
        begin /= kFanOut;
        end /= kFanOut;
    }
    for (auto it = right.rbegin(); it != right.rend(); ++it) {
        left.Join(*it);
    }
    return left;
}

std::size_t MinMaxSummary::MemoryBytes() const {
    std::size_t bytes = sizeof(*this) + leafLastTicks_.capacity() * sizeof(std::uint64_t) +
                        leafFirstTicks_.capacity() * sizeof(std::uint64_t) +
                        leafRegular_.capacity() + leafSingles_.capacity() * sizeof(float) +
                        leafDoubles_.capacity() * sizeof(double) + leafOffsets_.capacity();
    for (const auto& level : upper_) {
        bytes += level.capacity() * sizeof(MinMaxNode);
    }
    return bytes;
}

}  // namespace trendtab
