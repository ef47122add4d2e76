// Standard descriptors on Windows: the runtime's descriptors 0, 1, 2.
#include "platform/standard_streams.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace trendtab::platform {

void SetUpStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (_get_osfhandle(fd) == -1) {
            const int null = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
            if (null >= 0 && null != fd) {
                _dup2(null, fd);
                _close(null);
            }
        }
    }
}

}  // namespace trendtab::platform
