// lcportable-cli extract: named files and folders (the whole volume when none is named) into a
// folder, each below the folders that hold it in the volume (or without them: --flat), folders
// recursively, each file with its modification time. A file that cannot be extracted is named and
// the rest are extracted; the exit code then says that something failed. An interrupting signal
// removes the file in the making and ends the command with 128 + the signal's number.

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "cli/VolumePath.h"
#include "extract/Extractor.h"
#include "extract/OutputFolder.h"
#include "extract/OutputPath.h"
#include "extract/WalkOrder.h"
#include "fs/DirInfo.h"
#include "platform/Text.h"
#include "resources/ErrorText.h"
#include "support/Dod.h"
#include "support/TempFolders.h"
#include "volume/CLCFiles.h"

namespace lc::cli {

namespace {

int RunExtract(const ParsedArguments& parsed);

constexpr OptionDef kOptions[] = {
    {'C', "directory", "DIR", "extract into DIR (default: the current folder)"},
    {0, "overwrite", nullptr, "replace existing files"},
    {0, "skip-existing", nullptr, "keep existing files and go on"},
    {0, "flat", nullptr, "write named items without their folders"},
    kPasswordFileOption,
    kQuietOption,
};
const CommandInfo kCommand{
    "extract",
    "VOLUME [PATH...]",
    "extract files and folders",
    "Extracts the named files and folders (the whole volume when none is named), folders\n"
    "recursively, each file with its modification time. An existing file is not replaced\n"
    "unless --overwrite is given.\n",
    kOptions,
    RunExtract};

enum class ExistingFiles { Refuse, Overwrite, Skip };

// Set before the handlers are installed; read by them.
bool g_clearLineOnSignal = false;

extern "C" void OnInterrupt(int signal) {
    RemovePendingOutputFile();
    static const char kClear[] = "\r\033[K";
    static const char kText[] = "lcportable-cli: interrupted\n";
    if (g_clearLineOnSignal) (void)!::write(STDERR_FILENO, kClear, sizeof kClear - 1);
    (void)!::write(STDERR_FILENO, kText, sizeof kText - 1);
    ::_exit(128 + signal);
}

void InstallInterruptHandlers(bool clearLine) {
    g_clearLineOnSignal = clearLine;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

// A link's target as stored, with the volume's '\\' shown as '/'.
std::string LinkTargetText(const DirInfo& record) {
    std::string text = Utf16ToUtf8(record.linkTarget);
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}

class CliExtractHooks : public ExtractHooks, public ProgressListener {
public:
    CliExtractHooks(ExistingFiles existing, bool showProgress)
        : m_existing(existing), m_showProgress(showProgress) {}
    ~CliExtractHooks() override { ClearLine(); }

    ReplaceAnswer ConfirmReplace(const std::string& path) override {
        if (m_existing == ExistingFiles::Overwrite) return ReplaceAnswer::Yes;
        if (m_existing == ExistingFiles::Refuse) {
            ClearLine();
            std::fprintf(stderr,
                         "lcportable-cli: '%s' exists and is not replaced (use --overwrite or "
                         "--skip-existing)\n",
                         path.c_str());
        }
        return ReplaceAnswer::No;
    }
    void ShowExtractStatus(const std::string& path) override {
        m_current = path;
        m_lastPercent = ~0u;
        if (m_showProgress) Line("Extract " + path);
    }
    void ReportFileError(const DirInfo& file, const std::string&, Status code) override {
        ClearLine();
        std::fprintf(stderr, "lcportable-cli: cannot extract '%s': %s\n",
                     VolumePathOf(file).c_str(), FormatOpenError(code).c_str());
    }
    void ReportSkippedLink(const DirInfo& record) override {
        ClearLine();
        std::fprintf(stderr, "lcportable-cli: skipped link: %s -> %s\n",
                     VolumePathOf(record).c_str(), LinkTargetText(record).c_str());
    }
    void ReportShortenedName(const DirInfo& record, const std::string& path) override {
        ClearLine();
        std::fprintf(stderr, "lcportable-cli: '%s': name too long, written as '%s'\n",
                     VolumePathOf(record).c_str(), path.c_str());
    }
    void ReportFolderError(const std::string& path, Status code) override {
        ClearLine();
        std::fprintf(stderr, "lcportable-cli: cannot create the folder '%s': %s\n", path.c_str(),
                     FormatOpenError(code).c_str());
    }
    void ReportSkippedUnsupported(const DirInfo& file, const std::string&) override {
        ClearLine();
        std::fprintf(stderr, "lcportable-cli: skipped '%s': %s files cannot be extracted\n",
                     VolumePathOf(file).c_str(),
                     (file.attributes & kAttrCompressed) != 0 ? "compressed" : "encrypted");
    }
    void OnProgress(uint64_t total, uint64_t remaining) override {
        if (!m_showProgress || total == 0 || remaining == 0 || remaining > total) return;
        const unsigned percent = static_cast<unsigned>((total - remaining) * 100 / total);
        // Readers report after every block; the terminal only needs a new line per percent.
        if (percent == m_lastPercent) return;
        m_lastPercent = percent;
        char text[32];
        std::snprintf(text, sizeof text, "Extracting... (%02u%%) ", percent);
        Line(text + m_current);
    }

    void ClearLine() {
        if (!m_lineShown) return;
        std::fputs("\r\033[K", stderr);
        m_lineShown = false;
    }

private:
    void Line(const std::string& text) {
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        m_lineShown = true;
    }

    ExistingFiles m_existing;
    bool m_showProgress;
    bool m_lineShown = false;
    std::string m_current;
    unsigned m_lastPercent = ~0u;
};

int RunExtract(const ParsedArguments& parsed) {
    if (parsed.Has("overwrite") && parsed.Has("skip-existing"))
        return UsageError(kCommand, "--overwrite and --skip-existing exclude each other");
    const ExistingFiles existing = parsed.Has("overwrite")       ? ExistingFiles::Overwrite
                                   : parsed.Has("skip-existing") ? ExistingFiles::Skip
                                                                 : ExistingFiles::Refuse;
    VolumeOptions volumeOptions{parsed.Value("password-file")};
    const std::string target = parsed.Has("directory") ? parsed.Value("directory") : ".";
    const std::vector<std::string>& positional = parsed.Operands();
    if (positional.empty()) return UsageError(kCommand, "no volume given");
    if (target.empty()) return UsageError(kCommand, "empty folder name");
    const bool flat = parsed.Has("flat");

    // Plain copies left by windows that no longer run go before new ones are made.
    {
        Dod seeding;  // the wipe's random passes need a seeded generator
        IgnoreStatus(SweepOrphanedTempFolders(), "copies it cannot remove wait for the next sweep");
    }

    std::unique_ptr<CLCFiles> volume;
    if (int code = OpenVolume(positional[0], volumeOptions, volume); code != kExitSuccess)
        return code;
    const DirInfo* root = volume->Root();
    if (root == nullptr) return kExitFailure;

    // Every name is checked before anything is written.
    std::vector<const DirInfo*> items;
    bool missing = false;
    for (size_t i = 1; i < positional.size(); ++i) {
        const auto records = ResolveVolumePaths(*root, positional[i]);
        if (records.empty()) {
            PrintError(positional[i], "no such file or folder in the volume");
            missing = true;
        }
        for (const DirInfo* record : records) {
            items.push_back(record == root ? nullptr : record);  // the root: its contents
        }
    }
    if (missing) return kExitFailure;
    if (positional.size() == 1) items.push_back(nullptr);

    // The root's contents as the walk takes a folder's: files first, then subfolders.
    std::vector<const DirInfo*> expanded;
    for (const DirInfo* item : items) {
        if (item != nullptr) {
            expanded.push_back(item);
            continue;
        }
        const std::vector<const DirInfo*> children = ChildrenInWalkOrder(*root);
        expanded.insert(expanded.end(), children.begin(), children.end());
    }

    // An item named twice, or (with its folders) inside a folder also named, is written once:
    // a second copy would meet the first and be refused as an existing file.
    {
        const std::set<const DirInfo*> named(expanded.begin(), expanded.end());
        std::set<const DirInfo*> seen;
        std::erase_if(expanded, [&](const DirInfo* item) {
            if (!seen.insert(item).second) return true;
            for (const DirInfo* p = item->parent; !flat && p != nullptr; p = p->parent) {
                if (named.count(p) != 0) return true;
            }
            return false;
        });
    }

    // Without folders, two named items must not meet under one name.
    if (flat) {
        std::map<std::string, const DirInfo*> names;
        for (const DirInfo* item : expanded) {
            auto [at, added] = names.emplace(SafeOutputName(item->name), item);
            if (added) continue;
            std::fprintf(stderr, "lcportable-cli: '%s' and '%s' would both be written as '%s'\n",
                         VolumePathOf(*at->second).c_str(), VolumePathOf(*item).c_str(),
                         at->first.c_str());
            return kExitFailure;
        }
    }

    // The walk reports no error for its own target folder; say which one could not be made.
    {
        OutputFolder made;
        if (Status s = OutputFolder::OpenTarget(target, true, made); s != status::kSuccess) {
            std::fprintf(stderr, "lcportable-cli: cannot create the folder '%s': %s\n",
                         target.c_str(), FormatOpenError(s).c_str());
            return kExitFailure;
        }
    }

    // Each file's time is converted from local time; without TZ the C library looks at
    // /etc/localtime again for every conversion. Named, it is read once.
    if (std::getenv("TZ") == nullptr) ::setenv("TZ", ":/etc/localtime", 1);

    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    CliExtractHooks hooks(existing, terminal && !parsed.Has("quiet"));
    volume->SetProgressListener(&hooks);
    ExtractOptions options;
    options.askBeforeReplace = existing != ExistingFiles::Overwrite;
    options.carryOn = true;
    Extractor extractor(*volume, hooks, options);
    InstallInterruptHandlers(terminal);
    const Status result = flat ? extractor.ExtractItems(expanded, target)
                               : extractor.ExtractItemsKeepingPaths(expanded, target);
    volume->SetProgressListener(nullptr);
    hooks.ClearLine();

    // Files kept without --skip-existing were refused: they count as failed.
    const ExtractCounts& counts = extractor.Counts();
    const size_t refused = existing == ExistingFiles::Refuse ? counts.declined : 0;
    const size_t failed = counts.failed + refused + (result != status::kSuccess ? 1 : 0);
    const size_t skipped = counts.declined - refused + counts.unsupported + counts.links;
    if ((failed > 0 || skipped > 0) && !parsed.Has("quiet")) {
        std::fprintf(stderr, "%zu files extracted, %zu failed, %zu skipped\n", counts.extracted,
                     failed, skipped);
    }
    // Links are named but are no failure; files whose data cannot be given out are.
    return failed > 0 || counts.unsupported > 0 ? kExitFailure : kExitSuccess;
}

}  // namespace

LC_REGISTER_COMMAND(kCommand)

}  // namespace lc::cli
