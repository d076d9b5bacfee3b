#include "cli/CliVolume.h"

#include <cstdio>

#include "cli/CliText.h"
#include "cli/Command.h"
#include "cli/Password.h"
#include "cli/StderrRetryDelay.h"
#include "cli/VolumePath.h"
#include "platform/Text.h"
#include "resources/ErrorText.h"
#include "volume/PasswordResult.h"

namespace lc::cli {

namespace {

// Set once a damaged folder has been reported: the command then ends with a failure.
bool g_damageReported = false;

}  // namespace

void PrintOpenError(const std::string& path, Status code) {
    std::string reason;
    const std::string openPath = VolumeOpenPath(path, reason);
    PrintError(path, openPath.empty() ? reason : VolumeReasonText(openPath, code));
}

int ReadVolumeHeader(const std::string& path, LCHeader& header) {
    std::string reason;
    const std::string openPath = VolumeOpenPath(path, reason);
    if (openPath.empty()) {
        PrintError(path, reason);
        return kExitFailure;
    }
    if (Status code = header.ReadHeader(openPath); code != status::kSuccess) {
        PrintError(path, VolumeReasonText(openPath, code));
        return kExitFailure;
    }
    return kExitSuccess;
}

int CheckHeader(const std::string& path, LCHeader& header) {
    if (int exitCode = ReadVolumeHeader(path, header); exitCode != kExitSuccess) return exitCode;
    if (header.IsKeyRingProtected(LCHeader::Slot::A) ||
        header.IsKeyRingProtected(LCHeader::Slot::B)) {
        PrintError(path, kKeyRingRefusal);
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
    if (code == status::kSuccess) return kExitSuccess;
    if (code == status::kInvalidPassword) return kExitWrongPassword;
    PrintOpenError(path, code);
    return kExitFailure;
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
            PrintError(std::string("no password: use --password-file FILE, ") + kPasswordVariable +
                       " or a terminal");
            return kExitUsage;
        }
        if (obtained != status::kSuccess) {
            PrintError(options.passwordFile, ReasonText(obtained));
            return kExitFailure;
        }

        std::string unused;
        auto opened = std::make_unique<CLCFiles>();
        Status code = opened->Open(VolumeOpenPath(path, unused), password.span());
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
        const std::string path = folder->parent != nullptr ? VolumePathOf(*folder) : "/";
        std::fprintf(stderr, "lcportable-cli: damaged folder '%s': %s\n",
                     EscapeForStream(path, stderr).c_str(),
                     FormatOpenError(folder->damage).c_str());
    }
    if (!tree.DamagedFolders().empty()) g_damageReported = true;
    return tree.DamagedFolders().size();
}

void ClearDamageReported() {
    g_damageReported = false;
}

int FinalExitCode(int exitCode) {
    return exitCode == kExitSuccess && g_damageReported ? kExitFailure : exitCode;
}

}  // namespace lc::cli
