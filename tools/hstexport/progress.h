// What the user sees on standard error while files convert: a progress bar (only on a terminal),
// one line per problem, and a closing summary.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace hstexport {

struct RunTotals {
    std::uint64_t converted = 0;
    std::uint64_t skipped = 0;
    std::uint64_t failed = 0;
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;
};

class Progress {
  public:
    // `showBar`: draw the bar (standard error is a terminal and not --quiet).
    Progress(std::uint64_t files, std::uint64_t bytes, bool showBar);

    // "hstexport: WHAT: REASON" on a line of its own.
    void Problem(const std::string& what, const std::string& reason);
    // Redraws the bar at most a few times a second; any thread.
    void Update(std::uint64_t filesDone, std::uint64_t bytesDone);
    // Clears the bar and, unless quiet, prints the summary line.
    void Finish(const RunTotals& totals, bool quiet);

    // "12.3 MB" and the like.
    static std::string Bytes(std::uint64_t bytes);

  private:
    void ClearBar();
    // Replaces the line the bar is on by `line` (empty: clears it).
    void DrawLine(const std::string& line);

    std::mutex mutex_;
    std::uint64_t files_;
    std::uint64_t bytes_;
    bool showBar_;
    bool barShown_ = false;
    // The console has cursor controls; without them the bar is redrawn with "\r" and blanks.
    bool escapes_ = false;
    std::size_t drawnWidth_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace hstexport
