#include "cli/StderrRetryDelay.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace lc::cli {

namespace {

// Sleeps until an absolute monotonic time, through interrupted sleeps.
void SleepUntil(const timespec& deadline) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

}  // namespace

void StderrRetryDelay::RunRetryDelay(unsigned seconds) {
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    std::fprintf(stderr, "lcportable-cli: next try in %u seconds\n", seconds);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (unsigned left = seconds; left > 0; --left) {
        // A terminal shows the seconds left in place; a pipe or log gets the one line above.
        if (terminal) std::fprintf(stderr, "\r%u ", left);
        std::fflush(stderr);
        next.tv_sec += 1;
        SleepUntil(next);
    }
    if (terminal) std::fprintf(stderr, "\r   \r");
    std::fflush(stderr);
}

}  // namespace lc::cli
