// lcportable-cli extract: named files and folders (the whole volume when none is named) into a
// folder, folders recursively, each file with its modification time.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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

constexpr const char* kUsage =
    "extract [--password-file FILE] VOLUME [PATH...] [-C DIR] [--overwrite | --skip-existing]";

int UsageError() {
    std::fprintf(stderr, "usage: lcportable-cli %s\n", kUsage);
    return kExitUsage;
}

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
    VolumeOptions volumeOptions;
    ExistingFiles existing = ExistingFiles::Refuse;
    bool existingGiven = false;
    std::string target = ".";
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (OptionResult taken = TakeVolumeOption(args, i, volumeOptions);
            taken != OptionResult::NotMine) {
            if (taken == OptionResult::MissingValue) return UsageError();
        } else if (a == "-C") {
            if (++i == args.size()) return UsageError();
            target = args[i];
        } else if (a == "--overwrite" || a == "--skip-existing") {
            const ExistingFiles mode =
                a == "--overwrite" ? ExistingFiles::Overwrite : ExistingFiles::Skip;
            if (existingGiven && existing != mode) return UsageError();
            existing = mode;
            existingGiven = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError();
        } else {
            positional.push_back(a);
        }
    }
    if (positional.empty() || target.empty()) return UsageError();

    std::unique_ptr<CLCFiles> volume;
    if (int code = OpenVolume(positional[0], volumeOptions, volume); code != kExitSuccess)
        return code;
    const DirInfo* root = volume->Root();
    if (root == nullptr) return kExitFailure;

    // Every name is checked before anything is written.
    std::vector<const DirInfo*> items;
    bool missing = false;
    for (size_t i = 1; i < positional.size(); ++i) {
        const DirInfo* record = ResolveVolumePath(*root, positional[i]);
        if (record == nullptr) {
            std::fprintf(stderr, "lcportable-cli: '%s': no such file or folder in the volume\n",
                         positional[i].c_str());
            missing = true;
        } else if (record == root) {
            items.push_back(nullptr);  // the root stands for its contents
        } else {
            items.push_back(record);
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

    CliExtractHooks hooks(existing, ::isatty(STDERR_FILENO) == 1);
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

LC_REGISTER_COMMAND("extract", kUsage, RunExtract)

}  // namespace lc::cli
