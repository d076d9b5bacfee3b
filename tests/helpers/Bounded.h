// Runs a test body on hostile data in a child process of its own under a time limit and a memory
// bound (on its address space outside the sanitizer builds, whose shadow memory needs a huge one,
// and on its resident size in every build), so that a missing guard fails the test within seconds
// instead of exhausting the machine.
#pragma once

#include <cstddef>
#include <functional>

namespace lc::test {

struct Bounds {
    int seconds = 60;
    // Memory beyond what the test already holds (four times as much resident in sanitizer builds).
    size_t extraBytes = size_t{256} << 20;
};

// Fails the calling test when body fails, crashes, runs out of the memory bound or is still
// running after the time limit (its whole process group is then killed).
void RunBounded(const std::function<void()>& body, Bounds bounds = {});

// The same bounds for the whole calling process, for suites that cannot fork (a running Qt
// application): past the time limit it ends with a message and exit code 1.
void BoundThisProcess(Bounds bounds);

}  // namespace lc::test
