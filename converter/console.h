// Console text of a conversion: messages and the per-record progress line, all on standard output
// in the order they are produced.
#pragma once

#include <cstdint>
#include <string>

namespace trendtab {

class Console {
  public:
    Console() = default;
    ~Console() { Flush(); }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // printf-style message; writes any pending progress first.
    [[gnu::format(printf, 2, 3)]] void Print(const char* format, ...);

    // "\r    Line = N   ": one per record read, here for `count` records from line `first` on.
    // Collected and written in large pieces.
    void Progress(std::uint64_t first, std::uint64_t count);
    // The same line written at once, one write per record.
    void ProgressNow(std::int64_t line);

    // Ends a progress line that is still open, so the next message stands on a line of its own.
    void EndProgressLine();

    void Flush();
    // Writes everything out; false when standard output can no longer be written (a closed
    // pipe, a full disk).
    bool OutputIntact();

  private:
    std::string pending_;
    bool progressOpen_ = false;  // the last text written is a progress line
};

}  // namespace trendtab
