#include <sys/stat.h>
#include <unistd.h>

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
using test::WriteText;

constexpr std::string_view kKey = "Software\\Kelmora\\LCPortable";

// Every path below a folder, links not followed.
std::set<std::string> Tree(const fs::path& top) {
    std::set<std::string> out;
    for (auto it = fs::recursive_directory_iterator(top); it != fs::recursive_directory_iterator();
         ++it)
        out.insert(fs::relative(it->path(), top).string());
    return out;
}

class SettingsStoreTest : public test::SupportLayerTest {
protected:
    SettingsStore Volatile() {
        SettingsStore store;
        EXPECT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), 0u);
        return store;
    }
};

TEST_F(SettingsStoreTest, RootsOfBothScopes) {
    SettingsStore store = Volatile();
    EXPECT_EQ(store.root(), (run() / "Kelmora").string());
    struct stat st {};
    ASSERT_EQ(::lstat(store.root().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ASSERT_EQ(SettingsStore::Open(SettingsStore::Scope::Persistent, store), 0u);
    EXPECT_EQ(store.root(), (scratch() / "config" / "Kelmora").string());
    ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(SettingsStore::Open(SettingsStore::Scope::Persistent, store), 0u);
    EXPECT_EQ(store.root(), (scratch() / "home" / ".config" / "Kelmora").string());

    // A planted link as the root is refused.
    fs::remove_all(run() / "Kelmora");
    fs::create_directory(scratch() / "elsewhere");
    fs::create_directory_symlink(scratch() / "elsewhere", run() / "Kelmora");
    EXPECT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), status::kAccessDenied);
}

TEST_F(SettingsStoreTest, ValuesRoundTripAndEnumerate) {
    SettingsStore store = Volatile();
    const std::vector<uint8_t> blob = {0, 1, 2, 0xFF, 0};
    ASSERT_EQ(store.SetValue(kKey, u"Volume Ä", kRegBinary, blob), 0u);
    ASSERT_EQ(store.SetValue(kKey, u"Count", kRegDword, std::vector<uint8_t>{7, 0, 0, 0}), 0u);
    ASSERT_EQ(store.SetString("Software\\Kelmora\\lcportable\\Recent File List", u"File1",
                              "/home/u/a b.vol"),
              0u);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_EQ(store.GetValue(kKey, u"Volume Ä", type, data), 0u);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(data, blob);
    std::string text;
    ASSERT_EQ(store.GetString("Software\\Kelmora\\lcportable\\Recent File List", u"File1", text),
              0u);
    EXPECT_EQ(text, "/home/u/a b.vol");
    EXPECT_EQ(store.GetValue(kKey, u"volume ä", type, data), status::kFileNotFound);
    EXPECT_EQ(store.GetValue("Software\\Nothing", u"x", type, data), status::kFileNotFound);

    std::vector<SettingsValue> values;
    ASSERT_EQ(store.EnumValues(kKey, values), 0u);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, u"Count");
    EXPECT_EQ(values[0].type, kRegDword);
    EXPECT_EQ(values[1].name, u"Volume Ä");
    EXPECT_EQ(values[1].data, blob);
    EXPECT_EQ(store.EnumValues("Software\\Nothing", values), status::kFileNotFound);

    EXPECT_EQ(store.DeleteValue(kKey, u"Count"), 0u);
    EXPECT_EQ(store.DeleteValue(kKey, u"Count"), status::kFileNotFound);
    ASSERT_EQ(store.EnumValues(kKey, values), 0u);
    EXPECT_EQ(values.size(), 1u);
}

