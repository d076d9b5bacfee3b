// The random-access reader, from several threads at once, against what `extract` writes.

#include <thread>

#include "FsTestUtil.h"
#include "MountTestUtil.h"
#include "fs/FileReader.h"
#include "platform/Text.h"
#include "volume/CLCFiles.h"

namespace lc::test {
namespace {

class FileReaderTest : public testing::TestWithParam<MountFixture> {};

TEST_P(FileReaderTest, RandomRangesEqualExtractedBytes) {
    const PreparedVolume& prepared = Prepare(GetParam());
    CLCFiles volume;
    ASSERT_EQ(volume.Open(prepared.volume, Utf8ToUtf16(kMountPassword)), status::kSuccess);
    std::vector<const DirInfo*> records;
    CollectRecords(volume.Root(), records);

    size_t compared = 0;
    for (const DirInfo* record : records) {
        const std::string path = PathOf(record);
        const auto extracted = prepared.extracted / path;
        std::error_code error;
        // Folders, links, encrypted data and long names (shortened) are not extracted under path.
        if (!std::filesystem::is_regular_file(extracted, error)) continue;
        auto opened = OpenFileReader(volume.FileSystem(), *record);
        ASSERT_TRUE(opened.ok()) << path << ": " << opened.status();
        FileReader& reader = **opened;
        ASSERT_EQ(reader.Size(), std::filesystem::file_size(extracted)) << path;
        ++compared;
        // Four threads read the same handle at once, each its own ranges.
        std::vector<std::thread> threads;
        for (unsigned t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                // Small files get few ranges: most of a range lies past their end.
                const size_t count = reader.Size() > 65536 ? 12 : 2;
                for (auto [offset, length] :
                     RandomRanges(reader.Size(), t * 31 + compared, count)) {
                    std::vector<uint8_t> got(length);
                    size_t n = 0;
                    ASSERT_EQ(reader.ReadAt(offset, got, n), status::kSuccess) << path;
                    got.resize(n);
                    ASSERT_EQ(got, ReadRange(extracted, offset, length))
                        << path << " at " << offset << " + " << length;
                }
            });
        }
        for (auto& thread : threads) thread.join();
    }
    EXPECT_GT(compared, 0u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FileReaderTest, testing::ValuesIn(kMountFixtures), FixtureName);

}  // namespace
}  // namespace lc::test
