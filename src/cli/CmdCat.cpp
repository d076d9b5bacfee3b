// lcportable-cli cat: files' data to standard output, one after the other.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "cli/VolumePath.h"
#include "fs/DirInfo.h"
#include "platform/File.h"
#include "support/Dod.h"
#include "support/TempFolders.h"

namespace lc::cli {

namespace {

int RunCat(const ParsedArguments& parsed);

constexpr OptionDef kOptions[] = {kPasswordFileOption, kQuietOption};
const CommandInfo kCommand{"cat",   "VOLUME PATH...", "write files' contents to standard output",
                           nullptr, kOptions,         RunCat};

// Codes only writing can give: the volume file is opened read-only.
bool IsWriteError(Status code) {
    return code == status::kDiskFull || code == status::kFileTooLarge;
}

Status CopyOut(CLCFiles& volume, const DirInfo& file) {
    // The stored bytes of such a file are not its contents.
    if (IsUnsupportedData(file)) return status::kNotSupported;
    if (file.firstCluster <= 1) return file.size > 0 ? status::kFileCorrupt : status::kSuccess;
    if (volume.FileSystem() == nullptr) return status::kInvalidHandle;
    std::fflush(stdout);
    File out = File::FromDescriptor(STDOUT_FILENO, false);
    return volume.FileSystem()->CopyFileData(file.firstCluster, out, file.size);
}

int RunCat(const ParsedArguments& parsed) {
    const auto& operands = parsed.Operands();
    if (operands.size() < 2)
        return UsageError(kCommand, operands.empty() ? "no volume given" : "no file named");

    // Plain copies left by windows that no longer run go before new ones are made.
    {
        Dod seeding;  // the wipe's random passes need a seeded generator
        IgnoreStatus(SweepOrphanedTempFolders(), "copies it cannot remove wait for the next sweep");
    }

    VolumeOptions volumeOptions{parsed.Value("password-file")};
    std::unique_ptr<CLCFiles> volume;
    if (int code = OpenVolume(operands[0], volumeOptions, volume); code != kExitSuccess)
        return code;
    const DirInfo* root = volume->Root();
    int exitCode = kExitSuccess;
    for (size_t i = 1; i < operands.size(); ++i) {
        const std::string& path = operands[i];
        const auto files =
            root != nullptr ? ResolveVolumePaths(*root, path) : std::vector<const DirInfo*>{};
        if (files.empty()) {
            PrintError(path, "no such file or folder in the volume");
            exitCode = kExitFailure;
        }
        for (const DirInfo* file : files) {
            const std::string name = files.size() == 1 ? path : VolumePathOf(*file);
            if (!file->IsFile()) {
                PrintError(name, "is a folder");
                exitCode = kExitFailure;
                continue;
            }
            const Status result = CopyOut(*volume, *file);
            if (IsWriteError(result)) {
                PrintError("write error: " + ReasonText(result));
                return kExitFailure;
            }
            if (result != status::kSuccess) {
                PrintError(name, ReasonText(result));
                exitCode = kExitFailure;
            }
        }
    }
    return exitCode;
}

}  // namespace

LC_REGISTER_COMMAND(kCommand)

}  // namespace lc::cli
