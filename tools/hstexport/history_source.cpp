#include "history_source.h"

#include <cerrno>
#include <system_error>

#include "console.h"

namespace hstexport {
namespace {

std::string SystemReason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// The reader's console message for a rejected header, in plain words.
std::string HeaderReason(const std::string& message) {
    if (message.find("type of infoFile") != std::string::npos) {
        return "not a history file: shorter than 2 bytes";
    }
    if (message.find("infoHead") != std::string::npos &&
        message.find("number of tags") == std::string::npos) {
        return "not a history file: it ends inside its header";
    }
    if (message.find("number of tags") != std::string::npos) {
        return "bad header: the number of tags is outside 0 to 250";
    }
    if (message.find("Invalid history file") != std::string::npos) {
        return "bad header: the tag table is cut short or names fewer tags than it should";
    }
    return "not a history file: it ends inside its first block";
}

}  // namespace

HistorySource::~HistorySource() {
    if (file_) {
        std::fclose(file_);
    }
}

bool HistorySource::Open(const std::string& path, std::string& reason) {
    errno = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        reason = SystemReason(errno != 0 ? errno : ENOENT);
        return false;
    }
    std::string messages;
    bool ok;
    {
        trendtab::Console console(&messages);
        errno = 0;
        ok = trendtab::ReadHistoryHeader(file_, path, header_, console);
    }
    if (!ok) {
        // A folder opens on POSIX, then fails to read.
        reason = std::ferror(file_) && errno != 0 ? SystemReason(errno) : HeaderReason(messages);
        return false;
    }
    if (header_.recordSize > 0 && header_.recordSize < header_.MinimumRecordSize()) {
        reason = "bad header: records of " + std::to_string(header_.recordSize) +
                 " bytes cannot hold " + std::to_string(header_.numTags) + " values";
        return false;
    }
    reader_ = std::make_unique<trendtab::RecordReader>(file_, header_.recordSize);
    return true;
}

bool HistorySource::Finished(std::string& reason) const {
    if (std::ferror(file_)) {
        reason = "read error: " + SystemReason(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

}  // namespace hstexport
