// The .txt output: rows are built straight into one large buffer that is written in big pieces.
// A failed write is remembered, so the conversion can stop and say so.
#pragma once

#include <cstdio>
#include <string>

namespace trendtab {

class TextOutput {
  public:
    explicit TextOutput(std::FILE* file);
    ~TextOutput();
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    // The buffer the next row is appended to.
    std::string& buffer() { return buffer_; }

    // Call after each row: writes the buffer out once it is large. False once a write failed.
    bool EndRow();

    // Writes what is left and closes the file. False if any write or the close failed.
    bool Close();

  private:
    bool WriteBuffer();

    std::FILE* file_;
    std::string buffer_;
    bool failed_ = false;
};

}  // namespace trendtab
