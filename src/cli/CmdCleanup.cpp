// lcportable-cli cleanup: wipes and removes the temporary copies of one volume (what viewing
// left behind), without a password: only the header's volume name is needed.

#include <cstdio>
#include <string>
#include <vector>

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
    void SetStatusText(const std::string& text) override {
        if (!text.empty()) std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }
};

int RunCleanup(const std::vector<std::string>& args) {
    if (args.size() != 1 || (args[0].size() > 1 && args[0][0] == '-')) {
        std::fprintf(stderr, "usage: lcportable-cli cleanup VOLUME\n");
        return kExitUsage;
    }
    const std::string& path = args[0];
    LCHeader header;
    if (Status code = header.ReadHeader(path); code != status::kSuccess) {
        PrintOpenError(path, code);
        return kExitFailure;
    }
    // No tree is open, so the volume name stands in for the label.
    const std::u16string name = header.VolumeName();
    Dod seeding;  // the wipe's random passes need a seeded generator
    StdoutStatus sink;
    if (Status code = CleanupVolumeTemp(name, name, true, &sink); code != status::kSuccess) {
        PrintOpenError(path, code);
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

LC_REGISTER_COMMAND("cleanup", "cleanup VOLUME", RunCleanup)

}  // namespace lc::cli
