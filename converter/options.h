// The command line's option scan.
#pragma once

#include <cstdint>

#include "converter/convert_options.h"

namespace trendtab {

// Fills `options` from argv[2] onwards (argv[1] is the file name or pattern). False for a bad
// command line: more than five options, an unknown or empty option, or a start or finish time
// with fewer than three parts.
bool ScanOptions(int argc, const char* const* argv, ConvertOptions& options);

// Reads a decimal integer the way the runtime's atoi does: leading white space, an optional sign,
// then digits; 0 without digits. Values beyond 32 bits saturate.
std::int32_t ReadDecimal(const char* text);

}  // namespace trendtab
