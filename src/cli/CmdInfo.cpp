// lcportable-cli info: the header facts of a volume and, given a password, whether it unlocks.
// The unlock works on the header alone; nothing is mounted.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "cli/Password.h"
#include "platform/Text.h"
#include "volume/LCHeader.h"

namespace lc::cli {

namespace {

int RunInfo(const ParsedArguments& parsed);

constexpr OptionDef kOptions[] = {
    {0, "json", nullptr, "the facts as one JSON object"},
    {0, "unlock", nullptr, "ask for a password on the terminal if none is given"},
    kPasswordFileOption,
};
const CommandInfo kCommand{
    "info",
    "VOLUME",
    "show header facts; with a password, whether it unlocks",
    "Shows version, format level, algorithm, volume name, key blocks and key rings. With a\n"
    "password from --password-file or LCPORTABLE_PASSWORD, or with --unlock, also whether it\n"
    "unlocks the volume (exit status 3 when not). Nothing is mounted.\n"
    "JSON keys: file, version, format_level, algorithm, volume_name, key_block_a,\n"
    "key_block_b, key_ring_a, key_ring_b, and password (correct or wrong) when one was tried.\n",
    kOptions,
    RunInfo};

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

struct Fact {
    const char* label;  // as text
    const char* key;    // in JSON
    std::string value;
    bool number;
};

std::vector<Fact> FactsOf(const std::string& path, const LCHeader& header) {
    return {
        {"file", "file", path, false},
        {"version", "version", std::to_string(header.Version()), true},
        {"format level", "format_level", std::to_string(header.FormatLevel()), true},
        {"algorithm", "algorithm", AlgorithmName(header.AlgorithmId()), false},
        {"volume name", "volume_name", Utf16ToUtf8(header.VolumeName()), false},
        {"key block A", "key_block_a", KeyBlockText(header, LCHeader::Slot::A), false},
        {"key block B", "key_block_b", KeyBlockText(header, LCHeader::Slot::B), false},
        {"key ring A", "key_ring_a", KeyRingText(header, LCHeader::Slot::A), false},
        {"key ring B", "key_ring_b", KeyRingText(header, LCHeader::Slot::B), false},
    };
}

// As text lines, or as one JSON object that the password's outcome (if tried) completes.
void PrintFacts(const std::vector<Fact>& facts, bool json, const char* password) {
    std::string out;
    if (!json) {
        for (const Fact& f : facts)
            out += std::string(f.label) + ": " + EscapeForStream(f.value, stdout) + "\n";
        if (password != nullptr) out += std::string("password: ") + password + "\n";
    } else {
        out += '{';
        for (const Fact& f : facts) {
            if (out.size() > 1) out += ',';
            AppendJsonString(out, f.key);
            out += ':';
            if (f.number) {
                out += f.value;
            } else {
                AppendJsonString(out, f.value);
            }
        }
        if (password != nullptr) out += std::string(",\"password\":\"") + password + '"';
        out += "}\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
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

int RunInfo(const ParsedArguments& parsed) {
    const auto& operands = parsed.Operands();
    if (operands.size() != 1)
        return UsageError(kCommand, operands.empty() ? "no volume given" : "one volume only");
    const std::string& path = operands[0];
    const std::string passwordFile = parsed.Value("password-file");
    const bool json = parsed.Has("json");

    std::string reason;
    const std::string openPath = VolumeOpenPath(path, reason);
    if (openPath.empty()) {
        PrintError(path, reason);
        return kExitFailure;
    }
    LCHeader header;
    if (Status code = header.ReadHeader(openPath); code != status::kSuccess) {
        PrintError(path, VolumeReasonText(openPath, code));
        return kExitFailure;
    }
    const std::vector<Fact> facts = FactsOf(path, header);

    // The terminal is asked only on request; a file or the variable is used when there.
    const bool keyRing = header.IsKeyRingProtected(LCHeader::Slot::A) ||
                         header.IsKeyRingProtected(LCHeader::Slot::B);
    if (!parsed.Has("unlock") && !PasswordGivenWithoutPrompt(passwordFile)) {
        PrintFacts(facts, json, nullptr);
        return kExitSuccess;
    }
    if (keyRing) {
        PrintFacts(facts, json, nullptr);
        PrintError(path, kKeyRingRefusal);
        return kExitFailure;
    }
    Password password;
    Status obtained = ObtainPassword(passwordFile, PasswordPrompt::Allowed, password);
    if (obtained == status::kCancelled) {
        PrintFacts(facts, json, nullptr);
        PrintError("no password given");
        return kExitUsage;
    }
    if (obtained != status::kSuccess) {
        PrintFacts(facts, json, nullptr);
        PrintError(passwordFile, ReasonText(obtained));
        return kExitFailure;
    }

    Status result = TryPassword(header, password.span());
    password.clear();
    PrintFacts(facts, json,
               result == status::kSuccess           ? "correct"
               : result == status::kInvalidPassword ? "wrong"
                                                    : nullptr);
    return HandleUnlockResult(path, header.VolumeName(), result);
}

}  // namespace

LC_REGISTER_COMMAND(kCommand)

}  // namespace lc::cli
