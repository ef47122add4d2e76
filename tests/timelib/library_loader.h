/* Loading a library at run time and finding its exports by name, for the C export test. */
#pragma once

void* LoadLibraryAt(const char* path);
void* FindExport(void* library, const char* name);
void FreeLoadedLibrary(void* library);
