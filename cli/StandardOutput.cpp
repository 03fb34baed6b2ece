#include "StandardOutput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "Commands.h"

namespace orvel::cli::StandardOutput {

void prepare() { std::signal(SIGPIPE, SIG_IGN); }

bool isClosedPipe() {
    // The writing end of a pipe reports an error once its reading end is closed.
    pollfd output{.fd = STDOUT_FILENO, .events = 0, .revents = 0};
    return ::poll(&output, 1, 0) == 1 && (output.revents & POLLERR) != 0;
}

int finish(int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int reason = errno;
    if (flushed && !std::ferror(stdout)) return status;
    if (isClosedPipe()) return status;
    if (!flushed && reason != 0) {
        std::fprintf(stderr, "orvel: cannot write the output: %s\n", std::strerror(reason));
    } else {
        std::fputs("orvel: cannot write the output\n", stderr);
    }
    return kUsageError;
}

} // namespace orvel::cli::StandardOutput
