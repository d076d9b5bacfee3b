// lcportable-cli ls: the entries of a folder of the volume, or the whole tree with -R.
//
// Order: at each level the subfolders first, in directory order, each followed at once by its
// own contents when -R is given; then the folder's files in the order the tree holds them.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "cli/VolumePath.h"
#include "fs/DirInfo.h"
#include "fs/DosTime.h"
#include "platform/Text.h"

namespace lc::cli {

namespace {

constexpr const char* kUsage = "ls [-l] [-R] [--json] [--password-file FILE] VOLUME [PATH]";

int UsageError() {
    std::fprintf(stderr, "usage: lcportable-cli %s\n", kUsage);
    return kExitUsage;
}
// Far above what a reader lets through (256); guards the recursion all the same.
constexpr unsigned kMaxListDepth = 1024;

struct ListOptions {
    bool longFormat = false;
    bool recursive = false;
    bool json = false;
};

void AppendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

class Lister {
public:
    Lister(const ListOptions& options, const DirInfo& base) : m_options(options), m_base(base) {}

    void Entry(const DirInfo& record) {
        const bool dir = record.IsDirectory();
        std::string line;
        if (m_options.json) {
            const uint32_t attributes = dir && record.attributes == 0 ? 0x10 : record.attributes;
            line += "{\"path\":";
            AppendJsonString(line, VolumePathOf(record));
            line += dir ? ",\"type\":\"dir\"" : ",\"type\":\"file\"";
            line += ",\"size\":" + std::to_string(dir ? 0 : record.size);
            line += ",\"mtime\":\"" + DosTime::FromPacked(record.modified).ToIsoString() + '"';
            line += ",\"attributes\":" + std::to_string(attributes) + "}\n";
        } else {
            if (m_options.longFormat) {
                char head[64];
                std::snprintf(head, sizeof head, "%c %14llu %s  ", dir ? 'd' : '-',
                              static_cast<unsigned long long>(dir ? 0 : record.size),
                              TimeText(record.modified).c_str());
                line += head;
            }
            line += RelativePath(record);
            if (dir) line += '/';
            line += '\n';
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
    }

    void Folder(const DirInfo& folder, unsigned depth) {
        if (depth > kMaxListDepth) return;
        for (const DirInfo* d = folder.firstChild; d != nullptr; d = d->nextSibling) {
            Entry(*d);
            if (m_options.recursive) Folder(*d, depth + 1);
        }
        for (const DirInfo* f = folder.firstFile; f != nullptr; f = f->nextFile) Entry(*f);
    }

private:
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

int RunList(const std::vector<std::string>& args) {
    ListOptions options;
    VolumeOptions volumeOptions;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (OptionResult taken = TakeVolumeOption(args, i, volumeOptions);
            taken != OptionResult::NotMine) {
            if (taken == OptionResult::MissingValue) return UsageError();
        } else if (a == "--json") {
            options.json = true;
        } else if (a.size() > 1 && a[0] == '-' && a[1] != '-') {
            for (size_t k = 1; k < a.size(); ++k) {
                if (a[k] == 'l') {
                    options.longFormat = true;
                } else if (a[k] == 'R') {
                    options.recursive = true;
                } else {
                    return UsageError();
                }
            }
        } else if (a.rfind("--", 0) == 0) {
            return UsageError();
        } else {
            positional.push_back(a);
        }
    }
    if (positional.empty() || positional.size() > 2) return UsageError();

    std::unique_ptr<CLCFiles> volume;
    if (int code = OpenVolume(positional[0], volumeOptions, volume); code != kExitSuccess)
        return code;
    const DirInfo* root = volume->Root();
    const std::string path = positional.size() > 1 ? positional[1] : std::string();
    const DirInfo* target = root != nullptr ? ResolveVolumePath(*root, path) : nullptr;
    if (target == nullptr) {
        std::fprintf(stderr, "lcportable-cli: '%s': no such file or folder in the volume\n",
                     path.c_str());
        return kExitFailure;
    }
    Lister lister(options, *target);
    if (target->IsFile()) {
        lister.Entry(*target);
    } else {
        lister.Folder(*target, 0);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "lcportable-cli: cannot write the listing\n");
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

LC_REGISTER_COMMAND("ls", kUsage, RunList)

}  // namespace lc::cli
