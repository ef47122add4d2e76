// The hstgen command line: argument scan, usage text and the two ways of writing a file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hstgen {

constexpr int kExitOk = 0;
constexpr int kExitNotWritten = 1;  // a description that cannot be read or is wrong, or a write
constexpr int kExitBadArguments = 2;

// Runs hstgen with `args` (without the program name). `in` serves "--from -"; the usage text goes
// and version to `out`, error messages (one line each) to `err`. Returns the exit status.
int RunHstgen(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);

extern const char* const kUsageText;

}  // namespace hstgen
