#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"

namespace lc::cli {

namespace {

std::vector<CommandInfo>& Registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}

constexpr const char* kNotes =
    "VOLUME '-' reads the volume from standard input, which must be a seekable file.\n"
    "PATH parts are separated by '/' or '\\', matched regardless of case, and may hold the\n"
    "wildcards *, ? and [...] (quote them from the shell).\n"
    "\n"
    "The password comes from --password-file FILE (its first line), else from the environment\n"
    "variable LCPORTABLE_PASSWORD, else from the terminal. Wrong passwords delay the next try.\n"
    "With --json the output is JSON Lines: one JSON object per line, valid UTF-8.\n"
    "Exit status: 0 success, 1 failure, 2 usage error, 3 wrong password.\n";

// The order of the overview, whatever order the commands registered in.
int Rank(const CommandInfo& command) {
    static const char* const kOrder[] = {"info", "ls", "cat", "extract", "cleanup"};
    for (int i = 0; i < 5; ++i)
        if (std::strcmp(command.name, kOrder[i]) == 0) return i;
    return 5;
}

void PrintOverview(FILE* out) {
    std::vector<CommandInfo> commands = Commands();
    std::stable_sort(commands.begin(), commands.end(),
                     [](const CommandInfo& a, const CommandInfo& b) { return Rank(a) < Rank(b); });
    std::fprintf(out,
                 "usage: lcportable-cli COMMAND [OPTION...] VOLUME [PATH...]\n"
                 "       lcportable-cli help [COMMAND]\n"
                 "       lcportable-cli --version\n"
                 "\n"
                 "Reads encrypted volume files (.vol) by itself; never writes to "
                 "them.\n\nCommands:\n");
    for (const auto& c : commands) std::fprintf(out, "  %-9s %s\n", c.name, c.summary);
    std::fprintf(out, "\nRun 'lcportable-cli help COMMAND' for a command's options.\n\n%s", kNotes);
}

std::string OptionLabel(const OptionDef& def) {
    std::string label = def.shortName != 0 ? std::string("-") + def.shortName : "  ";
    if (def.longName != nullptr) {
        label += def.shortName != 0 ? ", --" : "  --";
        label += def.longName;
        if (def.valueName != nullptr) label += std::string("=") + def.valueName;
    } else if (def.valueName != nullptr) {
        label += std::string(" ") + def.valueName;
    }
    return label;
}

}  // namespace

bool RegisterCommand(const CommandInfo& info) {
    Registry().push_back(info);
    return true;
}

const std::vector<CommandInfo>& Commands() {
    return Registry();
}

const CommandInfo* FindCommand(const std::string& name) {
    for (const auto& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

void PrintCommandHelp(const CommandInfo& command) {
    std::printf("usage: lcportable-cli %s [OPTION...] %s\n%s\n", command.name, command.operands,
                command.summary);
    if (command.details != nullptr) std::printf("\n%s", command.details);
    std::printf("\nOptions:\n");
    constexpr OptionDef kHelp{'h', "help", nullptr, "show this help"};
    for (const OptionDef* def = command.options.data();
         def != command.options.data() + command.options.size() + 1; ++def) {
        const OptionDef& s = def == command.options.data() + command.options.size() ? kHelp : *def;
        std::printf("  %-26s %s\n", OptionLabel(s).c_str(), s.help);
    }
    std::printf("\n%s", kNotes);
}

int ParseCommandLine(const CommandInfo& command, const std::vector<std::string>& args,
                     ParsedArguments& out) {
    const std::string error = ParseOptions(command.options, args, out);
    if (!error.empty()) {
        std::fprintf(stderr, "lcportable-cli %s: %s\n", command.name, error.c_str());
        std::fprintf(stderr, "Try 'lcportable-cli help %s' for more information.\n", command.name);
        return kExitUsage;
    }
    if (out.Has("help")) {
        PrintCommandHelp(command);
        std::fflush(stdout);
        return -1;
    }
    return kExitSuccess;
}

int UsageError(const CommandInfo& command, const std::string& what) {
    std::fprintf(stderr, "lcportable-cli %s: %s\nusage: lcportable-cli %s [OPTION...] %s\n",
                 command.name, what.c_str(), command.name, command.operands);
    return kExitUsage;
}

}  // namespace lc::cli

int main(int argc, char** argv) {
    using namespace lc::cli;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintOverview(stderr);
        return kExitUsage;
    }
    const std::string& first = args[0];
    if (first == "--help" || first == "-h") {
        PrintOverview(stdout);
        return kExitSuccess;
    }
    if (first == "--version" || first == "-V") {
        std::printf("lcportable-cli %s\n", LC_VERSION);
        return kExitSuccess;
    }
    if (first == "help") {
        if (args.size() == 1) {
            PrintOverview(stdout);
            return kExitSuccess;
        }
        const CommandInfo* command = FindCommand(args[1]);
        if (command == nullptr || args.size() > 2) {
            std::fprintf(stderr, "lcportable-cli help: %s '%s'\n",
                         command == nullptr ? "unknown command" : "unexpected argument",
                         EscapeForStream(args[command == nullptr ? 1 : 2], stderr).c_str());
            return kExitUsage;
        }
        PrintCommandHelp(*command);
        return kExitSuccess;
    }
    if (const CommandInfo* command = FindCommand(first)) {
        ParsedArguments parsed;
        const int code = ParseCommandLine(
            *command, std::vector<std::string>(args.begin() + 1, args.end()), parsed);
        if (code != kExitSuccess) return FinalExitCode(code < 0 ? kExitSuccess : code);
        return FinalExitCode(command->run(parsed));
    }
    std::fprintf(stderr, "lcportable-cli: unknown command '%s'\n",
                 EscapeForStream(first, stderr).c_str());
    std::fprintf(stderr, "Try 'lcportable-cli --help' for more information.\n");
    return kExitUsage;
}
