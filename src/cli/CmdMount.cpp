// lcportable-cli mount: the volume's tree as a read-only file system (FUSE), until unmounted.

#define FUSE_USE_VERSION 312
#include <errno.h>
#include <fcntl.h>
#include <fuse3/fuse_lowlevel.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cli/CliText.h"
#include "cli/CliVolume.h"
#include "cli/Command.h"
#include "extract/ExtractFile.h"
#include "extract/OutputPath.h"
#include "extract/WalkOrder.h"
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
constexpr unsigned kMaxRead = 1u << 20;
constexpr unsigned kReadAheadKib = 4096;
constexpr const char* kFixedOptions =
    "ro,default_permissions,fsname=lcportable,subtype=lcportable,max_read=1048576";
// Threads that decrypt reads at most, whatever the machine has.
constexpr unsigned kMaxReadThreads = 16;

// What the file system shows of a record. Its inode number is its index in Mount::nodes plus
// one (the root is 1).
struct Node {
    const DirInfo* record = nullptr;
    uint32_t parent = 0;
    mode_t mode = 0;
    uint64_t size = 0;
    time_t modified = 0;
    std::string name;
    std::string linkTarget;  // '/' separated
    uint32_t listing = 0;    // folders: index into Mount::listings
};

// A folder's whole readdir reply, made once: ".", "..", then the children, with the inode number
// and type of each. Each entry's offset is where the next one starts, so that a call going on
// from an offset copies whole entries from there: a listing costs a copy, however it is read.
struct Listing {
    std::vector<char> bytes;
    std::vector<size_t> ends;  // where each entry ends, ascending
};

// A name in a folder: the key of the lookups.
struct ChildKey {
    uint32_t parent;
    std::string_view name;
    bool operator==(const ChildKey&) const = default;
};
struct ChildKeyHash {
    size_t operator()(const ChildKey& key) const {
        return std::hash<std::string_view>{}(key.name) * 31 + key.parent;
    }
};

class ReadPool;

struct Mount {
    std::unique_ptr<CLCFiles> volume;
    std::vector<Node> nodes;  // [0] is the root; never changes once built
    std::vector<Listing> listings;
    std::unordered_map<ChildKey, uint32_t, ChildKeyHash> byName;  // views into nodes' names
    uid_t uid = 0;
    gid_t gid = 0;
    ReadPool* reads = nullptr;
    // Files open now, by their handles: what the kernel has not released when the mount ends
    // is freed then.
    std::unordered_map<uint64_t, std::unique_ptr<FileReader>> open;
    bool initialised = false;  // the kernel's first request was answered
    bool openDirByKernel = false;
    int readyFd = -1;   // in the background: told once initialised
    std::string point;  // where it is mounted, until initialised
};

