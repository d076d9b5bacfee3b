// lcportable-cli info: the header facts of a volume and, given a password, whether it unlocks.
// The unlock works on the header alone; nothing is mounted.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "cli/Password.h"
#include "platform/Text.h"
#include "resources/StringTable.h"
#include "volume/LCHeader.h"

namespace lc::cli {

namespace {

constexpr uint32_t kStrKeyRingNotSupported = 15;

const char* AlgorithmName(uint32_t id) {
    switch (id) {
        case 0:
            return "AES-128";
        case 1:
            return "AES-256";
        default:
            return "unknown";
    }
}

std::string KeyBlockText(const LCHeader& header, LCHeader::Slot slot) {
    if (!header.HasKeyBlock(slot)) return "absent";
    return header.UsesExtendedBlock(slot) ? "present (extended)" : "present";
}

std::string KeyRingText(const LCHeader& header, LCHeader::Slot slot) {
    uint16_t marker = header.KeyRingMarker(slot);
    if (marker == 0) return "none";
    char text[64];
    std::snprintf(text, sizeof text, "marker 0x%04x%s", marker,
                  header.IsKeyRingProtected(slot) ? "" : " (ignored below format level 210)");
    return text;
}

void PrintFacts(const std::string& path, const LCHeader& header) {
    std::printf("file: %s\n", path.c_str());
    std::printf("version: %d\n", header.Version());
    std::printf("format level: %d\n", header.FormatLevel());
    std::printf("algorithm: %s\n", AlgorithmName(header.AlgorithmId()));
    std::printf("volume name: %s\n", Utf16ToUtf8(header.VolumeName()).c_str());
    std::printf("key block A: %s\n", KeyBlockText(header, LCHeader::Slot::A).c_str());
    std::printf("key block B: %s\n", KeyBlockText(header, LCHeader::Slot::B).c_str());
    std::printf("key ring A: %s\n", KeyRingText(header, LCHeader::Slot::A).c_str());
    std::printf("key ring B: %s\n", KeyRingText(header, LCHeader::Slot::B).c_str());
}

// Block A, then block B with the same password, as the open does.
Status TryPassword(const LCHeader& header, std::span<const char16_t> password) {
    SecureBytes key(LCHeader::KeyLength(header.AlgorithmId()));
    Status result = status::kErrNoKeyBlock;
    if (header.HasKeyBlockA()) result = header.UnlockWithKeyBlockA(password, key.span());
    if (result != status::kSuccess && header.HasKeyBlockB())
        result = header.UnlockWithKeyBlockB(password, key.span());
    return result;
}

int RunInfo(const std::vector<std::string>& args) {
    VolumeOptions options;
    bool unlock = false;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        switch (TakeVolumeOption(args, i, options)) {
            case OptionResult::Taken:
                continue;
            case OptionResult::MissingValue:
                std::fprintf(stderr, "lcportable-cli info: --password-file needs a file\n");
                return kExitUsage;
            case OptionResult::NotMine:
                break;
        }
        if (args[i] == "--unlock") {
            unlock = true;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            std::fprintf(stderr, "lcportable-cli info: unknown option '%s'\n", args[i].c_str());
            return kExitUsage;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 1) {
        std::fprintf(stderr, "usage: lcportable-cli info [--password-file F] [--unlock] VOLUME\n");
        return kExitUsage;
    }
    const std::string& path = positional[0];

    LCHeader header;
    if (Status code = header.ReadHeader(path); code != status::kSuccess) {
        PrintOpenError(path, code);
        return kExitFailure;
    }
    PrintFacts(path, header);
    std::fflush(stdout);

    // The terminal is asked only on request; a file or the variable is used when there.
    if (!unlock && !PasswordGivenWithoutPrompt(options.passwordFile)) return kExitSuccess;
    if (header.IsKeyRingProtected(LCHeader::Slot::A) ||
        header.IsKeyRingProtected(LCHeader::Slot::B)) {
        std::fprintf(stderr, "lcportable-cli: %s: %s\n", path.c_str(),
                     LoadString(kStrKeyRingNotSupported).c_str());
        return kExitFailure;
    }
    Password password;
    Status obtained = ObtainPassword(options.passwordFile, PasswordPrompt::Allowed, password);
    if (obtained == status::kCancelled) {
        std::fprintf(stderr, "lcportable-cli info: no password given\n");
        return kExitUsage;
    }
    if (obtained != status::kSuccess) {
        PrintOpenError(options.passwordFile, obtained);
        return kExitFailure;
    }

    Status result = TryPassword(header, password.span());
    password.clear();
    if (result == status::kSuccess) std::printf("password: correct\n");
    if (result == status::kInvalidPassword) std::printf("password: wrong\n");
    std::fflush(stdout);
    return HandleUnlockResult(path, header.VolumeName(), result);
}

}  // namespace

LC_REGISTER_COMMAND("info", "info [--password-file F] [--unlock] VOLUME", RunInfo)

}  // namespace lc::cli
