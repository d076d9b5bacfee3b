#include "cli/CliVolume.h"

#include <cstdio>

#include "cli/Command.h"
#include "cli/Password.h"
#include "cli/StderrRetryDelay.h"
#include "platform/Text.h"
#include "resources/ErrorText.h"
#include "resources/StringTable.h"
#include "volume/PasswordResult.h"

namespace lc::cli {

namespace {

constexpr uint32_t kStrKeyRingNotSupported = 15;
constexpr char kPasswordFileOption[] = "--password-file";

// Set once a damaged folder has been reported: the command then ends with a failure.
bool g_damageReported = false;

// '/'-separated path below the root; the root itself is "/".
std::string FolderPath(const DirInfo& folder) {
    std::string path;
    for (const DirInfo* d = &folder; d != nullptr && d->parent != nullptr; d = d->parent) {
        path.insert(0, (path.empty() ? "" : "/"));
        path.insert(0, Utf16ToUtf8(d->name));
    }
    return path.empty() ? "/" : path;
}

}  // namespace

OptionResult TakeVolumeOption(const std::vector<std::string>& args, size_t& i,
                              VolumeOptions& options) {
    const std::string& arg = args[i];
    const std::string prefix = std::string(kPasswordFileOption) + "=";
    if (arg.compare(0, prefix.size(), prefix) == 0) {
        options.passwordFile = arg.substr(prefix.size());
        return options.passwordFile.empty() ? OptionResult::MissingValue : OptionResult::Taken;
    }
    if (arg != kPasswordFileOption) return OptionResult::NotMine;
    if (i + 1 >= args.size() || args[i + 1].empty()) return OptionResult::MissingValue;
    options.passwordFile = args[++i];
    return OptionResult::Taken;
}

void PrintOpenError(const std::string& subject, Status code) {
    std::fprintf(stderr, "lcportable-cli: %s: %s\n", subject.c_str(),
                 FormatOpenError(code).c_str());
}

int CheckHeader(const std::string& path, LCHeader& header) {
    if (Status code = header.ReadHeader(path); code != status::kSuccess) {
        PrintOpenError(path, code);
        return kExitFailure;
    }
    if (header.IsKeyRingProtected(LCHeader::Slot::A) ||
        header.IsKeyRingProtected(LCHeader::Slot::B)) {
        std::fprintf(stderr, "lcportable-cli: %s: %s\n", path.c_str(),
                     LoadString(kStrKeyRingNotSupported).c_str());
        return kExitFailure;
    }
    return kExitSuccess;
}

int HandleUnlockResult(const std::string& path, const std::u16string& volumeName, Status code) {
    if (code == status::kInvalidPassword) PrintOpenError(path, code);
    // Wrong-password records, shared with the GUI: a right password clears the volume's record,
    // a wrong one is recorded and its delay (growing across runs) is waited out here.
    if (code == status::kSuccess || code == status::kInvalidPassword) {
        StderrRetryDelay delay;
        RecordPasswordResult(delay, volumeName, code);
    }
    switch (code) {
        case status::kSuccess:
            return kExitSuccess;
        case status::kInvalidPassword:
            return kExitWrongPassword;
        default:
            PrintOpenError(path, code);
            return kExitFailure;
    }
}

int OpenVolume(const std::string& path, const VolumeOptions& options,
               std::unique_ptr<CLCFiles>& volume) {
    volume.reset();
    {
        LCHeader header;
        if (int exitCode = CheckHeader(path, header); exitCode != kExitSuccess) return exitCode;
    }

    // A password typed at the prompt is asked for again after the delay; a given one is not.
    const bool fromPrompt = !PasswordGivenWithoutPrompt(options.passwordFile);
    for (;;) {
        Password password;
        Status obtained = ObtainPassword(options.passwordFile, PasswordPrompt::Allowed, password);
        if (obtained == status::kCancelled) {
            std::fprintf(
                stderr, "lcportable-cli: no password: use --password-file FILE, %s or a terminal\n",
                kPasswordVariable);
            return kExitUsage;
        }
        if (obtained != status::kSuccess) {
            PrintOpenError(options.passwordFile, obtained);
            return kExitFailure;
        }

        auto opened = std::make_unique<CLCFiles>();
        Status code = opened->Open(path, password.span());
        password.clear();
        int exitCode = HandleUnlockResult(path, opened->GetVolumeName(), code);
        if (exitCode == kExitSuccess) {
            ReportDamagedFolders(opened->Tree());
            volume = std::move(opened);
        }
        if (exitCode != kExitWrongPassword || !fromPrompt) return exitCode;
    }
}

size_t ReportDamagedFolders(const DirTree& tree) {
    for (const DirInfo* folder : tree.DamagedFolders()) {
        std::fprintf(stderr, "lcportable-cli: damaged folder '%s': %s\n",
                     FolderPath(*folder).c_str(), FormatOpenError(folder->damage).c_str());
    }
    if (!tree.DamagedFolders().empty()) g_damageReported = true;
    return tree.DamagedFolders().size();
}

int FinalExitCode(int exitCode) {
    return exitCode == kExitSuccess && g_damageReported ? kExitFailure : exitCode;
}

}  // namespace lc::cli
