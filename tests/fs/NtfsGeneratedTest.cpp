// NTFS images filled through libntfs-3g by mkbigdir, listed and extracted by the command-line tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "FsTestUtil.h"

namespace lc::test {
namespace {

// The name of file number index, and what mkbigdir writes into it.
std::string FileName(unsigned index) {
    char name[32];
    std::snprintf(name, sizeof name, "file-%05u.txt", index);
    return name;
}
std::vector<uint8_t> FileBytes(unsigned index, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t at = 0; at < size; ++at)
        bytes[at] = static_cast<uint8_t>(index * 31 + at * 7 + at / 251);
    return bytes;
}

// An mkntfs image of mib MiB filled by mkbigdir (options, folder, count), as an AES-256 volume.
std::string MakeVolume(const ScratchDir& scratch, int mib, std::vector<std::string> args) {
    auto image = (scratch / "plain.img").string();
    args.insert(args.begin(), LC_MKBIGDIR);
    args.insert(args.end() - 2, image);
    auto vol = (scratch / "generated.vol").string();
    for (const auto& command :
         {std::vector<std::string>{"truncate", "-s", std::to_string(mib) + "M", image},
          {"mkntfs", "-F", "-f", "-q", "-T", "-c", "4096", "-s", "512", image},
          args,
          {MkvolPath(), "--password-a", "pw", "--algorithm", "1", image, vol}}) {
        RunResult made = test::Run(command);
        EXPECT_EQ(made.exitCode, 0) << made.err;
    }
    return vol;
}

RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), CliPath());
    return test::Run(args, {}, {"LCPORTABLE_PASSWORD=pw"});
}

TEST(NtfsGeneratedTest, FiftyThousandFilesInOneFolder) {
    constexpr unsigned kFiles = 50000;
    ScratchDir scratch;
    std::string vol = MakeVolume(scratch, 96, {"--size", "16", "big", std::to_string(kFiles)});

    RunResult listed = Cli({"ls", vol, "big"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    // Every name once (listed in the index's stored order, not by name).
    std::vector<std::string> names;
    std::istringstream lines(listed.out);
    for (std::string line; std::getline(lines, line);) names.push_back(line);
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), kFiles);
    for (unsigned i = 0; i < kFiles; ++i) ASSERT_EQ(names[i], FileName(i));

    const unsigned picked[] = {0, 1, 31337, kFiles - 1};
    std::vector<std::string> args = {"extract", vol, "-C", (scratch / "out").string()};
    for (unsigned i : picked) args.push_back("big/" + FileName(i));
    RunResult run = Cli(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (unsigned i : picked)
        EXPECT_EQ(ReadFileBytes(scratch / "out" / "big" / FileName(i)), FileBytes(i, 16)) << i;
}

// So fragmented an MFT that its runs continue in an extension record.
TEST(NtfsGeneratedTest, MftRunsContinueInAnExtensionRecord) {
    constexpr unsigned kFiles = 1200;
    ScratchDir scratch;
    std::string vol =
        MakeVolume(scratch, 32, {"--fragment", "--size", "100", "frag", std::to_string(kFiles)});
    // The Sleuth Kit sees the MFT's own attribute list, and its data in two records.
    RunResult stat = test::Run({"istat", (scratch / "plain.img").string(), "0"});
    ASSERT_NE(stat.out.find("$ATTRIBUTE_LIST"), std::string::npos) << stat.out;

    // The files' records lie in the MFT's later pieces.
    RunResult run = Cli({"extract", vol, "-C", (scratch / "out").string(), "frag"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    auto folder = std::filesystem::directory_iterator(scratch / "out" / "frag");
    EXPECT_EQ(std::distance(begin(folder), end(folder)), kFiles);
    for (unsigned i = 0; i < kFiles; ++i)
        ASSERT_EQ(ReadFileBytes(scratch / "out" / "frag" / FileName(i)), FileBytes(i, 100)) << i;
}

}  // namespace
}  // namespace lc::test
