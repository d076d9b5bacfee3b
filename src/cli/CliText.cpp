#include "cli/CliText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "resources/ErrorText.h"
#include "volume/LCHeader.h"

namespace lc::cli {

namespace {

// The codes that stand for an errno value, for strerror's words.
struct ErrnoCode {
    Status code;
    int error;
};
constexpr ErrnoCode kErrnoCodes[] = {
    {status::kFileNotFound, ENOENT},
    {status::kPathNotFound, ENOTDIR},
    {status::kAccessDenied, EACCES},
    {status::kInvalidHandle, EBADF},
    {status::kNotEnoughMemory, ENOMEM},
    {status::kOutOfMemory, ENOMEM},
    {status::kDiskFull, ENOSPC},
    {status::kAlreadyExists, EEXIST},
    {status::kFileExists, EEXIST},
    {status::kFilenameTooLong, ENAMETOOLONG},
    {status::kIoDevice, EIO},
    {status::kDirNotEmpty, ENOTEMPTY},
    {status::kSharingViolation, EBUSY},
    {status::kCantResolveFilename, ELOOP},
    {status::kTooManyOpenFiles, EMFILE},
    {status::kFileTooLarge, EFBIG},
    {status::kNotSameDevice, EXDEV},
    {status::kSeek, ESPIPE},
    {status::kInvalidParameter, EINVAL},
};

// The reader's own codes and the Windows codes without an errno counterpart.
struct Words {
    Status code;
    const char* text;
};
constexpr Words kWords[] = {
    {status::kInvalidPassword, "wrong password"},
    {status::kErrNotVolume, "not a volume file"},
    {status::kErrNoKeyBlock, "no password is defined for this volume"},
    {status::kErrKeyDerivation, "the key could not be derived"},
    {status::kErrVersionTooOld, "volume format is older than this reader supports"},
    {status::kErrVersionTooNew, "volume format is newer than this reader"},
    {status::kErrUnsafeTempFolder,
     "the temporary folder is not safe (a link, or not a folder of this user)"},
    {status::kInvalidFunction, "unsupported file system (not FAT12/16/32 or NTFS)"},
    {status::kCrc, "header checksum mismatch"},
    {status::kLocked, "cannot open the volume file"},
    {status::kHandleEof, "unexpected end of file"},
    {status::kFileCorrupt, "damaged file system data"},
    {status::kNotSupported, "not supported"},
    {status::kCancelled, "cancelled"},
    {status::kGenFailure, "input/output error"},
    {status::kBufferOverflow, "name too long"},
};

std::string WithCode(const std::string& text, Status code) {
    return text + " (" + StatusCodeText(code) + ")";
}

// Length of the valid UTF-8 sequence at text[i], or 0.
size_t ValidSequence(std::string_view text, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) return 1;
    size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (length == 0 || c > 0xF4 || i + length > text.size()) return 0;
    uint32_t cp = c & (0x3F >> (length - 1));
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (next & 0x3F);
    }
    if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    return length;
}

// C0 and C1 controls and DEL: what a terminal would act on.
bool IsControl(std::string_view text, size_t i, size_t length) {
    const auto c = static_cast<unsigned char>(text[i]);
    return (length == 1 && (c < 0x20 || c == 0x7F)) ||
           (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0);
}

bool NeedsEscape(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = ValidSequence(text, i);
        if (length == 0 || IsControl(text, i, length)) return true;
        i += length;
    }
    return false;
}

}  // namespace

std::string ReasonText(Status code) {
    for (const auto& e : kErrnoCodes)
        if (e.code == code) return WithCode(std::strerror(e.error), code);
    for (const auto& w : kWords)
        if (w.code == code) return WithCode(w.text, code);
    // Anything else in the system's words, without the final full stop.
    std::string text = FormatSystemError(code, Language::English);
    if (!text.empty() && text.back() == '.') text.pop_back();
    return WithCode(text, code);
}

