// 32-bit status codes: 0 is success, Windows system error codes pass through unchanged and the
// reader's own codes live at 0xF0000000 and above. No exceptions cross a module boundary.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

namespace lc {

using Status = uint32_t;

namespace status {
inline constexpr Status kSuccess = 0;
inline constexpr Status kInvalidFunction = 1;  // also: no supported file system in sector 0
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kPathNotFound = 3;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidHandle = 6;
inline constexpr Status kNotEnoughMemory = 8;
inline constexpr Status kOutOfMemory = 14;
inline constexpr Status kTooManyOpenFiles = 4;
inline constexpr Status kNotSameDevice = 17;
inline constexpr Status kCrc = 23;  // header checksum mismatch
inline constexpr Status kSeek = 25;
inline constexpr Status kGenFailure = 31;
inline constexpr Status kSharingViolation = 32;
inline constexpr Status kLockViolation = 33;
inline constexpr Status kHandleEof = 38;  // short read or write without a system error
inline constexpr Status kNotSupported = 50;
inline constexpr Status kFileExists = 80;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kInvalidPassword = 86;
inline constexpr Status kBufferOverflow = 111;
inline constexpr Status kDiskFull = 112;
inline constexpr Status kNegativeSeek = 131;
inline constexpr Status kDirNotEmpty = 145;
inline constexpr Status kAlreadyExists = 183;
inline constexpr Status kFilenameTooLong = 206;
inline constexpr Status kLocked = 212;  // the volume file cannot be opened for the header check
inline constexpr Status kFileTooLarge = 223;
inline constexpr Status kMoreData = 234;
inline constexpr Status kDirectoryName = 267;
inline constexpr Status kIoDevice = 1117;
inline constexpr Status kCancelled = 1223;
inline constexpr Status kFileCorrupt = 1392;
inline constexpr Status kCantResolveFilename = 1921;

inline constexpr Status kErrNoKeyBlock = 0xF0000004;
inline constexpr Status kErrKeyDerivation = 0xF0000008;
inline constexpr Status kErrVersionTooOld = 0xF0000024;
inline constexpr Status kErrNotVolume = 0xF0000044;
inline constexpr Status kErrVersionTooNew = 0xF0000047;
// The temporary root is a link, not a folder or not the user's: nothing may be written there.
inline constexpr Status kErrUnsafeTempFolder = 0xF0000050;
}  // namespace status

// A value or the status that explains why there is none.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    static Result Failure(Status code) { return Result(code, 0); }

    bool ok() const { return m_status == status::kSuccess; }
    explicit operator bool() const { return ok(); }
    Status status() const { return m_status; }
    T& value() & { return *m_value; }
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    T& operator*() & { return *m_value; }
    const T& operator*() const& { return *m_value; }

private:
    Result(Status code, int) : m_status(code) {}
    Status m_status = status::kSuccess;
    std::optional<T> m_value;
};

}  // namespace lc

// Returns the status of an expression from the enclosing function when it is not success.
#define LC_TRY(expr)                                              \
    do {                                                          \
        if (::lc::Status lc_try_status_ = (expr); lc_try_status_) \
            return lc_try_status_;                                \
    } while (0)
