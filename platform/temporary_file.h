// Temporaries beside a target that is replaced whole or not at all, made so that nothing piles up
// after a process that could clean nothing (SIGKILL, a power cut): on Linux the temporary has no
// name until it is placed (O_TMPFILE), so a killed writer leaves nothing; where it needs a name,
// its writer holds a lock on it (flock, LockFileEx) while it lives, and making a temporary in a
// folder first removes the temporaries of this tool family there that nobody holds. Never by
// process id: a shared folder is written from several hosts.
#pragma once

#include <cstdio>
#include <string>

namespace trendtab::platform {

struct Temporary {
    std::FILE* file = nullptr;  // written by the caller, closed by it before PlaceTemporary
    std::string name;           // empty while it has no name (Linux O_TMPFILE)
    int held = -1;              // a descriptor kept open until placed: the lock, the unnamed file
};

// A new, empty temporary in the folder of `target`, open for writing ("w" or "wb" as `text`
// says), with the permissions a plain create of `target` would give it; a named one is hidden
// and registered with the interruption guard (file_services.h) before it exists. False when
// none can be made.
bool CreateTemporaryBeside(const std::string& target, bool text, Temporary& temporary);

// Puts the temporary (its stream closed) in place of `target` in one step: renamed, or linked
// to a name and renamed. False when that fails; `target` is then as it was. Either way the
// temporary is gone afterwards.
bool PlaceTemporary(Temporary& temporary, const std::string& target);

// A name under which a writer that opens files itself reaches the temporary: its own name, or
// for an unnamed one the process's name of its descriptor (/proc/self/fd/N).
std::string TemporaryPath(const Temporary& temporary);

// Removes the temporary (closing its stream if still open).
void DropTemporary(Temporary& temporary);

// The hidden name of a named temporary for `target`, and whether a file name is one of them.
std::string TemporaryNameFor(const std::string& target, unsigned long long unique);
bool IsTemporaryName(const std::string& name);

}  // namespace trendtab::platform
