// The process-wide random generator: three LFSRs in an alternating-step arrangement, seeded
// once at start from the system time, the performance counter and srand/rand.
#pragma once

#include <cstdint>

#include "platform/Status.h"

namespace lc {

// 0, 0xFFFF8A8D (-30067) for a null/empty seed or a register seeded to zero, or the system's
// code when the performance counter cannot be read. Failures are logged (module "LRND").
Status LRND_Init(const uint8_t* seed, uint32_t seedLength);
// 0, 0xFFFF8A8A (-30070) before LRND_Init, 0xFFFF8A8D for a null buffer or length 0.
Status LRND_Get(uint8_t* buffer, uint32_t length);

// The services the seeding uses, replaceable by tests. readCounter returns 0 or a status.
struct LrndServices {
    Status (*readCounter)(uint64_t& value);
    void (*seedRandom)(unsigned seed);
    int (*nextRandom)();
};
// Null restores the system services (CLOCK_MONOTONIC_RAW, srand, rand).
void LRND_SetServicesForTest(const LrndServices* services);
// Back to the uninitialised state.
void LRND_ResetForTest();

}  // namespace lc
