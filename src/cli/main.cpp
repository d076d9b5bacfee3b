#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/CliVolume.h"
#include "cli/Command.h"

namespace lc::cli {

namespace {
std::vector<CommandInfo>& Registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}
}  // namespace

bool RegisterCommand(const CommandInfo& info) {
    Registry().push_back(info);
    return true;
}

const std::vector<CommandInfo>& Commands() { return Registry(); }

}  // namespace lc::cli

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage:\n");
    for (const auto& c : lc::cli::Commands()) std::fprintf(out, "  lcportable-cli %s\n", c.usage);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? lc::cli::kExitUsage : lc::cli::kExitSuccess;
    }
    for (const auto& c : lc::cli::Commands()) {
        if (std::strcmp(c.name, argv[1]) == 0) {
            return lc::cli::FinalExitCode(c.run(std::vector<std::string>(argv + 2, argv + argc)));
        }
    }
    std::fprintf(stderr, "lcportable-cli: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return lc::cli::kExitUsage;
}
