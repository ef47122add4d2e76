// Temporaries on POSIX: O_TMPFILE where the system and the file system have it (Linux), linked
// to a name with linkat(2) when placed; otherwise a named file held under flock(2).
#include "platform/temporary_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <random>
#include <set>

#include "platform/file_services.h"

namespace trendtab::platform {
namespace {

unsigned long long UniqueNumber() {
    static std::mutex lock;
    static std::mt19937_64 numbers{std::random_device{}()};
    const std::lock_guard<std::mutex> hold(lock);
    return numbers();
}

std::string FolderOf(const std::string& target) {
    const std::string folder = target.substr(0, FileNameStart(target));
    return folder.empty() ? "." : folder;
}

// True when `name` in `folder` still is the file open on `fd` (no one removed or replaced it).
bool StillNamed(int fd, const std::string& name) {
    struct stat open;
    struct stat named;
    return fstat(fd, &open) == 0 && lstat(name.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Removes the temporaries in `folder` that nobody holds: left by a killed writer, on this host or
// another. Once per folder and process.
void RemoveAbandonedTemporaries(const std::string& folder) {
    static std::mutex lock;
    static std::set<std::string> swept;
    {
        const std::lock_guard<std::mutex> hold(lock);
        if (!swept.insert(folder).second) {
            return;
        }
    }
    DIR* listing = opendir(folder.c_str());
    if (!listing) {
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        if (!IsTemporaryName(entry->d_name)) {
            continue;
        }
        const std::string path = folder + "/" + entry->d_name;
        const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            StillNamed(fd, path)) {
            unlink(path.c_str());
        }
        close(fd);
    }
    closedir(listing);
}

std::FILE* StreamOf(int fd, bool text, Temporary& temporary) {
    temporary.held = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    std::FILE* file = temporary.held >= 0 ? fdopen(fd, text ? "w" : "wb") : nullptr;
    if (!file) {
        close(fd);
    }
    return file;
}

bool CreateUnnamed(const std::string& folder, bool text, Temporary& temporary) {
#ifdef O_TMPFILE
    // Naming it at the end goes through /proc; without it a named temporary is used.
    static const bool procMounted = access("/proc/self/fd", X_OK) == 0;
    if (!procMounted) {
        return false;
    }
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;  // a file system or system without it
    }
    temporary.file = StreamOf(fd, text, temporary);
    if (!temporary.file) {
        DropTemporary(temporary);
        return false;
    }
    return true;
#else
    (void)folder;
    (void)text;
    (void)temporary;
    return false;
#endif
}

// Opens a new file at a fresh temporary name for `target`, registered and locked; -1 on failure.
int CreateNamed(const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryNameFor(target, UniqueNumber());
        // Registered before it exists: a signal handled on any thread while it is being made
        // finds it (per-thread blocking could not promise that with several threads).
        RegisterTemporary(name);
        // 0666 through the umask: the permissions of a plain create.
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const int error = errno;
        if (fd >= 0 && flock(fd, LOCK_EX) == 0 && StillNamed(fd, name)) {
            return fd;  // locked before anyone could take it for abandoned, and still ours
        }
        if (fd >= 0) {
            close(fd);
        }
        UnregisterTemporary(name);
        if (fd < 0 && error != EEXIST) {
            errno = error;
            break;
        }
    }
    name.clear();
    return -1;
}

}  // namespace

bool CreateTemporaryBeside(const std::string& target, bool text, Temporary& temporary) {
    const std::string folder = FolderOf(target);
    RemoveAbandonedTemporaries(folder);
    if (CreateUnnamed(folder, text, temporary)) {
        return true;
    }
    const int fd = CreateNamed(target, temporary.name);
    if (fd < 0) {
        return false;
    }
    temporary.file = StreamOf(fd, text, temporary);
    if (!temporary.file) {
        DropTemporary(temporary);
        return false;
    }
    return true;
}

bool PlaceTemporary(Temporary& temporary, const std::string& target) {
    if (temporary.name.empty() && temporary.held >= 0) {
        const std::string self = "/proc/self/fd/" + std::to_string(temporary.held);
        // Where nothing is at the target yet, the file takes its name in one step; linkat never
        // replaces what is there (made meanwhile, or a link).
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            DropTemporary(temporary);  // only closes what is left
            return true;
        }
        // Otherwise named now, for the rename that replaces the target in one step.
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary.name = TemporaryNameFor(target, UniqueNumber());
            RegisterTemporary(temporary.name);
            if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.name.c_str(),
                       AT_SYMLINK_FOLLOW) == 0) {
                break;
            }
            const int error = errno;
            UnregisterTemporary(temporary.name);
            temporary.name.clear();
            if (error != EEXIST) {
                break;
            }
        }
    }
    if (temporary.name.empty() || rename(temporary.name.c_str(), target.c_str()) != 0) {
        DropTemporary(temporary);
        return false;
    }
    UnregisterTemporary(temporary.name);
    temporary.name.clear();
    DropTemporary(temporary);  // only closes what is left
    return true;
}

void DropTemporary(Temporary& temporary) {
    if (temporary.file) {
        std::fclose(temporary.file);
        temporary.file = nullptr;
    }
    if (!temporary.name.empty()) {
        unlink(temporary.name.c_str());
        UnregisterTemporary(temporary.name);
        temporary.name.clear();
    }
    if (temporary.held >= 0) {
        close(temporary.held);  // the lock goes with the last descriptor
        temporary.held = -1;
    }
}

std::string TemporaryPath(const Temporary& temporary) {
    if (!temporary.name.empty() || temporary.held < 0) {
        return temporary.name;
    }
    return "/proc/self/fd/" + std::to_string(temporary.held);
}

}  // namespace trendtab::platform
