// The operating system's file services that outputs replaced whole or not at all stand on: file
// identity, hidden temporaries beside a target, a replacing rename, and a guard that removes the
// temporaries when the process is interrupted. The build picks the backend (posix/ or win32/).
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

namespace trendtab::platform {

// True when two path names spell the same file name: byte for byte on POSIX, regardless of
// letter case on Windows.
bool SamePathName(const std::string& a, const std::string& b);

// True when both paths exist and lead to the same file (through a link, say).
bool SameFile(const std::string& a, const std::string& b);

// What identifies the file at `path` however it is spelled: its device and inode (volume serial
// and file index on Windows), following a symbolic link at the last name only when
// `followLastLink` says so. For a name that does not exist yet: the identity of the nearest
// folder that does, and the names below it compared as the file system compares names
// (regardless of letter case on Windows). Two paths with one key are one file, now or once made.
std::string FileKey(const std::string& path, bool followLastLink);

// FileKey both ways, not following a link at the last name and following it; where nothing is
// at the name, one look at it is enough (a missing name leads nowhere else). Only where
// something is at the name can either key be an existing file's. `folders` remembers the folders
// looked up on the way, for many names below the same few folders.
using FolderKeys = std::map<std::string, std::string>;
struct LinkKeys {
    std::string own;
    std::string reached;
    bool existing = false;  // something is at the name (a link perhaps, leading nowhere)
};
LinkKeys FileKeysBothWays(const std::string& path, FolderKeys& folders);

// The identity of an existing file (see FileKey); false when there is none at `path`.
bool ExistingFileKey(const std::string& path, bool followLastLink, std::string& key);
// A name as the file system compares names: itself on POSIX, in capitals on Windows.
std::string ComparedName(const std::string& name);

// True when `path` exists and is a regular file (following links).
bool IsRegularFile(const std::string& path);

// Opens an existing regular file for reading only, in binary mode, without waiting; null for a
// folder (errno EISDIR), a FIFO, device or socket (errno EINVAL) or a file that cannot be read.
std::FILE* OpenForReading(const std::string& path);

// A stream of its own for reading the regular file open on descriptor `fd` (which stays open),
// from its start; null for a folder (errno EISDIR), a FIFO, device or socket (errno EINVAL).
std::FILE* OpenDescriptorForReading(int fd);

// The size in bytes of the file behind an open stream (64 bits on every platform); false when
// the system cannot say.
bool OpenFileSize(std::FILE* file, std::uint64_t& size);

// Moves an open stream to a byte offset of 64 bits; false when the system refuses.
bool SeekTo(std::FILE* file, std::uint64_t offset);

// Where the file's own name begins in `path`: after the last "/" on POSIX; after the last "\\",
// "/" or ":" on Windows. 0 for a bare name.
std::size_t FileNameStart(const std::string& path);

// True when `target` may be created or replaced by this user without being opened: nothing is
// there, a symbolic link is there (the new file replaces the link, never what it leads to), or
// a regular file this user may write; and its folder lets us create files. A folder, a device, a
// pipe or a socket at the name is refused, as is a read-only file.
bool MayCreate(const std::string& target);

// Renames a file over `to` in one step, replacing what is there; false when that fails (`to`
// is then as it was).
bool RenameReplacing(const std::string& from, const std::string& to);

// Sets a file's modification time to now, to the system's full resolution; false when that
// fails.
bool TouchFile(const std::string& path);
// A file's modification time to the system's full resolution (nanoseconds since 1970 on POSIX,
// FILETIME ticks on Windows: comparable with each other only); false when there is no file.
bool FileModifiedTime(const std::string& path, std::int64_t& time);

// Removes a file; false when it was not there or could not be removed.
bool RemoveFile(const std::string& path);
// Removes a file if it is there (a link: the link); false only when it is there and stays (held
// open on Windows, say).
bool RemoveIfPresent(const std::string& path);

// A test knob, inert unless TRENDTAB_TEST_PAUSE_AT names `point` in the environment: the process
// then stops itself there (POSIX: SIGSTOP), so that a test can kill it at a known moment.
void PauseForTestAt(const char* point);

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
