// Standard descriptors on POSIX.
#include "platform/standard_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace trendtab::platform {

void SetUpStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free descriptor: this one, since those below it are open by now.
            const int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (null >= 0 && null != fd) {
                dup2(null, fd);
                close(null);
            }
        }
    }
    signal(SIGPIPE, SIG_IGN);
}

}  // namespace trendtab::platform
