// The record loop of trendtab: records in large blocks through an ordered pipeline. One thread
// reads the blocks and decides which records become rows (the decision depends on the records
// before, so it is made in file order), a worker per usable processor makes the rows of a block
// by integer arithmetic with its own per-tag pieces, and the blocks are written in file order,
// each after its progress lines. With one processor it all runs on the calling thread.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "ordered_pipeline.h"
#include "platform.h"
#include "record_cursor.h"
#include "record_filter.h"
#include "record_loop.h"
#include "row_formatter.h"
#include "stamp_decoder.h"

namespace trendtab {
namespace {

constexpr std::size_t kBlockBytes = 512 * 1024;

// A record that gives a row, its stamp already decoded.
struct KeptRecord {
    std::size_t index;  // in the block
    RecordTime time;
};

// A block of whole records on its way through the pipeline, and the rows made of it.
struct RecordBlock {
    std::unique_ptr<unsigned char[]> records;
    RecordSpan span;
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

}  // namespace

bool ConvertRecords(std::FILE* history, const HistoryHeader& header, const ConvertOptions& options,
                    std::FILE* text, Console& console) {
    // A worker per usable processor, blocks of about half a megabyte.
    const OrderedPipeline::Shape shape =
        OrderedPipeline::ShapeFor(header.recordSize, platform::UsableProcessorCount(), kBlockBytes);
    RecordCursor cursor(history, header.recordSize, shape.blockBytes);
    const FileStampDecoder stamps(header.layout());
    RecordFilter filter(options);
    std::int64_t nextLine = 1;
    std::vector<RowFormatter> formatters;
    formatters.reserve(shape.workers);
    for (std::size_t i = 0; i < shape.workers; ++i) {
        formatters.emplace_back(header, options);
    }
    std::vector<RecordBlock> blocks(OrderedPipeline::SlotCount(shape.workers));
    for (RecordBlock& block : blocks) {
        block.records = std::make_unique_for_overwrite<unsigned char[]>(cursor.BlockBytes());
    }

    OrderedPipeline::Stages stages;
    stages.read = [&](std::size_t slot) {
        RecordBlock& block = blocks[slot];
        block.span = cursor.NextInto(block.records.get());
        block.firstLine = nextLine;
        nextLine += static_cast<std::int64_t>(block.span.count);
        block.kept.clear();
        for (std::size_t i = 0; i < block.span.count; ++i) {
            KeptRecord kept{i, RecordTime{}};
            if (stamps.Decode(block.span.Record(i), kept.time) && filter.Keep(kept.time)) {
                block.kept.push_back(kept);
            }
        }
        return !block.span.empty();
    };
    stages.work = [&](std::size_t slot, std::size_t worker) {
        RecordBlock& block = blocks[slot];
        RowFormatter& rows = formatters[worker];
        block.textSize = 0;
        for (const KeptRecord& kept : block.kept) {
            char* const start = block.TextRoom(rows.LongestRow());
            char* const end = rows.Put(start, kept.time, block.span.Record(kept.index));
            block.textSize += static_cast<std::size_t>(end - start);
        }
    };
    stages.write = [&](std::size_t slot) {
        const RecordBlock& block = blocks[slot];
        for (std::size_t i = 0; i < block.span.count; ++i) {
            console.Progress(block.firstLine + static_cast<std::int64_t>(i));
        }
        return block.textSize == 0 ||
               std::fwrite(block.text.get(), 1, block.textSize, text) == block.textSize;
    };
    return OrderedPipeline::Run(shape.workers, stages);
}

}  // namespace trendtab
