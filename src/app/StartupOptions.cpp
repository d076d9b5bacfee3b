#include "app/StartupOptions.h"

#include <cstring>

#include "views/CAboutDlg.h"

namespace lc {

namespace {

constexpr const char* kUsage =
    "Usage: lcportable [VOLUME]\n"
    "Opens VOLUME, an encrypted volume file (.vol), read-only in a window;\n"
    "without VOLUME the window starts empty.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n";

}  // namespace

std::optional<int> StartupOptions::Answer(int argc, const char* const* argv, std::FILE* out) {
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0) break;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, out);
            return std::fflush(out) == 0 ? 0 : 1;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::fprintf(out, "lcportable %s\n", CAboutDlg::kVersion);
            return std::fflush(out) == 0 ? 0 : 1;
        }
    }
    return std::nullopt;
}

}  // namespace lc
