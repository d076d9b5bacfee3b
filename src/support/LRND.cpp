#include "support/LRND.h"

#include <cstdlib>
#include <ctime>

#include "platform/ErrorCodes.h"
#include "support/ErrLog.h"
#include "support/SupportStatus.h"

namespace lc {

namespace {

// The log only helps a diagnosis: a line it cannot take changes nothing here.
constexpr const char* kLogOnly = "the log is best effort";

constexpr const char* kModule = "LRND";
constexpr uint32_t kWarmUpBytes = 256;

struct GeneratorState {
    uint32_t r1 = 0;
    uint64_t r2 = 0;  // 64 stages
    uint64_t r3 = 0;  // 60 stages (bits 0..59)
    uint32_t lastR2Bit = 0;
    uint32_t lastR3Bit = 0;
    uint32_t lastClockBit = 0;
    uint32_t lastOutputBit = 0;
    uint32_t initialised = 0;
};

GeneratorState g_state;

Status SystemReadCounter(uint64_t& value) {
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC_RAW, &ts) != 0) return LastErrorStatus();
    value = static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
    return status::kSuccess;
}

void SystemSeedRandom(unsigned seed) {
    std::srand(seed);
}
int SystemNextRandom() {
    return std::rand();
}

constexpr LrndServices kSystemServices{SystemReadCounter, SystemSeedRandom, SystemNextRandom};
LrndServices g_services = kSystemServices;

uint32_t StepR1(uint32_t& r) {
    uint32_t out = r & 1;
    uint32_t feedback = ((r >> 6) ^ (r >> 2)) & 1;
    r >>= 1;
    if (feedback != 0)
        r |= 1u << 6;
    else
        r &= 0x3F;
    return out;
}

uint32_t StepR2(uint64_t& r) {
    auto out = static_cast<uint32_t>(r & 1);
    uint64_t feedback = ((r >> 63) ^ (r >> 3) ^ (r >> 2) ^ r) & 1;
    r = (r >> 1) | (feedback << 63);
    return out;
}

uint32_t StepR3(uint64_t& r) {
    auto out = static_cast<uint32_t>(r & 1);
    uint64_t feedback = ((r >> 59) ^ r) & 1;
    r >>= 1;
    if (feedback != 0)
        r |= uint64_t{1} << 59;
    else
        r &= 0x07FFFFFFFFFFFFFFull;
    return out;
}

// Four bytes, the first drawn least significant; each is a seed byte picked by rand() and
// masked by the next rand().
uint32_t SeedWord(const uint8_t* seed, uint32_t seedLength) {
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
        auto index = static_cast<uint32_t>(g_services.nextRandom()) % seedLength;
        auto mask = static_cast<uint32_t>(g_services.nextRandom()) & 0xFF;
        word |= ((seed[index] ^ mask) & 0xFF) << (8 * i);
    }
    return word;
}

Status ReadCounter(uint64_t& value, int line) {
    Status s = g_services.readCounter(value);
    if (s != status::kSuccess)
        IgnoreStatus(ErrLogWrite(1, kModule, "_Init", line, s, "QueryPerformanceCounter() failed"),
                     kLogOnly);
    return s;
}

}  // namespace

Status LRND_Init(const uint8_t* seed, uint32_t seedLength) {
    if (seed == nullptr || seedLength == 0) {
        IgnoreStatus(ErrLogWrite(1, kModule, "_Init", 2, support::kIllegalArgument,
                                 "pabSeed == NULL || ulSeedLength == 0"),
                     kLogOnly);
        return support::kIllegalArgument;
    }
    uint64_t counter = 0;
    LC_TRY(ReadCounter(counter, 6));
    g_services.seedRandom(static_cast<unsigned>(counter & 0xFFFFFFFF));
    LC_TRY(ReadCounter(counter, 7));
    for (uint64_t skip = counter & 127; skip > 0; --skip) (void)g_services.nextRandom();

    g_state.r1 = SeedWord(seed, seedLength);
    if (g_state.r1 == 0) {
        IgnoreStatus(ErrLogWrite(1, kModule, "_Init", 3, support::kIllegalArgument,
                                 "Init von LSFR1 == 0x0, 0x0, ...0x0"),
                     kLogOnly);
        return support::kIllegalArgument;
    }
    uint64_t high = SeedWord(seed, seedLength);
    uint64_t low = SeedWord(seed, seedLength);
    g_state.r2 = (high << 32) | low;
    if (g_state.r2 == 0) {
        IgnoreStatus(ErrLogWrite(1, kModule, "_Init", 4, support::kIllegalArgument,
                                 "Init von LSFR2 == 0x0, 0x0, ...0x0"),
                     kLogOnly);
        return support::kIllegalArgument;
    }
    high = SeedWord(seed, seedLength);
    low = SeedWord(seed, seedLength);
    g_state.r3 = (high << 32) | low;
    if (g_state.r3 == 0) {
        IgnoreStatus(ErrLogWrite(1, kModule, "_Init", 5, support::kIllegalArgument,
                                 "Init von LSFR3 == 0x0, 0x0, ...0x0"),
                     kLogOnly);
        return support::kIllegalArgument;
    }

    g_state.lastR2Bit = g_state.lastR3Bit = g_state.lastClockBit = g_state.lastOutputBit = 0;
    g_state.initialised = 1;

    uint8_t scratch[kWarmUpBytes];
    IgnoreStatus(LRND_Get(scratch, sizeof scratch), "the generator is initialised just above");
    return support::kSuccess;
}

Status LRND_Get(uint8_t* buffer, uint32_t length) {
    if (g_state.initialised == 0) {
        IgnoreStatus(
            ErrLogWrite(2, kModule, "_Get", 1, support::kNotInitialised, "fAlreadyInit == FALSE"),
            kLogOnly);
        return support::kNotInitialised;
    }
    if (buffer == nullptr || length == 0) {
        IgnoreStatus(ErrLogWrite(1, kModule, "_Get", 2, support::kIllegalArgument,
                                 "pabRand == NULL || ulRandLength == 0"),
                     kLogOnly);
        return support::kIllegalArgument;
    }
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            g_state.lastClockBit = StepR1(g_state.r1);
            if (g_state.lastClockBit != 0)
                g_state.lastR2Bit = StepR2(g_state.r2);
            else
                g_state.lastR3Bit = StepR3(g_state.r3);
            g_state.lastOutputBit = g_state.lastR2Bit ^ g_state.lastR3Bit;
            byte = (byte << 1) | g_state.lastOutputBit;
        }
        buffer[i] = static_cast<uint8_t>(byte);
    }
    return support::kSuccess;
}

void LRND_SetServicesForTest(const LrndServices* services) {
    g_services = services != nullptr ? *services : kSystemServices;
}

void LRND_ResetForTest() {
    g_state = GeneratorState{};
}

}  // namespace lc
