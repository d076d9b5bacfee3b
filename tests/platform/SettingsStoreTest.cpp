#include <sys/stat.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "platform/FileNameCodec.h"
#include "platform/IniFile.h"
#include "platform/SettingsStore.h"

namespace lc {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kKey = "Software\\Kelmora\\LCPortable";

class SettingsStoreTest : public test::SupportLayerTest {
protected:
    void SetUp() override {
        SupportLayerTest::SetUp();
        ASSERT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), status::kSuccess);
    }
    fs::path KeyFolder() const { return run() / "Kelmora" / "Software" / "Kelmora" / "LCPortable"; }
    std::set<std::u16string> Names() {
        std::vector<SettingsValue> values;
        EXPECT_EQ(store.EnumValues(kKey, values), status::kSuccess);
        std::set<std::u16string> names;
        for (const auto& v : values) names.insert(v.name);
        return names;
    }
    SettingsStore store;
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

TEST_F(SettingsStoreTest, RootsOfBothScopesAndNoLinks) {
    EXPECT_EQ(store.root(), (run() / "Kelmora").string());
    EXPECT_EQ(fs::status(store.root()).permissions(), fs::perms::owner_all);
    ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(SettingsStore::Open(SettingsStore::Scope::Persistent, store), status::kSuccess);
    EXPECT_EQ(store.root(), (scratch() / "home" / ".config" / "Kelmora").string());

    // A planted link as a key folder, or as the root, is refused.
    ASSERT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), status::kSuccess);
    fs::create_directory(scratch() / "outside");
    fs::create_directory_symlink(scratch() / "outside", run() / "Kelmora" / "Software");
    EXPECT_NE(store.SetValue(kKey, u"v", kRegBinary, std::vector<uint8_t>{1}), status::kSuccess);
    EXPECT_TRUE(fs::is_empty(scratch() / "outside"));
    fs::remove_all(run() / "Kelmora");
    fs::create_directory_symlink(scratch() / "outside", run() / "Kelmora");
    EXPECT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), status::kAccessDenied);
}

TEST_F(SettingsStoreTest, ValuesRoundTripAndReplaceAtomically) {
    ASSERT_EQ(store.SetValue(kKey, u"Volume Ä", kRegBinary, std::vector<uint8_t>(3, 1)),
              status::kSuccess);
    EXPECT_EQ(store.GetValue(kKey, u"volume ä", type, data), status::kFileNotFound);
    EXPECT_EQ(store.GetValue("Software\\Nothing", u"x", type, data), status::kFileNotFound);

    // A reader holding the old file keeps seeing the old bytes: the new value is a new file.
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat((KeyFolder() / "Volume Ä").c_str(), &before), 0);
    ASSERT_EQ(store.SetValue(kKey, u"Volume Ä", kRegBinary, std::vector<uint8_t>(48, 2)),
              status::kSuccess);
    ASSERT_EQ(::stat((KeyFolder() / "Volume Ä").c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    ASSERT_EQ(store.GetValue(kKey, u"Volume Ä", type, data), status::kSuccess);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(data, std::vector<uint8_t>(48, 2));
    // No temporary file is left, and an interrupted write's leftover is not a value.
    EXPECT_EQ(std::distance(fs::directory_iterator(KeyFolder()), {}), 1);
    test::WriteText(KeyFolder() / ".tmp-1-2-3", "half");
    EXPECT_EQ(Names(), std::set<std::u16string>{u"Volume Ä"});
    EXPECT_EQ(store.SetValue(kKey, u"big", kRegBinary, std::vector<uint8_t>((1 << 20) + 1)),
              status::kInvalidParameter);
}

TEST_F(SettingsStoreTest, NamesNeverLeaveTheirKeyFolder) {
    const std::u16string hostile[] = {
        u"../../.bashrc",         u"..", u".", u"", u"a/b", std::u16string(u"x\0y", 3),
        std::u16string(300, u'n')};
    for (const auto& name : hostile) {
        const std::vector<uint8_t> bytes(1, static_cast<uint8_t>(name.size()));
        ASSERT_EQ(store.SetValue(kKey, name, kRegBinary, bytes), status::kSuccess);
        ASSERT_EQ(store.GetValue(kKey, name, type, data), status::kSuccess);
        EXPECT_EQ(data, bytes);
    }
    EXPECT_EQ(Names(), std::set<std::u16string>(std::begin(hostile), std::end(hostile)));
    ASSERT_EQ(store.SetValue("Software\\..\\..\\..\\etc", u"passwd", kRegSz, {}), status::kSuccess);

    // Nothing appeared outside the store, and every name is one plain component in its key.
    for (const auto& top : {scratch() / "home", scratch() / "config", scratch() / "tmp"})
        EXPECT_TRUE(fs::is_empty(top)) << top;
    EXPECT_EQ(std::distance(fs::directory_iterator(run()), {}), 1);
    for (const auto& entry : fs::directory_iterator(KeyFolder())) {
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();
        EXPECT_LE(entry.path().filename().string().size(), 255u);
    }
}

TEST(FileNameCodec, EncodesOnlyWhatIsUnsafeAndDecodesBack) {
    // "", ".", "/" and NUL in names are covered with the hostile volume and value names.
    const std::pair<std::u16string, std::string> cases[] = {
        {u"..", "%2E."},
        {u"a.b.", "a.b."},
        {u"50%", "50%25"},
        {std::u16string(1, char16_t(0xD800)), "%uD800"}};
    for (const auto& [name, encoded] : cases) {
        EXPECT_EQ(EncodeFileName(name), encoded);
        EXPECT_EQ(DecodeFileName(encoded), name) << encoded;
    }
    for (std::string_view bad : {"a%2", "%zz", "%u12", "%41", "%2e.", ".x", "\xC3"})
        EXPECT_FALSE(DecodeFileName(bad).has_value()) << bad;
    // Long names are cut with a hash: still distinct, still short enough.
    std::u16string a(200, u'ü'), b = a;
    b.back() = u'x';
    EXPECT_LE(EncodeFileName(a).size(), 255u);
    EXPECT_NE(EncodeFileName(a), EncodeFileName(b));
}

TEST(IniFile, ProfileRules) {
    IniFile ini = IniFile::FromText(
        "; c\r\n[Other]\r\nAllowCopy=7\r\n[ options ]\r\nallowcopy = 12abc\r\nAllowCopy=99\r\n"
        "Neg=-1\r\nQuoted=\"42\"\r\nHuge=99999999999\r\nWord=abc\r\n");
    for (auto [key, expected] : {std::pair<const char*, unsigned>{"ALLOWCOPY", 12},
                                 {"Neg", 0},
                                 {"Quoted", 42},
                                 {"Huge", 4294967295u},
                                 {"Word", 0},
                                 {"Missing", 0}})
        EXPECT_EQ(ini.GetInt("Options", key), expected) << key;
    EXPECT_EQ(ini.GetInt("Other", "AllowCopy"), 7u);
    EXPECT_EQ(ini.GetInt("Options", "Missing", 5), 5u);
}

}  // namespace
}  // namespace lc
