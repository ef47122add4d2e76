// Min/max summaries kept on disk between runs, in a folder of their own (the user's cache
// folder), one file per history file, named after the file's identity (device and inode, or
// volume serial and file index) and holding the size and modification time it was made for.
// Bounded in bytes: the least recently used entries go first. Each entry is written to a
// temporary in the folder and renamed into place, so readers (other processes sharing the folder
// included) see a whole entry or none; a format version, length checks and a hash over the
// whole entry make a torn, cut short, foreign or damaged one read as missing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "history/minmax_summary.h"

namespace trendtab {

class SummaryCache {
  public:
    // `maxBytes` 0 keeps nothing. The folder is made when the first entry is written.
    SummaryCache(std::string folder, std::uint64_t maxBytes);

    struct Entry {
        std::shared_ptr<const MinMaxSummary> summary;  // null: none, or none to trust
        std::uint64_t size = 0;                        // the file's, when it was summarised
        std::int64_t modified = 0;
    };
    // What is stored for the file of `identity`, whatever its size and time are now (a grown
    // file may extend it). Marks the entry as just used.
    Entry Load(const std::string& identity) const;
    // Stores (replaces) the file's entry, then drops the least recently used ones beyond the
    // bound. Failures leave the cache as it was: it is only a cache.
    void Store(const std::string& identity, std::uint64_t size, std::int64_t modified,
               const MinMaxSummary& summary) const;

    const std::string& folder() const { return folder_; }
    std::uint64_t maxBytes() const { return maxBytes_; }
    // The entry file of `identity` (it may not exist).
    std::string PathFor(const std::string& identity) const;

  private:
    void Trim() const;

    std::string folder_;
    std::uint64_t maxBytes_;
};

}  // namespace trendtab
