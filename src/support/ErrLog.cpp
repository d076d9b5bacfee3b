#include "support/ErrLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/FIO.h"
#include "support/SupportStatus.h"

namespace lc {

namespace {

constexpr size_t kBufferSize = 512;
constexpr size_t kPieceWidth = 58;

uint8_t g_levelMask = 1;
int g_busy = 0;
bool g_fixedTimeSet = false;
std::tm g_fixedTime{};

std::tm LocalNow() {
    if (g_fixedTimeSet) return g_fixedTime;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void Write(FioHandle handle, const char* text, size_t length) {
    uint32_t written = 0;
    IgnoreStatus(FIO_WriteBin(handle, text, static_cast<uint32_t>(length), &written),
                 "a log line that cannot be written is lost, nothing else");
}

}  // namespace

Status ErrLogWrite(uint8_t level, const char* module, const char* function, int line, Status code,
                   const char* messageFormat, ...) {
    if (g_busy != 0) return support::kSuccess;
    g_busy = 1;

    if (const char* wider = std::getenv("ERRLVEL"); wider != nullptr) {
        long value = std::strtol(wider, nullptr, 10);
        g_levelMask =
            static_cast<uint8_t>(g_levelMask | (static_cast<unsigned long>(value) & 0xFF));
    }
    if ((level & g_levelMask) == 0) {
        g_busy = 0;
        return support::kSuccess;
    }
    const char* fileName = std::getenv("ERRLFILE");
    if (fileName == nullptr) {
        g_busy = 0;
        return support::kSuccess;
    }

    FioHandle handle = kFioInvalidHandle;
    if (FIO_Open(fileName, &handle, kFioOpenAppend, kFioShareDenyWrite) != status::kSuccess &&
        FIO_Open(fileName, &handle, kFioCreateNew, kFioShareDenyWrite) != status::kSuccess) {
        g_busy = 0;
        return support::kFileOpenFailed;
    }

    std::tm now = LocalNow();
    char header[kBufferSize];
    int n = std::snprintf(
        header, sizeof header, "%02d %02d-%02d %02d:%02d:%02d E: %08X L: %04d M: %s F: %s\r\n",
        level, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec, code.code(), line,
        module != nullptr ? module : "", function != nullptr ? function : "");
    size_t headerLength = n < 0 ? 0 : static_cast<size_t>(n);
    if (headerLength >= sizeof header) {
        // Very long names: cut the line but keep its end.
        headerLength = sizeof header - 1;
        header[headerLength - 2] = '\r';
        header[headerLength - 1] = '\n';
    }
    Write(handle, header, headerLength);

    char message[kBufferSize] = {};
    if (messageFormat != nullptr) {
        va_list args;
        va_start(args, messageFormat);
        std::vsnprintf(message, sizeof message, messageFormat, args);
        va_end(args);
    }
    size_t length = std::strlen(message);
    size_t offset = 0;
    do {
        size_t piece = length - offset < kPieceWidth ? length - offset : kPieceWidth;
        char boxed[kBufferSize];
        int m = std::snprintf(boxed, sizeof boxed, "                |%-58.*s|\r\n",
                              static_cast<int>(piece), message + offset);
        if (m > 0) Write(handle, boxed, static_cast<size_t>(m));
        offset += piece;
    } while (offset < length);

    IgnoreStatus(FIO_Close(handle), "the lines are written; nothing to undo");
    g_busy = 0;
    return support::kSuccess;
}

void ErrLogResetLevelMaskForTest() {
    g_levelMask = 1;
}

void ErrLogSetTimeForTest(const std::tm* localTime) {
    g_fixedTimeSet = localTime != nullptr;
    if (localTime != nullptr) g_fixedTime = *localTime;
}

}  // namespace lc
