#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "support/ErrLog.h"
#include "support/FIO.h"
#include "support/LRND.h"
#include "support/SupportStatus.h"

namespace lc {
namespace {

using test::ReadText;
using test::WriteText;

const std::string kPad16(16, ' ');

std::string Boxed(const std::string& piece) {
    return kPad16 + "|" + piece + std::string(58 - piece.size(), ' ') + "|\r\n";
}

class ErrLogTest : public test::SupportLayerTest {
protected:
    void SetUp() override {
        SupportLayerTest::SetUp();
        ErrLogResetLevelMaskForTest();
        std::tm t{};
        t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 5, t.tm_hour = 13, t.tm_min = 2, t.tm_sec = 7;
        ErrLogSetTimeForTest(&t);
        m_log = scratch() / "err.log";
        ::setenv("ERRLFILE", m_log.c_str(), 1);
    }
    void TearDown() override {
        ErrLogSetTimeForTest(nullptr);
        ErrLogResetLevelMaskForTest();
        SupportLayerTest::TearDown();
    }
    std::filesystem::path m_log;
};

TEST_F(ErrLogTest, GeneratorEntryHasTheExactHeaderAndBoxedLine) {
    const uint8_t seed[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_EQ(LRND_Init(seed, sizeof seed), 0u);
    uint8_t b = 0;
    EXPECT_EQ(LRND_Get(&b, 0), support::kIllegalArgument);
    EXPECT_EQ(ReadText(m_log), "01 12-05 13:02:07 E: FFFF8A8D L: 0002 M: LRND F: _Get\r\n" +
                                   Boxed("pabRand == NULL || ulRandLength == 0"));
}

TEST_F(ErrLogTest, MessagesAreCutIntoPiecesOf58) {
    struct Case {
        size_t length;
        size_t lines;
    };
    for (Case c : {Case{0, 1}, Case{1, 1}, Case{58, 1}, Case{59, 2}, Case{116, 2}, Case{117, 3},
                   Case{700, 9}}) {  // 700 is cut to the 511 a 512-byte buffer holds
        std::filesystem::remove(m_log);
        std::string message;
        for (size_t i = 0; i < c.length; ++i) message.push_back(static_cast<char>('a' + i % 26));
        ASSERT_EQ(ErrLogWrite(1, "MOD", "_Fn", 42, 0x1234, "%s", message.c_str()), 0u);
        std::string expected = "01 12-05 13:02:07 E: 00001234 L: 0042 M: MOD F: _Fn\r\n";
        std::string kept = message.substr(0, 511);
        size_t offset = 0;
        do {
            expected += Boxed(kept.substr(offset, 58));
            offset += 58;
        } while (offset < kept.size());
        EXPECT_EQ(ReadText(m_log), expected) << c.length;
        size_t crlf = 0;
        for (size_t pos = 0; (pos = expected.find("\r\n", pos)) != std::string::npos; pos += 2)
            ++crlf;
        EXPECT_EQ(crlf, 1 + c.lines) << c.length;
    }
    // 59 characters: the second line holds one character and 57 spaces.
    std::filesystem::remove(m_log);
    ErrLogWrite(1, "M", "F", 1, 0, "%s", std::string(58, 'x').append("y").c_str());
    std::string text = ReadText(m_log);
    EXPECT_NE(text.find(kPad16 + "|y" + std::string(57, ' ') + "|\r\n"), std::string::npos);
    // No format at all still gives one empty boxed line.
    std::filesystem::remove(m_log);
    ErrLogWrite(1, "M", "F", 1, 0, nullptr);
    EXPECT_EQ(ReadText(m_log), "01 12-05 13:02:07 E: 00000000 L: 0001 M: M F: F\r\n" + Boxed(""));
}

TEST_F(ErrLogTest, LevelMaskFollowsErrlvel) {
    struct Case {
        const char* errlvel;  // null: unset
        uint8_t level;
        bool written;
    };
    const Case cases[] = {
        {nullptr, 1, true}, {nullptr, 2, false}, {"2", 2, true}, {"2", 1, true},
        {"3", 2, true},     {"4", 2, false},     {"4", 4, true}, {"abc", 2, false},
    };
    for (const auto& c : cases) {
        ErrLogResetLevelMaskForTest();
        std::filesystem::remove(m_log);
        if (c.errlvel != nullptr)
            ::setenv("ERRLVEL", c.errlvel, 1);
        else
            ::unsetenv("ERRLVEL");
        EXPECT_EQ(ErrLogWrite(c.level, "M", "F", 1, 0, "x"), 0u);
        EXPECT_EQ(std::filesystem::exists(m_log), c.written)
            << (c.errlvel ? c.errlvel : "unset") << " level " << int(c.level);
    }
    // Bits once added stay for the process.
    ErrLogResetLevelMaskForTest();
    ::setenv("ERRLVEL", "2", 1);
    ErrLogWrite(1, "M", "F", 1, 0, "x");
    ::unsetenv("ERRLVEL");
    std::filesystem::remove(m_log);
    ErrLogWrite(2, "M", "F", 1, 0, "x");
    EXPECT_TRUE(std::filesystem::exists(m_log));
}

TEST_F(ErrLogTest, NothingWithoutErrlfile) {
    ::unsetenv("ERRLFILE");
    ::setenv("ERRLVEL", "255", 1);
    auto before = std::filesystem::current_path();
    std::filesystem::current_path(scratch());
    EXPECT_EQ(ErrLogWrite(1, "M", "F", 1, 0, "x"), 0u);
    EXPECT_EQ(ErrLogWrite(2, "M", "F", 1, 0, "x"), 0u);
    std::filesystem::current_path(before);
    for (const auto& e : std::filesystem::directory_iterator(scratch()))
        EXPECT_TRUE(e.is_directory()) << e.path();
}

TEST_F(ErrLogTest, AppendsAndOverwritesAnEndOfFileMark) {
    const std::string entry = "01 12-05 13:02:07 E: 00000000 L: 0001 M: M F: F\r\n" + Boxed("x");
    WriteText(m_log, std::string("old\r\n\x1A", 6));
    ErrLogWrite(1, "M", "F", 1, 0, "x");
    EXPECT_EQ(ReadText(m_log), "old\r\n" + entry);
    ErrLogWrite(1, "M", "F", 1, 0, "x");
    EXPECT_EQ(ReadText(m_log), "old\r\n" + entry + entry);  // no mark: plain append
    WriteText(m_log, std::string("\x1A", 1));
    ErrLogWrite(1, "M", "F", 1, 0, "x");
    EXPECT_EQ(ReadText(m_log), entry);
}

TEST_F(ErrLogTest, UnopenableFileGivesTheOpenCode) {
    ::setenv("ERRLFILE", (scratch() / "missing" / "err.log").c_str(), 1);
    EXPECT_EQ(ErrLogWrite(1, "M", "F", 1, 0, "x"), support::kFileOpenFailed);
    ::setenv("ERRLFILE", scratch().c_str(), 1);  // a folder
    EXPECT_EQ(ErrLogWrite(1, "M", "F", 1, 0, "x"), support::kFileOpenFailed);
}

TEST_F(ErrLogTest, FileWrapperModesAndSharing) {
    const std::string name = (scratch() / "f.bin").string();
    FioHandle h = 123;
    EXPECT_NE(FIO_Open(name.c_str(), &h, kFioOpenAppend, kFioShareDenyWrite), 0u);
    EXPECT_EQ(h, kFioInvalidHandle);
    ASSERT_EQ(FIO_Open(name.c_str(), &h, kFioCreateNew, kFioShareDenyWrite), 0u);
    uint32_t n = 0;
    EXPECT_EQ(FIO_WriteBin(h, "hello", 5, &n), 0u);
    EXPECT_EQ(n, 5u);
    // A second writer is kept out while the file is open, and a new create is refused.
    FioHandle h2 = kFioInvalidHandle;
    EXPECT_EQ(FIO_Open(name.c_str(), &h2, kFioOpenAppend, kFioShareDenyWrite),
              status::kSharingViolation);
    EXPECT_EQ(FIO_Open(name.c_str(), &h2, kFioCreateNew, kFioShareDenyWrite), support::kFileExists);
    uint64_t pos = 0;
    EXPECT_EQ(FIO_Seek(h, 1, 0, &pos), 0u);
    EXPECT_EQ(pos, 1u);
    char buf[8] = {};
    EXPECT_EQ(FIO_ReadBin(h, buf, 2, 10, &n), 0u);  // min(bufferSize, length)
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(std::string(buf, 2), "el");
    EXPECT_NE(FIO_Seek(h, -10, 1, &pos), 0u);
    EXPECT_EQ(FIO_Close(h), 0u);
    ASSERT_EQ(FIO_Open(name.c_str(), &h2, kFioOpenAppend, kFioShareDenyWrite), 0u);
    EXPECT_EQ(FIO_Seek(h2, 0, 1, &pos), 0u);
    EXPECT_EQ(pos, 5u);
    FIO_Close(h2);
    EXPECT_EQ(FIO_Open(std::string(5000, 'a').c_str(), &h, kFioCreateNew, 32),
              support::kIllegalArgument);
}

}  // namespace
}  // namespace lc
