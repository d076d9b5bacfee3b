// lcportable-cli extract: named files and folders (the whole volume when none is named) into a
// folder, folders recursively, each file with its modification time.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "cli/VolumePath.h"
#include "extract/Extractor.h"
#include "extract/OutputPath.h"
#include "fs/DirInfo.h"
#include "platform/Text.h"
#include "resources/ErrorText.h"
#include "volume/CLCFiles.h"

namespace lc::cli {

namespace {

int RunExtract(const std::vector<std::string>& args);

constexpr OptionSpec kOptions[] = {
    {'C', "directory", "DIR", "extract into DIR (default: the current folder)"},
    {0, "overwrite", nullptr, "replace existing files"},
    {0, "skip-existing", nullptr, "keep existing files and go on"},
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
            m_refused = true;
        }
        return ReplaceAnswer::No;
    }
    void ShowExtractStatus(const std::string& path) override {
        m_current = path;
        m_lastPercent = ~0u;
        if (m_showProgress) Line("Extract " + path);
    }
    void ReportFileError(const DirInfo& file, const std::string& folder, Status code) override {
        ClearLine();
        std::fprintf(stderr, "lcportable-cli: cannot extract '%s' to '%s': %s\n",
                     VolumePathOf(file).c_str(), folder.c_str(), FormatOpenError(code).c_str());
    }
    void ReportFolderError(const std::string& path, Status code) override {
        ClearLine();
        std::fprintf(stderr, "lcportable-cli: cannot create the folder '%s': %s\n", path.c_str(),
                     FormatOpenError(code).c_str());
    }
    void ReportSkippedUnsupported(const DirInfo& file, const std::string&) override {
        ClearLine();
        std::fprintf(stderr, "lcportable-cli: '%s' skipped: %s files cannot be extracted\n",
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

    bool Refused() const { return m_refused; }

private:
    void Line(const std::string& text) {
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        m_lineShown = true;
    }
    void ClearLine() {
        if (!m_lineShown) return;
        std::fputs("\r\033[K", stderr);
        m_lineShown = false;
    }

    ExistingFiles m_existing;
    bool m_showProgress;
    bool m_lineShown = false;
    bool m_refused = false;
    std::string m_current;
    unsigned m_lastPercent = ~0u;
};

int RunExtract(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    if (int code = ParseCommandLine(kCommand, args, parsed); code != kExitSuccess)
        return code < 0 ? kExitSuccess : code;
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
        for (const DirInfo* f = root->firstFile; f != nullptr; f = f->nextFile) {
            expanded.push_back(f);
        }
        for (const DirInfo* d = root->firstChild; d != nullptr; d = d->nextSibling) {
            expanded.push_back(d);
        }
    }

    // The walk reports no error for its own target folder; say which one could not be made.
    if (Status made = CreateFolderLevels(target); made != status::kSuccess) {
        std::fprintf(stderr, "lcportable-cli: cannot create the folder '%s': %s\n", target.c_str(),
                     FormatOpenError(made).c_str());
        return kExitFailure;
    }

    CliExtractHooks hooks(existing, ::isatty(STDERR_FILENO) == 1 && !parsed.Has("quiet"));
    volume->SetProgressListener(&hooks);
    ExtractOptions options;
    options.askBeforeReplace = existing != ExistingFiles::Overwrite;
    Extractor extractor(*volume, hooks, options);
    const Status result = extractor.ExtractItems(expanded, target);
    volume->SetProgressListener(nullptr);
    // Failures were reported where they happened; a cancel cannot come from these hooks.
    if (result != status::kSuccess) return kExitFailure;
    return hooks.Refused() ? kExitFailure : kExitSuccess;
}

}  // namespace

LC_REGISTER_COMMAND(kCommand)

}  // namespace lc::cli
