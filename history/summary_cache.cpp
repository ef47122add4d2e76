#include "history/summary_cache.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "history/content_hash.h"
#include "history/little_endian.h"
#include "platform/file_services.h"
#include "platform/path_text.h"

namespace trendtab {
namespace {

namespace fs = std::filesystem;

// An entry: the magic and the format version, the identity, the file's size and modification
// time, the summary's length and bytes, and a hash of everything before it.
constexpr char kMagic[8] = {'t', 'r', 'e', 'n', 'd', 's', 'u', 'm'};
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::size_t kMaxIdentity = 1024;
constexpr char kEntryEnd[] = ".sum";
constexpr char kPartEnd[] = ".part";
// A temporary this old was left by a process that ended while writing.
constexpr auto kAbandonedAfter = std::chrono::hours(1);

void PutField(std::string& out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i) & 0xff));
    }
}

bool EndsWith(const std::string& text, const char* end) {
    const std::string tail(end);
    return text.size() > tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

SummaryCache::SummaryCache(std::string folder, std::uint64_t maxBytes)
    : folder_(std::move(folder)), maxBytes_(maxBytes) {}

std::string SummaryCache::PathFor(const std::string& identity) const {
    const std::uint64_t hash =
        HashBytes(reinterpret_cast<const unsigned char*>(identity.data()), identity.size());
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return platform::TextFromPath(platform::PathFromText(folder_) /
                                  (std::string(name) + kEntryEnd));
}

SummaryCache::Entry SummaryCache::Load(const std::string& identity) const {
    Entry entry;
    if (maxBytes_ == 0 || identity.size() > kMaxIdentity) {
        return entry;
    }
    const fs::path path = platform::PathFromText(PathFor(identity));
    std::ifstream in(path, std::ios::binary);
    std::error_code error;
    const std::uint64_t size = fs::file_size(path, error);
    if (!in || error || size > maxBytes_ || size < 8 + 4 + 4 + 8 + 8 + 8 + 8) {
        return entry;
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        return entry;  // shorter than it was a moment ago: replaced meanwhile
    }
    in.close();
    const unsigned char* p = bytes.data();
    const std::size_t end = bytes.size() - 8;
    if (HashBytes(p, end) != LoadLittleEndian<std::uint64_t>(p + end) ||
        !std::equal(kMagic, kMagic + 8, p) ||
        LoadLittleEndian<std::uint32_t>(p + 8) != kFormatVersion) {
        return entry;
    }
    std::size_t at = 12;
    const std::uint32_t identitySize = LoadLittleEndian<std::uint32_t>(p + at);
    at += 4;
    if (identitySize != identity.size() || end - at < identitySize + 24 ||
        !std::equal(identity.begin(), identity.end(), p + at)) {
        return entry;  // another file's entry under the same name
    }
    at += identitySize;
    const std::uint64_t fileSize = LoadLittleEndian<std::uint64_t>(p + at);
    const std::int64_t modified = LoadLittleEndian<std::int64_t>(p + at + 8);
    const std::uint64_t summarySize = LoadLittleEndian<std::uint64_t>(p + at + 16);
    at += 24;
    if (summarySize != end - at) {
        return entry;
    }
    entry.summary = MinMaxSummary::Deserialize(p + at, static_cast<std::size_t>(summarySize));
    if (entry.summary) {
        entry.size = fileSize;
        entry.modified = modified;
        // Used now: the modification time orders entries for eviction.
        platform::TouchFile(PathFor(identity));
    }
    return entry;
}

void SummaryCache::Store(const std::string& identity, std::uint64_t size, std::int64_t modified,
                         const MinMaxSummary& summary) const {
    if (maxBytes_ == 0 || identity.size() > kMaxIdentity) {
        return;
    }
    std::string bytes(kMagic, sizeof kMagic);
    PutField(bytes, kFormatVersion, 4);
    PutField(bytes, identity.size(), 4);
    bytes += identity;
    PutField(bytes, size, 8);
    PutField(bytes, static_cast<std::uint64_t>(modified), 8);
    const std::size_t sizeAt = bytes.size();
    PutField(bytes, 0, 8);
    summary.Serialize(bytes);
    const std::uint64_t summarySize = bytes.size() - sizeAt - 8;
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[sizeAt + i] = static_cast<char>(summarySize >> (8 * i) & 0xff);
    }
    PutField(bytes, HashBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
             8);
    if (bytes.size() > maxBytes_) {
        return;
    }

    std::error_code error;
    fs::create_directories(platform::PathFromText(folder_), error);
    // A name of its own: several processes may write the same entry at once.
    static std::atomic<std::uint64_t> counter{std::random_device{}()};
    const std::string target = PathFor(identity);
    const std::string part = target + "." + std::to_string(counter++) + kPartEnd;
    {
        std::ofstream out(platform::PathFromText(part), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        // The time of use orders entries for eviction, to the clock's full resolution.
        platform::TouchFile(part);
        if (!out) {
            platform::RemoveIfPresent(part);
            return;
        }
    }
    if (!platform::RenameReplacing(part, target)) {
        platform::RemoveIfPresent(part);
        return;
    }
    Trim();
}

void SummaryCache::Trim() const {
    struct Item {
        std::int64_t used;
        std::uint64_t size;
        fs::path path;
    };
    std::vector<Item> items;
    std::uint64_t total = 0;
    std::error_code error;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(platform::PathFromText(folder_), error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = platform::TextFromPath(it->path().filename());
        std::error_code itemError;
        if (EndsWith(name, kPartEnd)) {
            const auto written = it->last_write_time(itemError);
            if (!itemError && now - written > kAbandonedAfter) {
                fs::remove(it->path(), itemError);
            }
            continue;
        }
        std::int64_t used = 0;
        if (!EndsWith(name, kEntryEnd) || name.size() != 16 + sizeof kEntryEnd - 1) {
            continue;  // not ours
        }
        const std::uint64_t size = it->file_size(itemError);
        if (!itemError && platform::FileModifiedTime(platform::TextFromPath(it->path()), used)) {
            items.push_back({used, size, it->path()});
            total += size;
        }
    }
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.used < b.used; });
    for (const Item& item : items) {
        if (total <= maxBytes_) {
            break;
        }
        fs::remove(item.path, error);
        total -= item.size;
    }
}

}  // namespace trendtab
