#include "Bounded.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

namespace lc::test {
namespace {

constexpr int kOutOfMemory = 3;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAsan = true;
#elif defined(__has_feature)
constexpr bool kAsan = __has_feature(address_sanitizer);
#else
constexpr bool kAsan = false;
#endif

// Total and resident size of a process, in bytes.
std::pair<uint64_t, uint64_t> MemoryOf(const std::string& process) {
    std::ifstream statm("/proc/" + process + "/statm");
    uint64_t total = 0, resident = 0;
    statm >> total >> resident;
    const auto page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return {total * page, resident * page};
}

void LimitAddressSpace(size_t extraBytes) {
    if (kAsan) return;  // its shadow memory needs a huge address space
    rlim_t limit = MemoryOf("self").first + extraBytes;
    rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
}

void OnWatchdog(int) {
    static const char text[] =
        "watchdog: still running at its time limit; a loop driven by the "
        "image is not bounded\n";
    (void)!::write(2, text, sizeof text - 1);
    ::_exit(1);
}

}  // namespace

void BoundThisProcess(Bounds bounds) {
    LimitAddressSpace(bounds.extraBytes);
    std::signal(SIGALRM, OnWatchdog);
    ::alarm(static_cast<unsigned>(bounds.seconds));
}

void RunBounded(const std::function<void()>& body, Bounds bounds) {
    std::fflush(stdout);
    std::fflush(stderr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0) << std::strerror(errno);
    if (child == 0) {
        // Its own group, so that programs it starts are ended with it.
        ::setpgid(0, 0);
        LimitAddressSpace(bounds.extraBytes);
        int code = 0;
        try {
            body();
            code = ::testing::Test::HasFailure() ? 1 : 0;
        } catch (const std::bad_alloc&) {
            code = kOutOfMemory;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "exception: %s\n", e.what());
            code = 1;
        }
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(code);
    }
    ::setpgid(child, child);

    // The resident size is watched from here too: the sanitizer builds have no address-space
    // limit, and their quarantine of freed memory needs a larger margin.
    const auto deadline = start + std::chrono::seconds(bounds.seconds);
    const uint64_t residentLimit = MemoryOf("self").second + bounds.extraBytes * (kAsan ? 4 : 1);
    int status = 0;
    pid_t done = 0;
    std::string why;
    while ((done = ::waitpid(child, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            why = "still running after " + std::to_string(bounds.seconds) + " s";
        } else if (MemoryOf(std::to_string(child)).second > residentLimit) {
            why = "holding more than " + std::to_string(residentLimit >> 20) + " MB";
        }
        if (!why.empty()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done == 0) {
        ::kill(-child, SIGKILL);
        ::waitpid(child, &status, 0);
        ADD_FAILURE() << why << ": a loop driven by the image is not bounded";
        return;
    }
    ::kill(-child, SIGKILL);  // anything it started and left behind
    if (WIFSIGNALED(status)) {
        ADD_FAILURE() << "killed by signal " << WTERMSIG(status) << " ("
                      << strsignal(WTERMSIG(status)) << ")";
    } else if (WEXITSTATUS(status) == kOutOfMemory) {
        ADD_FAILURE() << "ran out of its memory bound (" << (bounds.extraBytes >> 20)
                      << " MB more than at the start)";
    } else if (WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "failed in its bounded child (messages above), exit code "
                      << WEXITSTATUS(status);
    }
}

}  // namespace lc::test
