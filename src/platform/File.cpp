#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ErrorCodes.h"

namespace lc {

namespace {

// Repeats a partial read or write until size bytes have moved. A call that moves nothing (the end
// of the file) gives 38.
template <class Step>
Status TransferAll(size_t size, Step step) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = step(done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastErrorStatus();
        }
        if (n == 0) return status::kHandleEof;
        done += static_cast<size_t>(n);
    }
    return status::kSuccess;
}

}  // namespace

File::File(File&& other) noexcept : m_fd(other.m_fd), m_owned(other.m_owned) {
    other.m_fd = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_owned = other.m_owned;
        other.m_fd = -1;
    }
    return *this;
}

File::~File() {
    Close();
}

File File::FromDescriptor(int fd, bool owned) {
    File f;
    f.m_fd = fd;
    f.m_owned = owned;
    return f;
}

void File::Close() {
    if (m_fd >= 0 && m_owned) ::close(m_fd);
    m_fd = -1;
    m_owned = true;
}

Status File::OpenFlags(const std::string& path, int flags, unsigned mode) {
    Close();
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return LastErrorStatus();
    m_fd = fd;
    m_owned = true;
    return status::kSuccess;
}

Status File::OpenRead(const std::string& path) {
    LC_TRY(OpenFlags(path, O_RDONLY));
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        Close();
        return status::kAccessDenied;
    }
    return status::kSuccess;
}

Status File::CreateReplace(const std::string& path, unsigned mode) {
    // A link (or anything but a plain file) at the path is removed rather than written through.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        if (::unlink(path.c_str()) != 0) return LastErrorStatus();
    }
    return OpenFlags(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, mode);
}

Status File::ReadExact(std::span<uint8_t> buffer) {
    return TransferAll(buffer.size(), [&](size_t done) {
        return ::read(m_fd, buffer.data() + done, buffer.size() - done);
    });
}

Status File::ReadExactAt(uint64_t offset, std::span<uint8_t> buffer) {
    return TransferAll(buffer.size(), [&](size_t done) {
        return ::pread(m_fd, buffer.data() + done, buffer.size() - done,
                       static_cast<off_t>(offset + done));
    });
}

Status File::ReadSome(std::span<uint8_t> buffer, size_t& got) {
    got = 0;
    for (;;) {
        ssize_t n = ::read(m_fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return LastErrorStatus();
        got = static_cast<size_t>(n);
        return status::kSuccess;
    }
}

Status File::WriteAll(std::span<const uint8_t> data) {
    return TransferAll(data.size(), [&](size_t done) {
        return ::write(m_fd, data.data() + done, data.size() - done);
    });
}

Status File::Seek(int64_t offset, int whence, uint64_t* newPosition) {
    off_t pos = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (pos < 0) return LastErrorStatus();
    if (newPosition != nullptr) *newPosition = static_cast<uint64_t>(pos);
    return status::kSuccess;
}

Status File::Size(uint64_t& size) const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return LastErrorStatus();
    size = static_cast<uint64_t>(st.st_size);
    return status::kSuccess;
}

Status File::Truncate(uint64_t size) {
    if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) return LastErrorStatus();
    return status::kSuccess;
}

Status File::Sync() {
    if (::fsync(m_fd) != 0) return LastErrorStatus();
    return status::kSuccess;
}

Status File::SetModifiedTime(const timespec& when) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = when;
    if (::futimens(m_fd, times) != 0) return LastErrorStatus();
    return status::kSuccess;
}

}  // namespace lc
