#include "history/archive.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "history/record_values.h"
#include "history/stamp_ticks.h"
#include "platform/file_services.h"
#include "platform/processors.h"

namespace trendtab {

struct Archive::Entry {
    std::shared_ptr<const ArchiveFile> file;
    // Guards the summary: one query reads a file at a time.
    std::mutex mutex;
    std::shared_ptr<const MinMaxSummary> summary;
    std::string identity;  // device and inode, or volume serial and file index; "" unknown
    // The summary of the file before it changed, and the size then: extended when it only grew.
    std::shared_ptr<const MinMaxSummary> earlier;
    std::uint64_t earlierSize = 0;
    // Per tag, the whole file as one column: a view in which the file falls into one pixel
    // column (a year of daily files) needs no read of it.
    std::vector<M4Column> whole;
    std::atomic<std::uint64_t> lastUse{0};
    bool stale = false;  // a read found the file changed: look again at the next Refresh
};

namespace {

bool FileState(const std::string& path, std::uint64_t& size, std::int64_t& modified) {
    std::error_code error;
    size = std::filesystem::file_size(path, error);
    if (error) {
        return false;
    }
    const auto time = std::filesystem::last_write_time(path, error);
    modified = error ? 0 : static_cast<std::int64_t>(time.time_since_epoch().count());
    return true;
}

}  // namespace

ArchiveFile TakeFileSnapshot(const std::string& path) {
    ArchiveFile file;
    file.path = path;
    FileState(path, file.size, file.modified);
    std::string reason;
    const OpenedHistoryFile opened = OpenHistoryFile(path);
    if (!opened.file || !opened.info.ok()) {
        // The summary's wording, which names the fault.
        MinMaxSummary::Build(path, reason);
        file.refusal = reason.empty() ? "cannot be read" : reason;
        return file;
    }
    const HistoryFile& info = opened.info;
    file.layout = info.header.layout();
    file.tags = info.header.tagNames;
    file.descriptions = info.header.tagSecondFields;
    file.descriptions.resize(file.tags.size());
    file.recordCount = info.recordCount;
    if (info.recordCount > 0) {
        platform::PositionedReader reader(path);
        std::vector<unsigned char> record(info.header.recordSize);
        const std::uint64_t lastOffset =
            info.recordStart + (info.recordCount - 1) * info.header.recordSize;
        if (reader.ReadAt(info.recordStart, record.data(), record.size()) != record.size()) {
            file.refusal = "the file was cut short while it was read";
            return file;
        }
        file.firstTicks = StampTicks(record.data(), file.layout);
        if (reader.ReadAt(lastOffset, record.data(), record.size()) != record.size()) {
            file.refusal = "the file was cut short while it was read";
            return file;
        }
        file.lastTicks = StampTicks(record.data(), file.layout);
    }
    return file;
}

Archive::Archive(std::size_t memoryBudget, std::shared_ptr<const SummaryCache> cache)
    : memoryBudget_(memoryBudget), cache_(std::move(cache)) {}
Archive::~Archive() = default;

bool Archive::Refresh(const std::vector<std::string>& paths) {
    // Look at the files without the lock held: headers are read here.
    std::map<std::string, std::shared_ptr<Entry>> current;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        current = entries_;
    }
    bool changed = false;
    std::map<std::string, std::shared_ptr<Entry>> next;
    for (const std::string& path : paths) {
        if (next.count(path) != 0) {
            continue;
        }
        std::uint64_t size = 0;
        std::int64_t modified = 0;
        if (!FileState(path, size, modified)) {
            changed = true;  // gone (or never there): left out
            continue;
        }
        const auto found = current.find(path);
        if (found != current.end()) {
            const std::shared_ptr<Entry>& entry = found->second;
            const std::lock_guard<std::mutex> lock(entry->mutex);
            if (!entry->stale && entry->file->size == size && entry->file->modified == modified) {
                next.emplace(path, entry);
                continue;
            }
        }
        auto entry = std::make_shared<Entry>();
        auto file = std::make_shared<ArchiveFile>(TakeFileSnapshot(path));
        platform::ExistingFileKey(path, true, entry->identity);
        if (found != current.end()) {
            Entry& before = *found->second;
            file->id = before.file->id;
            const std::lock_guard<std::mutex> lock(before.mutex);
            if (before.identity == entry->identity) {
                entry->earlier = before.summary ? before.summary : before.earlier;
                entry->earlierSize = before.summary ? before.file->size : before.earlierSize;
            }
        } else {
            const std::lock_guard<std::mutex> lock(mutex_);
            file->id = nextId_++;
        }
        entry->file = std::move(file);
        next.emplace(path, std::move(entry));
        changed = true;
    }
    changed = changed || next.size() != current.size();
    const std::lock_guard<std::mutex> lock(mutex_);
    entries_ = std::move(next);
    return changed;
}

