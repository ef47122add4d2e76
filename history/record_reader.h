// Streams the fixed-size records of an open history file through one large block buffer, so the
// file is read in big pieces and memory does not grow with its length.
#pragma once

#include <cstdio>
#include <memory>

namespace trendtab {

class RecordReader {
  public:
    RecordReader(std::FILE* file, std::size_t recordSize);

    // The next whole record, or null when none is left (end of file, a partial last record, a
    // read error, or a record size of 0). Valid until the next call.
    const unsigned char* Next();

  private:
    bool Refill();

    std::FILE* file_;
    std::size_t recordSize_;
    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool exhausted_ = false;
};

}  // namespace trendtab
