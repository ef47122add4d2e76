// Runs a program as a child process and captures its standard output, for end-to-end tests; and
// the few platform facts the tests compare against.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct RunOptions {
    std::string workingDirectory;  // empty: the test's own
    // Variables set (or, with an empty optional, removed) in the child's environment.
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    // POSIX only: a file-size limit (RLIMIT_FSIZE) for the child, in bytes.
    std::optional<std::uint64_t> fileSizeLimit;
    // POSIX only: once the child's standard output holds this text, the child gets `signal`.
    std::optional<std::string> signalAfterOutput;
    int signal = 0;
    // POSIX only: when the tests run as root, the child runs as the unprivileged user 65534
    // (its folders and the program must be reachable by that user).
    bool unprivileged = false;
    // POSIX only: the child's file mode creation mask.
    std::optional<unsigned> umask;
    // POSIX only: when the child stops itself (the TRENDTAB_TEST_PAUSE_AT knob), `whenStopped`
    // runs, then the child gets `signalWhenStopped` (SIGKILL, say), if set, and goes on.
    std::function<void()> whenStopped;
    std::optional<int> signalWhenStopped;
    // POSIX only: a limit on the child's address space (RLIMIT_AS, as `ulimit -v`), in bytes.
    std::optional<std::uint64_t> memoryLimit;
    // POSIX only: the child starts with its standard error closed.
    bool closeStandardError = false;
    // POSIX only: the child's standard output goes to this file (/dev/full, say), not the pipe.
    std::optional<std::string> standardOutputFile;
};

struct RunResult {
    int exitCode = -1;   // as the parent sees it: 255 for exit(-1) on POSIX
    std::string output;  // standard output, byte for byte
    std::string errors;  // standard error
};

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options = {});

// The exit status a parent sees for exit(-1): 255 on POSIX, -1 on Windows.
int ExitStatusOfMinusOne();

// The line end of text-mode files and of the console: "\n" on POSIX, "\r\n" on Windows.
const char* TextLineEnd();

// How the platform's printf shows a NaN with its sign bit set: "-nan" with the GNU C library,
// "nan" with the Windows runtime.
const char* NegativeNanText();

// False where the child's file-size limit (RunOptions::fileSizeLimit) cannot be set.
bool SupportsFileSizeLimit();

// True where RunOptions' POSIX-only controls of a child (a signal mid-run, the unprivileged
// user, the umask) apply.
bool PosixChildControls();

// The exit code a parent sees for a child ended by `signal` (128 + signal).
int ExitCodeOfSignal(int signal);

// The signals that interrupt a console program (SIGINT, SIGTERM, SIGHUP on POSIX); none where
// a child cannot be signalled.
std::vector<int> InterruptionSignals();

// True where a child (with RunOptions::unprivileged) may not create files in a folder whose
// permissions forbid it.
bool FolderPermissionsBindChildren();

// True where "/?" asks a program for its help (Windows).
bool WindowsHelpForm();

// Makes `link` a symbolic link to `target`; false where the platform or the user cannot.
bool MakeSymbolicLink(const std::string& target, const std::string& link);

// Holds `path` open as a spreadsheet holds a file it shows (Windows: shared for reading only, so
// it can be neither removed nor replaced) while the result lives; null where no such hold exists.
std::shared_ptr<void> HoldOpenForReadingOnly(const std::string& path);

// Makes a FIFO at `path`; false where the platform has none.
bool MakeFifo(const std::string& path);

// A device that refuses every write as a full disk would (/dev/full), or "" where there is none.
std::string FullDevice();

// True where a TZ rule string's daylight saving also applies to years before 1970: the Windows
// yearly rule applies to every year, the GNU C library keeps it to 1970 and later.
bool RuleStringAppliesBefore1970();

// True when running on Wine rather than on Windows or natively.
bool UnderWine();

// True where the registry's zone list is the stand-in over the zone database that TZDIR names
// (POSIX); false where it is the system's registry (Windows).
bool ZoneListFromZoneDirectory();

// Sets (or, with an empty optional, removes) a variable in this process's environment. Never
// for TZ: a test takes its zone from the environment it was started with.
void SetProcessEnvironment(const std::string& name, const std::optional<std::string>& value);

}  // namespace testsupport