// The nodes of a folder's children (their indices added to children), named in the order
// extract names them, so that shortened names come out alike: what extract writes first, then
// the links and encrypted files it passes over. A record whose name a sibling shows already is
// left out.
void AddChildren(Mount& mount, uint32_t index, time_t now, std::vector<uint32_t>& children) {
    std::vector<const DirInfo*> order = ChildrenInWalkOrder(*mount.nodes[index].record);
    std::stable_partition(order.begin(), order.end(), [](const DirInfo* record) {
        return !record->IsLink() && !IsUnsupportedData(*record);
    });
    std::unordered_set<std::string> shown;
    std::set<std::string> shortened;
    for (const DirInfo* record : order) {
        std::string name = SafeOutputName(record->name);
        if (name.size() > kMaxNameBytes) {
            name = ShortNameInFolder(*record, name, shortened);
            shortened.insert(name);
        }
        if (!shown.insert(name).second) continue;
        Node node{record,
                  index,
                  S_IFREG | 0444,
                  record->size,
                  RecordTime(*record).value_or(now),
                  std::move(name),
                  "",
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
        mount.nodes.push_back(std::move(node));
        children.push_back(child);
    }
}

fuse_ino_t InoOf(const Mount& mount, const Node& node) {
    return static_cast<fuse_ino_t>(&node - mount.nodes.data()) + 1;
}

void AddListing(Mount& mount, uint32_t index, const std::vector<uint32_t>& children) {
    Listing listing;
    auto add = [&](const char* name, const Node& entry) {
        // Without attributes in listings only the inode number and the type are read.
        struct stat st {};
        st.st_ino = InoOf(mount, entry);
        st.st_mode = entry.mode;
        // Making an entry does not look at the request (there is none yet).
        const size_t at = listing.bytes.size();
        const size_t need = fuse_add_direntry(nullptr, nullptr, 0, name, &st, 0);
        listing.bytes.resize(at + need);
        fuse_add_direntry(nullptr, listing.bytes.data() + at, need, name, &st,
                          static_cast<off_t>(at + need));
        listing.ends.push_back(at + need);
    };
    const Node& folder = mount.nodes[index];
    add(".", folder);
    add("..", mount.nodes[folder.parent]);
    for (uint32_t child : children) add(mount.nodes[child].name.c_str(), mount.nodes[child]);
    mount.nodes[index].listing = static_cast<uint32_t>(mount.listings.size());
    mount.listings.push_back(std::move(listing));
}

bool BuildIndex(Mount& mount) {
    const DirInfo* root = mount.volume->Root();
    if (root == nullptr) return false;
    time_t now = time(nullptr);
    mount.nodes.push_back(
        {root, 0, S_IFDIR | 0555, 0, RecordTime(*root).value_or(now), "", "", {}});
    // Folders still to list; the tree is finite and every folder is met once.
    std::vector<uint32_t> pending{0}, children;
    while (!pending.empty()) {
        const uint32_t index = pending.back();
        pending.pop_back();
        children.clear();
        AddChildren(mount, index, now, children);
        AddListing(mount, index, children);
        for (uint32_t child : children)
            if (S_ISDIR(mount.nodes[child].mode)) pending.push_back(child);
    }
    // The names stay where they are from here on.
    mount.byName.reserve(mount.nodes.size());
    for (uint32_t i = 1; i < mount.nodes.size(); ++i)
        mount.byName.emplace(ChildKey{mount.nodes[i].parent, mount.nodes[i].name}, i);
    return true;
}

Mount& Of(fuse_req_t request) {
    return *static_cast<Mount*>(fuse_req_userdata(request));
}

const Node* NodeOf(const Mount& mount, fuse_ino_t ino) {
    return ino >= 1 && ino <= mount.nodes.size() ? &mount.nodes[ino - 1] : nullptr;
}

void FillStat(const Mount& mount, const Node& node, struct stat* st) {
    std::memset(st, 0, sizeof *st);
    st->st_ino = InoOf(mount, node);
    st->st_mode = node.mode;
    st->st_nlink = S_ISDIR(node.mode) ? 2 : 1;
    st->st_size = static_cast<off_t>(node.size);
    st->st_blocks = static_cast<blkcnt_t>((node.size + 511) / 512);
    st->st_blksize = 128 * 1024;
    st->st_uid = mount.uid;
    st->st_gid = mount.gid;
    st->st_mtim.tv_sec = st->st_atim.tv_sec = st->st_ctim.tv_sec = node.modified;
}

struct ReadJob {
    fuse_req_t request;
    FileReader* reader;
    size_t size;
    off_t offset;
};

// Decrypts reads on a few threads while the receiving thread goes on answering: each worker
// replies itself (libfuse's replies may come from any thread). Signals stay with the receiving
// thread, so that they interrupt its wait for the next request.
class ReadPool {
public:
    explicit ReadPool(unsigned count) {
        sigset_t all, old;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &old);
        for (unsigned i = 0; i < count; ++i) m_threads.emplace_back([this] { Work(); });
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
    // Every read handed in is answered first.
    ~ReadPool() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads) thread.join();
    }
    ReadPool(const ReadPool&) = delete;
    ReadPool& operator=(const ReadPool&) = delete;

    void Add(const ReadJob& job) {
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(job);
        }
        m_wake.notify_one();
    }

