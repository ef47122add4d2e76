// Console text of a conversion: messages and the per-record progress line, all on standard output
// in the order they are produced.
#pragma once

#include <cstdint>
#include <string>

namespace trendtab {

class Console {
  public:
    Console() = default;
    // Collects the text in `capture` instead of writing it.
    explicit Console(std::string* capture) : capture_(capture) {}
    ~Console() { Flush(); }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // printf-style message.
    [[gnu::format(printf, 2, 3)]] void Print(const char* format, ...);

    // "\r    Line = N   ": one per record read. Collected and written in large pieces (a Print
    // writes what is pending first).
    void Progress(std::int64_t line);

    void Flush();

  private:
    std::string pending_;
    std::string* capture_ = nullptr;
};

}  // namespace trendtab
