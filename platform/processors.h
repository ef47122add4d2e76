// The processors a process may use.
#pragma once

namespace trendtab::platform {

// How many processors this process may run on (its affinity, not the machine's count); at
// least 1.
unsigned UsableProcessorCount();

}  // namespace trendtab::platform
