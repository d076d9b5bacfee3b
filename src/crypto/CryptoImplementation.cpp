#include "crypto/CryptoImplementation.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define LC_X86_CRYPTO 1
#endif

namespace lc {
namespace {

struct CpuFeatures {
    bool aesNi = false;
    bool shaNi = false;
};

CpuFeatures DetectCpu() {
    CpuFeatures f;
#ifdef LC_X86_CRYPTO
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return f;
    const bool ssse3 = (ecx & (1u << 9)) != 0;
    const bool sse41 = (ecx & (1u << 19)) != 0;
    const bool aes = (ecx & (1u << 25)) != 0;
    f.aesNi = aes && sse41;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) != 0) {
        const bool sha = (ebx & (1u << 29)) != 0;
        f.shaNi = sha && sse41 && ssse3;
    }
#endif
    return f;
}

const CpuFeatures& Cpu() {
    static const CpuFeatures features = DetectCpu();
    return features;
}

CryptoImplementation FromEnvironment() {
    const char* value = std::getenv("LCPORTABLE_FORCE_PORTABLE_CRYPTO");
    if (value != nullptr && std::strcmp(value, "1") == 0) return CryptoImplementation::Portable;
    return CryptoImplementation::Auto;
}

// -1 = not decided yet; otherwise the value of CryptoImplementation.
std::atomic<int> g_choice{-1};

CryptoImplementation Choice() {
    int value = g_choice.load(std::memory_order_relaxed);
    if (value < 0) {
        int fresh = static_cast<int>(FromEnvironment());
        // A concurrent SetCryptoImplementation wins over the environment.
        if (!g_choice.compare_exchange_strong(value, fresh, std::memory_order_relaxed))
            return static_cast<CryptoImplementation>(value);
        value = fresh;
    }
    return static_cast<CryptoImplementation>(value);
}

}  // namespace

void SetCryptoImplementation(CryptoImplementation implementation) {
    g_choice.store(static_cast<int>(implementation), std::memory_order_relaxed);
}

CryptoImplementation GetCryptoImplementation() {
    return Choice();
}

bool UseAesNi() {
    return Choice() == CryptoImplementation::Auto && Cpu().aesNi;
}

bool UseShaNi() {
    return Choice() == CryptoImplementation::Auto && Cpu().shaNi;
}

}  // namespace lc
