// The standard descriptors every tool starts with, made safe before anything else is opened.
#pragma once

namespace trendtab::platform {

// Called first in every main. Opens the null device (/dev/null, NUL) on any of the descriptors
// 0, 1, 2 that is closed, so that no file opened later takes their place and receives the
// messages meant for them. On POSIX SIGPIPE is ignored: a closed pipe is then a write error the
// tool reports, not a silent end that leaves temporaries behind.
void SetUpStandardStreams();

}  // namespace trendtab::platform
