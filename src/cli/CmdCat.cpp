// lcportable-cli cat: one file's data to standard output.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "cli/VolumePath.h"
#include "fs/DirInfo.h"
#include "platform/File.h"
#include "resources/ErrorText.h"
#include "support/Dod.h"
#include "support/TempFolders.h"

namespace lc::cli {

namespace {

constexpr const char* kUsage = "cat [--password-file FILE] VOLUME PATH";

int UsageError() {
    std::fprintf(stderr, "usage: lcportable-cli %s\n", kUsage);
    return kExitUsage;
}

int RunCat(const std::vector<std::string>& args) {
    VolumeOptions volumeOptions;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (OptionResult taken = TakeVolumeOption(args, i, volumeOptions);
            taken != OptionResult::NotMine) {
            if (taken == OptionResult::MissingValue) return UsageError();
        } else if (args[i].rfind("--", 0) == 0 && args[i].size() > 2) {
            return UsageError();
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) return UsageError();

    // Plain copies left by windows that no longer run go before new ones are made.
    {
        Dod seeding;  // the wipe's random passes need a seeded generator
        (void)SweepOrphanedTempFolders();
    }

    std::unique_ptr<CLCFiles> volume;
    if (int code = OpenVolume(positional[0], volumeOptions, volume); code != kExitSuccess)
        return code;
    const std::string& path = positional[1];
    const DirInfo* file =
        volume->Root() != nullptr ? ResolveVolumePath(*volume->Root(), path) : nullptr;
    if (file == nullptr) {
        std::fprintf(stderr, "lcportable-cli: '%s': no such file or folder in the volume\n",
                     path.c_str());
        return kExitFailure;
    }
    if (!file->IsFile()) {
        std::fprintf(stderr, "lcportable-cli: '%s' is a folder\n", path.c_str());
        return kExitFailure;
    }
    Status result = status::kSuccess;
    if (IsUnsupportedData(*file)) {
        // The stored bytes of such a file are not its contents.
        result = status::kNotSupported;
    } else if (file->firstCluster > 1) {
        std::fflush(stdout);
        File out = File::FromDescriptor(STDOUT_FILENO, false);
        result = volume->FileSystem() != nullptr
                     ? volume->FileSystem()->CopyFileData(file->firstCluster, out, file->size)
                     : status::kInvalidHandle;
    } else if (file->size > 0) {
        result = status::kFileCorrupt;  // a size without any data cluster
    }
    if (result != status::kSuccess) {
        std::fprintf(stderr, "lcportable-cli: cannot read '%s': %s\n", path.c_str(),
                     FormatOpenError(result).c_str());
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

LC_REGISTER_COMMAND("cat", kUsage, RunCat)

}  // namespace lc::cli
