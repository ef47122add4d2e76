// Temporaries on Windows: hidden named files, shared for deletion so that the control handler can
// remove them while they are written, each holding a lock (LockFileEx on a byte far beyond any
// content) while its writer lives; MoveFileEx places them.
#include "platform/temporary_file.h"

#include <fcntl.h>
#include <io.h>

#include <mutex>
#include <random>
#include <set>

#include "platform/file_services.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/windows_api.h"

namespace trendtab::platform {
namespace {

unsigned long long UniqueNumber() {
    static std::mutex lock;
    static std::mt19937_64 numbers{std::random_device{}()};
    const std::lock_guard<std::mutex> hold(lock);
    return numbers();
}

// The byte the lock covers: far beyond any content, so the lock never stands in a write's way.
bool LockMarker(HANDLE handle) {
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFFEu;
    at.OffsetHigh = 0x7FFFFFFFu;
    return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) !=
           0;
}

// Removes the temporaries in the folder of `target` that nobody holds. Once per folder.
void RemoveAbandonedTemporaries(const std::string& target) {
    const std::string folder = target.substr(0, FileNameStart(target));
    static std::mutex lock;
    static std::set<std::string> swept;
    {
        const std::lock_guard<std::mutex> hold(lock);
        if (!swept.insert(folder).second) {
            return;
        }
    }
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WidePath(folder + ".*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = Utf8Text(found.cFileName);
        if (!IsTemporaryName(name) ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
            continue;
        }
        const std::string path = folder + name;
        const HANDLE file =
            CreateFileW(WidePath(path).c_str(), GENERIC_READ | DELETE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            continue;
        }
        if (LockMarker(file)) {
            FILE_DISPOSITION_INFO dispose{};
            dispose.DeleteFile = TRUE;
            SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
        }
        CloseHandle(file);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

bool CreateTemporaryBeside(const std::string& target, bool text, Temporary& temporary) {
    RemoveAbandonedTemporaries(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.name = TemporaryNameFor(target, UniqueNumber());
        // Hidden, and shared for deletion so that the control handler can remove it while it
        // is being written, and for writing so that a library that opens it by name (the
        // workbook writer) can. Made and registered while control events wait.
        HANDLE handle = INVALID_HANDLE_VALUE;
        {
            const InterruptionHold hold;
            handle = CreateFileW(WidePath(temporary.name).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                RegisterTemporary(temporary.name);
            }
        }
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            break;
        }
        LockMarker(handle);  // where locks are refused, the temporary is merely not protected
        temporary.held =
            _open_osfhandle(reinterpret_cast<intptr_t>(handle), text ? _O_TEXT : _O_BINARY);
        if (temporary.held < 0) {
            CloseHandle(handle);
            DropTemporary(temporary);
            break;
        }
        // The stream gets a descriptor of its own; `held` keeps the locked handle to the end.
        const int own = _dup(temporary.held);
        temporary.file = own >= 0 ? _fdopen(own, text ? "wt" : "wb") : nullptr;
        if (!temporary.file) {
            if (own >= 0) {
                _close(own);
            }
            DropTemporary(temporary);
            break;
        }
        return true;
    }
    temporary.name.clear();
    return false;
}

bool PlaceTemporary(Temporary& temporary, const std::string& target) {
    if (temporary.name.empty()) {
        DropTemporary(temporary);
        return false;
    }
    // The attributes of a plain new file, not the temporary's hidden one; the rename keeps them.
    SetFileAttributesW(WidePath(temporary.name).c_str(), FILE_ATTRIBUTE_ARCHIVE);
    if (MoveFileExW(WidePath(temporary.name).c_str(), WidePath(target).c_str(),
                    MOVEFILE_REPLACE_EXISTING) == 0) {
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
    if (temporary.held >= 0) {
        _close(temporary.held);
        temporary.held = -1;
    }
    if (!temporary.name.empty()) {
        DeleteFileW(WidePath(temporary.name).c_str());
        UnregisterTemporary(temporary.name);
        temporary.name.clear();
    }
}

std::string TemporaryPath(const Temporary& temporary) {
    // A writer that opens the name itself creates it anew (fopen "wb"), which Windows refuses
    // for a hidden file: it gets a plain one. The name still marks it as a temporary.
    SetFileAttributesW(WidePath(temporary.name).c_str(), FILE_ATTRIBUTE_NORMAL);
    return temporary.name;  // temporaries always have a name here
}

}  // namespace trendtab::platform