std::vector<ArchiveFile> Archive::Files() const {
    std::vector<ArchiveFile> files;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [path, entry] : entries_) {
            files.push_back(*entry->file);
        }
    }
    std::stable_sort(files.begin(), files.end(), [](const ArchiveFile& a, const ArchiveFile& b) {
        if (a.ok() != b.ok()) {
            return a.ok();
        }
        return a.ok() && a.firstTicks < b.firstTicks;
    });
    std::uint64_t reach = 0;  // the latest stamp of the files before
    bool any = false;
    for (ArchiveFile& file : files) {
        if (!file.ok() || file.recordCount == 0) {
            continue;
        }
        file.overlapsEarlier = any && file.firstTicks <= reach;
        reach = any ? std::max(reach, file.lastTicks) : file.lastTicks;
        any = true;
    }
    return files;
}

std::vector<ArchiveTag> Archive::Tags() const {
    std::vector<ArchiveTag> tags;
    std::map<std::string, std::size_t> where;
    for (const ArchiveFile& file : Files()) {
        for (std::size_t i = 0; i < file.tags.size(); ++i) {
            const auto [it, added] = where.emplace(file.tags[i], tags.size());
            if (added) {
                tags.push_back({file.tags[i], "", {}});
            }
            ArchiveTag& tag = tags[it->second];
            if (tag.files.empty() || tag.files.back() != file.id) {
                tag.files.push_back(file.id);
            }
            const std::string& description = file.descriptions[i];
            if (tag.description.empty() && description != "-") {
                tag.description = description;
            }
        }
    }
    return tags;
}

bool Archive::HasTag(const std::string& name) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [path, entry] : entries_) {
        const auto& tags = entry->file->tags;
        if (std::find(tags.begin(), tags.end(), name) != tags.end()) {
            return true;
        }
    }
    return false;
}

std::shared_ptr<const MinMaxSummary> Archive::Summarise(Entry& entry) const {
    // Called with entry.mutex held.
    const ArchiveFile& file = *entry.file;
    SummaryCache::Entry stored;
    if (cache_ && !entry.identity.empty()) {
        stored = cache_->Load(entry.identity);
        if (stored.summary && stored.size == file.size && stored.modified == file.modified &&
            stored.summary->recordCount() == file.recordCount &&
            stored.summary->layout() == file.layout &&
            stored.summary->tagCount() == file.tags.size()) {
            ++loaded_;
            entry.earlier.reset();
            return stored.summary;
        }
    }
    // Extended only from a shorter file: a file rewritten at its old size is read again whole.
    std::shared_ptr<const MinMaxSummary> earlier;
    if (entry.earlier && entry.earlierSize < file.size) {
        earlier = entry.earlier;
    } else if (stored.summary && stored.size < file.size) {
        earlier = stored.summary;
    }
    entry.earlier.reset();
    std::string reason;
    bool extended = false;
    auto summary = earlier ? MinMaxSummary::Extend(file.path, *earlier, reason, extended)
                           : MinMaxSummary::Build(file.path, reason);
    if (!summary) {
        return nullptr;
    }
    ++(extended ? extended_ : built_);
    // Stored only when it matches what the snapshot saw: a file still changing is looked at
    // again by the next Refresh.
    if (cache_ && !entry.identity.empty() && summary->recordCount() == file.recordCount) {
        cache_->Store(entry.identity, file.size, file.modified, *summary);
    }
    return summary;
}

Archive::SummaryCounts Archive::Counts() const {
    return {built_.load(), extended_.load(), loaded_.load()};
}

std::shared_ptr<const MinMaxSummary> Archive::SummaryOf(Entry& entry) const {
    // Called with entry.mutex held.
    if (!entry.summary) {
        std::string reason;
        entry.summary = Summarise(entry);
        if (!entry.summary) {
            entry.stale = true;
            return nullptr;
        }
        const MinMaxSummary& summary = *entry.summary;
        entry.whole.assign(summary.tagCount(), M4Column());
        std::vector<std::vector<M4Column>> single(summary.tagCount(), std::vector<M4Column>(1));
        std::vector<M4Target> targets;
        for (std::size_t tag = 0; tag < summary.tagCount(); ++tag) {
            targets.push_back({tag, &single[tag]});
        }
        platform::PositionedReader reader(entry.file->path);
        const M4Window window{summary.firstTicks(), summary.lastTicks() + 1, 1};
        if (!QueryM4(summary, reader, targets, entry.file->id, window, reason)) {
            entry.summary.reset();
            entry.stale = true;
            return nullptr;
        }
        for (std::size_t tag = 0; tag < summary.tagCount(); ++tag) {
            entry.whole[tag] = std::move(single[tag][0]);
        }
    }
    return entry.summary;
}

std::vector<M4Column> Archive::Query(const std::string& tag, const M4Window& window) const {
    return std::move(Query(std::vector<std::string>{tag}, window)[0]);
}

