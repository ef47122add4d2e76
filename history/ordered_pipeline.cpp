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

enum class SlotState : std::uint8_t { Free, Working, Done };

// What the threads share; every field is guarded by `mutex`.
class Ring {
  public:
    explicit Ring(std::size_t slots) : states_(slots, SlotState::Free) {}

    // Each worker reads its next block itself, in file order, one worker at a time: no thread
    // of its own reads and wakes a worker for every block (on a processor a worker would need),
    // and the block's records are in the cache of the processor that makes its text.
    void WorkerLoop(const OrderedPipeline::Stages& stages, std::size_t worker) {
        std::unique_lock lock(mutex_);
        for (;;) {
            const auto readable = [&] {
                return stop_ || inputEnded_ ||
                       (!reading_ && states_[SlotOf(read_)] == SlotState::Free);
            };
            if (!readable()) {
                ++waiting_;
                changed_.wait(lock, readable);
                --waiting_;
            }
            if (stop_ || inputEnded_) {
                return;
            }
            const std::uint64_t sequence = read_;
            const std::size_t slot = SlotOf(sequence);
            reading_ = true;
            lock.unlock();
            const bool got = stages.read(slot);
            lock.lock();
            reading_ = false;
            if (!got) {
                inputEnded_ = true;
                Wake();
                return;
            }
            read_ = sequence + 1;
            states_[slot] = SlotState::Working;
            Wake();  // the next block may be read
            lock.unlock();
            stages.work(slot, worker);
            lock.lock();
            states_[slot] = SlotState::Done;
            WriteInOrder(stages, lock);
        }
    }

    // True when `write` refused a block.
    bool Refused() const { return refused_; }

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

  private:
    // The worker that finishes the next block in order writes it, and the done blocks after it,
    // while its text is still in that processor's cache; no thread of its own switches in to
    // write. One worker writes at a time: a block finished meanwhile is left to the one writing.
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
            Wake();  // a worker may wait for this slot
        }
        writing_ = false;
    }

    // Only a worker waiting to read is ever woken, and only when one waits.
    void Wake() {
        if (waiting_ > 0 || stop_) {
            changed_.notify_all();
        }
    }

    std::size_t SlotOf(std::uint64_t sequence) const {
        return static_cast<std::size_t>(sequence % states_.size());
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<SlotState> states_;
    std::uint64_t read_ = 0;     // blocks read so far
    std::uint64_t written_ = 0;  // blocks written so far
    std::size_t waiting_ = 0;    // workers waiting to read
    bool reading_ = false;       // a worker is reading a block
    bool writing_ = false;       // a worker is writing blocks
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
    // One per worker (read and made there), one being written, and two so that a worker that
    // finishes early can read on while the one writing catches up.
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
    {
        // The calling thread is a worker too, with as many more as the system starts (a thread
        // limit, no memory for a stack): fewer workers are slower, never wrong.
        std::vector<std::jthread> others;
        others.reserve(workers - 1);
        for (std::size_t worker = 1; worker < workers; ++worker) {
            try {
                others.emplace_back(
                    [&, worker] { ring.Guarded([&] { ring.WorkerLoop(stages, worker); }); });
            } catch (const std::system_error&) {
                break;
            }
        }
        ring.Guarded([&] { ring.WorkerLoop(stages, 0); });
    }  // joins
    if (const std::exception_ptr failure = ring.Failure()) {
        std::rethrow_exception(failure);
    }
    return !ring.Refused();
}

}  // namespace trendtab