std::string VolumeReasonText(const std::string& path, Status code) {
    if (code != status::kLocked && code != status::kErrNotVolume &&
        code != status::kErrVersionTooNew && code != status::kErrVersionTooOld)
        return ReasonText(code);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno) + std::string(" (") + StatusCodeText(code) + ")";
    struct stat st {};
    uint8_t head[LCHeader::kVersionOffset + 4] = {};
    const bool isFolder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    const ssize_t got = isFolder ? 0 : ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    if (isFolder) return WithCode(std::strerror(EISDIR), code);
    if (code == status::kErrNotVolume) {
        // The magic is all a short file can show: a cut-off volume, or something else.
        static constexpr char kMagic[] = "Lockchamber Virtual Disk\x1a";
        const bool magic = got >= static_cast<ssize_t>(LCHeader::kMagicLength) &&
                           std::memcmp(head, kMagic, LCHeader::kMagicLength) == 0;
        const bool shortFile =
            S_ISREG(st.st_mode) && st.st_size < static_cast<off_t>(LCHeader::kSize);
        return WithCode(magic && shortFile ? "volume file too short" : "not a volume file", code);
    }
    if (code == status::kLocked || got < static_cast<ssize_t>(sizeof head)) return ReasonText(code);
    const int32_t version = static_cast<int32_t>(
        static_cast<uint32_t>(head[40]) | static_cast<uint32_t>(head[41]) << 8 |
        static_cast<uint32_t>(head[42]) << 16 | static_cast<uint32_t>(head[43]) << 24);
    const std::string text =
        code == status::kErrVersionTooNew
            ? "volume format " + std::to_string(version) + " is newer than this reader (" +
                  std::to_string(LCHeader::kMaxVersion) + ")"
            : "volume format " + std::to_string(version) + " is older than this reader supports (" +
                  std::to_string(LCHeader::kMinVersion) + ")";
    return WithCode(text, code);
}

void PrintError(std::string_view subject, const std::string& reason) {
    std::fprintf(stderr, "lcportable-cli: %s: %s\n", EscapeForStream(subject, stderr).c_str(),
                 reason.c_str());
}

void PrintError(const std::string& reason) {
    std::fprintf(stderr, "lcportable-cli: %s\n", reason.c_str());
}

std::string ShellEscape(std::string_view text) {
    if (!NeedsEscape(text)) return std::string(text);
    std::string out;
    bool quoted = false;
    auto quote = [&](bool on) {
        if (quoted != on) out += '\'';
        quoted = on;
    };
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = ValidSequence(text, i);
        if (length != 0 && !IsControl(text, i, length)) {
            if (c == '\'') {
                quote(false);
                out += "\\'";
            } else {
                quote(true);
                out.append(text.substr(i, length));
            }
            i += length;
            continue;
        }
        quote(false);
        const size_t bad = length == 0 ? 1 : length;
        out += "$'";
        for (size_t k = 0; k < bad; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            switch (b) {
                case '\n':
                    out += "\\n";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case 0x1B:
                    out += "\\E";
                    break;
                default: {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\%03o", b);
                    out += hex;
                }
            }
        }
        out += '\'';
        i += bad;
    }
    quote(false);
    return out;
}

std::string EscapeForStream(std::string_view text, FILE* stream) {
    return ::isatty(::fileno(stream)) == 1 ? ShellEscape(text) : std::string(text);
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = ValidSequence(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
}

std::string VolumeOpenPath(const std::string& argument, std::string& reason) {
    reason.clear();
    if (argument != kStdinVolume) return argument;
    // The readers seek: a pipe will not do, a redirected file will (opened again by its /proc
    // name, so it gets its own file position).
    if (::lseek(STDIN_FILENO, 0, SEEK_CUR) < 0) {
        reason = errno == ESPIPE ? "standard input is not seekable (redirect a file: < VOLUME)"
                                 : std::strerror(errno);
        return {};
    }
    return "/proc/self/fd/0";
}

}  // namespace lc::cli
