// The .txt output: rows are written straight into one large buffer that goes to the file in big
// pieces. A failed write is remembered, so the conversion can stop and say so.
#pragma once

#include <cstdio>
#include <memory>

namespace trendtab {

class TextOutput {
  public:
    // `longestRow`: the most bytes one row can take. The file stays the caller's.
    TextOutput(std::FILE* file, std::size_t longestRow);
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    // Where the next row goes, with room for the longest row.
    char* RowStart() { return buffer_.get() + used_; }
    // Ends the row at `end`, writing the buffer out once it is large. False once a write failed.
    bool EndRow(char* end);

    // Writes what is left. False if any write failed.
    bool Finish();

  private:
    std::FILE* file_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

}  // namespace trendtab
