#include <array>
#include <cstring>
#include <deque>
#include <vector>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "support/ErrLog.h"
#include "support/LRND.h"
#include "support/SupportStatus.h"

namespace lc {
namespace {

using test::ReadText;

// Injected services: a scripted counter and the MSVC-style LCG as srand/rand.
std::deque<uint64_t> g_counterValues;
Status g_counterFailure = 0;
uint32_t g_lcg = 0;
std::deque<int> g_scriptedRand;
bool g_useScript = false;

Status FakeCounter(uint64_t& value) {
    if (g_counterFailure != 0 || g_counterValues.empty()) return g_counterFailure;
    value = g_counterValues.front();
    g_counterValues.pop_front();
    return 0;
}
void FakeSeed(unsigned seed) {
    g_lcg = seed;
}
int FakeRand() {
    if (g_useScript) {
        if (g_scriptedRand.empty()) return 0;
        int v = g_scriptedRand.front();
        g_scriptedRand.pop_front();
        return v;
    }
    g_lcg = g_lcg * 214013u + 2531011u;
    return static_cast<int>((g_lcg >> 16) & 0x7FFF);
}
constexpr LrndServices kFake{FakeCounter, FakeSeed, FakeRand};

// An independent model of the generator: registers as arrays of stages.
class ReferenceGenerator {
public:
    ReferenceGenerator(const std::vector<uint8_t>& seed, uint64_t counter1, uint64_t counter2) {
        uint32_t lcg = static_cast<uint32_t>(counter1);
        auto rand = [&] {
            lcg = lcg * 214013u + 2531011u;
            return static_cast<uint32_t>((lcg >> 16) & 0x7FFF);
        };
        for (uint64_t i = 0; i < (counter2 & 127); ++i) rand();
        auto word = [&] {
            std::array<int, 32> bits{};
            for (int byte = 0; byte < 4; ++byte) {
                uint32_t index = rand() % seed.size();
                uint32_t value = seed[index] ^ (rand() & 0xFF);
                for (int b = 0; b < 8; ++b) bits[8 * byte + b] = (value >> b) & 1;
            }
            return bits;
        };
        auto w1 = word();
        std::copy(w1.begin(), w1.end(), r1.begin());
        auto w2h = word(), w2l = word();
        std::copy(w2l.begin(), w2l.end(), r2.begin());
        std::copy(w2h.begin(), w2h.end(), r2.begin() + 32);
        auto w3h = word(), w3l = word();
        std::copy(w3l.begin(), w3l.end(), r3.begin());
        std::copy(w3h.begin(), w3h.end(), r3.begin() + 32);
        Draw(256);
    }

    std::vector<uint8_t> Draw(size_t count) {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < count; ++i) {
            int byte = 0;
            for (int k = 0; k < 8; ++k) {
                if (Step1())
                    last2 = Step2();
                else
                    last3 = Step3();
                byte = (byte << 1) | (last2 ^ last3);
            }
            out.push_back(static_cast<uint8_t>(byte));
        }
        return out;
    }

private:
    template <size_t N>
    static int Shift(std::array<int, N>& r) {
        int out = r[0];
        for (size_t i = 0; i + 1 < N; ++i) r[i] = r[i + 1];
        r[N - 1] = 0;
        return out;
    }
    int Step1() {
        int fb = r1[6] ^ r1[2];
        int out = Shift(r1);
        if (fb)
            r1[6] = 1;
        else
            for (size_t i = 6; i < 32; ++i) r1[i] = 0;
        return out;
    }
    int Step2() {
        int fb = r2[63] ^ r2[3] ^ r2[2] ^ r2[0];
        int out = Shift(r2);
        r2[63] = fb;
        return out;
    }
    int Step3() {
        int fb = r3[59] ^ r3[0];
        int out = Shift(r3);
        if (fb)
            r3[59] = 1;
        else
            for (size_t i = 59; i < 64; ++i) r3[i] = 0;
        return out;
    }