private:
    void Work() {
        std::vector<uint8_t> buffer;
        for (;;) {
            ReadJob job{};
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
                if (m_jobs.empty()) return;
                job = m_jobs.front();
                m_jobs.pop_front();
            }
            Answer(job, buffer);
        }
    }

    static void Answer(const ReadJob& job, std::vector<uint8_t>& buffer) {
        if (job.offset < 0) {
            fuse_reply_err(job.request, EINVAL);
            return;
        }
        const size_t size = std::min<size_t>(job.size, 16 * kMaxRead);
        if (buffer.size() < size) buffer.resize(size);
        size_t got = 0;
        if (job.reader->ReadAt(static_cast<uint64_t>(job.offset),
                               std::span<uint8_t>(buffer.data(), size), got) != status::kSuccess) {
            fuse_reply_err(job.request, EIO);
            return;
        }
        fuse_reply_buf(job.request, reinterpret_cast<const char*>(buffer.data()), got);
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<ReadJob> m_jobs;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

void OnInit(void* userdata, fuse_conn_info* connection) {
    connection->max_read = kMaxRead;
    connection->max_readahead = kMaxRead;
    // A listing names its entries with their types only: a walk such as find then needs no
    // lookup of every file, and whatever is looked up stays known for good. (Listings with
    // attributes, even for subfolders alone, are three times larger: find was slower.)
    connection->want &= ~(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
    // The data never changes under the kernel's cache.
    connection->want &= ~FUSE_CAP_AUTO_INVAL_DATA;
    if (connection->capable & FUSE_CAP_CACHE_SYMLINKS) connection->want |= FUSE_CAP_CACHE_SYMLINKS;
    Mount& mount = *static_cast<Mount*>(userdata);
    // Opening a folder then costs no request, and the kernel keeps its listing all the same.
    mount.openDirByKernel = (connection->capable & FUSE_CAP_NO_OPENDIR_SUPPORT) != 0;
    mount.initialised = true;
}

void OnLookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
    const Mount& mount = Of(request);
    fuse_entry_param entry{};
    entry.attr_timeout = entry.entry_timeout = kForever;
    // Not found: ino 0 lets the kernel remember that too.
    auto it = mount.byName.find(ChildKey{static_cast<uint32_t>(parent - 1), name});
    if (it != mount.byName.end() && parent >= 1) {
        entry.ino = it->second + 1;
        FillStat(mount, mount.nodes[it->second], &entry.attr);
    }
    fuse_reply_entry(request, &entry);
}

void OnGetAttr(fuse_req_t request, fuse_ino_t ino, fuse_file_info*) {
    const Mount& mount = Of(request);
    const Node* node = NodeOf(mount, ino);
    if (node == nullptr) {
        fuse_reply_err(request, ENOENT);
        return;
    }
    struct stat st;
    FillStat(mount, *node, &st);
    fuse_reply_attr(request, &st, kForever);
}

void OnReadLink(fuse_req_t request, fuse_ino_t ino) {
    const Node* node = NodeOf(Of(request), ino);
    if (node == nullptr || node->linkTarget.empty()) {
        fuse_reply_err(request, node == nullptr ? ENOENT : EINVAL);
        return;
    }
    fuse_reply_readlink(request, node->linkTarget.c_str());
}

void OnOpen(fuse_req_t request, fuse_ino_t ino, fuse_file_info* info) {
    Mount& mount = Of(request);
    const Node* node = NodeOf(mount, ino);
    int error = 0;
    if (node == nullptr) {
        error = ENOENT;
    } else if (S_ISDIR(node->mode)) {
        error = EISDIR;
    } else if ((info->flags & O_ACCMODE) != O_RDONLY) {
        error = EROFS;
    } else if (IsUnsupportedData(*node->record)) {
        error = EACCES;  // encrypted data is never read as it is stored
    }
    if (error != 0) {
        fuse_reply_err(request, error);
        return;
    }
    // Only this thread opens: walking the file system's metadata is not thread-safe.
    auto reader = OpenFileReader(mount.volume->FileSystem(), *node->record);
    if (!reader) {
        fuse_reply_err(request, reader.status() == status::kNotEnoughMemory ? ENOMEM : EIO);
        return;
    }
    info->fh = reinterpret_cast<uint64_t>(reader->get());
    info->keep_cache = 1;
    mount.open.emplace(info->fh, std::move(*reader));
    if (fuse_reply_open(request, info) != 0) mount.open.erase(info->fh);
}

void OnRead(fuse_req_t request, fuse_ino_t, size_t size, off_t offset, fuse_file_info* info) {
    Of(request).reads->Add({request, reinterpret_cast<FileReader*>(info->fh), size, offset});
}

// The kernel releases a file only once its reads are answered.
void OnRelease(fuse_req_t request, fuse_ino_t, fuse_file_info* info) {
    Of(request).open.erase(info->fh);
    fuse_reply_err(request, 0);
}

void OnOpenDir(fuse_req_t request, fuse_ino_t ino, fuse_file_info* info) {
    const Mount& mount = Of(request);
    if (mount.openDirByKernel) {
        fuse_reply_err(request, ENOSYS);
        return;
    }
    const Node* node = NodeOf(mount, ino);
    if (node == nullptr || !S_ISDIR(node->mode)) {
        fuse_reply_err(request, node == nullptr ? ENOENT : ENOTDIR);
        return;
    }
    // A listing never changes: the kernel may keep it for the next reader.
    info->cache_readdir = 1;
    info->keep_cache = 1;
    fuse_reply_open(request, info);
}

void OnReadDir(fuse_req_t request, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info*) {
    const Mount& mount = Of(request);
    const Node* node = NodeOf(mount, ino);
    if (node == nullptr || !S_ISDIR(node->mode)) {
        fuse_reply_err(request, node == nullptr ? ENOENT : ENOTDIR);
        return;
    }
    const Listing& listing = mount.listings[node->listing];
    // Offsets are those given out: 0 or where an entry starts.
    const auto start = static_cast<size_t>(std::max<off_t>(offset, 0));
    if (start != 0 && !std::binary_search(listing.ends.begin(), listing.ends.end(), start)) {
        fuse_reply_buf(request, nullptr, 0);
        return;
    }
    // Up to the last entry that fits whole.
    auto last = std::upper_bound(listing.ends.begin(), listing.ends.end(), start + size);
    const size_t end = last == listing.ends.begin() ? start : std::max(start, *(last - 1));
    fuse_reply_buf(request, listing.bytes.data() + start, end - start);
}

void OnStatFs(fuse_req_t request, fuse_ino_t) {
    struct statvfs st {};
    st.f_bsize = st.f_frsize = 4096;
    st.f_files = Of(request).nodes.size();
    st.f_namemax = kMaxNameBytes;
    st.f_flag = ST_RDONLY;
    fuse_reply_statfs(request, &st);
}

// Everything that would change the volume.
template <typename... Rest>
void ReadOnly(fuse_req_t request, Rest...) {
    fuse_reply_err(request, EROFS);
}

fuse_lowlevel_ops Operations() {
    fuse_lowlevel_ops ops{};
    ops.init = OnInit;
    ops.lookup = OnLookup;
    ops.getattr = OnGetAttr;
    ops.readlink = OnReadLink;
    ops.open = OnOpen;
    ops.read = OnRead;
    ops.release = OnRelease;
    ops.opendir = OnOpenDir;
    ops.readdir = OnReadDir;
    ops.statfs = OnStatFs;
    ops.setattr = ReadOnly;
    ops.mknod = ReadOnly;
    ops.mkdir = ReadOnly;
    ops.unlink = ReadOnly;
    ops.rmdir = ReadOnly;
    ops.symlink = ReadOnly;
    ops.rename = ReadOnly;
    ops.link = ReadOnly;
    ops.write = ReadOnly;
    ops.create = ReadOnly;
    ops.setxattr = ReadOnly;
    ops.removexattr = ReadOnly;
    ops.fallocate = ReadOnly;
    return ops;
}

// The kernel reads ahead 128 KiB at most unless told otherwise, which only root may: with 4 MiB
// it asks in pieces of max_read, several at a time, and every read thread has one to decrypt
// (measured: 1 MiB and 8 MiB were slower).
// The mount's device is looked up in the mount table, since asking the mount itself from this
// thread would wait for this thread.
void WidenReadAhead(const char* point) {
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line, device;
    // Each line: "id parent major:minor root mountpoint options... - type source ..."; the last
    // match is the mount on top.
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, at;
        fields >> id >> parent >> numbers >> root >> at;
        if (at == point && line.find(" - fuse.lcportable ") != std::string::npos) device = numbers;
    }
    if (device.empty()) return;
    std::ofstream("/sys/class/bdi/" + device + "/read_ahead_kb") << kReadAheadKib;
}

