// Runs a program as a child process and captures its standard output, for end-to-end tests.
#pragma once

#include <cstdint>
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
};

struct RunResult {
    int exitCode = -1;   // as the parent sees it: 255 for exit(-1) on POSIX
    std::string output;  // standard output, byte for byte
    std::string errors;  // standard error
};

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options = {});

}  // namespace testsupport
