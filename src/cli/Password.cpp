#include "cli/Password.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/File.h"
#include "platform/Text.h"

namespace lc::cli {

namespace {

// Longer lines are cut; a password has at most 259 UTF-16 units, far below this.
constexpr size_t kMaxLineBytes = 4096;

std::string_view FirstLine(std::string_view text) {
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return text;
}

Status ReadPasswordFile(const std::string& path, Password& out) {
    File file;
    LC_TRY(file.OpenRead(path));
    SecureVector<char> bytes(kMaxLineBytes);
    size_t total = 0;
    while (total < bytes.size()) {
        size_t got = 0;
        LC_TRY(file.ReadSome(std::span<uint8_t>(reinterpret_cast<uint8_t*>(bytes.data()) + total,
                                                bytes.size() - total),
                             got));
        if (got == 0) break;
        total += got;
        if (std::memchr(bytes.data(), '\n', total) != nullptr) break;
    }
    out = Utf8ToPassword(FirstLine(std::string_view(bytes.data(), total)));
    return status::kSuccess;
}

// Reads one line from the terminal with echo off; the echo setting is restored afterwards.
Status PromptOnTerminal(Password& out) {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return status::kCancelled;
    File tty = File::FromDescriptor(fd, true);

    termios saved{};
    bool restore = ::tcgetattr(fd, &saved) == 0;
    if (restore) {
        termios quiet = saved;
        // No echo; Ctrl-C arrives as a character so the echo setting is always restored.
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ISIG);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSANOW, &quiet);
    }
    static constexpr char kPrompt[] = "Password: ";
    IgnoreStatus(
        tty.WriteAll(std::span(reinterpret_cast<const uint8_t*>(kPrompt), sizeof kPrompt - 1)),
        "the password can be typed without its prompt");

    SecureVector<char> line(kMaxLineBytes);
    size_t length = 0;
    bool ended = false, interrupted = false;
    while (length < line.size()) {
        char c = 0;
        ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (c == '\n') {
            ended = true;
            break;
        }
        if (c == saved.c_cc[VINTR] && restore) {
            interrupted = true;
            break;
        }
        line[length++] = c;
        c = 0;
    }
    if (restore) ::tcsetattr(fd, TCSANOW, &saved);
    // Ctrl-C, or Ctrl-D before any line end, counts as giving up.
    if (interrupted || (!ended && length == 0)) {
        IgnoreStatus(tty.WriteAll(std::span(reinterpret_cast<const uint8_t*>("\n"), 1)),
                     "only the terminal's line end");
        return status::kCancelled;
    }
    out = Utf8ToPassword(FirstLine(std::string_view(line.data(), length)));
    return status::kSuccess;
}

}  // namespace

bool PasswordGivenWithoutPrompt(const std::string& passwordFile) {
    return !passwordFile.empty() || std::getenv(kPasswordVariable) != nullptr;
}

Status ObtainPassword(const std::string& passwordFile, PasswordPrompt prompt, Password& out) {
    out.clear();
    if (!passwordFile.empty()) return ReadPasswordFile(passwordFile, out);
    if (const char* fromEnvironment = std::getenv(kPasswordVariable)) {
        out = Utf8ToPassword(fromEnvironment);
        return status::kSuccess;
    }
    if (prompt == PasswordPrompt::Never) return status::kCancelled;
    return PromptOnTerminal(out);
}

}  // namespace lc::cli
