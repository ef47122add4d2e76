// Many history files as one timeline: each file's snapshot (layout, tags, first and last stamp,
// record count), files in time order with overlaps said, tags as names across files, and M4
// queries over every file holding a tag, answered from per-file min/max summaries built on first
// use and kept within a memory budget, and on disk (a SummaryCache) between runs; a file that
// grew has its summary extended rather than made anew. Safe to call from several threads; Refresh
// follows files that appear, grow, change or go while the archive is in use.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "history/m4.h"
#include "history/minmax_summary.h"
#include "history/summary_cache.h"
#include "platform/positioned_reader.h"

namespace trendtab {

// One file as it was when last looked at.
struct ArchiveFile {
    std::uint32_t id = 0;  // the archive's own number for it, never reused for another path
    std::string path;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // the file system's modification time, in its own units
    std::string refusal;        // why the file is skipped, in plain words; "" when it is read
    Layout layout = Layout::Compact;
    std::vector<std::string> tags;
    std::vector<std::string> descriptions;  // the wide layout's second fields; "" in compact
    std::uint64_t recordCount = 0;
    std::uint64_t firstTicks = 0;  // the first and the last record's stamp (0 without records)
    std::uint64_t lastTicks = 0;
    bool overlapsEarlier = false;  // its stamps reach into an earlier file's time

    bool ok() const { return refusal.empty(); }
};

// Reads the header and the first and last record of `path`.
ArchiveFile TakeFileSnapshot(const std::string& path);

struct ArchiveTag {
    std::string name;
    std::string description;  // the first file's that has one
    std::vector<std::uint32_t> files;
};

class Archive {
  public:
    // `memoryBudget`: bytes the summaries may hold together. `cache`: where summaries are kept
    // between runs (null: nowhere).
    explicit Archive(std::size_t memoryBudget, std::shared_ptr<const SummaryCache> cache = nullptr);
    ~Archive();

    // Takes `paths` as the archive's files: new ones are added, files whose size or modification
    // time changed are looked at again (their summaries rebuilt on next use), missing ones go.
    // True when anything changed.
    bool Refresh(const std::vector<std::string>& paths);

    // Readable files by first stamp, then the refused ones, in path order.
    std::vector<ArchiveFile> Files() const;
    std::vector<ArchiveTag> Tags() const;
    bool HasTag(const std::string& name) const;

    // The M4 columns of `tag` over every file holding it. A file that no longer reads as it did
    // is left out and looked at again by the next Refresh.
    std::vector<M4Column> Query(const std::string& tag, const M4Window& window) const;
    // The same for several tags at once (each file's column edges read once for all).
    std::vector<std::vector<M4Column>> Query(const std::vector<std::string>& tags,
                                             const M4Window& window) const;

    std::size_t SummaryBytes() const;

    // How the summaries in use were come by, since the archive was made.
    struct SummaryCounts {
        std::uint64_t built = 0;     // read the whole file
        std::uint64_t extended = 0;  // read only what the file gained
        std::uint64_t loaded = 0;    // from the disk cache
    };
    SummaryCounts Counts() const;

  private:
    struct Entry;
    std::shared_ptr<const MinMaxSummary> SummaryOf(Entry& entry) const;
    std::shared_ptr<const MinMaxSummary> Summarise(Entry& entry) const;
    void PrepareSummaries(const std::vector<std::shared_ptr<Entry>>& entries) const;
    void KeepWithinBudget(const Entry* keep) const;

    std::size_t memoryBudget_;
    std::shared_ptr<const SummaryCache> cache_;
    mutable std::atomic<std::uint64_t> built_{0};
    mutable std::atomic<std::uint64_t> extended_{0};
    mutable std::atomic<std::uint64_t> loaded_{0};
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Entry>> entries_;  // by path
    std::uint32_t nextId_ = 1;
    mutable std::uint64_t clock_ = 0;  // for least recently used
};

}  // namespace trendtab
