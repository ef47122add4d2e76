#include "history_opening.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "console.h"

namespace trendtab::python {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

[[noreturn]] void ThrowErrno(int error, const std::string& path) {
    throw std::system_error(error, std::generic_category(), path);
}

// The console text without the "Tag:" lines printed before the message.
std::string MessageAfterTagLines(const std::string& console, const HistoryHeader& header) {
    std::size_t skip = 0;
    for (const std::string& name : header.tagNames) {
        skip += std::string("   Tag: ").size() + name.size() + std::string(" \n").size();
    }
    return skip <= console.size() ? console.substr(skip) : console;
}

}  // namespace

OpenedHistory OpenHistory(const std::string& path) {
    std::error_code status;
    if (std::filesystem::is_directory(path, status)) {
        ThrowErrno(EISDIR, path);
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        ThrowErrno(errno != 0 ? errno : EIO, path);
    }
    OpenedHistory opened;
    std::string console;
    {
        Console capture(&console);
        opened.refused = !ReadHistoryHeader(file.get(), path, opened.header, capture);
    }
    if (std::ferror(file.get())) {
        ThrowErrno(errno != 0 ? errno : EIO, path);
    }
    if (opened.refused) {
        opened.message = MessageAfterTagLines(console, opened.header);
        return opened;
    }
    const long start = std::ftell(file.get());
    const auto size = std::filesystem::file_size(path, status);
    if (start < 0 || status) {
        ThrowErrno(status ? status.value() : EIO, path);
    }
    opened.recordStart = static_cast<std::uint64_t>(start);
    const std::uint64_t body = size > opened.recordStart ? size - opened.recordStart : 0;
    const std::uint64_t recordSize = opened.header.recordSize;
    opened.recordCount = recordSize == 0 ? 0 : body / recordSize;
    opened.trailingBytes = body - opened.recordCount * recordSize;
    return opened;
}

}  // namespace trendtab::python
