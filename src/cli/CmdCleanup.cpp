// lcportable-cli cleanup: wipes and removes the temporary copies of one volume (what viewing
// left behind), without a password: only the header's volume name is needed.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "platform/Text.h"
#include "support/Dod.h"
#include "support/TempFolders.h"
#include "volume/LCHeader.h"

namespace lc::cli {

namespace {

// The status text goes to stdout; the clearing (empty text) has nothing to show here.
class StdoutStatus final : public CleanupStatusSink {
public:
    explicit StdoutStatus(bool quiet) : m_quiet(quiet) {}
    void SetStatusText(const std::string& text) override {
        if (!text.empty() && !m_quiet) std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }

private:
    bool m_quiet;
};

int RunCleanup(const ParsedArguments& parsed);

constexpr OptionDef kOptions[] = {kQuietOption};
const CommandInfo kCommand{
    "cleanup",
    "VOLUME",
    "wipe and remove the temporary copies of a volume",
    "Wipes and removes what viewing the volume's files in the window left in the temporary\n"
    "folder. Needs no password: only the header's volume name is read.\n",
    kOptions,
    RunCleanup};

int RunCleanup(const ParsedArguments& parsed) {
    if (parsed.Operands().size() != 1)
        return UsageError(kCommand,
                          parsed.Operands().empty() ? "no volume given" : "one volume only");
    const std::string& path = parsed.Operands()[0];
    LCHeader header;
    if (int exitCode = ReadVolumeHeader(path, header); exitCode != kExitSuccess) return exitCode;
    // No tree is open, so the volume name stands in for the label.
    const std::u16string name = header.VolumeName();
    Dod seeding;  // the wipe's random passes need a seeded generator
    StdoutStatus sink(parsed.Has("quiet"));
    if (Status code = CleanupVolumeTemp(name, name, true, &sink); code != status::kSuccess) {
        PrintError(path, ReasonText(code));
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

LC_REGISTER_COMMAND(kCommand)

}  // namespace lc::cli
