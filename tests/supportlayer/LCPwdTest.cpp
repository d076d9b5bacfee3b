#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "platform/SettingsStore.h"
#include "volume/LCPwd.h"
#include "volume/PasswordResult.h"

namespace lc {
namespace {

constexpr std::string_view kKey = "Software\\Kelmora\\LCPortable";

int64_t g_clock = 1'700'000'000;
int64_t FakeNow() {
    return g_clock;
}

// The stored value as the registry stand-in holds it.
std::optional<std::vector<uint8_t>> Stored(std::u16string_view name) {
    SettingsStore store;
    EXPECT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), 0u);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (store.GetValue(kKey, name, type, data) != 0) return std::nullopt;
    EXPECT_EQ(type, kRegBinary);
    return data;
}

// Notes each delay and the pending flag the record has while it runs.
class CountingUi : public RetryDelayUi {
public:
    void RunRetryDelay(unsigned seconds) override {
        delays.push_back(seconds);
        if (peek) pending = LCPwd::Decode(*Stored(u"Vol"))->pending;
    }
    bool peek = false;
    std::vector<unsigned> delays;
    uint32_t pending = 99;
};

class LCPwdTest : public test::SupportLayerTest {
protected:
    void SetUp() override {
        SupportLayerTest::SetUp();
        LCPwd::SetClockForTest(FakeNow);
        g_clock = 1'700'000'000;
    }
    void TearDown() override {
        LCPwd::SetClockForTest(nullptr);
        SupportLayerTest::TearDown();
    }
    unsigned Wrong(std::u16string_view name) {
        return RecordPasswordResult(m_ui, name, status::kInvalidPassword);
    }
    CountingUi m_ui;
};

TEST_F(LCPwdTest, RecordLayoutByteForByte) {
    LCPwd::Attempt a;
    a.time = 0x0102030405060708;
    a.count = 0x0A0B0C0D;
    a.pending = 1;
    std::vector<uint8_t> expected = {
        'L',  0,    'R',  0,    'U',  0,    '0',  0,     // tag, UTF-16LE
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  // time
        0x0D, 0x0C, 0x0B, 0x0A,                          // count
        1,    0,    0,    0,                             // pending
    };
    expected.resize(48);
    auto record = LCPwd::Encode(a);
    EXPECT_TRUE(std::equal(record.begin(), record.end(), expected.begin(), expected.end()));

    // What a wrong password leaves in the store.
    g_clock = 0x6000000012345678;
    Wrong(u"Vol");
    expected = {'L', 0, 'R', 0, 'U', 0, '0', 0, 0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0x60, 1};
    expected.resize(48);
    EXPECT_EQ(Stored(u"Vol"), expected);

    EXPECT_FALSE(LCPwd::Decode(std::vector<uint8_t>(47)).has_value());
    EXPECT_FALSE(LCPwd::Decode(std::vector<uint8_t>(48)).has_value());  // no tag
}

TEST_F(LCPwdTest, DelayScheduleGrowsAndARightPasswordClearsIt) {
    for (auto [count, seconds] : {std::pair<uint32_t, unsigned>{0, 2},
                                  {1, 2},
                                  {2, 5},
                                  {3, 10},
                                  {4, 20},
                                  {5, 20},
                                  {1000, 20}})
        EXPECT_EQ(LCPwd::DelayForCount(count), seconds) << count;

    m_ui.peek = true;
    for (int i = 0; i < 6; ++i) Wrong(u"Vol");
    EXPECT_EQ(m_ui.delays, (std::vector<unsigned>{2, 5, 10, 20, 20, 20}));
    EXPECT_EQ(m_ui.pending, 1u);  // set while the delay runs
    auto a = LCPwd::Decode(*Stored(u"Vol"));
    EXPECT_EQ(a->count, 6u);
    EXPECT_EQ(a->pending, 0u);  // the delay has run out
    // Other codes (and cancel) change nothing.
    RecordPasswordResult(m_ui, u"Vol", status::kCancelled);
    RecordPasswordResult(m_ui, u"Vol", status::kFileNotFound);
    EXPECT_EQ(m_ui.delays.size(), 6u);
    EXPECT_EQ(LCPwd::Decode(*Stored(u"Vol"))->count, 6u);

    m_ui.peek = false;
    Wrong(u"Other");
    EXPECT_EQ(RecordPasswordResult(m_ui, u"Vol", status::kSuccess), 0u);
    EXPECT_FALSE(Stored(u"Vol"));
    EXPECT_TRUE(Stored(u"Other"));
    EXPECT_EQ(Wrong(u"Vol"), 2u);
}

TEST_F(LCPwdTest, RecordsSurviveTheProcess) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(Wrong(u"Shared") == 2 ? 0 : 1);
    int wstatus = 0;
    ASSERT_EQ(::waitpid(child, &wstatus, 0), child);
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(WEXITSTATUS(wstatus), 0);
    EXPECT_EQ(Wrong(u"Shared"), 5u);
}

TEST_F(LCPwdTest, OldestOfTenIsDropped) {
    LCPwd& pwd = LCPwd::Instance();
    pwd.SetApplicationName("LCPortable");
    pwd.SetVolatile();
    // Ten records with shuffled times; V6 is the oldest.
    const int64_t times[10] = {500, 300, 900, 400, 800, 600, 100, 700, 200, 1000};
    for (int i = 0; i < 10; ++i) {
        LCPwd::Attempt a;
        a.time = times[i];
        a.count = 1;
        ASSERT_TRUE(
            pwd.WriteRecord(u"V" + std::u16string(1, char16_t(u'0' + i)), LCPwd::Encode(a)));
    }
    // Values that are not records are neither counted nor deleted.
    SettingsStore store;
    ASSERT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), 0u);
    const auto tagged = LCPwd::Encode({});
    ASSERT_EQ(store.SetValue(kKey, u"Short", kRegBinary, {tagged.begin(), tagged.end() - 1}), 0u);
    ASSERT_EQ(store.SetValue(kKey, u"Text", kRegSz, tagged), 0u);

    EXPECT_EQ(pwd.RecordFailure(u"Eleventh"), 2u);
    EXPECT_EQ(pwd.RecordFailure(u"V2"), 5u);  // has a record: deletes nothing
    std::vector<SettingsValue> values;
    ASSERT_EQ(store.EnumValues(kKey, values), 0u);
    std::set<std::u16string> names;
    for (const auto& v : values) names.insert(v.name);
    EXPECT_FALSE(names.count(u"V6"));
    EXPECT_EQ(names.size(), 12u);  // ten records and the two others
    EXPECT_TRUE(names.count(u"Eleventh") && names.count(u"Short") && names.count(u"Text"));
}

TEST_F(LCPwdTest, SameNameSharesOneRecord) {
    // Two volume files, one name; and names that differ only after 100 UTF-16 units.
    Wrong(u"Family photos");
    EXPECT_EQ(Wrong(u"Family photos"), 5u);
    Wrong(std::u16string(100, u'x') + u"-first");
    EXPECT_EQ(Wrong(std::u16string(100, u'x') + u"-second"), 5u);
    EXPECT_TRUE(Stored(std::u16string(100, u'x')));
}

TEST_F(LCPwdTest, UnusableStoreMakesEveryDelayTheFirst) {
    test::WriteText(scratch() / "not-a-folder", "x");
    ::setenv("XDG_RUNTIME_DIR", (scratch() / "not-a-folder").c_str(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Wrong(u"Vol"), 2u);
}

}  // namespace
}  // namespace lc
