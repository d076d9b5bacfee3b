// lcportable-cli ls: the entries of folders of the volume, or whole trees with -R.
//
// Order: at each level the subfolders first, each followed at once by its own contents when -R
// is given, then the folder's files; both in the order the volume stores them, or by name.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "cli/VolumePath.h"
#include "fs/DirInfo.h"
#include "fs/DosTime.h"
#include "platform/Text.h"

namespace lc::cli {

namespace {

int RunList(const ParsedArguments& parsed);

constexpr OptionDef kOptions[] = {
    {'l', nullptr, nullptr, "long format: type, size, time; links as NAME -> TARGET"},
    {'R', nullptr, nullptr, "list subfolders recursively"},
    {0, "json", nullptr, "one JSON object per entry (JSON Lines)"},
    {0, "sort", "ORDER", "'none' (stored order, the default) or 'name'"},
    kPasswordFileOption,
    kQuietOption,
};
const CommandInfo kCommand{
    "ls",
    "VOLUME [PATH...]",
    "list files and folders",
    "Lists the root, or each named folder's entries (a named file lists itself).\n"
    "JSON fields: path, type (dir, file or link), size, mtime (stored local time),\n"
    "attributes, and target for links.\n",
    kOptions,
    RunList};

// Far above what a reader lets through (256); guards the recursion all the same.
constexpr unsigned kMaxListDepth = 1024;

struct ListOptions {
    bool longFormat = false;
    bool recursive = false;
    bool json = false;
    bool byName = false;
};

std::string LinkTarget(const DirInfo& record) {
    std::string target = Utf16ToUtf8(record.linkTarget);
    std::replace(target.begin(), target.end(), '\\', '/');
    return target;
}

class Lister {
public:
    Lister(const ListOptions& options, const DirInfo& base) : m_options(options), m_base(base) {}

    void Entry(const DirInfo& record) {
        const bool dir = record.IsDirectory();
        const bool link = record.IsLink();
        std::string line;
        if (m_options.json) {
            const uint32_t attributes = dir && record.attributes == 0 ? 0x10 : record.attributes;
            line += "{\"path\":";
            AppendJsonString(line, VolumePathOf(record));
            line += link ? ",\"type\":\"link\"" : dir ? ",\"type\":\"dir\"" : ",\"type\":\"file\"";
            if (link) {
                line += ",\"target\":";
                AppendJsonString(line, LinkTarget(record));
            }
            line += ",\"size\":" + std::to_string(dir ? 0 : record.size);
            line += ",\"mtime\":\"" + DosTime::FromPacked(record.modified).ToIsoString() + '"';
            line += ",\"attributes\":" + std::to_string(attributes) + "}\n";
        } else {
            if (m_options.longFormat) {
                char head[64];
                std::snprintf(head, sizeof head, "%c %14llu %s  ",
                              link  ? 'l'
                              : dir ? 'd'
                                    : '-',
                              static_cast<unsigned long long>(dir ? 0 : record.size),
                              TimeText(record.modified).c_str());
                line += head;
            }
            line += EscapeForStream(RelativePath(record), stdout);
            if (dir && !link) line += '/';
            if (link && m_options.longFormat)
                line += " -> " + EscapeForStream(LinkTarget(record), stdout);
            line += '\n';
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
    }

    void Folder(const DirInfo& folder, unsigned depth) {
        if (depth > kMaxListDepth) return;
        std::vector<const DirInfo*> folders;
        for (const DirInfo* d = folder.firstChild; d != nullptr; d = d->nextSibling)
            folders.push_back(d);
        std::vector<const DirInfo*> files = FilesInStoredOrder(folder);
        if (m_options.byName) {
            SortByName(folders);
            SortByName(files);
        }
        for (const DirInfo* d : folders) {
            Entry(*d);
            if (m_options.recursive) Folder(*d, depth + 1);
        }
        for (const DirInfo* f : files) Entry(*f);
    }

private:
    // Regardless of case first, so "attrs.txt" comes before "PLAIN.TXT".
    static void SortByName(std::vector<const DirInfo*>& records) {
        std::vector<std::pair<std::u32string, const DirInfo*>> keyed;
        for (const DirInfo* r : records) {
            std::u32string key = Utf16ToCodePoints(r->name);
            for (char32_t& c : key) c = FoldCase(c);
            keyed.emplace_back(std::move(key), r);
        }
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first < b.first : a.second->name < b.second->name;
        });
        for (size_t i = 0; i < keyed.size(); ++i) records[i] = keyed[i].second;
    }

    static std::string TimeText(uint32_t packed) {
        std::string text = DosTime::FromPacked(packed).ToIsoString();
        text[10] = ' ';
        return text;
    }

    // Relative to the listed folder, as ls shows nested entries.
    std::string RelativePath(const DirInfo& record) const {
        std::string full = VolumePathOf(record);
        std::string base = VolumePathOf(m_base);
        if (!base.empty() && full.size() > base.size() && full.compare(0, base.size(), base) == 0)
            return full.substr(base.size() + 1);
        return full;
    }

    ListOptions m_options;
    const DirInfo& m_base;
};

int RunList(const ParsedArguments& parsed) {
    ListOptions options;
    options.longFormat = parsed.Has("l");
    options.recursive = parsed.Has("R");
    options.json = parsed.Has("json");
    if (parsed.Has("sort")) {
        const std::string order = parsed.Value("sort");
        if (order != "name" && order != "none")
            return UsageError(kCommand, "unknown sort order '" + order + "' (name or none)");
        options.byName = order == "name";
    }
    const auto& operands = parsed.Operands();
    if (operands.empty()) return UsageError(kCommand, "no volume given");

    VolumeOptions volumeOptions{parsed.Value("password-file")};
    std::unique_ptr<CLCFiles> volume;
    if (int code = OpenVolume(operands[0], volumeOptions, volume); code != kExitSuccess)
        return code;
    const DirInfo* root = volume->Root();
    std::vector<std::string> paths(operands.begin() + 1, operands.end());
    if (paths.empty()) paths.emplace_back();

    int exitCode = kExitSuccess;
    for (const std::string& path : paths) {
        const auto targets =
            root != nullptr ? ResolveVolumePaths(*root, path) : std::vector<const DirInfo*>{};
        if (targets.empty()) {
            std::fflush(stdout);
            PrintError(path, "no such file or folder in the volume");
            exitCode = kExitFailure;
        }
        // One folder lists relative to itself; several name each entry from the root.
        const bool single = paths.size() == 1 && targets.size() == 1;
        for (const DirInfo* target : targets) {
            Lister lister(options, single ? *target : *root);
            if (target->IsFile() || target->IsLink()) {
                lister.Entry(*target);
            } else {
                lister.Folder(*target, 0);
            }
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        PrintError(std::string("write error: ") + std::strerror(errno));
        return kExitFailure;
    }
    return exitCode;
}

}  // namespace

LC_REGISTER_COMMAND(kCommand)

}  // namespace lc::cli
