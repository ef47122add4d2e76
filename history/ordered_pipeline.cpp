#include "history/ordered_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace trendtab {
namespace {

enum class SlotState : std::uint8_t { Free, Read, Working, Done };

// What the threads share; every field is guarded by `mutex`.
class Ring {
  public:
    explicit Ring(std::size_t slots) : states_(slots, SlotState::Free) {}

    void ReaderLoop(const OrderedPipeline::Stages& stages) {
        for (std::uint64_t sequence = 0;; ++sequence) {
            const std::size_t slot = SlotOf(sequence);
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || states_[slot] == SlotState::Free; });
                if (stop_) {
                    return;
                }
            }
            const bool got = stages.read(slot);
            const std::lock_guard lock(mutex_);
            if (!got) {
                inputEnded_ = true;
            } else {
                states_[slot] = SlotState::Read;
                read_ = sequence + 1;
            }
            changed_.notify_all();
            if (!got) {
                return;
            }
        }
    }

    void WorkerLoop(const OrderedPipeline::Stages& stages, std::size_t worker) {
        for (;;) {
            std::size_t slot;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || nextWork_ < read_ || inputEnded_; });
                if (stop_ || nextWork_ == read_) {
                    return;
                }
                slot = SlotOf(nextWork_++);
                states_[slot] = SlotState::Working;
            }
            stages.work(slot, worker);
            std::unique_lock lock(mutex_);
            states_[slot] = SlotState::Done;
            WriteInOrder(stages, lock);
        }
    }

    // Waits until every block is written or the pipeline stopped; false when `write` refused a
    // block.
    bool AwaitEnd() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || (inputEnded_ && written_ == read_); });
        return !refused_;
    }

    // Runs `loop`; an exception stops every thread and is kept for the caller.
    template <class Loop>
    void Guarded(Loop&& loop) {
        try {
            loop();
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (!failure_) {
                failure_ = std::current_exception();
            }
            stop_ = true;
            changed_.notify_all();
        }
    }

    std::exception_ptr Failure() const { return failure_; }

    // Ends every loop that is waiting, with no failure.
    void Stop() {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        changed_.notify_all();
    }

  private:
    // The worker that finishes the next block in order writes it, and the done blocks after it,
    // while its text is still in that processor's cache; no thread of its own switches in to
    // write. One worker writes at a time: a block finished meanwhile is left to the one writing.
    // No thread waits for a block to be done, only for one to be written, so only a write wakes
    // them.
    void WriteInOrder(const OrderedPipeline::Stages& stages, std::unique_lock<std::mutex>& lock) {
        if (writing_) {
            return;
        }
        writing_ = true;
        while (!stop_ && written_ < read_ && states_[SlotOf(written_)] == SlotState::Done) {
            const std::size_t slot = SlotOf(written_);
            lock.unlock();
            const bool written = stages.write(slot);
            lock.lock();
            states_[slot] = SlotState::Free;
            ++written_;
            if (!written) {
                refused_ = true;
                stop_ = true;
            }
            changed_.notify_all();
        }
        writing_ = false;
    }

    std::size_t SlotOf(std::uint64_t sequence) const {
        return static_cast<std::size_t>(sequence % states_.size());
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<SlotState> states_;
    std::uint64_t read_ = 0;      // blocks read so far
    std::uint64_t nextWork_ = 0;  // the next block a worker takes
    std::uint64_t written_ = 0;   // blocks written so far
    bool writing_ = false;        // a worker is writing blocks
    bool inputEnded_ = false;
    bool refused_ = false;  // `write` refused a block
    bool stop_ = false;
    std::exception_ptr failure_;
};

}  // namespace

OrderedPipeline::Shape OrderedPipeline::ShapeFor(std::size_t recordSize, std::size_t workers,
                                                 std::size_t blockBytes) {
    Shape shape{std::max<std::size_t>(1, workers), blockBytes};
    if (const char* forced = std::getenv("TRENDTAB_WORKERS")) {
        char* end = nullptr;
        const unsigned long count = std::strtoul(forced, &end, 10);
        if (count > 0 && count <= 64) {
            shape.workers = count;
        }
        if (*end == ':') {
            const unsigned long records = std::strtoul(end + 1, nullptr, 10);
            if (records > 0 && records <= blockBytes) {
                shape.blockBytes = records * std::max<std::size_t>(1, recordSize);
            }
        }
    }
    return shape;
}

std::size_t OrderedPipeline::SlotCount(std::size_t workers) {
    // One being read, one being written, one per worker, and one so that a worker finishing
    // early need not wait for the one writing.
    return workers <= 1 ? 1 : workers + 3;
}

namespace {

// Each block read, worked and written in turn on the calling thread.
bool RunInTurn(const OrderedPipeline::Stages& stages) {
    while (stages.read(0)) {
        stages.work(0, 0);
        if (!stages.write(0)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool OrderedPipeline::Run(std::size_t workers, const Stages& stages) {
    if (workers <= 1) {
        return RunInTurn(stages);
    }
    Ring ring(SlotCount(workers));
    bool written = true;
    bool running = false;
    {
        std::vector<std::jthread> threads;
        threads.reserve(workers + 1);
        // As many workers as the system starts (a thread limit, no memory for a stack): fewer
        // workers are slower, never wrong. Then the reader, once there is a worker.
        for (std::size_t worker = 0; worker < workers; ++worker) {
            try {
                threads.emplace_back(
                    [&, worker] { ring.Guarded([&] { ring.WorkerLoop(stages, worker); }); });
            } catch (const std::system_error&) {
                break;
            }
        }
        if (!threads.empty()) {
            try {
                threads.emplace_back([&] { ring.Guarded([&] { ring.ReaderLoop(stages); }); });
                running = true;
            } catch (const std::system_error&) {
            }
        }
        if (running) {
            written = ring.AwaitEnd();
        } else {
            ring.Stop();  // nothing was read: the blocks go through in turn below
        }
    }  // joins
    if (const std::exception_ptr failure = ring.Failure()) {
        std::rethrow_exception(failure);
    }
    return running ? written : RunInTurn(stages);
}

}  // namespace trendtab
