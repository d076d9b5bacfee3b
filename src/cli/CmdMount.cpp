// lcportable-cli mount: the volume's tree as a read-only file system (FUSE), until unmounted.

#define FUSE_USE_VERSION 312
#include <errno.h>
#include <fcntl.h>
#include <fuse3/fuse.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "extract/ExtractFile.h"
#include "extract/OutputPath.h"
#include "fs/DirInfo.h"
#include "fs/FileReader.h"
#include "platform/Text.h"

namespace lc::cli {

namespace {

int RunMount(const ParsedArguments& parsed);

constexpr OptionDef kOptions[] = {
    kPasswordFileOption,
    {'f', "foreground", nullptr, "stay in the foreground; SIGINT or SIGTERM unmounts"},
    {'o', nullptr, "OPTIONS", "mount options: allow_other, uid=N, gid=N and other FUSE options"},
};
const CommandInfo kCommand{
    "mount",
    "VOLUME MOUNTPOINT",
    "show the volume's files read-only at a folder until unmounted",
    "Unlocks the volume, mounts it at MOUNTPOINT and returns once the mount is ready; the\n"
    "mount then runs in the background until 'fusermount3 -u MOUNTPOINT'. Folders read as\n"
    "0555, files as 0444, owned by the mounting user (or uid/gid). Links are symbolic links;\n"
    "encrypted files are listed but cannot be opened. Nothing is ever written.\n",
    kOptions,
    RunMount};

// The volume cannot change while it is mounted: the kernel may keep what it learnt for good.
constexpr double kForever = 365.0 * 24 * 3600;
constexpr const char* kFixedOptions =
    "ro,default_permissions,fsname=lcportable,subtype=lcportable,max_read=1048576";

// What the file system shows of a record, kept together: a listing touches nothing else.
struct Node {
    const DirInfo* record = nullptr;
    mode_t mode = 0;
    uint64_t size = 0;
    time_t modified = 0;
    std::string name;
    std::string linkTarget;          // '/' separated
    std::vector<uint32_t> children;  // folders: indices into Mount::nodes
};

struct Mount {
    std::unique_ptr<CLCFiles> volume;
    std::vector<Node> nodes;  // [0] is the root
    std::unordered_map<std::string, uint32_t> byPath;
    uid_t uid = 0;
    gid_t gid = 0;
    // Opening walks the file system's metadata, which only one thread may do at a time; reads
    // through open readers run in parallel.
    std::mutex openMutex;
};

Mount* Context() {
    return static_cast<Mount*>(fuse_get_context()->private_data);
}

// The name a record shows under: as stored, made safe for a path ('/' and NUL replaced, "." and
// ".." renamed, long names cut with "~n" as extract does). Empty when the folder has the name.
std::string ShownName(const DirInfo& record, std::unordered_set<std::string>& taken) {
    std::string name = SafeOutputName(record.name);
    if (name.size() > kMaxNameBytes) {
        // Each try skips a name taken already: bounded by the folder's entries.
        for (unsigned n = 1;; ++n) {
            std::string candidate = ShortenedName(name, n);
            if (taken.count(candidate) == 0) {
                name = std::move(candidate);
                break;
            }
        }
    }
    if (!taken.insert(name).second) return {};
    return name;
}

bool BuildIndex(Mount& mount) {
    const DirInfo* root = mount.volume->Root();
    if (root == nullptr) return false;
    time_t now = time(nullptr);
    mount.nodes.push_back({root, S_IFDIR | 0555, 0, RecordTime(*root).value_or(now), "", "", {}});
    mount.byPath.emplace("/", 0);
    // Folders still to list, by node index; the tree is finite and every folder is met once.
    std::vector<std::pair<uint32_t, std::string>> pending{{0, ""}};
    while (!pending.empty()) {
        auto [index, path] = std::move(pending.back());
        pending.pop_back();
        const DirInfo* folder = mount.nodes[index].record;
        std::unordered_set<std::string> taken;
        auto add = [&](const DirInfo* record) {
            std::string name = ShownName(*record, taken);
            if (name.empty()) return;
            Node node{
                record, S_IFREG | 0444, record->size, RecordTime(*record).value_or(now), name, "",
                {}};
            if (record->IsLink()) {
                node.linkTarget = Utf16ToUtf8(record->linkTarget);
                for (char& c : node.linkTarget)
                    if (c == '\\') c = '/';
                node.mode = S_IFLNK | 0777;
                node.size = node.linkTarget.size();
            } else if (record->IsDirectory()) {
                node.mode = S_IFDIR | 0555;
                node.size = 0;
            }
            const auto child = static_cast<uint32_t>(mount.nodes.size());
            std::string childPath = path + "/" + name;
            mount.nodes.push_back(std::move(node));
            mount.nodes[index].children.push_back(child);
            if (record->IsDirectory() && !record->IsLink()) pending.emplace_back(child, childPath);
            mount.byPath.emplace(std::move(childPath), child);
        };
        for (const DirInfo* d = folder->firstChild; d != nullptr; d = d->nextSibling) add(d);
        for (const DirInfo* f = folder->firstFile; f != nullptr; f = f->nextFile) add(f);
    }
    return true;
}

const Node* Find(Mount& mount, const char* path) {
    auto it = mount.byPath.find(path);
    return it == mount.byPath.end() ? nullptr : &mount.nodes[it->second];
}

void FillStat(const Mount& mount, const Node& node, struct stat* st) {
    std::memset(st, 0, sizeof *st);
    st->st_ino = static_cast<ino_t>(&node - mount.nodes.data()) + 1;
    st->st_mode = node.mode;
    st->st_nlink = S_ISDIR(node.mode) ? 2 : 1;
    st->st_size = static_cast<off_t>(node.size);
    st->st_blocks = static_cast<blkcnt_t>((node.size + 511) / 512);
    st->st_blksize = 128 * 1024;
    st->st_uid = mount.uid;
    st->st_gid = mount.gid;
    st->st_mtim.tv_sec = st->st_atim.tv_sec = st->st_ctim.tv_sec = node.modified;
}

void* OnInit(fuse_conn_info* connection, fuse_config* config) {
    config->use_ino = 1;
    config->kernel_cache = 1;
    config->entry_timeout = config->attr_timeout = config->negative_timeout = kForever;
    connection->max_read = 1u << 20;
    connection->max_readahead = 1u << 20;
    // A listing names its entries with their types only: a walk such as find then needs no
    // lookup of every file, and whatever is looked up stays known for good.
    connection->want &= ~(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
    return fuse_get_context()->private_data;
}

int OnGetAttr(const char* path, struct stat* st, fuse_file_info*) {
    Mount& mount = *Context();
    const Node* node = Find(mount, path);
    if (node == nullptr) return -ENOENT;
    FillStat(mount, *node, st);
    return 0;
}

int OnReadLink(const char* path, char* buffer, size_t size) {
    const Node* node = Find(*Context(), path);
    if (node == nullptr) return -ENOENT;
    if (node->linkTarget.empty()) return -EINVAL;
    if (size == 0) return -EINVAL;
    size_t n = std::min(size - 1, node->linkTarget.size());
    std::memcpy(buffer, node->linkTarget.data(), n);
    buffer[n] = '\0';
    return 0;
}

int OnOpen(const char* path, fuse_file_info* info) {
    Mount& mount = *Context();
    const Node* node = Find(mount, path);
    if (node == nullptr) return -ENOENT;
    if (S_ISDIR(node->mode)) return -EISDIR;
    if ((info->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    // Encrypted data is never read as it is stored.
    if (IsUnsupportedData(*node->record)) return -EACCES;
    std::lock_guard lock(mount.openMutex);
    auto reader = OpenFileReader(mount.volume->FileSystem(), *node->record);
    if (!reader) return reader.status() == status::kNotEnoughMemory ? -ENOMEM : -EIO;
    info->fh = reinterpret_cast<uint64_t>(reader->release());
    info->keep_cache = 1;
    return 0;
}

int OnRead(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* info) {
    auto* reader = reinterpret_cast<FileReader*>(info->fh);
    if (reader == nullptr || offset < 0) return -EINVAL;
    size = std::min<size_t>(size, INT_MAX);
    size_t got = 0;
    if (reader->ReadAt(static_cast<uint64_t>(offset),
                       std::span<uint8_t>(reinterpret_cast<uint8_t*>(buffer), size),
                       got) != status::kSuccess) {
        return -EIO;
    }
    return static_cast<int>(got);
}

int OnRelease(const char*, fuse_file_info* info) {
    delete reinterpret_cast<FileReader*>(info->fh);
    info->fh = 0;
    return 0;
}

int OnOpenDir(const char* path, fuse_file_info* info) {
    const Node* node = Find(*Context(), path);
    if (node == nullptr) return -ENOENT;
    // A listing never changes: the kernel may keep it for the next reader.
    info->cache_readdir = 1;
    info->keep_cache = 1;
    return 0;
}

// Entries are numbered ".", "..", then the children; each call goes on from offset, so a large
// folder costs one pass however many calls its listing takes.
int OnReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset, fuse_file_info*,
              fuse_readdir_flags) {
    Mount& mount = *Context();
    const Node* node = Find(mount, path);
    if (node == nullptr) return -ENOENT;
    if (!S_ISDIR(node->mode)) return -ENOTDIR;
    const auto none = static_cast<fuse_fill_dir_flags>(0);
    const size_t count = node->children.size() + 2;
    // Without attributes in listings only the inode number and the type are read.
    struct stat st {};
    for (size_t position = offset < 0 ? 0 : static_cast<size_t>(offset); position < count;
         ++position) {
        const Node& entry = position < 2 ? *node : mount.nodes[node->children[position - 2]];
        st.st_ino = static_cast<ino_t>(&entry - mount.nodes.data()) + 1;
        st.st_mode = entry.mode;
        const char* name = position == 0 ? "." : position == 1 ? ".." : entry.name.c_str();
        if (fill(buffer, name, &st, static_cast<off_t>(position + 1), none) != 0) break;
    }
    return 0;
}

int OnStatFs(const char*, struct statvfs* st) {
    std::memset(st, 0, sizeof *st);
    st->f_bsize = st->f_frsize = 4096;
    st->f_files = Context()->nodes.size();
    st->f_namemax = kMaxNameBytes;
    st->f_flag = ST_RDONLY;
    return 0;
}

// Everything that would change the volume.
int ReadOnly() {
    return -EROFS;
}

fuse_operations Operations() {
    fuse_operations ops{};
    ops.init = OnInit;
    ops.getattr = OnGetAttr;
    ops.readlink = OnReadLink;
    ops.open = OnOpen;
    ops.read = OnRead;
    ops.release = OnRelease;
    ops.opendir = OnOpenDir;
    ops.readdir = OnReadDir;
    ops.statfs = OnStatFs;
    ops.mknod = [](const char*, mode_t, dev_t) { return ReadOnly(); };
    ops.mkdir = [](const char*, mode_t) { return ReadOnly(); };
    ops.unlink = [](const char*) { return ReadOnly(); };
    ops.rmdir = [](const char*) { return ReadOnly(); };
    ops.symlink = [](const char*, const char*) { return ReadOnly(); };
    ops.rename = [](const char*, const char*, unsigned) { return ReadOnly(); };
    ops.link = [](const char*, const char*) { return ReadOnly(); };
    ops.chmod = [](const char*, mode_t, fuse_file_info*) { return ReadOnly(); };
    ops.chown = [](const char*, uid_t, gid_t, fuse_file_info*) { return ReadOnly(); };
    ops.truncate = [](const char*, off_t, fuse_file_info*) { return ReadOnly(); };
    ops.write = [](const char*, const char*, size_t, off_t, fuse_file_info*) { return ReadOnly(); };
    ops.create = [](const char*, mode_t, fuse_file_info*) { return ReadOnly(); };
    ops.utimens = [](const char*, const timespec*, fuse_file_info*) { return ReadOnly(); };
    ops.setxattr = [](const char*, const char*, const char*, size_t, int) { return ReadOnly(); };
    ops.removexattr = [](const char*, const char*) { return ReadOnly(); };
    return ops;
}

int RunMount(const ParsedArguments& parsed) {
    const auto& operands = parsed.Operands();
    if (operands.size() != 2) {
        return UsageError(kCommand, operands.empty()       ? "no volume given"
                                    : operands.size() == 1 ? "no mount point given"
                                                           : "too many operands");
    }
    char resolved[PATH_MAX];
    if (::realpath(operands[1].c_str(), resolved) == nullptr) {
        PrintError(operands[1], std::strerror(errno));
        return kExitFailure;
    }
    struct stat st;
    if (::stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode)) {
        PrintError(operands[1], "not a folder");
        return kExitFailure;
    }

    auto mount = std::make_unique<Mount>();
    mount->uid = ::getuid();
    mount->gid = ::getgid();
    VolumeOptions volumeOptions{parsed.Value("password-file")};
    if (int code = OpenVolume(operands[0], volumeOptions, mount->volume); code != kExitSuccess)
        return code;
    if (!BuildIndex(*mount)) {
        PrintError(operands[0], ReasonText(status::kFileCorrupt));
        return kExitFailure;
    }

    std::vector<std::string> options{"lcportable-cli", "-o", kFixedOptions};
    if (parsed.Has("o")) {
        options.push_back("-o");
        options.push_back(parsed.Value("o"));
    }
    std::vector<char*> argv;
    for (std::string& option : options) argv.push_back(option.data());
    fuse_args fuseArgs = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
    const fuse_operations ops = Operations();
    fuse* fs = fuse_new(&fuseArgs, &ops, sizeof ops, mount.get());
    fuse_opt_free_args(&fuseArgs);
    if (fs == nullptr) {
        PrintError("-o " + parsed.Value("o"), "mount options not accepted");
        return kExitUsage;
    }
    if (fuse_mount(fs, resolved) != 0) {
        fuse_destroy(fs);
        PrintError(operands[1], "cannot mount here");
        return kExitFailure;
    }
    fuse_session* session = fuse_get_session(fs);
    int exitCode = kExitFailure;
    if (fuse_set_signal_handlers(session) == 0) {
        // In the background the first process returns 0 here: the mount is ready.
        if (fuse_daemonize(parsed.Has("foreground") ? 1 : 0) == 0) {
            fuse_loop_config* loop = fuse_loop_cfg_create();
            fuse_loop_cfg_set_max_threads(loop, 16);
            // A signal ends the loop with its number: an unmount asked for, not a failure.
            exitCode = fuse_loop_mt(fs, loop) >= 0 ? kExitSuccess : kExitFailure;
            fuse_loop_cfg_destroy(loop);
        }
        fuse_remove_signal_handlers(session);
    }
    fuse_unmount(fs);
    fuse_destroy(fs);
    // The key goes with the volume.
    mount.reset();
    return exitCode;
}

}  // namespace

LC_REGISTER_COMMAND(kCommand)

}  // namespace lc::cli