    std::array<int, 32> r1{};
    std::array<int, 64> r2{}, r3{};
    int last2 = 0, last3 = 0;
};

class LrndTest : public test::SupportLayerTest {
protected:
    void SetUp() override {
        SupportLayerTest::SetUp();
        ErrLogResetLevelMaskForTest();
        LRND_ResetForTest();
        LRND_SetServicesForTest(&kFake);
        g_counterValues.clear();
        g_counterFailure = 0;
        g_scriptedRand.clear();
        g_useScript = false;
    }
    void TearDown() override {
        LRND_SetServicesForTest(nullptr);
        LRND_ResetForTest();
        ErrLogResetLevelMaskForTest();
        SupportLayerTest::TearDown();
    }
    std::vector<uint8_t> InitAndDraw(const std::vector<uint8_t>& seed, uint64_t c1, uint64_t c2,
                                     size_t count) {
        g_counterValues = {c1, c2};
        EXPECT_EQ(LRND_Init(seed.data(), static_cast<uint32_t>(seed.size())), 0u);
        std::vector<uint8_t> out(count);
        EXPECT_EQ(LRND_Get(out.data(), static_cast<uint32_t>(count)), 0u);
        return out;
    }
};

TEST_F(LrndTest, FixedSeedGivesTheModelsBytes) {
    const std::vector<std::vector<uint8_t>> seeds = {
        {0xE6, 0x07, 0x0C, 0x00, 0x00, 0x00, 0x06, 0x00, 0x0D, 0x00, 0x02, 0x00, 0x07, 0x00, 0x2A,
         0x01},
        {0x01},
        {0xFF, 0x00, 0x55},
    };
    const std::pair<uint64_t, uint64_t> counters[] = {
        {0x0000001234567890ull, 0x00000012345678FFull}, {1, 0}, {0xFFFFFFFFFFFFFFFFull, 127}};
    for (const auto& seed : seeds) {
        for (auto [c1, c2] : counters) {
            auto got = InitAndDraw(seed, c1, c2, 64);
            EXPECT_EQ(got, ReferenceGenerator(seed, c1, c2).Draw(64));
            // The same seeding again gives the same bytes.
            EXPECT_EQ(InitAndDraw(seed, c1, c2, 64), got);
        }
    }
    EXPECT_NE(InitAndDraw(seeds[0], 1, 0, 16), InitAndDraw(seeds[0], 2, 0, 16));
}

TEST_F(LrndTest, DrawsAreOneStream) {
    const std::vector<uint8_t> seed = {9, 8, 7, 6, 5};
    auto whole = InitAndDraw(seed, 77, 5, 16);
    g_counterValues = {77, 5};
    ASSERT_EQ(LRND_Init(seed.data(), 5), 0u);
    std::vector<uint8_t> parts(16);
    ASSERT_EQ(LRND_Get(parts.data(), 8), 0u);
    ASSERT_EQ(LRND_Get(parts.data() + 8, 8), 0u);
    EXPECT_EQ(parts, whole);
}

TEST_F(LrndTest, FailuresReturnTheirCodesAndLogThem) {
    const auto log = scratch() / "lrnd.log";
    ::setenv("ERRLFILE", log.c_str(), 1);
    ::setenv("ERRLVEL", "2", 1);
    struct Case {
        const char* what;
        Status expected;
        const char* header;  // after the time stamp
        const char* message;
    };
    const Case cases[] = {
        {"get before init", support::kNotInitialised, "E: FFFF8A8A L: 0001 M: LRND F: _Get",
         "fAlreadyInit == FALSE"},
        {"null seed", support::kIllegalArgument, "E: FFFF8A8D L: 0002 M: LRND F: _Init",
         "pabSeed == NULL || ulSeedLength == 0"},
        {"first counter read", 5, "E: 00000005 L: 0006 M: LRND F: _Init",
         "QueryPerformanceCounter() failed"},
        {"second counter read", 5, "E: 00000005 L: 0007 M: LRND F: _Init",
         "QueryPerformanceCounter() failed"},
        {"R1 zero", support::kIllegalArgument, "E: FFFF8A8D L: 0003 M: LRND F: _Init",
         "Init von LSFR1 == 0x0, 0x0, ...0x0"},
        {"R2 zero", support::kIllegalArgument, "E: FFFF8A8D L: 0004 M: LRND F: _Init",
         "Init von LSFR2 == 0x0, 0x0, ...0x0"},
        {"R3 zero", support::kIllegalArgument, "E: FFFF8A8D L: 0005 M: LRND F: _Init",
         "Init von LSFR3 == 0x0, 0x0, ...0x0"},
        {"length 0", support::kIllegalArgument, "E: FFFF8A8D L: 0002 M: LRND F: _Get",
         "pabRand == NULL || ulRandLength == 0"},
    };
    const uint8_t zeroSeed[1] = {0};
    for (const auto& c : cases) {
        std::filesystem::remove(log);
        LRND_ResetForTest();
        g_counterValues = {0, 0};  // no rand() draws skipped
        g_counterFailure = 0;
        g_useScript = true;
        g_scriptedRand.clear();
        // Seed {0}: every index draw is 0, so each byte is the mask draw; 8 draws per word.
        auto nonZeroWords = [](int words) {
            for (int i = 0; i < 8 * words; ++i) g_scriptedRand.push_back(i % 2 ? 1 : 0);
        };
        std::string what = c.what;
        Status got;
        if (what == "get before init") {
            uint8_t b;
            got = LRND_Get(&b, 1);
        } else if (what == "null seed") {
            got = LRND_Init(nullptr, 4);
        } else if (what == "first counter read") {
            g_counterFailure = 5;
            got = LRND_Init(zeroSeed, 1);
        } else if (what == "second counter read") {
            LrndServices secondFails{
                [](uint64_t& v) -> Status {
                    v = 0;
                    return g_counterValues.empty() ? 5 : (g_counterValues.pop_front(), 0);
                },
                FakeSeed, FakeRand};
            g_counterValues = {0};
            LRND_SetServicesForTest(&secondFails);
            got = LRND_Init(zeroSeed, 1);
            LRND_SetServicesForTest(&kFake);
        } else if (what == "length 0") {
            g_useScript = false;
            const uint8_t seed[2] = {3, 4};
            ASSERT_EQ(LRND_Init(seed, 2), 0u);
            uint8_t b;
            got = LRND_Get(&b, 0);
        } else {
            nonZeroWords(what == "R1 zero" ? 0 : what == "R2 zero" ? 1 : 3);
            got = LRND_Init(zeroSeed, 1);
        }
        EXPECT_EQ(got, c.expected) << c.what;
        std::string text = ReadText(log);
        EXPECT_EQ(text.substr(text.find("E: ")),
                  std::string(c.header) + "\r\n" + std::string(16, ' ') + "|" + c.message +
                      std::string(58 - std::strlen(c.message), ' ') + "|\r\n")
            << c.what;
    }
    // Without ERRLVEL the level-2 entry is not written; the code is the same.
    ::unsetenv("ERRLVEL");
    ErrLogResetLevelMaskForTest();
    LRND_ResetForTest();
    std::filesystem::remove(log);
    uint8_t b;
    EXPECT_EQ(LRND_Get(&b, 1), support::kNotInitialised);
    EXPECT_FALSE(std::filesystem::exists(log));
}

}  // namespace
}  // namespace lc
