// An open file whose operations return Windows status codes (see ErrorCodes.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

#include "platform/Status.h"

namespace lc {

class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File();

    // Wraps a descriptor; an unowned one (stdout, say) is not closed.
    static File FromDescriptor(int fd, bool owned);

    // Opens an existing file for reading only.
    Status OpenRead(const std::string& path);
    // Creates a file for writing, replacing an existing one. Never follows a symbolic link that
    // stands at the path: the link itself is replaced. Mode bits as for open(2).
    Status CreateReplace(const std::string& path, unsigned mode = 0644);
    // Opens with raw open(2) flags; O_CLOEXEC is always added.
    Status OpenFlags(const std::string& path, int flags, unsigned mode = 0644);

    bool IsOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    void Close();

    // Reads exactly buffer.size() bytes at the current position; a short read without a system
    // error gives 38.
    Status ReadExact(std::span<uint8_t> buffer);
    // Reads exactly buffer.size() bytes at an offset, leaving the position alone.
    Status ReadExactAt(uint64_t offset, std::span<uint8_t> buffer);
    // Reads what is there, up to buffer.size() bytes.
    Status ReadSome(std::span<uint8_t> buffer, size_t& got);
    // Writes every byte (retrying partial writes); a write that makes no progress gives 38.
    Status WriteAll(std::span<const uint8_t> data);
    // whence as lseek(2); newPosition may be null.
    Status Seek(int64_t offset, int whence, uint64_t* newPosition = nullptr);
    Status Size(uint64_t& size) const;
    Status Truncate(uint64_t size);
    Status Sync();
    // Last-write time; the access time is left as it is.
    Status SetModifiedTime(const timespec& when);

private:
    int m_fd = -1;
    bool m_owned = true;
};

}  // namespace lc
