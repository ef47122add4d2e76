// The record loop of trendtab: records in large blocks through an ordered pipeline. One thread
// reads the blocks and decides which records become rows (the decision depends on the records
// before, so it is made in file order), a worker per usable processor makes the rows of a block
// by integer arithmetic with its own per-tag pieces, and the blocks are written in file order,
// each after its progress lines. With one processor it all runs on the calling thread.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "converter/record_filter.h"
#include "converter/record_loop.h"
#include "converter/row_formatter.h"
#include "history/block_loop.h"
#include "history/ordered_pipeline.h"
#include "history/record_cursor.h"
#include "history/stamp_decoder.h"
#include "platform/processors.h"

namespace trendtab {
namespace {

// A record that gives a row, its stamp already decoded.
struct KeptRecord {
    std::size_t index;  // in the block
    RecordTime time;
};

// The rows of a block, in a buffer that grows to the longest block seen.
struct BlockRows {
    std::unique_ptr<char[]> text;
    std::size_t capacity = 0;
    std::size_t size = 0;

    // Room for `bytes` more at the end.
    char* Room(std::size_t bytes) {
        if (capacity - size < bytes) {
            const std::size_t larger = std::max(2 * capacity, size + bytes);
            auto grown = std::make_unique_for_overwrite<char[]>(larger);
            if (size > 0) {
                std::memcpy(grown.get(), text.get(), size);
            }
            text = std::move(grown);
            capacity = larger;
        }
        return text.get() + size;
    }
};

using Block = RecordBlock<KeptRecord, BlockRows>;

}  // namespace

bool ConvertRecords(std::FILE* history, const HistoryHeader& header, std::uint64_t recordCount,
                    const ConvertOptions& options, std::FILE* text, Console& console) {
    // A worker per usable processor, blocks of about half a megabyte.
    const OrderedPipeline::Shape shape = OrderedPipeline::ShapeFor(
        header.recordSize, platform::UsableProcessorCount(), kPipelineBlockBytes);
    RecordCursor cursor(history, header.recordSize, shape.blockBytes, recordCount);
    FileStampDecoder stamps(header.layout());
    RecordFilter filter(options);
    std::vector<RowFormatter> formatters;
    formatters.reserve(shape.workers);
    for (std::size_t i = 0; i < shape.workers; ++i) {
        formatters.emplace_back(header, options);
    }
    return RunBlockLoop<KeptRecord, BlockRows>(
        cursor, shape.workers,
        [&](Block& block) {
            for (std::size_t i = 0; i < block.span.count; ++i) {
                KeptRecord kept{i, RecordTime{}};
                if (stamps.Decode(block.span.Record(i), kept.time) && filter.Keep(kept.time)) {
                    block.kept.push_back(kept);
                }
            }
        },
        [&](Block& block, std::size_t worker) {
            RowFormatter& rows = formatters[worker];
            block.text.size = 0;
            for (const KeptRecord& kept : block.kept) {
                char* const start = block.text.Room(rows.LongestRow());
                char* const end = rows.Put(start, kept.time, block.span.Record(kept.index));
                block.text.size += static_cast<std::size_t>(end - start);
            }
        },
        [&](const Block& block) {
            // Progress lines count from 1.
            console.Progress(block.firstRecord + 1, block.span.count);
            return block.text.size == 0 ||
                   std::fwrite(block.text.text.get(), 1, block.text.size, text) == block.text.size;
        });
}

}  // namespace trendtab
