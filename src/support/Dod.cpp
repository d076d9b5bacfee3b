#include "support/Dod.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <span>

#include "platform/ByteReader.h"
#include "platform/ErrorCodes.h"
#include "platform/File.h"
#include "support/LRND.h"

namespace lc {

namespace {

constexpr uint64_t kMaxBufferTarget = 65536;

WipePassObserver* g_observer = nullptr;

// Adds or removes the owner's write access (the "normal" and "read-only" attributes). A
// symbolic link is never changed, nor what it points at.
bool SetWritable(const std::string& path, bool writable) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
    mode_t mode = st.st_mode & 07777;
    mode = writable ? (mode | S_IWUSR) : (mode & ~static_cast<mode_t>(0222));
    if (::fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) return true;
    // Without /proc the C library cannot refuse links itself; lstat above already did.
    if (errno == ENOTSUP || errno == EOPNOTSUPP) return ::chmod(path.c_str(), mode) == 0;
    return false;
}

// Moves without replacing anything, like MoveFile.
bool MoveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0 || errno != ENOENT) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// Every character (not byte) that is not a dot becomes the letter.
std::string MaskName(std::string_view name, char letter) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        auto b = static_cast<uint8_t>(c);
        if (c == '.')
            out.push_back('.');
        else if ((b & 0xC0) != 0x80)
            out.push_back(letter);
    }
    return out;
}

// Page-aligned, from the system's virtual memory; freed on destruction.
class PageBuffer {
public:
    explicit PageBuffer(size_t size) : m_size(size) {
        void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_data = p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
    }
    ~PageBuffer() {
        if (m_data != nullptr) ::munmap(m_data, m_size);
    }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    uint8_t* data() const { return m_data; }

private:
    uint8_t* m_data = nullptr;
    size_t m_size;
};

}  // namespace

Dod::Dod() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm utc{};
    gmtime_r(&ts.tv_sec, &utc);
    // The 16-byte SYSTEMTIME layout: year, month, day of week, day, hour, minute, second, ms.
    const uint16_t fields[8] = {
        static_cast<uint16_t>(utc.tm_year + 1900), static_cast<uint16_t>(utc.tm_mon + 1),
        static_cast<uint16_t>(utc.tm_wday),        static_cast<uint16_t>(utc.tm_mday),
        static_cast<uint16_t>(utc.tm_hour),        static_cast<uint16_t>(utc.tm_min),
        static_cast<uint16_t>(utc.tm_sec),         static_cast<uint16_t>(ts.tv_nsec / 1000000),
    };
    uint8_t seed[16];
    for (size_t i = 0; i < 8; ++i) StoreLe<uint16_t>(seed + 2 * i, fields[i]);
    IgnoreStatus(LRND_Init(seed, sizeof seed),
                 "an unseeded generator leaves the wipe its fixed patterns");
}

size_t Dod::WipeBufferSize(uint64_t size) {
    long pageSize = ::sysconf(_SC_PAGESIZE);
    auto page = static_cast<uint64_t>(pageSize > 0 ? pageSize : 4096);
    uint64_t target = size > kMaxBufferTarget ? kMaxBufferTarget : size;
    uint64_t result = page;
    while (result < target) result += page;
    return static_cast<size_t>(result);
}

