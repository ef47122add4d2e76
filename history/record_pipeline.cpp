#include "record_pipeline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "ordered_pipeline.h"
#include "platform.h"
#include "record_time.h"
#include "row_format_variants.h"
#include "row_selection.h"
#include "value_columns.h"

namespace trendtab {
namespace {

constexpr std::size_t kBlockBytes = 512 * 1024;
// A date piece and a time piece with milliseconds, each with its separator.
constexpr std::size_t kLongestRowStart = 2 * fast::kMaxDateTimePiece;

// A record that becomes a row, with its stamp already decoded.
struct KeptRecord {
    std::size_t offset;  // in the block
    RecordTime time;
};

// A block of whole records on its way through the pipeline, and the rows made from it.
struct RecordBlock {
    std::unique_ptr<unsigned char[]> records;
    std::size_t count = 0;
    std::int64_t firstLine = 0;  // the progress line of its first record
    std::vector<KeptRecord> kept;
    std::unique_ptr<char[]> text;
    std::size_t textCapacity = 0;
    std::size_t textSize = 0;

    // Room for `bytes` more at the end of the text.
    char* TextRoom(std::size_t bytes) {
        if (textCapacity - textSize < bytes) {
            const std::size_t capacity = std::max(2 * textCapacity, textSize + bytes);
            auto larger = std::make_unique_for_overwrite<char[]>(capacity);
            if (textSize > 0) {
                std::memcpy(larger.get(), text.get(), textSize);
            }
            text = std::move(larger);
            textCapacity = capacity;
        }
        return text.get() + textSize;
    }
};

// Reads whole records into blocks and decides, in file order, which of them become rows.
class BlockReader {
  public:
    BlockReader(std::FILE* file, const HistoryHeader& header, const ConvertOptions& options,
                std::size_t recordsPerBlock)
        : file_(file),
          recordSize_(header.recordSize),
          compact_(header.layout() == Layout::Compact),
          blockBytes_(recordsPerBlock * recordSize_),
          selection_(options) {}

    std::size_t BlockBytes() const { return blockBytes_; }

    // False when no whole record is left.
    bool Fill(RecordBlock& block) {
        std::size_t got = 0;
        while (!exhausted_ && got < blockBytes_) {
            const std::size_t n =
                std::fread(block.records.get() + got, 1, blockBytes_ - got, file_);
            exhausted_ = n == 0;
            got += n;
        }
        if (recordSize_ == 0 || got < recordSize_) {
            exhausted_ = true;
            return false;
        }
        block.count = got / recordSize_;
        block.firstLine = nextLine_;
        nextLine_ += static_cast<std::int64_t>(block.count);
        block.kept.clear();
        for (std::size_t i = 0; i < block.count; ++i) {
            const std::size_t offset = i * recordSize_;
            const unsigned char* record = block.records.get() + offset;
            KeptRecord kept{offset, RecordTime{}};
            if (compact_) {
                if (!stamps_.DecodeCompact(CompactStampOf(record), kept.time)) {
                    continue;
                }
            } else {
                stamps_.DecodeWide(record, kept.time);
            }
            if (selection_.Keep(kept.time)) {
                block.kept.push_back(kept);
            }
        }
        return true;
    }

  private:
    std::FILE* file_;
    std::size_t recordSize_;
    bool compact_;
    std::size_t blockBytes_;
    const StampDecoder stamps_;
    RowSelection selection_;
    std::int64_t nextLine_ = 1;
    bool exhausted_ = false;
};

// Turns a block's kept records into rows; one per worker, each with its own value caches.
class RowMaker {
  public:
    RowMaker(const HistoryHeader& header, const ConvertOptions& options)
        : options_(options),
          values_(header.layout(), header.numTags, options.separator, options.extended),
          valuesOffset_(header.layout() == Layout::Compact ? kCompactStampSize : kWideStampSize),
          longestRow_(kLongestRowStart + ValueColumns::LongestPieces(header.numTags) + 1) {}

    void MakeRows(RecordBlock& block) {
        block.textSize = 0;
        for (const KeptRecord& kept : block.kept) {
            char* const start = block.TextRoom(longestRow_);
            char* out = fast::PutDatePiece(start, kept.time, options_.separator);
            out = fast::PutTimePiece(out, kept.time, options_.separator, options_.withMilliseconds);
            out = values_.Put(out, block.records.get() + kept.offset + valuesOffset_);
            *out++ = '\n';
            block.textSize += static_cast<std::size_t>(out - start);
        }
    }

  private:
    const ConvertOptions& options_;
    ValueColumns values_;
    std::size_t valuesOffset_;
    std::size_t longestRow_;
};

}  // namespace

PipelineShape ChoosePipelineShape(std::size_t recordSize) {
    PipelineShape shape;
    shape.workers = platform::UsableProcessorCount();
    shape.recordsPerBlock =
        std::max<std::size_t>(1, kBlockBytes / std::max<std::size_t>(1, recordSize));
    if (const char* forced = std::getenv("TRENDTAB_WORKERS")) {
        char* end = nullptr;
        const unsigned long workers = std::strtoul(forced, &end, 10);
        if (workers > 0 && workers <= 64) {
            shape.workers = workers;
        }
        if (*end == ':') {
            const unsigned long records = std::strtoul(end + 1, nullptr, 10);
            if (records > 0) {
                shape.recordsPerBlock = records;
            }
        }
    }
    return shape;
}

bool ConvertRecordsInBlocks(std::FILE* history, const HistoryHeader& header,
                            const ConvertOptions& options, TextOutput& text, Console& console) {
    const PipelineShape shape = ChoosePipelineShape(header.recordSize);
    BlockReader reader(history, header, options, shape.recordsPerBlock);
    std::vector<RowMaker> makers;
    makers.reserve(shape.workers);
    for (std::size_t i = 0; i < shape.workers; ++i) {
        makers.emplace_back(header, options);
    }
    std::vector<RecordBlock> blocks(OrderedPipeline::SlotCount(shape.workers));
    for (RecordBlock& block : blocks) {
        block.records = std::make_unique_for_overwrite<unsigned char[]>(reader.BlockBytes());
    }

    OrderedPipeline::Stages stages;
    stages.read = [&](std::size_t slot) { return reader.Fill(blocks[slot]); };
    stages.work = [&](std::size_t slot, std::size_t worker) {
        makers[worker].MakeRows(blocks[slot]);
    };
    stages.write = [&](std::size_t slot) {
        const RecordBlock& block = blocks[slot];
        for (std::size_t i = 0; i < block.count; ++i) {
            console.Progress(block.firstLine + static_cast<std::int64_t>(i));
        }
        return text.Write(block.text.get(), block.textSize);
    };
    return OrderedPipeline::Run(shape.workers, stages);
}

}  // namespace trendtab
