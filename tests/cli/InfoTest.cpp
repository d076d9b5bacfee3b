// lcportable-cli info, run as a program on volumes made by mkvol.
#include <gtest/gtest.h>

#include "../volume/TestVolume.h"
#include "TestSupport.h"

namespace lc {
namespace {

using test::RunResult;

// English texts, and no password from the caller's environment unless a case gives one.
RunResult Info(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
    std::vector<std::string> argv{test::CliPath(), "info"};
    argv.insert(argv.end(), args.begin(), args.end());
    env.insert(env.begin(), {"LC_ALL=C", "LANG=C", "LC_MESSAGES=C", "LCPORTABLE_PASSWORD"});
    return test::Run(argv, {}, env);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class InfoCommand : public testing::Test {
protected:
    void SetUp() override {
        volume = test::MakeVolume(dir, "v", test::RandomImage(4, 11),
                                  {"--password-a", "Grüße", "--name", "Bücher", "--algorithm", "0"})
                     .string();
    }
    test::ScratchDir dir;
    std::string volume;
};

TEST_F(InfoCommand, HeaderFactsWithoutPassword) {
    auto r = Info({volume});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const char* line :
         {"version: 230\n", "format level: 0\n", "algorithm: AES-128\n", "volume name: Bücher\n",
          "key block A: present\n", "key block B: absent\n", "key ring A: none\n"})
        EXPECT_TRUE(Contains(r.out, line)) << line << r.out;
    EXPECT_FALSE(Contains(r.out, "password:")) << r.out;
}

TEST_F(InfoCommand, PasswordSourcesAndExitCodes) {
    test::WriteFileBytes(dir / "right.txt",
                         {'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e', '\r', '\n', 'x', '\n'});
    test::WriteFileBytes(dir / "wrong.txt", {'G', 'r', 'u', 'e', 's', 's', 'e'});
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> env;
        int exitCode;
        const char* verdict;
    };
    const std::string right = (dir / "right.txt").string(), wrong = (dir / "wrong.txt").string();
    const Case cases[] = {
        {"variable right", {}, {"LCPORTABLE_PASSWORD=Grüße"}, 0, "password: correct\n"},
        {"variable wrong", {}, {"LCPORTABLE_PASSWORD=Grusse"}, 3, "password: wrong\n"},
        {"file right (CRLF, first line only)",
         {"--password-file", right},
         {},
         0,
         "password: correct\n"},
        {"file wrong, no line end", {"--password-file=" + wrong}, {}, 3, "password: wrong\n"},
        {"file before variable",
         {"--password-file", right},
         {"LCPORTABLE_PASSWORD=nope"},
         0,
         "password: correct\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto args = c.args;
        args.push_back(volume);
        auto r = Info(args, c.env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_TRUE(Contains(r.out, c.verdict)) << r.out;
    }
}

TEST_F(InfoCommand, FailuresInTheWordsOfTheOpenSequence) {
    test::WriteFileBytes(dir / "plain.bin", std::vector<uint8_t>(80000, 'x'));
    auto ring =
        test::MakeVolume(dir, "ring", test::RandomImage(1, 12),
                         {"--password-a", "pw", "--format-level", "210", "--keyring-b", "1"});
    auto none = test::MakeVolume(dir, "none", test::RandomImage(1, 13), {});
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        const char* text;
    };
    const Case cases[] = {
        {"missing file",
         {(dir / "missing.vol").string()},
         1,
         "The segment is locked and cannot be reallocated. (212)\n"},
        {"not a volume",
         {(dir / "plain.bin").string()},
         1,
         "This is not a virtual disk volume file.\n"},
        {"key ring",
         {"--password-file", volume, ring.string()},
         1,
         "Keyring is not supported in this version of Fortalice® portable reader.\n"},
        {"no key block",
         {"--password-file", volume, none.string()},
         1,
         "No password defined for this volume.\n"},
        {"no volume named", {}, 2, "usage"},
        {"unknown option", {"--frobnicate", volume}, 2, "--frobnicate"},
        {"password file missing",
         {"--password-file", (dir / "nofile").string(), volume},
         1,
         "(2)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = Info(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out;
        EXPECT_TRUE(Contains(r.err, c.text)) << r.err;
    }
}

TEST(InfoSample, TheBundledSampleUnlocks) {
    const std::string sample = test::FixtureDir().string() + "/../../examples/sample.vol";
    auto r = Info({sample}, {"LCPORTABLE_PASSWORD=sample"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "volume name: Sample\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "algorithm: AES-256\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "password: correct\n")) << r.out;
}

}  // namespace
}  // namespace lc