// Requests are taken one at a time: metadata is answered here, reads go to the pool.
int ReceiveLoop(fuse_session* session, Mount& mount) {
    fuse_buf buffer{};
    int result = 0;
    while (!fuse_session_exited(session)) {
        result = fuse_session_receive_buf(session, &buffer);
        if (result == -EINTR || result == -EAGAIN) {
            result = 0;
            continue;
        }
        if (result <= 0) break;
        fuse_session_process_buf(session, &buffer);
        // A handshake that failed after init() ends the session.
        if (!mount.initialised || fuse_session_exited(session)) continue;
        if (!mount.point.empty()) {
            WidenReadAhead(mount.point.c_str());
            mount.point.clear();
        }
        if (mount.readyFd >= 0) {
            // The first process returns now: the mount answers.
            const char ready = 1;
            (void)!::write(mount.readyFd, &ready, 1);
            ::close(mount.readyFd);
            mount.readyFd = -1;
        }
    }
    std::free(buffer.mem);
    // Unmounted (0) or ended by a signal: a clean end.
    return result < 0 ? kExitFailure : kExitSuccess;
}

int Serve(fuse_session* session, Mount& mount) {
    if (fuse_set_signal_handlers(session) != 0) return kExitFailure;
    int exitCode = kExitFailure;
    {
        const unsigned cores = std::thread::hardware_concurrency();
        ReadPool reads(std::clamp(cores, 1u, kMaxReadThreads));
        mount.reads = &reads;
        exitCode = ReceiveLoop(session, mount);
    }
    mount.reads = nullptr;
    fuse_remove_signal_handlers(session);
    return exitCode;
}

