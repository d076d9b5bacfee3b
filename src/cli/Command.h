// Commands of the command-line tool register themselves here; main() dispatches by name.
//
// Exit codes of every command: 0 success, 1 failure, 2 usage error, 3 wrong password; 128 + the
// signal's number when SIGINT, SIGTERM or SIGHUP interrupts an extraction.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "cli/Options.h"

namespace lc::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWrongPassword = 3;

// Runs a command on its parsed arguments (main() parses them against the command's options).
using CommandFunction = int (*)(const ParsedArguments& parsed);

struct CommandInfo {
    const char* name;
    const char* operands;                // after "lcportable-cli NAME [OPTION...] "
    const char* summary;                 // one line for the command overview
    const char* details;                 // more lines for "help NAME", or null
    std::span<const OptionDef> options;  // without -h/--help, which every command takes
    CommandFunction run;
};

// Called from a static object in each command's source file.
bool RegisterCommand(const CommandInfo& info);
const std::vector<CommandInfo>& Commands();
const CommandInfo* FindCommand(const std::string& name);

// "lcportable-cli help NAME": usage, options and the shared notes, on stdout.
void PrintCommandHelp(const CommandInfo& command);

// Parses a command's arguments against its options. On kExitSuccess `out` holds them; a help
// request is answered here and returns -1 (the caller then exits 0); a usage error is printed
// ("lcportable-cli NAME: unknown option '-x'") and returns kExitUsage.
int ParseCommandLine(const CommandInfo& command, const std::vector<std::string>& args,
                     ParsedArguments& out);

// Prints "lcportable-cli NAME: WHAT" and the command's usage line; returns kExitUsage.
int UsageError(const CommandInfo& command, const std::string& what);

}  // namespace lc::cli

#define LC_REGISTER_COMMAND(info)                                                         \
    namespace {                                                                           \
    [[maybe_unused]] const bool lc_registered_command = ::lc::cli::RegisterCommand(info); \
    }
