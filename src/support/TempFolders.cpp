#include "support/TempFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/ErrorCodes.h"
#include "platform/FileNameCodec.h"
#include "platform/Text.h"
#include "support/Dod.h"

namespace lc {

namespace {

// Folder depth and entries per folder: beyond these the tree is not ours to walk.
constexpr int kMaxDepth = 1024;
constexpr size_t kMaxEntries = 1000000;

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool IsAbsolute(const char* value) {
    return value != nullptr && value[0] == '/';
}

// Checks an existing folder that only the user may control; tightens its mode to 0700.
Status CheckPrivateFolder(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return LastErrorStatus();
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return status::kErrUnsafeTempFolder;
    if ((st.st_mode & 077) != 0 &&
        ::fchmodat(AT_FDCWD, path.c_str(), 0700, AT_SYMLINK_NOFOLLOW) != 0)
        return LastErrorStatus();
    return status::kSuccess;
}

Status MakePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return LastErrorStatus();
    return CheckPrivateFolder(path);
}

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

Status DeleteFolderTreeAt(const std::string& path, int depth) {
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
            result = depth < kMaxDepth ? DeleteFolderTreeAt(entryPath, depth + 1)
                                       : status::kFilenameTooLong;
        } else {
            result = Dod::WipeFile(entryPath);
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

}  // namespace

Status GetTempRoot(std::string& root, bool create) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (IsAbsolute(runtimeDir)) {
        folder = WithoutTrailingSlash(runtimeDir) + "/LCPortable";
    } else {
        const char* tmp = std::getenv("TMPDIR");
        if (!IsAbsolute(tmp)) tmp = "/tmp";
        folder = WithoutTrailingSlash(tmp) + "/LCPortable-" + std::to_string(::geteuid());
        if (folder.front() == '/' && folder[1] == '/') folder.erase(0, 1);
    }
    root = folder + "/";

    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT) return LastErrorStatus();
        return create ? MakePrivateFolder(folder) : status::kSuccess;
    }
    return CheckPrivateFolder(folder);
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
    return MakePrivateFolder(path);
}

Status CleanupVolumeTemp(std::u16string_view volumeName, std::u16string_view label, bool showStatus,
                         CleanupStatusSink* sink) {
    const bool report = showStatus && sink != nullptr;
    if (report) sink->SetStatusText("Delete temporary files for volume " + Utf16ToUtf8(label));

    std::string root;
    Status result = GetTempRoot(root, false);
    if (result == status::kSuccess) {
        result = DeleteFolderTree(root + VolumeFolderName(volumeName));
        if (result == status::kSuccess && IsFolderEmpty(root) &&
            ::rmdir(WithoutTrailingSlash(root).c_str()) != 0)
            result = LastErrorStatus();
    }

    if (report) sink->SetStatusText(std::string());
    return result;
}

Status DeleteFolderTree(const std::string& path) {
    return DeleteFolderTreeAt(path, 0);
}

bool IsFolderEmpty(const std::string& path) {
    std::vector<std::string> names;
    if (!ListFolder(path, names, 1)) return false;
    return names.empty();
}

}  // namespace lc