// The rest of the run goes on in a new process in the background; this one waits until the
// mount has answered the kernel's first request and exits then, or returns 1 when it never did.
// Returns -1 in the new process, which is then detached from the terminal.
int Detach(fuse_session* session, Mount& mount, const std::string& point) {
    int fds[2];
    std::fflush(nullptr);
    const bool piped = ::pipe2(fds, O_CLOEXEC) == 0;
    const pid_t child = piped ? ::fork() : -1;
    if (child < 0) {
        PrintError(point, std::strerror(errno));
        if (piped) {
            ::close(fds[0]);
            ::close(fds[1]);
        }
        fuse_session_unmount(session);
        return kExitFailure;
    }
    if (child == 0) {
        ::close(fds[0]);
        mount.readyFd = fds[1];
        ::setsid();
        (void)!::chdir("/");
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            for (int fd = 0; fd <= 2; ++fd) ::dup2(null, fd);
            if (null > 2) ::close(null);
        }
        return -1;
    }
    ::close(fds[1]);
    char ready = 0;
    ssize_t got = 0;
    do {
        got = ::read(fds[0], &ready, 1);
    } while (got < 0 && errno == EINTR);
    ::close(fds[0]);
    if (got == 1) {
        // Ends here with 0, as fuse_daemonize's first process does: the mount and the session
        // are the other process's to end. Its copy of the key goes first.
        mount.volume.reset();
        std::fflush(nullptr);
        ::_exit(kExitSuccess);
    }
    fuse_session_unmount(session);
    PrintError(point, "the mount ended before it was ready");
    return kExitFailure;
}

struct OwnerOptions {
    unsigned uid;
    unsigned gid;
};

const fuse_opt kOwnerOptions[] = {
    {"uid=%u", offsetof(OwnerOptions, uid), 0},
    {"gid=%u", offsetof(OwnerOptions, gid), 0},
    FUSE_OPT_END,
};

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
    VolumeOptions volumeOptions{parsed.Value("password-file")};
    if (int code = OpenVolume(operands[0], volumeOptions, mount->volume); code != kExitSuccess)
        return code;
    // Named above; in the foreground as in the background, a mount that ran ends with 0.
    ClearDamageReported();
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
    // uid= and gid= are ours (the owner shown); the rest goes to FUSE.
    OwnerOptions owner{::getuid(), ::getgid()};
    const fuse_lowlevel_ops ops = Operations();
    fuse_session* session = nullptr;
    if (fuse_opt_parse(&fuseArgs, &owner, kOwnerOptions, nullptr) == 0)
        session = fuse_session_new(&fuseArgs, &ops, sizeof ops, mount.get());
    fuse_opt_free_args(&fuseArgs);
    if (session == nullptr) {
        PrintError("-o " + parsed.Value("o"), "mount options not accepted");
        return kExitUsage;
    }
    mount->uid = owner.uid;
    mount->gid = owner.gid;
    mount->point = resolved;
    if (fuse_session_mount(session, resolved) != 0) {
        fuse_session_destroy(session);
        PrintError(operands[1], "cannot mount here");
        return kExitFailure;
    }
    int exitCode = parsed.Has("foreground") ? -1 : Detach(session, *mount, operands[1]);
    if (exitCode < 0) {
        exitCode = Serve(session, *mount);
        fuse_session_unmount(session);
    }
    fuse_session_destroy(session);
    // The key goes with the volume.
    mount.reset();
    return exitCode;
}

}  // namespace

LC_REGISTER_COMMAND(kCommand)

}  // namespace lc::cli
