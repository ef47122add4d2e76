// File services on Windows: kernel32 file identity and attributes, temporaries opened so that
// they can be deleted while open, MoveFileEx for the replacing rename, and a console control
// handler that deletes the registered temporaries before the process ends.
#include "platform/file_services.h"

#include <fcntl.h>
#include <io.h>
#include "platform/win32/windows_api.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace trendtab::platform {

bool SamePathName(const std::string& a, const std::string& b) {
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

namespace {

// The volume and index that identify a file, or false when it cannot be opened.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const BOOL ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return ok != 0;
}

// Guards the registered temporaries; the control handler runs on a thread of its own.
std::recursive_mutex& TemporariesLock() {
    static std::recursive_mutex lock;
    return lock;
}
std::vector<std::string>& Temporaries() {
    static std::vector<std::string> names;
    return names;
}

BOOL WINAPI RemoveTemporariesOnControlEvent(DWORD) {
    std::lock_guard<std::recursive_mutex> hold(TemporariesLock());
    for (const std::string& name : Temporaries()) {
        DeleteFileA(name.c_str());
    }
    Temporaries().clear();
    // Ended as Windows' own handler ends a process on Ctrl-C (Wine's reports success instead).
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return FileIdentity(a, first) && FileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// The runtime refuses to open a folder.
std::FILE* OpenForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

bool OpenFileSize(std::FILE* file, std::uint64_t& size) {
    const __int64 length = _filelengthi64(_fileno(file));
    if (length < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(length);
    return true;
}

std::size_t FileNameStart(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? 0 : separator + 1;
}

bool MayCreate(const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }
    // The folder's own write permission shows when a file is made there; a read-only
    // attribute on a folder does not forbid that on Windows.
    return true;
}

bool IsSpecialFile(const std::string&) {
    return false;
}

// Links are rare on Windows and replacing one by a file is what other programs do there.
std::string LinkedFile(const std::string& path) {
    return path;
}

std::FILE* CreateTemporaryBeside(const std::string& target, bool text, std::string& tempName) {
    static std::atomic<unsigned> counter{0};
    const std::size_t folderEnd = FileNameStart(target);
    const std::string stem = target.substr(0, folderEnd) + "." + target.substr(folderEnd, 64) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = stem + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(GetTickCount() ^ (counter++ << 20)) + ".tmp";
        // Hidden, and shared for deletion so that the control handler can remove it while it
        // is being written.
        const HANDLE handle =
            CreateFileA(tempName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            break;
        }
        const int fd =
            _open_osfhandle(reinterpret_cast<intptr_t>(handle), text ? _O_TEXT : _O_BINARY);
        if (fd < 0) {
            CloseHandle(handle);
            DeleteFileA(tempName.c_str());
            break;
        }
        if (std::FILE* file = _fdopen(fd, text ? "wt" : "wb")) {
            return file;
        }
        _close(fd);
        DeleteFileA(tempName.c_str());
        break;
    }
    tempName.clear();
    return nullptr;
}

bool RenameOver(const std::string& from, const std::string& to) {
    // The attributes of a plain new file, not the temporary's hidden one; the rename keeps them.
    SetFileAttributesA(from.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void TreatFileSizeLimitAsWriteError() {}

bool RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

void RegisterTemporary(const std::string& path) {
    static std::once_flag installed;
    std::call_once(installed, [] { SetConsoleCtrlHandler(RemoveTemporariesOnControlEvent, TRUE); });
    std::lock_guard<std::recursive_mutex> hold(TemporariesLock());
    Temporaries().push_back(path);
}

void UnregisterTemporary(const std::string& path) {
    std::lock_guard<std::recursive_mutex> hold(TemporariesLock());
    std::vector<std::string>& names = Temporaries();
    for (auto it = names.begin(); it != names.end(); ++it) {
        if (*it == path) {
            names.erase(it);
            return;
        }
    }
}

// A control event waits for the lock while the renames run.
InterruptionHold::InterruptionHold() {
    TemporariesLock().lock();
}

InterruptionHold::~InterruptionHold() {
    TemporariesLock().unlock();
}

}  // namespace trendtab::platform
