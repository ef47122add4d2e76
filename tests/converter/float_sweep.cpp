// Every float bit pattern (or a range of them) through RoundCompactValue and the value pieces of
// what it gives, fast against plain. Where the fast path hands a value on to plain:: unchanged,
// the comparison is left out unless --literal 1 asks for it: equal by construction, and those
// are the slowest calls (printf's digits of the largest and smallest floats). Not part of the
// test suite: all 2^32 patterns take most of an hour on two threads.
// With --pieces 1 it compares only the compact piece made straight from the float with the value
// pieces of the fast RoundCompactValue, which the full sweep holds equal to plain.
//   float_sweep [--threads N] [--first HEX] [--last HEX] [--literal 0|1] [--pieces 0|1]
#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "converter/row_format.h"
#include "tests/converter/piece_diff.h"

namespace {

constexpr std::uint64_t kChunk = std::uint64_t{1} << 20;

struct Range {
    std::uint64_t first = 0;
    std::uint64_t last = 0xFFFFFFFF;  // inclusive
};

bool ParseArguments(int argc, char** argv, unsigned& threads, Range& range, bool& literal,
                    bool& pieces) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        char* end = nullptr;
        const unsigned long long number = std::strtoull(argv[i + 1], &end, 0);
        if (end == argv[i + 1] || *end != '\0') {
            return false;
        }
        if (name == "--threads" && number >= 1 && number <= 64) {
            threads = static_cast<unsigned>(number);
        } else if (name == "--first" && number <= 0xFFFFFFFF) {
            range.first = number;
        } else if (name == "--last" && number <= 0xFFFFFFFF) {
            range.last = number;
        } else if (name == "--literal" && number <= 1) {
            literal = number == 1;
        } else if (name == "--pieces" && number <= 1) {
            pieces = number == 1;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && range.first <= range.last;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned threads = 2;
    Range range;
    bool literal = false;
    bool pieces = false;
    if (!ParseArguments(argc, argv, threads, range, literal, pieces)) {
        std::fprintf(stderr,
                     "usage: float_sweep [--threads N] [--first HEX] [--last HEX] "
                     "[--literal 0|1] [--pieces 0|1]\n");
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    std::atomic<std::uint64_t> next{range.first};
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> covered{0};
    std::mutex merge;
    trendtab::PieceDiff total;

    auto work = [&] {
        trendtab::PieceDiff diff;
        std::uint64_t fastCount = 0;
        for (;;) {
            const std::uint64_t begin = next.fetch_add(kChunk);
            if (begin > range.last) {
                break;
            }
            const std::uint64_t end = std::min(begin + kChunk - 1, range.last);
            for (std::uint64_t bits = begin; bits <= end; ++bits) {
                const auto value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
                if (pieces) {
                    diff.CheckCompactPieceAgainstChain(value);
                } else if (literal) {
                    diff.CheckCompact(value);
                } else {
                    diff.CheckCompactWhereFast(value);
                }
                fastCount += trendtab::fast::CoversCompactValue(value) ? 1 : 0;
            }
            done += end - begin + 1;
        }
        covered += fastCount;
        std::lock_guard<std::mutex> lock(merge);
        total.Merge(diff);
    };
    std::vector<std::thread> pool;
    for (unsigned i = 0; i < threads; ++i) {
        pool.emplace_back(work);
    }
    const std::uint64_t count = range.last - range.first + 1;
    std::thread progress([&] {
        auto lastPrint = std::chrono::steady_clock::now();
        while (done.load() < count) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const auto now = std::chrono::steady_clock::now();
            if (now - lastPrint >= std::chrono::seconds(60)) {
                lastPrint = now;
                std::fprintf(stderr, "%.1f%% of the floats\n", 100.0 * done.load() / count);
            }
        }
    });
    for (auto& thread : pool) {
        thread.join();
    }
    progress.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "floats 0x%08llx..0x%08llx: %llu, fast path %llu, checks %llu, mismatches %llu, "
        "%.0f s on %u threads%s\n",
        static_cast<unsigned long long>(range.first), static_cast<unsigned long long>(range.last),
        static_cast<unsigned long long>(count), static_cast<unsigned long long>(covered),
        static_cast<unsigned long long>(total.checks()),
        static_cast<unsigned long long>(total.mismatches()), seconds, threads,
        pieces ? ", compact pieces against the fast chain"
               : (literal ? ", every call compared" : ""));
    std::fputs(total.report().c_str(), stdout);
    return total.mismatches() == 0 ? 0 : 1;
}
