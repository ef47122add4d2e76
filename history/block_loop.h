// The records of a file in blocks through the ordered pipeline, as every front end that turns
// records into text runs them: a worker reads a block and chooses its records, the blocks one
// after another in file order (a choice may depend on the records before), makes the block's
// text, and the blocks are written in file order, one at a time, by the worker that finishes the
// next one. Memory stays flat: a fixed ring of blocks, each with its records and its text.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "history/ordered_pipeline.h"
#include "history/record_cursor.h"

namespace trendtab {

// About half a megabyte of records a block: large reads, and enough blocks in flight for every
// worker without much memory.
inline constexpr std::size_t kPipelineBlockBytes = 512 * 1024;

// A block of whole records on its way through the pipeline: `kept`, what the reading step chose
// of it; `text`, what a worker made of it.
template <typename Kept, typename Text>
struct RecordBlock {
    std::unique_ptr<unsigned char[]> records;
    RecordSpan span;
    std::uint64_t firstRecord = 0;  // the index in the file of the block's first record
    std::vector<Kept> kept;
    Text text;
};

// Runs every record `cursor` reads through `workers` workers (one: no thread at all):
//   choose(block)         one block at a time, file order: fills block.kept from block.span
//   make(block, worker)   a worker (0 .. workers - 1, its own state): makes block.text
//   write(block)          one thread at a time, file order: emits the text; false stops the loop
// True when every block was written; false when `write` refused one. An exception from any
// step stops every thread and comes back here.
template <typename Kept, typename Text, typename Choose, typename Make, typename Write>
bool RunBlockLoop(RecordCursor& cursor, std::size_t workers, Choose choose, Make make,
                  Write write) {
    std::vector<RecordBlock<Kept, Text>> blocks(OrderedPipeline::SlotCount(workers));
    for (RecordBlock<Kept, Text>& block : blocks) {
        block.records = std::make_unique_for_overwrite<unsigned char[]>(cursor.BlockBytes());
    }
    std::uint64_t nextRecord = 0;
    OrderedPipeline::Stages stages;
    stages.read = [&](std::size_t slot) {
        RecordBlock<Kept, Text>& block = blocks[slot];
        block.span = cursor.NextInto(block.records.get());
        block.firstRecord = nextRecord;
        nextRecord += block.span.count;
        block.kept.clear();
        choose(block);
        return !block.span.empty();
    };
    stages.work = [&](std::size_t slot, std::size_t worker) { make(blocks[slot], worker); };
    stages.write = [&](std::size_t slot) { return write(blocks[slot]); };
    return OrderedPipeline::Run(workers, stages);
}

}  // namespace trendtab
