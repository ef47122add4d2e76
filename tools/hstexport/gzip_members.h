// Whole gzip members, each independent of the others: what the pipeline's workers make of their
// blocks with --gzip. The deflate library is a backend chosen by CMake: libdeflate where Debian
// has it (about twice zlib's speed at level 1, and smaller), zlib for the Windows build.
#pragma once

#include <memory>

#include "tools/hstexport/byte_sink.h"

namespace hstexport {

// `level`: 0 (stored) to 9 (smallest), the scale gzip and zlib use.
std::unique_ptr<Packer> MakeGzipMembers(int level);

}  // namespace hstexport
