// Commands of the command-line tool register themselves here; main() dispatches by name.
//
// Exit codes of every command: 0 success, 1 failure, 2 usage error, 3 wrong password; 128 + the
// signal's number when SIGINT, SIGTERM or SIGHUP interrupts an extraction.
#pragma once

#include <string>
#include <vector>

namespace lc::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWrongPassword = 3;

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct CommandInfo {
    const char* name;
    const char* usage;  // one line, after "lcportable-cli "
    CommandFunction run;
};

// Called from a static object in each command's source file.
bool RegisterCommand(const CommandInfo& info);
const std::vector<CommandInfo>& Commands();

}  // namespace lc::cli

#define LC_REGISTER_COMMAND(name, usage, function)                                      \
    namespace {                                                                         \
    [[maybe_unused]] const bool lc_registered_##function =                             \
        ::lc::cli::RegisterCommand(::lc::cli::CommandInfo{name, usage, function});     \
    }
