#include <set>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "platform/SettingsStore.h"
#include "volume/LCPwd.h"
#include "volume/PasswordResult.h"

namespace lc {
namespace {

constexpr std::string_view kKey = "Software\\Kelmora\\LCPortable";

// The fixture is the countdown: it notes each delay and the pending flag of "Vol" meanwhile.
class LCPwdTest : public test::SupportLayerTest, public RetryDelayUi {
protected:
    void TearDown() override { LCPwd::SetClockForTest(nullptr); }
    void RunRetryDelay(unsigned seconds) override {
        delays.push_back(seconds);
        if (auto vol = Stored(u"Vol")) pending = LCPwd::Decode(*vol)->pending;
    }
    unsigned Wrong(std::u16string_view name) {
        return RecordPasswordResult(*this, name, status::kInvalidPassword);
    }
    // The stored value as the registry stand-in holds it.
    std::optional<std::vector<uint8_t>> Stored(std::u16string_view name) {
        SettingsStore store;
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (SettingsStore::Open(SettingsStore::Scope::Volatile, store) != status::kSuccess ||
            store.GetValue(kKey, name, type, data) != status::kSuccess)
            return std::nullopt;
        EXPECT_EQ(type, kRegBinary);
        return data;
    }
    std::vector<unsigned> delays;
    uint32_t pending = 99;
};

TEST_F(LCPwdTest, RecordLayoutByteForByte) {
    std::vector<uint8_t> expected = {'L',  0,    'R',  0,    'U',  0,    '0',  0,     // tag
                                     0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  // time
                                     0x0D, 0x0C, 0x0B, 0x0A, 1};  // count, pending
    expected.resize(48);
    const auto record = LCPwd::Encode({0x0102030405060708, 0x0A0B0C0D, 1});
    EXPECT_EQ(std::vector<uint8_t>(record.begin(), record.end()), expected);
    // A wrong password stores the time of the clock.
    static int64_t now = 0x6000000012345678;
    LCPwd::SetClockForTest([] { return now; });
    Wrong(u"Vol");
    EXPECT_EQ(LCPwd::Decode(*Stored(u"Vol"))->time, now);
    EXPECT_FALSE(LCPwd::Decode(std::vector<uint8_t>(48)).has_value());  // no tag
}

TEST_F(LCPwdTest, DelayScheduleGrowsAndARightPasswordClearsIt) {
    for (int i = 0; i < 6; ++i) Wrong(u"Vol");
    EXPECT_EQ(delays, (std::vector<unsigned>{2, 5, 10, 20, 20, 20}));
    EXPECT_EQ(pending, 1u);                                  // set while the delay runs
    EXPECT_EQ(LCPwd::Decode(*Stored(u"Vol"))->pending, 0u);  // the delay has run out
    // Other codes (and cancel) change nothing.
    RecordPasswordResult(*this, u"Vol", status::kCancelled);
    RecordPasswordResult(*this, u"Vol", status::kFileNotFound);
    EXPECT_EQ(delays.size(), 6u);
    EXPECT_EQ(LCPwd::Decode(*Stored(u"Vol"))->count, 6u);

    Wrong(u"Other");
    EXPECT_EQ(RecordPasswordResult(*this, u"Vol", status::kSuccess), 0u);
    EXPECT_FALSE(Stored(u"Vol"));
    EXPECT_TRUE(Stored(u"Other"));
    EXPECT_EQ(Wrong(u"Vol"), 2u);
    // Names that differ only after 100 UTF-16 units are one name.
    Wrong(std::u16string(100, u'x') + u"-first");
    EXPECT_EQ(Wrong(std::u16string(100, u'x') + u"-second"), 5u);
    EXPECT_TRUE(Stored(std::u16string(100, u'x')));
    // A store that cannot be used makes every delay the first.
    test::WriteText(scratch() / "not-a-folder", "x");
    ::setenv("XDG_RUNTIME_DIR", (scratch() / "not-a-folder").c_str(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Wrong(u"Vol"), 2u);
}

TEST_F(LCPwdTest, OldestOfTenIsDropped) {
    LCPwd& pwd = LCPwd::Instance();
    pwd.SetApplicationName("LCPortable");
    pwd.SetVolatile();
    // Ten records with shuffled times; V6 is the oldest.
    const int64_t times[10] = {500, 300, 900, 400, 800, 600, 100, 700, 200, 1000};
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(pwd.WriteRecord(u"V" + std::u16string(1, char16_t(u'0' + i)),
                                    LCPwd::Encode({times[i], 1, 0})));
    // Values that are not records are neither counted nor deleted.
    SettingsStore store;
    ASSERT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), status::kSuccess);
    const auto tagged = LCPwd::Encode({});
    ASSERT_EQ(store.SetValue(kKey, u"Short", kRegBinary, {tagged.begin(), tagged.end() - 1}),
              status::kSuccess);
    ASSERT_EQ(store.SetValue(kKey, u"Text", kRegSz, tagged), status::kSuccess);

    EXPECT_EQ(pwd.RecordFailure(u"Eleventh"), 2u);
    EXPECT_EQ(pwd.RecordFailure(u"V2"), 5u);  // has a record: deletes nothing
    std::vector<SettingsValue> values;
    ASSERT_EQ(store.EnumValues(kKey, values), status::kSuccess);
    std::set<std::u16string> names;
    for (const auto& v : values) names.insert(v.name);
    EXPECT_FALSE(names.count(u"V6"));
    EXPECT_EQ(names.size(), 12u);  // ten records and the two others
}

}  // namespace
}  // namespace lc
