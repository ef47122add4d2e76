#include "tools/hstexport/history_source.h"

#include "history/rejection_message.h"

#include <cerrno>
#include <system_error>

#include "platform/file_services.h"

namespace hstexport {
namespace {

using trendtab::HistoryError;

std::string SystemReason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

}  // namespace

bool HistorySource::Open(const std::string& path, std::string& reason) {
    errno = 0;
    opened_ = trendtab::OpenHistoryFile(path);
    if (!opened_.file) {
        // A FIFO, device or socket is never read: a pipe would give what it holds once.
        reason = errno == EINVAL ? "not a regular file" : SystemReason(errno != 0 ? errno : ENOENT);
        return false;
    }
    if (!opened_.info.ok()) {
        // A folder opens on POSIX, then fails to read.
        const bool readError = std::ferror(opened_.file.get()) && errno != 0;
        reason = readError ? SystemReason(errno)
                           : trendtab::PlainRejectionReason(opened_.info.error, header());
        return false;
    }
    ReadInBlocksOf(trendtab::RecordCursor::kDefaultBlockBytes);
    return true;
}

void HistorySource::ReadInBlocksOf(std::size_t blockBytes) {
    // Blocks no larger than the records: many small files then need no large buffers.
    const std::uint64_t bytes = RecordBytes();
    const std::size_t block = bytes < blockBytes ? static_cast<std::size_t>(bytes) : blockBytes;
    // Only the records the file held when it was opened, however it grows meanwhile.
    cursor_ = std::make_unique<trendtab::RecordCursor>(opened_.file.get(), header().recordSize,
                                                       block, opened_.info.recordCount);
}

bool HistorySource::Rewind(std::string& reason) {
    if (!trendtab::platform::SeekTo(opened_.file.get(), opened_.info.recordStart)) {
        reason = "cannot go back to its first record: " + SystemReason(errno != 0 ? errno : EIO);
        return false;
    }
    span_ = {};
    index_ = 0;
    ReadInBlocksOf(trendtab::RecordCursor::kDefaultBlockBytes);
    return true;
}

bool HistorySource::Finished(std::string& reason) const {
    if (cursor_->failed()) {
        reason = "read error: " + SystemReason(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

}  // namespace hstexport
