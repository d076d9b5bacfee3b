// lcportable-cli info, run as a program on volumes made by mkvol, and the texts it shows.
#include <tuple>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TestVolume.h"
#include "resources/ErrorText.h"

namespace lc {
namespace {

// English texts, and no password from the caller's environment unless a case gives one.
test::RunResult Info(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
    std::vector<std::string> argv{test::CliPath(), "info"};
    argv.insert(argv.end(), args.begin(), args.end());
    env.insert(env.begin(), {"LC_ALL=C", "LANG=C", "LC_MESSAGES=C", "LCPORTABLE_PASSWORD"});
    return test::Run(argv, {}, env);
}

TEST(InfoCommand, FactsPasswordsAndFailures) {
    test::ScratchDir dir;
    const std::string volume = test::MakeVolume(dir, "v", test::RandomImage(4, 11),
                                                test::Words("--password-a Grüße --name Bücher "
                                                            "--algorithm 0"))
                                   .string();
    const std::string right = (dir / "right.txt").string(), wrong = (dir / "wrong.txt").string();
    // First line only, CRLF removed; the other file has no line end at all.
    test::WriteFileBytes(right, {'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e', '\r', '\n', 'x', '\n'});
    test::WriteFileBytes(wrong, {'G', 'r', 'u', 'e', 's', 's', 'e'});
    const auto ring = test::MakeVolume(dir, "ring", test::RandomImage(1, 12),
                                       test::Words("--format-level 210 --keyring-b 1"));
    const auto none = test::MakeVolume(dir, "none", test::RandomImage(1, 13), {});
    const std::string sample = test::FixtureDir().string() + "/../../examples/sample.vol";
    const auto newer = test::MakeVolume(dir, "newer", test::RandomImage(1, 14),
                                        test::Words("--password-a x --version 231"));
    const std::string missing = (dir / "missing.vol").string(), cutVol = (dir / "cut.vol").string(),
                      plain = (dir / "plain.bin").string(), noFile = (dir / "nofile").string();
    std::vector<uint8_t> cut = test::ReadFileBytes(volume);
    cut.resize(4096);
    test::WriteFileBytes(cutVol, cut);
    test::WriteFileBytes(plain, std::vector<uint8_t>(80000, 'x'));
    const std::string unset = "LCPORTABLE_PASSWORD", correct = "password: correct\n";
    const std::string pwRight = "LCPORTABLE_PASSWORD=Grüße", pwWrong = "LCPORTABLE_PASSWORD=Grusse";
    // arguments, environment, exit code, text on stdout for 0 and 3, else on stderr
    const std::tuple<std::vector<std::string>, std::string, int, std::string> cases[] = {
        {{volume}, unset, 0, "version: 230\nformat level: 0\nalgorithm: AES-128\nvolume name: Bü"},
        {{volume}, unset, 0, "r\nkey block A: present\nkey block B: absent\nkey ring A: none\n"},
        {{volume}, pwRight, 0, correct},
        {{volume}, pwWrong, 3, "password: wrong\n"},
        {{"--password-file", right, volume}, "LCPORTABLE_PASSWORD=nope", 0, correct},
        {{"--password-file=" + wrong, volume}, unset, 3, "password: wrong\n"},
        {{sample}, "LCPORTABLE_PASSWORD=sample", 0, "AES-256\nvolume name: Sample\n"},
        {{missing}, unset, 1, "missing.vol: No such file or directory (212)\n"},
        {{plain}, unset, 1, "plain.bin: not a volume file (4026531908)\n"},
        {{cutVol}, unset, 1, "cut.vol: volume file too short (4026531908)\n"},
        {{newer.string()}, unset, 1, "newer.vol: volume format 231 is newer than this reader (2"},
        {{dir.path().string()}, unset, 1, ": Is a directory (212)\n"},
        {{"--json", volume},
         pwWrong,
         3,
         R"(,"version":230,"format_level":0,"algorithm":"AES-128","volume_name":"Bücher",)"
         R"("key_block_a":"present","key_block_b":"absent","key_ring_a":"none",)"
         R"("key_ring_b":"none","password":"wrong"})"},
        {{"--password-file", volume, ring.string()}, unset, 1, "protected by a key ring are not"},
        {{"--password-file", volume, none.string()}, unset, 1, "no password is defined for this"},
        {{"--password-file", noFile, volume}, unset, 1, "(2)\n"},
    };
    for (const auto& [args, env, exitCode, text] : cases) {
        auto r = Info(args, {env});
        EXPECT_EQ(r.exitCode, exitCode) << text << r.err;
        EXPECT_NE((exitCode == 0 || exitCode == 3 ? r.out : r.err).find(text), std::string::npos)
            << text << r.out << r.err;
    }
    EXPECT_NE(Info({sample}, {"LCPORTABLE_PASSWORD=sample"}).out.find(correct), std::string::npos);
    EXPECT_EQ(Info({volume}).out.find("password:"), std::string::npos);  // none given, none shown
}

TEST(FormatOpenError, TextsOfTheOpenSequence) {
    const std::tuple<Status, const char*, const char*> cases[] = {
        {Status{1}, "Unsupported file system (must be FAT).",
         "Dateisystem wird nicht unterstützt (muss FAT sein)."},
        {Status{2}, "The system cannot find the file specified. (2)",
         "Das System kann die angegebene Datei nicht finden. (2)"},
        {status::kErrVersionTooNew, "Unknown error code f0000047 (71) (4026531911)",
         "Unbekannte Fehler f0000047 (71) (4026531911)"},
    };
    for (const auto& [code, english, german] : cases) {
        EXPECT_EQ(FormatOpenError(code, Language::English), english) << code;
        EXPECT_EQ(FormatOpenError(code, Language::German), german) << code;
    }
}

}  // namespace
}  // namespace lc
