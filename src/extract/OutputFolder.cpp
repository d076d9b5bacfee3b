#include "extract/OutputFolder.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/ErrorCodes.h"

namespace lc {

namespace {

// The file in the making, for RemovePendingOutputFile: the name is written before the folder
// descriptor is published, and the descriptor withdrawn before the name changes.
std::atomic<int> g_pendingFolder{-1};
char g_pendingName[64];

// Temporary names tried before giving up on a folder where they are all taken.
constexpr int kMaxTempNameTries = 100;

mode_t FinalMode() {
    // Read once: umask can only be read by setting it.
    static const mode_t mode = [] {
        const mode_t mask = ::umask(077);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

int OpenFolderAt(int parent, const char* name, int extraFlags) {
    int fd;
    do {
        fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | extraFlags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A link, a file or anything else standing where a folder should be.
Status FolderOpenError(int error) {
    return error == ENOTDIR || error == ELOOP ? status::kFileExists : StatusFromErrno(error);
}

// Every missing level of path, from the top down; the loop is bounded by the path's length.
Status CreateLevels(const std::string& path) {
    size_t pos = 0;
    for (;;) {
        pos = path.find('/', pos + 1);
        const std::string level = path.substr(0, pos);
        if (!level.empty() && ::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST)
            return LastErrorStatus();
        if (pos == std::string::npos) return status::kSuccess;
    }
}

}  // namespace

OutputFolder::OutputFolder(OutputFolder&& other) noexcept
    : m_fd(other.m_fd), m_fresh(other.m_fresh), m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

OutputFolder& OutputFolder::operator=(OutputFolder&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.m_fd;
        m_fresh = other.m_fresh;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

OutputFolder::~OutputFolder() {
    if (m_fd >= 0) ::close(m_fd);
}

Status OutputFolder::OpenTarget(const std::string& path, bool create, OutputFolder& out) {
    if (path.empty()) return status::kPathNotFound;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    bool fresh = false;
    if (create) {
        if (::mkdir(trimmed.c_str(), 0777) == 0) {
            fresh = true;
        } else if (errno == ENOENT) {
            LC_TRY(CreateLevels(trimmed));
        } else if (errno != EEXIST) {
            return LastErrorStatus();
        }
    }
    const int fd = OpenFolderAt(AT_FDCWD, trimmed.c_str(), 0);
    if (fd < 0) return FolderOpenError(errno);
    out = OutputFolder();
    out.m_fd = fd;
    out.m_fresh = fresh;
    out.m_path = std::move(trimmed);
    return status::kSuccess;
}

Status OutputFolder::OpenSubfolder(const std::string& name, OutputFolder& out) const {
    bool fresh = true;
    if (::mkdirat(m_fd, name.c_str(), 0777) != 0) {
        if (errno != EEXIST) return LastErrorStatus();
        fresh = false;
    }
    const int fd = OpenFolderAt(m_fd, name.c_str(), O_NOFOLLOW);
    if (fd < 0) return FolderOpenError(errno);
    out = OutputFolder();
    out.m_fd = fd;
    out.m_fresh = fresh;
    out.m_path = PathOf(name);
    return status::kSuccess;
}

std::string OutputFolder::PathOf(const std::string& name) const {
    if (m_path.empty() || m_path.back() == '/') return m_path + name;
    return m_path + '/' + name;
}

bool OutputFolder::Exists(const std::string& name) const {
    struct stat st {};
    return ::fstatat(m_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

Status OutputFile::Create(const OutputFolder& folder) {
    Discard();
    static unsigned counter = 0;
    // Names another process (or a planted file) took are passed over by O_EXCL; the salt only
    // makes that rare.
    static const unsigned salt = [] {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<unsigned>(now.tv_nsec) ^ static_cast<unsigned>(::getpid());
    }();
    for (int attempt = 0; attempt < kMaxTempNameTries; ++attempt) {
        char name[sizeof g_pendingName];
        std::snprintf(name, sizeof name, ".lcpart-%08x%04x", salt, ++counter & 0xFFFF);
        // Published before the file exists: a signal between the two finds nothing to remove.
        g_pendingFolder.store(-1);
        std::memcpy(g_pendingName, name, sizeof name);
        g_pendingFolder.store(folder.descriptor());
        int fd;
        do {
            fd = ::openat(folder.descriptor(), name,
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            m_file = File::FromDescriptor(fd, true);
            m_folder = folder.descriptor();
            m_tempName = name;
            m_prepared = false;
            return status::kSuccess;
        }
        const int error = errno;
        g_pendingFolder.store(-1);
        if (error != EEXIST) return StatusFromErrno(error);
    }
    return status::kFileExists;
}

Status OutputFile::Finish(const std::string& name, std::optional<time_t> modified, bool replace) {
    if (m_tempName.empty()) return status::kInvalidHandle;
    const int fd = m_file.descriptor();
    if (!m_prepared) {
        if (FinalMode() != 0600 && ::fchmod(fd, FinalMode()) != 0) {
            const Status s = LastErrorStatus();
            Discard();
            return s;
        }
        // A time that cannot be set leaves the time of writing; that is not an error.
        if (modified) {
            const timespec times[2] = {{0, UTIME_OMIT}, {*modified, 0}};
            (void)::futimens(fd, times);
        }
        m_prepared = true;
    }
    int rc;
    if (replace) {
        rc = ::renameat(m_folder, m_tempName.c_str(), m_folder, name.c_str());
    } else {
        rc = ::renameat2(m_folder, m_tempName.c_str(), m_folder, name.c_str(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // File systems without RENAME_NOREPLACE: a new link refuses a taken name too.
            rc = ::linkat(m_folder, m_tempName.c_str(), m_folder, name.c_str(), 0);
            if (rc == 0) ::unlinkat(m_folder, m_tempName.c_str(), 0);
        }
    }
    if (rc != 0) {
        const int error = errno;
        if (!replace && error == EEXIST) return status::kAlreadyExists;
        Discard();
        return StatusFromErrno(error);
    }
    g_pendingFolder.store(-1);
    m_tempName.clear();
    m_file.Close();
    return status::kSuccess;
}

void OutputFile::Discard() {
    if (m_tempName.empty()) return;
    g_pendingFolder.store(-1);
    m_file.Close();
    ::unlinkat(m_folder, m_tempName.c_str(), 0);
    m_tempName.clear();
}

void RemovePendingOutputFile() noexcept {
    const int folder = g_pendingFolder.exchange(-1);
    if (folder >= 0) ::unlinkat(folder, g_pendingName, 0);
}

}  // namespace lc
