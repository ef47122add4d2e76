// Windows services backed by our own implementation over the C library and the IANA zone files.
#pragma once

#include <cstdint>
#include <ctime>

namespace trendtab::platform {
using Time32 = std::int32_t;  // the runtime's 32-bit seconds count
}

// Runtime: 32-bit local-time breakdown. Null for a negative count; the result lives in
// thread-local storage until the next call on the same thread.
std::tm* _localtime32(const std::int32_t* time);
