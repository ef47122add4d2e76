// The operating system's file services that outputs replaced whole or not at all stand on: file
// identity, hidden temporaries beside a target, a replacing rename, and a guard that removes the
// temporaries when the process is interrupted. The build picks the backend (posix/ or win32/).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace trendtab::platform {

// True when two path names spell the same file name: byte for byte on POSIX, regardless of
// letter case on Windows.
bool SamePathName(const std::string& a, const std::string& b);

// True when both paths exist and lead to the same file (through a link, say).
bool SameFile(const std::string& a, const std::string& b);

// Opens an existing file for reading only, in binary mode; null for a folder or a file that
// cannot be read.
std::FILE* OpenForReading(const std::string& path);

// The size in bytes of the file behind an open stream (64 bits on every platform); false when
// the system cannot say.
bool OpenFileSize(std::FILE* file, std::uint64_t& size);

// Where the file's own name begins in `path`: after the last "/" on POSIX; after the last "\\",
// "/" or ":" on Windows. 0 for a bare name.
std::size_t FileNameStart(const std::string& path);

// True when `target` may be created or replaced by this user: it is not a folder, it is not a
// read-only file, and its folder lets us create files. A file that would be refused by a plain
// create-for-writing is refused here too.
bool MayCreate(const std::string& target);

// True when `path` exists and is neither a regular file nor a folder: a device or a pipe, which
// is written in place since it cannot be replaced.
bool IsSpecialFile(const std::string& path);

// The file a symbolic link at `path` leads to, so that replacing it keeps the link; `path`
// itself when it is no link (or a dangling one).
std::string LinkedFile(const std::string& path);

// A new, empty, hidden file in the folder of `target`, open for writing ("wb" or "wt" as `text`
// says), with the permissions a plain create of `target` would give it. `tempName` receives its
// name. Null (and `tempName` empty) when no such file can be made.
std::FILE* CreateTemporaryBeside(const std::string& target, bool text, std::string& tempName);

// Renames `from` over `to`, replacing an existing `to` in one step. False on failure, where `to`
// is left as it was.
bool RenameOver(const std::string& from, const std::string& to);

// Removes a file; false when it was not there or could not be removed.
bool RemoveFile(const std::string& path);

// While a temporary is registered, an interruption of the process (SIGINT, SIGTERM, SIGHUP on
// POSIX; console control events on Windows) removes it before the process ends as it would have.
// Registering installs the handlers on first use. Names must stay valid until unregistered.
void RegisterTemporary(const std::string& path);
void UnregisterTemporary(const std::string& path);

// Makes a file-size limit a write error of the file that reaches it instead of the end of the
// process (POSIX: SIGXFSZ ignored; Windows has no such signal).
void TreatFileSizeLimitAsWriteError();

// Holds interruptions back while alive (POSIX: the signals above are blocked; Windows: control
// events wait), so that a pair of renames is not cut in half. They arrive when it ends.
class InterruptionHold {
  public:
    InterruptionHold();
    ~InterruptionHold();
    InterruptionHold(const InterruptionHold&) = delete;
    InterruptionHold& operator=(const InterruptionHold&) = delete;
};

}  // namespace trendtab::platform
