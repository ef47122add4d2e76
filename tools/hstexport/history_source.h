// One history file opened for export: its header, then its records in order. The only place
// hstexport reads the file format.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "history_header.h"
#include "record_reader.h"

namespace hstexport {

using trendtab::HistoryHeader;
using trendtab::Layout;

class HistorySource {
  public:
    HistorySource() = default;
    ~HistorySource();
    HistorySource(const HistorySource&) = delete;
    HistorySource& operator=(const HistorySource&) = delete;

    // Opens `path` and reads its header; false with the reason in plain words when it cannot.
    bool Open(const std::string& path, std::string& reason);

    const HistoryHeader& header() const { return header_; }
    Layout layout() const { return header_.layout(); }

    // The next whole record, or null at the end. Valid until the next call.
    const unsigned char* Next() { return reader_->Next(); }
    // After the records ran out: false with the system's reason when reading failed.
    bool Finished(std::string& reason) const;

  private:
    std::FILE* file_ = nullptr;
    HistoryHeader header_;
    std::unique_ptr<trendtab::RecordReader> reader_;
};

inline std::uint32_t LoadLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t LoadLe64(const unsigned char* p) {
    return LoadLe32(p) | static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32;
}

// A record's stamp as FILETIME ticks (100 ns since 1601, UTC), whatever the layout.
inline std::uint64_t StampTicks(const unsigned char* record, Layout layout) {
    if (layout == Layout::Wide) {
        return LoadLe64(record);
    }
    const auto seconds = static_cast<std::int32_t>(LoadLe32(record));
    // From 1901 on, so never before 1601.
    return static_cast<std::uint64_t>(seconds + 11'644'473'600LL) * 10'000'000U;
}

}  // namespace hstexport
