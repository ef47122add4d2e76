#include "history/minmax_summary.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <system_error>

#include "history/record_cursor.h"
#include "history/record_values.h"
#include "history/rejection_message.h"
#include "history/stamp_ticks.h"

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

std::shared_ptr<const MinMaxSummary> MinMaxSummary::Build(const std::string& path,
                                                          std::string& reason) {
    errno = 0;
    const OpenedHistoryFile opened = OpenHistoryFile(path);
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
    auto summary = std::make_shared<MinMaxSummary>();
    MinMaxSummary& s = *summary;
    const HistoryHeader& header = opened.info.header;
    s.layout_ = header.layout();
    s.tagCount_ = static_cast<std::size_t>(header.numTags);
    s.recordStart_ = opened.info.recordStart;
    s.recordSize_ = header.recordSize;
    s.recordCount_ = static_cast<std::uint32_t>(opened.info.recordCount);
    const std::size_t leaves = (s.recordCount_ + kLeafRecords - 1) / kLeafRecords;
    s.leafLastTicks_.reserve(leaves);
    s.levels_.emplace_back();
    std::vector<MinMaxNode>& leafNodes = s.levels_[0];
    leafNodes.resize(leaves * s.tagCount_);

    RecordCursor cursor(opened.file.get(), s.recordSize_);
    std::uint32_t index = 0;
    std::uint64_t previous = 0;
    for (RecordSpan span = cursor.Next(); !span.empty() && index < s.recordCount_;
         span = cursor.Next()) {
        const std::size_t take = std::min<std::size_t>(span.count, s.recordCount_ - index);
        for (std::size_t i = 0; i < take; ++i, ++index) {
            const unsigned char* record = span.Record(i);
            const std::uint64_t ticks = StampTicks(record, s.layout_);
            if (index == 0) {
                s.firstTicks_ = s.lastTicks_ = ticks;
            } else if (ticks < previous) {
                s.ordered_ = false;
            }
            s.firstTicks_ = std::min(s.firstTicks_, ticks);
            s.lastTicks_ = std::max(s.lastTicks_, ticks);
            previous = ticks;
            const std::size_t leaf = index / kLeafRecords;
            if (index % kLeafRecords == 0) {
                s.leafLastTicks_.push_back(ticks);
            }
            s.leafLastTicks_.back() = std::max(s.leafLastTicks_.back(), ticks);
            MinMaxNode* nodes = &leafNodes[leaf * s.tagCount_];
            for (std::size_t tag = 0; tag < s.tagCount_; ++tag) {
                const double value = RecordValue(record, s.layout_, tag);
                MinMaxNode& node = nodes[tag];
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
        }
    }
    if (index < s.recordCount_) {
        reason = cursor.failed() ? "read error" : "the file was cut short while it was read";
        return nullptr;
    }
    // The levels above, each kFanOut times smaller, until one node is left.
    for (std::size_t count = leaves; count > 1;) {
        const std::size_t upper = (count + kFanOut - 1) / kFanOut;
        std::vector<MinMaxNode> next(upper * s.tagCount_);
        const std::vector<MinMaxNode>& below = s.levels_.back();
        for (std::size_t n = 0; n < count; ++n) {
            for (std::size_t tag = 0; tag < s.tagCount_; ++tag) {
                next[(n / kFanOut) * s.tagCount_ + tag].Join(below[n * s.tagCount_ + tag]);
            }
        }
        s.levels_.push_back(std::move(next));
        count = upper;
    }
    return summary;
}

MinMaxNode MinMaxSummary::Range(std::size_t tag, std::size_t leafBegin, std::size_t leafEnd) const {
    // Climb while the ends are not aligned to the level above; the ragged pieces are joined in
    // order: the left ones now, the right ones (collected) at the end.
    MinMaxNode left;
    std::vector<const MinMaxNode*> right;
    std::size_t begin = leafBegin;
    std::size_t end = leafEnd;
    for (std::size_t level = 0; begin < end && level < levels_.size(); ++level) {
        const std::vector<MinMaxNode>& nodes = levels_[level];
        if (end - begin < kFanOut || level + 1 == levels_.size()) {
            for (std::size_t n = begin; n < end; ++n) {
                left.Join(nodes[n * tagCount_ + tag]);
            }
            begin = end;
            break;
        }
        while (begin % kFanOut != 0 && begin < end) {
            left.Join(nodes[begin++ * tagCount_ + tag]);
        }
        while (end % kFanOut != 0 && end > begin) {
            right.push_back(&nodes[--end * tagCount_ + tag]);
        }
        begin /= kFanOut;
        end /= kFanOut;
    }
    for (auto it = right.rbegin(); it != right.rend(); ++it) {
        left.Join(**it);
    }
    return left;
}

std::size_t MinMaxSummary::MemoryBytes() const {
    std::size_t bytes = sizeof(*this) + leafLastTicks_.capacity() * sizeof(std::uint64_t);
    for (const auto& level : levels_) {
        bytes += level.capacity() * sizeof(MinMaxNode);
    }
    return bytes;
}

}  // namespace trendtab