void Dod::OverwritePass(const std::string& path, int64_t size, const uint8_t* buffer,
                        size_t bufferSize, WipeProgress* progress) {
    File file;
    // O_NONBLOCK keeps a FIFO from blocking the open; only plain files are written.
    if (file.OpenFlags(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK) != status::kSuccess) return;
    struct stat st {};
    // Data shared with another name is not ours to overwrite (a link planted after the check
    // of WipeFile included).
    if (::fstat(file.descriptor(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1) return;
    const int fd = file.descriptor();
    // Writes whole buffers from `from` until `to`; the last piece of the file's data is written
    // whole (as a pass always did), pieces before a hole only up to it. False on a failed write.
    auto overwrite = [&](int64_t from, int64_t to, bool last) {
        int64_t at = from;
        do {
            const size_t piece =
                last ? bufferSize : static_cast<size_t>(std::min<int64_t>(to - at, bufferSize));
            if (::lseek(fd, at, SEEK_SET) < 0 ||
                file.WriteAll(std::span<const uint8_t>(buffer, piece)) != status::kSuccess)
                return false;
            if (progress != nullptr) progress->Wiping();
            at += static_cast<int64_t>(piece);
        } while (at < to);
        return true;
    };
    // Only the data of a sparse file is overwritten: its holes hold nothing, and writing them
    // would allocate them. An empty file still gets one buffer.
    int64_t at = 0;
    const bool empty = size == 0;
    for (size_t extents = 0; size > 0 && at < size; ++extents) {
        const off_t start = ::lseek(fd, at, SEEK_DATA);
        if (start < 0 && errno == ENXIO) break;  // only a hole is left
        if (start < 0) {
            // No SEEK_DATA here: the whole file counts as data.
            overwrite(0, size, true);
            break;
        }
        off_t end = ::lseek(fd, start, SEEK_HOLE);
        if (end < 0 || end > size) end = static_cast<off_t>(size);
        if (!overwrite(start, end, end >= size)) break;
        // At least one byte further per extent; the file has at most `size` of them.
        at = std::max<int64_t>(end, start + 1);
    }
    if (empty) overwrite(0, 0, true);
    IgnoreStatus(file.Sync(), "the passes are written; a failed flush leaves nothing to redo");
}

Status Dod::WipeFile(const std::string& path, WipeProgress* progress) {
    {
        // A file with another name (a hard link) shares its data with a file that is not ours:
        // nothing is written, only this name goes.
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1)
            return ::unlink(path.c_str()) == 0 ? status::kSuccess : status::kFileNotFound;
    }
    Status code = status::kSuccess;
    uint64_t size = 0;
    {
        File file;
        if (file.OpenFlags(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK) == status::kSuccess) {
            Status s = file.Size(size);
            if (s != status::kSuccess) code = s;
        } else {
            // Unreadable (say mode 0200): take the size from the directory entry.
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                size = static_cast<uint64_t>(st.st_size);
        }
    }

    size_t bufferSize = 0;
    std::unique_ptr<PageBuffer> buffer;
    if (code == status::kSuccess) {
        bufferSize = WipeBufferSize(size);
        buffer = std::make_unique<PageBuffer>(bufferSize);
        if (buffer->data() == nullptr) code = status::kNotEnoughMemory;
    }

    if (!SetWritable(path, true)) {
        code = status::kInvalidFunction;
    } else if (code == status::kSuccess) {
        auto fileSize = static_cast<int64_t>(size);
        uint8_t r = 0;
        IgnoreStatus(LRND_Get(&r, 1), "without the generator the pattern starts from 0");
        std::memset(buffer->data(), r, bufferSize);
        OverwritePass(path, fileSize, buffer->data(), bufferSize, progress);
        if (g_observer != nullptr) g_observer->AfterPass(path, 1, bufferSize);
        std::memset(buffer->data(), r ^ 0xFF, bufferSize);
        OverwritePass(path, fileSize, buffer->data(), bufferSize, progress);
        if (g_observer != nullptr) g_observer->AfterPass(path, 2, bufferSize);
        IgnoreStatus(LRND_Get(buffer->data(), static_cast<uint32_t>(bufferSize)),
                     "without the generator the last pass repeats the second pattern");
        OverwritePass(path, fileSize, buffer->data(), bufferSize, progress);
        if (g_observer != nullptr) g_observer->AfterPass(path, 3, bufferSize);
    }
    buffer.reset();
    if (code != status::kSuccess) {
        SetWritable(path, false);
        return code;
    }

    std::string newPath = RenameForDeletion(path);
    if (::unlink(newPath.c_str()) != 0) code = status::kFileNotFound;
    if (code != status::kSuccess) SetWritable(path, false);
    return code;
}

std::string Dod::RenameForDeletion(const std::string& path) {
    std::string current = path;
    size_t slash = current.rfind('/');
    if (slash != std::string::npos && slash + 1 == current.size()) {
        current.pop_back();
        slash = current.rfind('/');
    }
    if (slash == std::string::npos) return current;

    const std::string parent = current.substr(0, slash + 1);
    for (char letter : {'A', 'B', 'C'}) {
        std::string candidate =
            parent + MaskName(std::string_view(current).substr(slash + 1), letter);
        // A name that is already all one letter needs no move.
        if (candidate != current && !MoveNoReplace(current, candidate)) break;
        current = std::move(candidate);
    }
    return current;
}

void Dod::SetPassObserverForTest(WipePassObserver* observer) {
    g_observer = observer;
}

}  // namespace lc
