#include "support/TempFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/ErrorCodes.h"
#include "platform/FileNameCodec.h"
#include "platform/PrivateFolder.h"
#include "platform/Text.h"
#include "support/Dod.h"

namespace lc {

namespace {

// Folder depth and entries per folder: beyond these the tree is not ours to walk.
constexpr int kMaxDepth = 1024;
constexpr size_t kMaxEntries = 1000000;

// Names in listing order, without "." and "..". False when the folder cannot be listed.
// O_NOFOLLOW: a link standing for the folder is not listed through.
bool ListFolder(const std::string& path, std::vector<std::string>& names, size_t limit) {
    int fd =
        ::open(WithoutTrailingSlash(path).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    while (names.size() < limit) {
        errno = 0;
        dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    ::closedir(dir);
    return true;
}

Status DeleteFolderTreeAt(const std::string& path, int depth, WipeProgress* progress) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // A link is removed itself; what it points at is not ours.
        return ::unlink(path.c_str()) == 0 ? status::kSuccess : LastErrorStatus();
    }
    const std::string dir = path + "/";
    // Listed first, handled after: renaming entries while reading the folder could list them
    // again under their new names.
    std::vector<std::string> names;
    ListFolder(path, names, kMaxEntries);

    Status result = status::kSuccess;
    for (const auto& name : names) {
        const std::string entryPath = dir + name;
        struct stat est {};
        if (::lstat(entryPath.c_str(), &est) != 0) {
            result = errno == ENOENT ? status::kSuccess : LastErrorStatus();
        } else if (S_ISLNK(est.st_mode)) {
            result = ::unlink(entryPath.c_str()) == 0 ? status::kSuccess : LastErrorStatus();
        } else if (S_ISDIR(est.st_mode)) {
            result = depth < kMaxDepth ? DeleteFolderTreeAt(entryPath, depth + 1, progress)
                                       : status::kFilenameTooLong;
        } else {
            result = Dod::WipeFile(entryPath, progress);
        }
    }
    if (!names.empty() && result != status::kSuccess) return result;

    const std::string newName = Dod::RenameForDeletion(dir);
    if (::rmdir(newName.c_str()) == 0) return status::kSuccess;
    const int error = errno;
    if (error == ENOENT) return status::kSuccess;
    if (newName != path)
        ::renameat2(AT_FDCWD, newName.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    return StatusFromErrno(error);
}

// The volume folders this process uses, each held open with a shared lock: a folder that nobody
// holds so is left over from a process that no longer runs. Never destroyed: a window whose
// display goes away is cleaned up from inside exit(), after static objects may be gone.
std::map<std::string, int>& HeldFolders() {
    static auto* held = new std::map<std::string, int>;
    return *held;
}

// The descriptor still stands for the folder at path (no sweep removed it meanwhile).
bool StillThere(int fd, const std::string& path) {
    struct stat held {
    }, named{};
    return ::fstat(fd, &held) == 0 && held.st_nlink > 0 && ::lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

Status HoldFolder(const std::string& path) {
    auto& held = HeldFolders();
    if (auto it = held.find(path); it != held.end()) {
        if (StillThere(it->second, path)) return status::kSuccess;
        ::close(it->second);
        held.erase(it);
    }
    // A sweep by another process may remove the folder before the lock is taken; then it is
    // made again. Two such races in a row are not worth waiting for.
    constexpr int kTries = 3;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return LastErrorStatus();
        // Waits while a sweep holds the folder.
        if (::flock(fd, LOCK_SH) != 0) {
            const Status s = LastErrorStatus();
            ::close(fd);
            return s;
        }
        if (StillThere(fd, path)) {
            held[path] = fd;
            return status::kSuccess;
        }
        ::close(fd);
        LC_TRY(MakePrivateFolder(path, status::kErrUnsafeTempFolder));
    }
    return status::kSharingViolation;
}

void ReleaseFolder(const std::string& path) {
    auto& held = HeldFolders();
    auto it = held.find(path);
    if (it == held.end() || StillThere(it->second, path)) return;
    ::close(it->second);
    held.erase(it);
}

}  // namespace

Status GetTempRoot(std::string& root, bool create) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (IsAbsolutePath(runtimeDir)) {
        folder = WithoutTrailingSlash(runtimeDir) + "/LCPortable";
    } else {
        const char* tmp = std::getenv("TMPDIR");
        if (!IsAbsolutePath(tmp)) tmp = "/tmp";
        folder = WithoutTrailingSlash(tmp) + "/LCPortable-" + std::to_string(::geteuid());
        if (folder.front() == '/' && folder[1] == '/') folder.erase(0, 1);
    }
    root = folder + "/";

    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT) return LastErrorStatus();
        return create ? MakePrivateFolder(folder, status::kErrUnsafeTempFolder) : status::kSuccess;
    }
    return CheckPrivateFolder(folder, status::kErrUnsafeTempFolder);
}

std::string VolumeFolderName(std::u16string_view volumeName) {
    return EncodeFileName(volumeName);
}

Status GetVolumeTempFolder(std::u16string_view volumeName, std::string& folder, bool create) {
    std::string root;
    LC_TRY(GetTempRoot(root, create));
    const std::string path = root + VolumeFolderName(volumeName);
    folder = path + "/";
    if (!create) return status::kSuccess;
    LC_TRY(MakePrivateFolder(path, status::kErrUnsafeTempFolder));
    return HoldFolder(path);
}

Status SweepOrphanedTempFolders() {
    std::string root;
    LC_TRY(GetTempRoot(root, false));
    std::vector<std::string> names;
    if (!ListFolder(root, names, kMaxEntries)) return status::kSuccess;
    Status result = status::kSuccess;
    for (const auto& name : names) {
        const std::string path = root + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;  // not a folder: not a volume's, left alone
        // Held by a running process (this one included): in use.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            const Status s = DeleteFolderTree(path);
            if (s != status::kSuccess) result = s;
        }
        ::close(fd);
    }
    if (IsFolderEmpty(root) && ::rmdir(WithoutTrailingSlash(root).c_str()) != 0 && errno != ENOENT)
        result = LastErrorStatus();
    return result;
}

Status CleanupVolumeTemp(std::u16string_view volumeName, std::u16string_view label, bool showStatus,
                         CleanupStatusSink* sink) {
    const bool report = showStatus && sink != nullptr;
    if (report) sink->SetStatusText("Delete temporary files for volume " + Utf16ToUtf8(label));

    std::string root;
    Status result = GetTempRoot(root, false);
    if (result == status::kSuccess) {
        const std::string folder = root + VolumeFolderName(volumeName);
        result = DeleteFolderTree(folder, sink);
        ReleaseFolder(folder);
        if (result == status::kSuccess && IsFolderEmpty(root) &&
            ::rmdir(WithoutTrailingSlash(root).c_str()) != 0)
            result = LastErrorStatus();
    }

    if (report) sink->SetStatusText(std::string());
    return result;
}

Status DeleteFolderTree(const std::string& path, WipeProgress* progress) {
    return DeleteFolderTreeAt(path, 0, progress);
}

bool IsFolderEmpty(const std::string& path) {
    std::vector<std::string> names;
    if (!ListFolder(path, names, 1)) return false;
    return names.empty();
}

}  // namespace lc