TEST_F(SettingsStoreTest, WritesReplaceAtomically) {
    SettingsStore store = Volatile();
    ASSERT_EQ(store.SetValue(kKey, u"v", kRegBinary, std::vector<uint8_t>(48, 1)), 0u);
    const fs::path keyFolder = run() / "Kelmora" / "Software" / "Kelmora" / "LCPortable";
    struct stat before {};
    ASSERT_EQ(::stat((keyFolder / "v").c_str(), &before), 0);
    // A reader holding the old file keeps seeing the old bytes: the new value is a new file.
    auto oldBytes = test::ReadFileBytes(keyFolder / "v");
    ASSERT_EQ(store.SetValue(kKey, u"v", kRegBinary, std::vector<uint8_t>(48, 2)), 0u);
    struct stat after {};
    ASSERT_EQ(::stat((keyFolder / "v").c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(Tree(keyFolder), std::set<std::string>{"v"});  // no temporary file left
    uint32_t type;
    std::vector<uint8_t> data;
    ASSERT_EQ(store.GetValue(kKey, u"v", type, data), 0u);
    EXPECT_EQ(data, std::vector<uint8_t>(48, 2));
    // An interrupted write (a leftover temporary file) is not a value.
    WriteText(keyFolder / ".tmp-1-2-3", "half");
    std::vector<SettingsValue> values;
    ASSERT_EQ(store.EnumValues(kKey, values), 0u);
    EXPECT_EQ(values.size(), 1u);
    EXPECT_EQ(store.SetValue(kKey, u"big", kRegBinary, std::vector<uint8_t>((1 << 20) + 1)),
              status::kInvalidParameter);
}

TEST_F(SettingsStoreTest, NamesNeverLeaveTheirKeyFolder) {
    SettingsStore store = Volatile();
    const std::u16string hostile[] = {
        u"../../.bashrc",         u"..", u".", u"", u"a/b", std::u16string(u"x\0y", 3),
        std::u16string(300, u'n')};
    for (const auto& name : hostile) {
        auto bytes = std::vector<uint8_t>{1, 2, 3};
        ASSERT_EQ(store.SetValue(kKey, name, kRegBinary, bytes), 0u);
        uint32_t type;
        std::vector<uint8_t> data;
        ASSERT_EQ(store.GetValue(kKey, name, type, data), 0u);
        EXPECT_EQ(data, bytes);
    }
    std::vector<SettingsValue> values;
    ASSERT_EQ(store.EnumValues(kKey, values), 0u);
    std::set<std::u16string> names;
    for (const auto& v : values) names.insert(v.name);
    EXPECT_EQ(names, std::set<std::u16string>(std::begin(hostile), std::end(hostile)));
    // Hostile key components too.
    ASSERT_EQ(store.SetValue("Software\\..\\..\\..\\etc", u"passwd", kRegSz, {}), 0u);

    // Nothing appeared outside the store, and every name is one plain component in its key.
    for (const auto& top : {scratch() / "home", scratch() / "config", scratch() / "tmp"})
        EXPECT_TRUE(fs::is_empty(top)) << top;
    for (const auto& entry : fs::directory_iterator(run()))
        EXPECT_EQ(entry.path().filename(), "Kelmora");
    const fs::path keyFolder = run() / "Kelmora" / "Software" / "Kelmora" / "LCPortable";
    for (const auto& entry : fs::directory_iterator(keyFolder)) {
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();
        EXPECT_LE(entry.path().filename().string().size(), 255u);
    }
}

TEST_F(SettingsStoreTest, KeyFoldersAreNotWalkedThroughLinks) {
    SettingsStore store = Volatile();
    fs::create_directory(scratch() / "outside");
    fs::create_directory_symlink(scratch() / "outside", run() / "Kelmora" / "Software");
    EXPECT_NE(store.SetValue(kKey, u"v", kRegBinary, std::vector<uint8_t>{1}), 0u);
    EXPECT_TRUE(fs::is_empty(scratch() / "outside"));
}

TEST(FileNameCodec, EncodesOnlyWhatIsUnsafeAndDecodesBack) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"Plain Name", "Plain Name"},
        {u"", "%"},
        {u".", "%2E"},
        {u"..", "%2E."},
        {u"a.b.", "a.b."},
        {u"50%", "50%25"},
        {u"a/b", "a%2Fb"},
        {std::u16string(u"\0\x1F\x7F", 3), "%00%1F%7F"},
        {u"Grüße \U0001F600", "Grüße \U0001F600"},
        {std::u16string(1, char16_t(0xD800)), "%uD800"},
        {u"back\\slash", "back\\slash"},
    };
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
    EXPECT_EQ(EncodeFileName(a), EncodeFileName(std::u16string(200, u'ü')));
}

TEST(IniFile, ProfileRules) {
    const char* text =
        "; settings\r\n"
        "[Other]\r\nAllowCopy=7\r\n"
        "[ options ]\r\n"
        "allowcopy = 12abc\r\n"
        "AllowCopy=99\r\n"  // the first one wins
        "AllowDrag&Drop=1\r\n"
        "Neg=-1\r\nWord=yes\r\nEmpty=\r\nQuoted=\"42\"\r\nHuge=99999999999\r\n";
    IniFile ini = IniFile::FromText(text);
    struct Case {
        const char* section;
        const char* key;
        unsigned expected;
    };
    for (Case c :
         {Case{"Options", "AllowCopy", 12}, Case{"OPTIONS", "ALLOWCOPY", 12},
          Case{"Options", "AllowDrag&Drop", 1}, Case{"Other", "AllowCopy", 7},
          Case{"Options", "Neg", 0}, Case{"Options", "Word", 0}, Case{"Options", "Empty", 0},
          Case{"Options", "Quoted", 42}, Case{"Options", "Missing", 0},
          Case{"Nowhere", "AllowCopy", 0}, Case{"Options", "Huge", 4294967295u}})
        EXPECT_EQ(ini.GetInt(c.section, c.key), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(ini.GetInt("Options", "Missing", 5), 5u);
}

TEST_F(SettingsStoreTest, IniFileIsReadFromTheCurrentFolderOnly) {
    const fs::path here = scratch() / "here";
    const fs::path there = scratch() / "there";
    fs::create_directories(here);
    fs::create_directories(there);
    WriteText(there / "LCPortable.ini", "[Options]\nAllowCopy=1\n");
    auto before = fs::current_path();
    fs::current_path(here);
    IniFile missing = IniFile::LoadFromCurrentDirectory("LCPortable.ini");
    fs::current_path(there);
    IniFile present = IniFile::LoadFromCurrentDirectory("LCPortable.ini");
    fs::current_path(before);
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_EQ(missing.GetInt("Options", "AllowCopy"), 0u);
    EXPECT_TRUE(present.IsLoaded());
    EXPECT_EQ(present.GetInt("Options", "AllowCopy"), 1u);
}

}  // namespace
}  // namespace lc
