// The options the program answers before any window exists: --help and --version.
#pragma once

#include <cstdio>
#include <optional>

namespace lc {

class StartupOptions {
public:
    // The exit code when an option was answered (its text written to out); nothing when the
    // window is to start. Options after "--" are file names.
    static std::optional<int> Answer(int argc, const char* const* argv, std::FILE* out);
};

}  // namespace lc
