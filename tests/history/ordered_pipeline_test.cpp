// The ordered pipeline: blocks come out in input order whatever order the workers finish in, one
// write at a time, no more blocks are in flight than its slots, and a refused write or a throwing
// stage stops every thread.
#include "history/ordered_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace trendtab {
namespace {

// Blocks numbered 0 .. count-1; a worker squares its block's number, sometimes slowly, so later
// blocks often finish first.
class NumberedBlocks {
  public:
    NumberedBlocks(std::size_t workers, std::uint64_t count)
        : slots_(OrderedPipeline::SlotCount(workers)), count_(count) {}

    OrderedPipeline::Stages Stages() {
        OrderedPipeline::Stages stages;
        stages.read = [this](std::size_t slot) {
            // Whichever worker reads, one at a time.
            EXPECT_FALSE(reading_.exchange(true)) << "two reads at once";
            std::this_thread::yield();
            reading_ = false;
            if (next_ == count_) {
                return false;
            }
            EXPECT_LT(slot, slots_.size());
            maxInFlight_ = std::max(maxInFlight_, next_ - written_.load());
            slots_[slot] = {next_++, 0};
            return true;
        };
        stages.work = [this](std::size_t slot, std::size_t worker) {
            {
                const std::lock_guard lock(mutex_);
                EXPECT_TRUE(busyWorkers_.insert(worker).second) << "worker " << worker << " twice";
                threads_.insert(std::this_thread::get_id());
            }
            Block& block = slots_[slot];
            if (block.number % 7 == 3) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            block.result = block.number * block.number;
            const std::lock_guard lock(mutex_);
            busyWorkers_.erase(worker);
        };
        stages.write = [this](std::size_t slot) {
            // Whichever thread writes, one at a time.
            EXPECT_FALSE(writing_.exchange(true)) << "two writes at once";
            std::this_thread::yield();
            writing_ = false;
            results.push_back(slots_[slot].result);
            ++written_;
            return writeLimit < 0 || static_cast<std::int64_t>(results.size()) < writeLimit;
        };
        return stages;
    }

    std::uint64_t Read() const { return next_; }
    std::uint64_t MaxInFlight() const { return maxInFlight_; }
    std::size_t Threads() const { return threads_.size(); }

    std::vector<std::uint64_t> results;
    std::int64_t writeLimit = -1;  // the write that fails, counted from 1

  private:
    struct Block {
        std::uint64_t number;
        std::uint64_t result;
    };
    std::vector<Block> slots_;
    std::uint64_t count_;
    std::uint64_t next_ = 0;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<bool> writing_{false};
    std::atomic<bool> reading_{false};
    std::uint64_t maxInFlight_ = 0;
    std::mutex mutex_;
    std::set<std::size_t> busyWorkers_;
    std::set<std::thread::id> threads_;  // that made blocks
};

class OrderedPipelineWorkers : public testing::TestWithParam<std::size_t> {};

TEST_P(OrderedPipelineWorkers, WritesEveryBlockInInputOrderWithinItsSlots) {
    const std::size_t workers = GetParam();
    for (const std::uint64_t count : {0, 1, 5, 97}) {
        NumberedBlocks blocks(workers, count);
        EXPECT_TRUE(OrderedPipeline::Run(workers, blocks.Stages()));
        ASSERT_EQ(blocks.results.size(), count);
        for (std::uint64_t i = 0; i < count; ++i) {
            EXPECT_EQ(blocks.results[i], i * i) << "block " << i << " of " << count;
        }
        EXPECT_LE(blocks.MaxInFlight(), OrderedPipeline::SlotCount(workers));
        EXPECT_LE(blocks.Threads(), workers);  // the calling thread counts as one
    }
}

TEST_P(OrderedPipelineWorkers, RefusedWriteStopsTheReaderPromptly) {
    const std::size_t workers = GetParam();
    NumberedBlocks blocks(workers, 100000);
    blocks.writeLimit = 10;
    EXPECT_FALSE(OrderedPipeline::Run(workers, blocks.Stages()));
    EXPECT_EQ(blocks.results.size(), 10u);
    // Nothing past what the slots could hold when the write failed was read.
    EXPECT_LE(blocks.Read(), 10 + OrderedPipeline::SlotCount(workers));
}

TEST_P(OrderedPipelineWorkers, ThrowingStageStopsEveryThreadAndReachesTheCaller) {
    const std::size_t workers = GetParam();
    for (const int failing : {0, 1, 2}) {
        NumberedBlocks blocks(workers, 100000);
        OrderedPipeline::Stages stages = blocks.Stages();
        std::atomic<int> calls{0};
        auto fail = [&calls] {
            if (++calls == 20) {
                throw std::runtime_error("stage failed");
            }
        };
        if (failing == 0) {
            stages.read = [&, read = stages.read](std::size_t slot) { return fail(), read(slot); };
        } else if (failing == 1) {
            stages.work = [&, work = stages.work](std::size_t slot, std::size_t worker) {
                fail();
                work(slot, worker);
            };
        } else {
            stages.write = [&, write = stages.write](std::size_t slot) {
                return fail(), write(slot);
            };
        }
        EXPECT_THROW(OrderedPipeline::Run(workers, stages), std::runtime_error) << failing;
        EXPECT_LT(blocks.results.size(), 20u + OrderedPipeline::SlotCount(workers));
    }
}

INSTANTIATE_TEST_SUITE_P(Workers, OrderedPipelineWorkers, testing::Values(1, 2, 3, 8));

TEST(OrderedPipeline, OneWorkerStartsNoThread) {
    const std::thread::id caller = std::this_thread::get_id();
    std::set<std::thread::id> seen;
    int blocks = 3;
    OrderedPipeline::Stages stages;
    stages.read = [&](std::size_t) {
        seen.insert(std::this_thread::get_id());
        return blocks-- > 0;
    };
    stages.work = [&](std::size_t, std::size_t) { seen.insert(std::this_thread::get_id()); };
    stages.write = [&](std::size_t) {
        seen.insert(std::this_thread::get_id());
        return true;
    };
    EXPECT_TRUE(OrderedPipeline::Run(1, stages));
    EXPECT_EQ(seen, std::set<std::thread::id>{caller});
}

}  // namespace
}  // namespace trendtab
