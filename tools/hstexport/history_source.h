// One history file opened for export, through the reading core: its header, then its records in
// order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "history/little_endian.h"
#include "history/name_text.h"
#include "history/record_cursor.h"
#include "history/stamp_ticks.h"

namespace hstexport {

using trendtab::HistoryHeader;
using trendtab::Layout;

class HistorySource {
  public:
    // Opens `path` and reads its header; false with the reason in plain words when it cannot.
    bool Open(const std::string& path, std::string& reason);

    const HistoryHeader& header() const { return opened_.info.header; }
    Layout layout() const { return header().layout(); }

    // The next whole record, or null at the end. Valid until the next call.
    const unsigned char* Next() {
        if (index_ == span_.count) {
            span_ = cursor_->Next();
            index_ = 0;
            if (span_.empty()) {
                return nullptr;
            }
        }
        return span_.Record(index_++);
    }
    // Reads in blocks of `blockBytes` from now on (before the first record is read).
    void ReadInBlocksOf(std::size_t blockBytes);
    // Bytes after the last whole record: a file cut short while it was written.
    std::uint64_t TrailingBytes() const { return opened_.info.trailingBytes; }
    // Back to the first record, to read the same records again (no second open: the same file).
    bool Rewind(std::string& reason);
    // Bytes of the file's whole records.
    std::uint64_t RecordBytes() const { return opened_.info.recordCount * header().recordSize; }
    // The file's size when it was opened.
    std::uint64_t FileBytes() const {
        return opened_.info.recordStart + RecordBytes() + TrailingBytes();
    }
    // The next block of records, read into `block` (BlockBytes() long): for blocks that travel.
    trendtab::RecordCursor& cursor() { return *cursor_; }

    // After the records ran out: false with the system's reason when reading failed.
    bool Finished(std::string& reason) const;

  private:
    trendtab::OpenedHistoryFile opened_;
    std::unique_ptr<trendtab::RecordCursor> cursor_;
    trendtab::RecordSpan span_;
    std::size_t index_ = 0;
};

// The tag names of `header` as UTF-8, whatever code page the file was written in.
inline std::vector<std::string> TagNames(const HistoryHeader& header,
                                         trendtab::NameEncoding encoding) {
    std::vector<std::string> names;
    names.reserve(header.tagNames.size());
    for (const std::string& name : header.tagNames) {
        names.push_back(trendtab::NameAsUtf8(name, encoding));
    }
    return names;
}

inline std::uint32_t LoadLe32(const unsigned char* p) {
    return trendtab::LoadLittleEndian<std::uint32_t>(p);
}

inline std::uint64_t LoadLe64(const unsigned char* p) {
    return trendtab::LoadLittleEndian<std::uint64_t>(p);
}

using trendtab::StampTicks;

}  // namespace hstexport
