/* Library loading backed by dlopen(3). */
#include <dlfcn.h>
#include <stdio.h>

#include "tests/timelib/library_loader.h"

void* LoadLibraryAt(const char* path) {
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        printf("dlopen: %s\n", dlerror());
    }
    return library;
}

void* FindExport(void* library, const char* name) {
    return dlsym(library, name);
}

void FreeLoadedLibrary(void* library) {
    dlclose(library);
}
