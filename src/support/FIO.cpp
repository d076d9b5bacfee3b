#include "support/FIO.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/ErrorCodes.h"
#include "support/SupportStatus.h"

namespace lc {

namespace {

// Positions an append-mode handle at the end, or over a trailing 0x1A end-of-file mark.
Status PositionForAppend(FioHandle handle) {
    uint64_t end = 0;
    LC_TRY(FIO_Seek(handle, 0, 2, &end));
    if (end == 0) return status::kSuccess;
    if (FIO_Seek(handle, -1, 2, nullptr) != status::kSuccess) return status::kSuccess;
    uint8_t last = 0;
    uint32_t got = 0;
    LC_TRY(FIO_ReadBin(handle, &last, 1, 1, &got));
    if (got == 1 && last == 0x1A) return FIO_Seek(handle, -1, 2, nullptr);
    // The read left the position at the end (or, on a short read, where it was).
    return FIO_Seek(handle, 0, 2, nullptr);
}

}  // namespace

Status FIO_Open(const char* name, FioHandle* handle, uint32_t mode, uint32_t share) {
    if (handle == nullptr) return support::kIllegalArgument;
    *handle = kFioInvalidHandle;
    // No OEM/ANSI code pages here: the name is used unconverted, but must fit a path.
    if (name == nullptr || name[0] == '\0' || std::strlen(name) >= PATH_MAX)
        return support::kIllegalArgument;

    int flags = O_RDWR | O_CLOEXEC;
    if (mode == kFioOpenAppend) {
        // existing files only
    } else if (mode == kFioCreateNew) {
        struct stat st {};
        if (::lstat(name, &st) == 0) return support::kFileExists;
        flags |= O_CREAT | O_EXCL;
    } else {
        return support::kIllegalArgument;
    }

    int fd;
    do {
        fd = ::open(name, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return LastErrorStatus();

    // Deny-write sharing: writers that also ask for it (other log writers) are kept out.
    if ((share & kFioShareDenyWrite) != 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return status::kSharingViolation;
    }
    *handle = fd;
    if (mode == kFioOpenAppend) {
        Status s = PositionForAppend(fd);
        if (s != status::kSuccess) {
            ::close(fd);
            *handle = kFioInvalidHandle;
            return s;
        }
    }
    return status::kSuccess;
}

Status FIO_Close(FioHandle handle) {
    if (handle < 0) return status::kInvalidHandle;
    if (::close(handle) != 0) return LastErrorStatus();
    return status::kSuccess;
}

Status FIO_WriteBin(FioHandle handle, const void* buffer, uint32_t length, uint32_t* written) {
    if (written != nullptr) *written = 0;
    if (buffer == nullptr && length != 0) return support::kIllegalArgument;
    const auto* p = static_cast<const uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < length) {
        ssize_t n = ::write(handle, p + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return LastErrorStatus();
        if (n == 0) return status::kHandleEof;
        done += static_cast<uint32_t>(n);
        if (written != nullptr) *written = done;
    }
    return status::kSuccess;
}

Status FIO_ReadBin(FioHandle handle, void* buffer, uint32_t bufferSize, uint32_t length,
                   uint32_t* read) {
    if (read != nullptr) *read = 0;
    uint32_t want = bufferSize < length ? bufferSize : length;
    if (buffer == nullptr && want != 0) return support::kIllegalArgument;
    auto* p = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < want) {
        ssize_t n = ::read(handle, p + done, want - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return LastErrorStatus();
        if (n == 0) break;
        done += static_cast<uint32_t>(n);
    }
    if (read != nullptr) *read = done;
    return status::kSuccess;
}

Status FIO_Seek(FioHandle handle, int32_t offset, uint32_t origin, uint64_t* position) {
    int whence;
    switch (origin) {
        case 0:
            whence = SEEK_SET;
            break;
        case 1:
            whence = SEEK_CUR;
            break;
        case 2:
            whence = SEEK_END;
            break;
        default:
            return support::kIllegalArgument;
    }
    off_t pos = ::lseek(handle, static_cast<off_t>(offset), whence);
    if (pos < 0) return errno == EINVAL ? status::kNegativeSeek : LastErrorStatus();
    if (position != nullptr) *position = static_cast<uint64_t>(pos);
    return status::kSuccess;
}

}  // namespace lc
