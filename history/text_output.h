// The .txt output: rows are written straight into one large buffer that goes to the file in big
// pieces. A failed write is remembered, so the conversion can stop and say so.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace trendtab {

class TextOutput {
  public:
    // `longestRow`: the most bytes one row can take.
    TextOutput(std::FILE* file, std::size_t longestRow);
    ~TextOutput();
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    // Where the next row goes, with room for the longest row.
    char* RowStart() { return buffer_.get() + used_; }
    // Ends the row at `end`, writing the buffer out once it is large. False once a write failed.
    bool EndRow(char* end);
    // A row made elsewhere (the plain build's), handed to the runtime's buffered output as is.
    bool WriteRow(const std::string& row);
    // Rows made elsewhere in one piece (a block of them), after what the buffer holds.
    bool Write(const char* rows, std::size_t size);

    // Writes what is left and closes the file. False if any write or the close failed.
    bool Close();

  private:
    bool WriteBuffer();

    std::FILE* file_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

}  // namespace trendtab
