// File services on POSIX: stat(2) identity, open(2) with O_EXCL for temporaries, rename(2), and
// signal handlers that unlink the registered temporaries before the signal takes its course.
#include "platform/file_services.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace trendtab::platform {

bool SamePathName(const std::string& a, const std::string& b) {
    return a == b;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first;
    struct stat second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool ExistingFileKey(const std::string& path, bool followLastLink, std::string& key) {
    struct stat info;
    if ((followLastLink ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) != 0) {
        return false;
    }
    key = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    return true;
}

std::string ComparedName(const std::string& name) {
    return name;
}

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

namespace {

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

// The registered temporaries: a list that only grows, whose nodes are reused, so the signal
// handler can walk it without locks or allocation.
struct TemporaryNode {
    std::atomic<const char*> path{nullptr};
    TemporaryNode* next = nullptr;
};
std::atomic<TemporaryNode*> temporaries{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free &&
                  std::atomic<TemporaryNode*>::is_always_lock_free,
              "the signal handler reads these");

extern "C" void RemoveTemporariesAndReraise(int signal) {
    const int savedErrno = errno;
    for (TemporaryNode* node = temporaries.load(); node; node = node->next) {
        if (const char* path = node->path.load()) {
            unlink(path);
        }
    }
    // The default action now: the parent sees the process ended by this signal.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
    errno = savedErrno;
}

void InstallHandlers() {
    for (int signal : kInterruptions) {
        struct sigaction current {};
        sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_IGN) {
            continue;  // started with it ignored (nohup, say): keep it so
        }
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndReraise;
        sigemptyset(&action.sa_mask);
        for (int other : kInterruptions) {
            sigaddset(&action.sa_mask, other);
        }
        sigaction(signal, &action, nullptr);
    }
}

sigset_t InterruptionSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kInterruptions) {
        sigaddset(&set, signal);
    }
    return set;
}

}  // namespace

std::FILE* OpenForReading(const std::string& path) {
    // Without waiting: opening a FIFO would wait for a writer; it is refused below.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = error;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
    }
    return file;
}

std::FILE* OpenDescriptorForReading(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    const int own = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(own, "rb");
    if (!file) {
        close(own);
    } else if (!SeekTo(file, 0)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool OpenFileSize(std::FILE* file, std::uint64_t& size) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || info.st_size < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool SeekTo(std::FILE* file, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
           fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::size_t FileNameStart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

bool MayCreate(const std::string& target) {
    struct stat info;
    if (lstat(target.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        // Checked without opening: opening a FIFO for writing would wait for a reader.
        if (!S_ISREG(info.st_mode) || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
            return false;
        }
    }
    const std::string folder = target.substr(0, FileNameStart(target));
    return faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

void TreatFileSizeLimitAsWriteError() {
    signal(SIGXFSZ, SIG_IGN);
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

bool TouchFile(const std::string& path) {
    return utimensat(AT_FDCWD, path.c_str(), nullptr, 0) == 0;
}

bool FileModifiedTime(const std::string& path, std::int64_t& time) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    time = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return true;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

bool RemoveIfPresent(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

void PauseForTestAt(const char* point) {
    const char* wanted = std::getenv("TRENDTAB_TEST_PAUSE_AT");
    if (wanted && std::string(wanted) == point) {
        raise(SIGSTOP);
    }
}

void RegisterTemporary(const std::string& path) {
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
    const char* name = path.c_str();
    for (TemporaryNode* node = temporaries.load(); node; node = node->next) {
        const char* expected = nullptr;
        if (node->path.compare_exchange_strong(expected, name)) {
            return;
        }
    }
    auto* node = new TemporaryNode;  // kept for reuse: the handler may be reading the list
    node->path.store(name);
    node->next = temporaries.load();
    while (!temporaries.compare_exchange_weak(node->next, node)) {
    }
}

void UnregisterTemporary(const std::string& path) {
    const char* name = path.c_str();
    for (TemporaryNode* node = temporaries.load(); node; node = node->next) {
        const char* expected = name;
        if (node->path.compare_exchange_strong(expected, nullptr)) {
            return;
        }
    }
}

// Holds nest: only the outermost one blocks and unblocks.
static thread_local int holdDepth = 0;

InterruptionHold::InterruptionHold() {
    if (holdDepth++ == 0) {
        const sigset_t set = InterruptionSet();
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
    }
}

InterruptionHold::~InterruptionHold() {
    if (--holdDepth == 0) {
        const sigset_t set = InterruptionSet();
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

}  // namespace trendtab::platform
