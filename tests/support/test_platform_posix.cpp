// Test platform on POSIX: child processes by fork, exec and pipes.
#include "tests/support/run_program.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace testsupport {
namespace {

std::string DrainPipe(int fd) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(fd);
    return bytes;
}

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options) {
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> argvStorage;
    argvStorage.push_back(program);
    argvStorage.insert(argvStorage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : argvStorage) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
            _exit(126);
        }
        for (const auto& [name, value] : options.environment) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        if (options.unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(125);
        }
        if (options.signalAfterOutput) {
            signal(options.signal, SIG_DFL);  // a background shell may have it ignored
        }
        if (options.umask) {
            ::umask(static_cast<mode_t>(*options.umask));
        }
        if (options.fileSizeLimit) {
            rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    RunResult result;
    std::thread errorReader([&] { result.errors = DrainPipe(err[0]); });
    if (options.signalAfterOutput) {
        // Read until the text shows, then signal, then drain the rest.
        char buffer[4096];
        while (result.output.find(*options.signalAfterOutput) == std::string::npos) {
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n > 0) {
                result.output.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                break;
            }
        }
        kill(pid, options.signal);
    }
    result.output += DrainPipe(out[0]);
    errorReader.join();
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

int ExitStatusOfMinusOne() {
    return 255;
}

const char* NegativeNanText() {
    return "-nan";
}

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
    return symlink(target.c_str(), link.c_str()) == 0;
}

std::string FullDevice() {
    return access("/dev/full", W_OK) == 0 ? "/dev/full" : "";
}

bool RuleStringAppliesBefore1970() {
    return false;
}

bool HasShortPathLimit() {
    return false;
}

bool SupportsFileSizeLimit() {
    return true;
}

bool PosixChildControls() {
    return true;
}

int ExitCodeOfSignal(int signal) {
    return 128 + signal;
}

std::vector<int> InterruptionSignals() {
    return {SIGINT, SIGTERM, SIGHUP};
}

bool FolderPermissionsBindChildren() {
    return true;  // as root, children run unprivileged on request
}

const char* TextLineEnd() {
    return "\n";
}

bool UnderWine() {
    return false;
}

bool ZoneListFromZoneDirectory() {
    return true;
}

void SetProcessEnvironment(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}

}  // namespace testsupport
