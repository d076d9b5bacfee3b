#include <deque>
#include <vector>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "support/ErrLog.h"
#include "support/LRND.h"
#include "support/SupportStatus.h"

namespace lc {
namespace {

// A scripted counter; the MSVC LCG as rand unless scripted draws (1s, then 0) are set.
std::deque<uint64_t> g_counterValues;
Status g_counterFailure = status::kSuccess;
uint32_t g_lcg = 0;
int g_scriptedOnes = -1;

Status FakeCounter(uint64_t& value) {
    if (g_counterValues.empty()) return g_counterFailure;
    value = g_counterValues.front();
    g_counterValues.pop_front();
    return status::kSuccess;
}
void FakeSeed(unsigned seed) {
    g_lcg = seed;
}
int FakeRand() {
    if (g_scriptedOnes >= 0) return g_scriptedOnes > 0 ? (--g_scriptedOnes, 1) : 0;
    g_lcg = g_lcg * 214013u + 2531011u;
    return static_cast<int>((g_lcg >> 16) & 0x7FFF);
}
constexpr LrndServices kFake{FakeCounter, FakeSeed, FakeRand};

class LrndTest : public test::SupportLayerTest {
protected:
    void SetUp() override {
        SupportLayerTest::SetUp();
        ErrLogResetLevelMaskForTest();
        LRND_ResetForTest();
        LRND_SetServicesForTest(&kFake);
        g_counterFailure = status::kSuccess, g_scriptedOnes = -1;
    }
    void TearDown() override {
        LRND_SetServicesForTest(nullptr);
        LRND_ResetForTest();
    }
};

TEST_F(LrndTest, FixedSeedGivesFixedBytesAsOneStream) {
    // Bytes checked against an independent bit-by-bit model of the three registers.
    const struct {
        std::vector<uint8_t> seed;
        uint64_t c1, c2;
        const char* hex;
    } cases[] = {
        {{9, 8, 7, 6, 5}, 0x1234567890, 0x12345678FF, "76B1BF15E9083A6CF3E6035806C3224C"},
        {{0x01}, 1, 0, "A8F2F7E235A068067F2797ADE587AD12"},
        {{0xFF, 0x00, 0x55}, ~0ull, 127, "41CE4C423BE6A781A0E9F080FED5F873"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> expected;
        for (int i = 0; i < 32; i += 2)
            expected.push_back(static_cast<uint8_t>(std::stoi(std::string(c.hex + i, 2), 0, 16)));
        // The bytes were one draw of 16; two draws of 8 give the same.
        g_counterValues = {c.c1, c.c2};
        ASSERT_EQ(LRND_Init(c.seed.data(), static_cast<uint32_t>(c.seed.size())), status::kSuccess);
        std::vector<uint8_t> got(16);
        EXPECT_EQ(LRND_Get(got.data(), 8), status::kSuccess);
        EXPECT_EQ(LRND_Get(got.data() + 8, 8), status::kSuccess);
        EXPECT_EQ(got, expected);
    }
}

TEST_F(LrndTest, FailuresReturnTheirCodesAndLogThem) {
    const auto log = scratch() / "lrnd.log";
    ::setenv("ERRLFILE", log.c_str(), 1);
    ::setenv("ERRLVEL", "2", 1);
    static const uint8_t zeroSeed[1] = {0};
    uint8_t b = 0;
    auto reset = [&](int scriptedOnes = 0, size_t counterReads = 2,
                     Status counterFailure = status::kSuccess) {
        std::filesystem::remove(log);
        LRND_ResetForTest();
        g_counterValues.assign(counterReads, 0);  // no rand() draws skipped
        g_counterFailure = counterFailure, g_scriptedOnes = scriptedOnes;
    };
    auto check = [&](Status got, Status code, const char* fn) {
        EXPECT_EQ(got, code) << fn;
        char entry[48];
        std::snprintf(entry, sizeof entry, "E: %08X L: ", code.code());
        const std::string text = test::ReadText(log);
        EXPECT_NE(text.find(entry), std::string::npos) << text;
        EXPECT_NE(text.find(std::string("M: LRND F: ") + fn + "\r\n"), std::string::npos) << text;
    };
    reset();
    check(LRND_Get(&b, 1), support::kNotInitialised, "_Get");
    reset();
    check(LRND_Init(nullptr, 4), support::kIllegalArgument, "_Init");
    for (size_t reads : {0, 1}) {
        reset(0, reads, Status{5});
        check(LRND_Init(zeroSeed, 1), Status{5}, "_Init");
    }
    // Seed {0}: 8 mask draws per register word; a register left all zero is refused.
    for (int nonZeroWords : {0, 1, 3}) {
        reset(8 * nonZeroWords);
        check(LRND_Init(zeroSeed, 1), support::kIllegalArgument, "_Init");
    }
    reset(-1);
    ASSERT_EQ(LRND_Init(zeroSeed, 1), status::kSuccess);
    check(LRND_Get(&b, 0), support::kIllegalArgument, "_Get");
}

}  // namespace
}  // namespace lc