std::vector<std::vector<M4Column>> Archive::Query(const std::vector<std::string>& tags,
                                                  const M4Window& window) const {
    std::vector<std::vector<M4Column>> columns(
        tags.size(), std::vector<M4Column>(window.Valid() ? window.width : 0));
    if (!window.Valid()) {
        return columns;
    }
    // The files holding any of the tags, and where each tag lies in each.
    struct Holding {
        std::shared_ptr<Entry> entry;
        std::vector<std::pair<std::size_t, std::size_t>> tags;  // (position in file, in `tags`)
    };
    std::vector<Holding> holding;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [path, entry] : entries_) {
            if (!entry->file->ok()) {
                continue;
            }
            Holding item{entry, {}};
            const auto& names = entry->file->tags;
            for (std::size_t t = 0; t < tags.size(); ++t) {
                const auto found = std::find(names.begin(), names.end(), tags[t]);
                if (found != names.end()) {
                    item.tags.emplace_back(static_cast<std::size_t>(found - names.begin()), t);
                }
            }
            if (!item.tags.empty()) {
                entry->lastUse = ++clock_;
                holding.push_back(std::move(item));
            }
        }
    }
    {
        std::vector<std::shared_ptr<Entry>> needed;
        for (const Holding& item : holding) {
            needed.push_back(item.entry);
        }
        PrepareSummaries(needed);
    }
    for (const Holding& item : holding) {
        Entry& entry = *item.entry;
        bool built = false;
        {
            const std::lock_guard<std::mutex> lock(entry.mutex);
            built = entry.summary != nullptr;
            const auto summary = SummaryOf(entry);
            if (!summary || summary->recordCount() == 0 || window.to <= summary->firstTicks() ||
                window.from > summary->lastTicks()) {
                continue;
            }
            const std::uint64_t first = summary->firstTicks();
            const std::uint64_t last = summary->lastTicks();
            if (window.from <= first && last < window.to &&
                window.ColumnOf(first) == window.ColumnOf(last)) {
                for (const auto& [position, t] : item.tags) {
                    if (position < entry.whole.size()) {
                        columns[t][window.ColumnOf(first)].Merge(entry.whole[position]);
                    }
                }
                continue;
            }
            std::vector<M4Target> targets;
            for (const auto& [position, t] : item.tags) {
                if (position < summary->tagCount()) {
                    targets.push_back({position, &columns[t]});
                }
            }
            // Opened for this query only: a file held open could not be removed or renamed on
            // Windows by the logger that rotates it.
            platform::PositionedReader reader(entry.file->path);
            std::string reason;
            if (!QueryM4(*summary, reader, targets, entry.file->id, window, reason)) {
                entry.summary.reset();
                entry.stale = true;
            }
        }
        if (!built) {
            KeepWithinBudget(&entry);
        }
    }
    return columns;
}

void Archive::PrepareSummaries(const std::vector<std::shared_ptr<Entry>>& entries) const {
    // Files without a summary are summarised (or loaded) on every processor at once, as far as
    // the budget holds them all; the query's own loop does the rest one at a time, evicting.
    std::vector<Entry*> missing;
    for (const auto& entry : entries) {
        const std::lock_guard<std::mutex> lock(entry->mutex);
        if (!entry->summary && !entry->stale) {
            missing.push_back(entry.get());
        }
    }
    const unsigned workers =
        std::min<unsigned>(platform::UsableProcessorCount(), static_cast<unsigned>(missing.size()));
    if (workers < 2) {
        return;
    }
    const std::size_t held = SummaryBytes();
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> added{0};
    auto work = [&] {
        for (std::size_t i = next++; i < missing.size(); i = next++) {
            if (held + added.load() > memoryBudget_) {
                return;
            }
            const std::lock_guard<std::mutex> lock(missing[i]->mutex);
            const auto summary = SummaryOf(*missing[i]);
            added += summary ? summary->MemoryBytes() : 0;
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    KeepWithinBudget(nullptr);
}

void Archive::KeepWithinBudget(const Entry* keep) const {
    std::vector<std::shared_ptr<Entry>> entries;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [path, entry] : entries_) {
            entries.push_back(entry);
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a->lastUse.load() < b->lastUse.load(); });
    std::size_t total = SummaryBytes();
    for (const auto& entry : entries) {
        if (total <= memoryBudget_) {
            break;
        }
        if (entry.get() == keep) {
            continue;
        }
        const std::lock_guard<std::mutex> lock(entry->mutex);
        if (entry->summary) {
            total -= std::min(total, entry->summary->MemoryBytes());
            entry->summary.reset();
        }
    }
}

std::size_t Archive::SummaryBytes() const {
    std::vector<std::shared_ptr<Entry>> entries;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [path, entry] : entries_) {
            entries.push_back(entry);
        }
    }
    std::size_t total = 0;
    for (const auto& entry : entries) {
        const std::lock_guard<std::mutex> lock(entry->mutex);
        total += entry->summary ? entry->summary->MemoryBytes() : 0;
    }
    return total;
}

}  // namespace trendtab
