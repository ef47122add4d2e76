// A stream of blocks worked on by several threads, its results kept in input order: each worker
// reads the next block itself (one at a time, in input order) and transforms it, and the worker
// that finishes the next block in order writes it and the finished ones after it, one worker at
// a time, so that blocks are written in the order they were read. The calling thread is one of
// the workers. A fixed ring of slots holds the blocks in flight, so memory stays the same however
// long the stream is.
#pragma once

#include <cstddef>
#include <functional>

namespace trendtab {

class OrderedPipeline {
  public:
    struct Stages {
        // Fills `slot` with the next block; false when the input is exhausted. Calls never
        // overlap and come in input order, on whichever worker's thread.
        std::function<bool(std::size_t slot)> read;
        // Transforms the block in `slot`. `worker` (0 .. workers - 1) indexes the worker's own
        // state: no two blocks are worked on by the same worker at once.
        std::function<void(std::size_t slot, std::size_t worker)> work;
        // Emits the block in `slot`, on whichever worker's thread; calls never overlap. False
        // stops the pipeline at once (a write error).
        std::function<bool(std::size_t slot)> write;
    };

    // How a stream of records goes through: its workers, and the bytes of a block.
    struct Shape {
        std::size_t workers;
        std::size_t blockBytes;
    };
    // `workers` workers and blocks of `blockBytes`, unless TRENDTAB_WORKERS=N[:RECORDS] in the
    // environment forces N workers (and RECORDS records of `recordSize` bytes a block), for tests.
    static Shape ShapeFor(std::size_t recordSize, std::size_t workers, std::size_t blockBytes);

    // How many slots a pipeline of `workers` uses, so the caller can make the blocks beforehand.
    static std::size_t SlotCount(std::size_t workers);

    // Runs every block through the stages; false when `write` stopped it. The calling thread is
    // the first worker; with one worker no thread is started: each block is read, worked and
    // written in turn.
    // An exception from any stage stops every thread and is rethrown here.
    static bool Run(std::size_t workers, const Stages& stages);
};

}  // namespace trendtab
