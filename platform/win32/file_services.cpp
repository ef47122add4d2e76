// File services on Windows: kernel32 file identity and attributes, temporaries opened so that
// they can be deleted while open, MoveFileEx for the replacing rename, and a console control
// handler that deletes the registered temporaries before the process ends.
#include "platform/file_services.h"

#include <fcntl.h>
#include <io.h>
#include "platform/win32/wide_path.h"
#include "platform/win32/windows_api.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace trendtab::platform {

// Windows' own rule for names: letter case is ignored in every script, not only in ASCII.
bool SamePathName(const std::string& a, const std::string& b) {
    const std::wstring first = WidePath(a);
    const std::wstring second = WidePath(b);
    return CompareStringOrdinal(first.c_str(), static_cast<int>(first.size()), second.c_str(),
                                static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

namespace {

// The volume and index that identify a file, or false when it cannot be opened.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = CreateFileW(WidePath(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
        DeleteFileW(WidePath(name).c_str());
    }
    Temporaries().clear();
    // Ended as Windows' own handler ends a process on Ctrl-C (Wine's reports success instead).
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

}  // namespace

bool ExistingFileKey(const std::string& path, bool followLastLink, std::string& key) {
    const HANDLE file = CreateFileW(
        WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (followLastLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!ok) {
        return false;
    }
    key = std::to_string(info.dwVolumeSerialNumber) + ":" +
          std::to_string((static_cast<unsigned long long>(info.nFileIndexHigh) << 32) |
                         info.nFileIndexLow);
    return true;
}

std::string ComparedName(const std::string& name) {
    // As NTFS compares names: each UTF-16 unit in capitals.
    const int units =
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), units);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    std::string key;
    for (const wchar_t unit : wide) {
        key += std::to_string(static_cast<unsigned>(unit)) + ",";
    }
    return key;
}

bool IsRegularFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return FileIdentity(a, first) && FileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// The runtime refuses to open a folder; a device (NUL, CON) or a pipe is refused here.
std::FILE* OpenForReading(const std::string& path) {
    std::FILE* file = _wfopen(WidePath(path).c_str(), L"rb");
    if (file &&
        GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        std::fclose(file);
        errno = EINVAL;
        return nullptr;
    }
    return file;
}

std::FILE* OpenDescriptorForReading(int fd) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK) {
        errno = EINVAL;
        return nullptr;
    }
    const int own = _dup(fd);
    if (own < 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(own, "rb");
    if (!file) {
        _close(own);
    } else if (_fseeki64(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool OpenFileSize(std::FILE* file, std::uint64_t& size) {
    const __int64 length = _filelengthi64(_fileno(file));
    if (length < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(length);
    return true;
}

bool SeekTo(std::FILE* file, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
           _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

std::size_t FileNameStart(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? 0 : separator + 1;
}

bool MayCreate(const std::string& target) {
    const DWORD attributes = GetFileAttributesW(WidePath(target).c_str());
    // A link (reparse point) is replaced by the new file, whatever it leads to.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }
    // The folder's own write permission shows when a file is made there; a read-only
    // attribute on a folder does not forbid that on Windows.
    return true;
}

void TreatFileSizeLimitAsWriteError() {}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) !=
           0;
}

bool TouchFile(const std::string& path) {
    const HANDLE file = CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const bool set = SetFileTime(file, nullptr, nullptr, &now) != 0;
    CloseHandle(file);
    return set;
}

bool FileModifiedTime(const std::string& path, std::int64_t& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    time = static_cast<std::int64_t>(static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime)
                                         << 32 |
                                     data.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(WidePath(path).c_str()) != 0;
}

bool RemoveIfPresent(const std::string& path) {
    if (DeleteFileW(WidePath(path).c_str()) != 0) {
        return true;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// No way for a test to stop a process from outside here: the knob does nothing.
void PauseForTestAt(const char*) {}

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
