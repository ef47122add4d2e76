/* Library loading backed by LoadLibraryA and GetProcAddress. */
#include <windows.h>

#include "tests/timelib/library_loader.h"

void* LoadLibraryAt(const char* path) {
    return (void*)LoadLibraryA(path);
}

void* FindExport(void* library, const char* name) {
    return (void*)GetProcAddress((HMODULE)library, name);
}

void FreeLoadedLibrary(void* library) {
    FreeLibrary((HMODULE)library);
}
