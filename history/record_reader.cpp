#include "record_reader.h"

#include <algorithm>
#include <cstring>

#include "build_flavor.h"

namespace trendtab {
namespace {
constexpr std::size_t kBlockBytes = 1 << 20;
}

RecordReader::RecordReader(std::FILE* file, std::size_t recordSize)
    : file_(file), recordSize_(recordSize) {
    if (recordSize_ > 0) {
        // A whole number of records per block, however large a record is; one in the plain build.
        const std::size_t records =
            kPlainBuild ? 1 : std::max<std::size_t>(1, kBlockBytes / recordSize_);
        capacity_ = records * recordSize_;
        buffer_ = std::make_unique_for_overwrite<unsigned char[]>(capacity_);
    }
}

const unsigned char* RecordReader::Next() {
    if (recordSize_ == 0) {
        return nullptr;
    }
    if (end_ - pos_ < recordSize_ && !Refill()) {
        return nullptr;
    }
    const unsigned char* record = buffer_.get() + pos_;
    pos_ += recordSize_;
    return record;
}

bool RecordReader::Refill() {
    const std::size_t left = end_ - pos_;
    std::memmove(buffer_.get(), buffer_.get() + pos_, left);
    pos_ = 0;
    end_ = left;
    while (!exhausted_ && end_ < capacity_) {
        const std::size_t got = std::fread(buffer_.get() + end_, 1, capacity_ - end_, file_);
        if (got == 0) {
            exhausted_ = true;
        }
        end_ += got;
    }
    return end_ - pos_ >= recordSize_;
}

}  // namespace trendtab
