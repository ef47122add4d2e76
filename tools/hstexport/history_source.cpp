#include "tools/hstexport/history_source.h"

#include <cerrno>
#include <system_error>

namespace hstexport {
namespace {

using trendtab::HistoryError;

std::string SystemReason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

std::string HeaderReason(HistoryError error, const HistoryHeader& header) {
    switch (error) {
        case HistoryError::TypeMissing:
            return "not a history file: shorter than 2 bytes";
        case HistoryError::InfoFileIncomplete:
            return "not a history file: it ends inside its first block";
        case HistoryError::InfoHeadIncomplete:
            return "not a history file: it ends inside its header";
        case HistoryError::TagCountOutOfRange:
            return "bad header: the number of tags is outside 0 to 250";
        case HistoryError::TagTableCutShort:
            return "bad header: the file ends inside the tag table";
        case HistoryError::TagNamesMissing:
            return "bad header: the tag text names fewer tags than the header counts";
        case HistoryError::RecordTooSmall:
            return "bad header: records of " + std::to_string(header.recordSize) +
                   " bytes cannot hold " + std::to_string(header.numTags) + " values";
        case HistoryError::CannotOpen:
        case HistoryError::None:
            break;
    }
    return "cannot be read";
}

}  // namespace

bool HistorySource::Open(const std::string& path, std::string& reason) {
    errno = 0;
    opened_ = trendtab::OpenHistoryFile(path);
    if (!opened_.file) {
        reason = SystemReason(errno != 0 ? errno : ENOENT);
        return false;
    }
    if (!opened_.info.ok()) {
        // A folder opens on POSIX, then fails to read.
        const bool readError = std::ferror(opened_.file.get()) && errno != 0;
        reason = readError ? SystemReason(errno) : HeaderReason(opened_.info.error, header());
        return false;
    }
    ReadInBlocksOf(trendtab::RecordCursor::kDefaultBlockBytes);
    return true;
}

void HistorySource::ReadInBlocksOf(std::size_t blockBytes) {
    // Blocks no larger than the records: many small files then need no large buffers.
    const std::uint64_t bytes = RecordBytes();
    const std::size_t block = bytes < blockBytes ? static_cast<std::size_t>(bytes) : blockBytes;
    cursor_ =
        std::make_unique<trendtab::RecordCursor>(opened_.file.get(), header().recordSize, block);
}

bool HistorySource::Finished(std::string& reason) const {
    if (cursor_->failed()) {
        reason = "read error: " + SystemReason(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

}  // namespace hstexport
