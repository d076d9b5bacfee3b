#include "cli/StderrRetryDelay.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "resources/StringIds.h"
#include "resources/StringTable.h"

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
    std::fprintf(stderr, "%s\n", LoadString(str::kRetryDelay).c_str());
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (unsigned left = seconds; left > 0; --left) {
        // A terminal shows one number in place; a pipe or log gets "5 4 3 2 1".
        std::fprintf(stderr, terminal ? "\r%u " : "%u ", left);
        std::fflush(stderr);
        next.tv_sec += 1;
        SleepUntil(next);
    }
    std::fprintf(stderr, terminal ? "\r   \r" : "\n");
    std::fflush(stderr);
}

}  // namespace lc::cli
