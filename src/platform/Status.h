// 32-bit status codes: 0 is success, Windows system error codes pass through unchanged and the
// reader's own codes live at 0xF0000000 and above. No exceptions cross a module boundary.
//
// Status is [[nodiscard]] and no integer: a status is handled, passed on (LC_TRY, LC_TRY_ASSIGN)
// or dropped through IgnoreStatus with the reason. The number itself is only read where it is
// shown to the user or mapped to another code table (code()).
//
// Running out of memory: an allocation whose size comes from image data or from a file goes
// through CheckedResize or CheckedAllocation (platform/Memory.h) and fails with
// status::kNotEnoughMemory; every other allocation is ordinary C++, and its failure ends the
// program.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <type_traits>
#include <utility>

namespace lc {

class [[nodiscard]] Status {
public:
    constexpr Status() = default;  // success
    constexpr explicit Status(uint32_t code) : m_code(code) {}

    constexpr uint32_t code() const { return m_code; }
    constexpr bool ok() const { return m_code == 0; }
    friend constexpr bool operator==(Status, Status) = default;

private:
    uint32_t m_code = 0;
};

static_assert(sizeof(Status) == sizeof(uint32_t) && std::is_trivially_copyable_v<Status>);

// Writes the code as 0x%08X (test failure messages and logs).
std::ostream& operator<<(std::ostream& out, Status status);

// Drops a status on purpose; the reason says why nothing is lost.
constexpr void IgnoreStatus(Status, const char* /*reason*/) {}

namespace status {
inline constexpr Status kSuccess{0};
inline constexpr Status kInvalidFunction{1};  // also: no supported file system in sector 0
inline constexpr Status kFileNotFound{2};
inline constexpr Status kPathNotFound{3};
inline constexpr Status kAccessDenied{5};
inline constexpr Status kInvalidHandle{6};
inline constexpr Status kNotEnoughMemory{8};
inline constexpr Status kOutOfMemory{14};
inline constexpr Status kTooManyOpenFiles{4};
inline constexpr Status kNotSameDevice{17};
inline constexpr Status kCrc{23};  // header checksum mismatch
inline constexpr Status kSeek{25};
inline constexpr Status kGenFailure{31};
inline constexpr Status kSharingViolation{32};
inline constexpr Status kLockViolation{33};
inline constexpr Status kHandleEof{38};  // short read or write without a system error
inline constexpr Status kNotSupported{50};
inline constexpr Status kFileExists{80};
inline constexpr Status kInvalidParameter{87};
inline constexpr Status kInvalidPassword{86};
inline constexpr Status kBufferOverflow{111};
inline constexpr Status kDiskFull{112};
inline constexpr Status kNegativeSeek{131};
inline constexpr Status kDirNotEmpty{145};
inline constexpr Status kAlreadyExists{183};
inline constexpr Status kFilenameTooLong{206};
inline constexpr Status kLocked{212};  // the volume file cannot be opened for the header check
inline constexpr Status kFileTooLarge{223};
inline constexpr Status kMoreData{234};
inline constexpr Status kDirectoryName{267};
inline constexpr Status kIoDevice{1117};
inline constexpr Status kCancelled{1223};
inline constexpr Status kFileCorrupt{1392};
inline constexpr Status kCantResolveFilename{1921};

inline constexpr Status kErrNoKeyBlock{0xF0000004};
inline constexpr Status kErrKeyDerivation{0xF0000008};
inline constexpr Status kErrVersionTooOld{0xF0000024};
inline constexpr Status kErrNotVolume{0xF0000044};
inline constexpr Status kErrVersionTooNew{0xF0000047};
// The temporary root is a link, not a folder or not the user's: nothing may be written there.
inline constexpr Status kErrUnsafeTempFolder{0xF0000050};
}  // namespace status

// A value or the status that explains why there is none.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    // A failure status (never success) converts, so LC_TRY works in functions returning Result.
    Result(Status failure)  // NOLINT(google-explicit-constructor)
        requires(!std::is_same_v<T, Status>)
        : m_status(failure) {}
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

// LC_TRY(expr): returns the status of expr from the enclosing function (returning Status or a
// Result) when it is not success.
#define LC_TRY(expr)                                                                           \
    do {                                                                                       \
        if (::lc::Status lc_try_status_ = (expr); !lc_try_status_.ok()) return lc_try_status_; \
    } while (0)

// LC_TRY_ASSIGN(lhs, expr): expr is a Result<T>; on failure its status is returned from the
// enclosing function, otherwise its value is moved into lhs, which either declares a variable
// (`LC_TRY_ASSIGN(auto size, ReadSize())`) or names an existing one
// (`LC_TRY_ASSIGN(m_size, ReadSize())`). One statement, not usable as the body of an unbraced if.
#define LC_TRY_ASSIGN(lhs, expr) \
    LC_TRY_ASSIGN_IMPL_(LC_TRY_CONCAT_(lc_try_result_, __LINE__), lhs, expr)
#define LC_TRY_CONCAT_(a, b) LC_TRY_CONCAT2_(a, b)
#define LC_TRY_CONCAT2_(a, b) a##b
#define LC_TRY_ASSIGN_IMPL_(tmp, lhs, expr) \
    auto tmp = (expr);                      \
    if (!tmp.ok()) return tmp.status();     \
    lhs = std::move(tmp).value()
