#include <string>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "support/ErrLog.h"
#include "support/SupportStatus.h"

namespace lc {
namespace {

void Write(uint8_t level, const char* text = "x") {
    IgnoreStatus(ErrLogWrite(level, "M", "F", 1, status::kSuccess, text), "file read back");
}

using test::ReadText;
using test::WriteText;

const std::string kHeader = "01 12-05 13:02:07 E: 00000000 L: 0001 M: M F: F\r\n";

std::string Boxed(const std::string& piece) {
    return std::string(16, ' ') + "|" + piece + std::string(58 - piece.size(), ' ') + "|\r\n";
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
    std::filesystem::path m_log;
};

TEST_F(ErrLogTest, MessagesAreCutIntoPiecesOf58) {
    // 700 is cut to the 511 a 512-byte buffer holds.
    for (auto [length, lines] :
         {std::pair<size_t, size_t>{0, 1}, {58, 1}, {59, 2}, {117, 3}, {700, 9}}) {
        std::filesystem::remove(m_log);
        std::string message;
        for (size_t i = 0; i < length; ++i) message.push_back(static_cast<char>('a' + i % 26));
        ASSERT_EQ(ErrLogWrite(1, "MOD", "_Fn", 42, Status{0x1234}, "%s", message.c_str()),
                  status::kSuccess);
        std::string expected = "01 12-05 13:02:07 E: 00001234 L: 0042 M: MOD F: _Fn\r\n";
        for (size_t i = 0; i < lines; ++i)
            expected += Boxed(message.substr(i * 58, std::min<size_t>(58, 511 - i * 58)));
        EXPECT_EQ(ReadText(m_log), expected) << length;
    }
}

TEST_F(ErrLogTest, LevelMaskFollowsErrlvel) {
    // Which of the levels 1, 2 and 4 are written: level 1 always, the others by their bit.
    for (auto [errlvel, written] :
         {std::pair<const char*, unsigned>{nullptr, 1}, {"2", 3}, {"3", 3}, {"4", 5}, {"abc", 1}}) {
        errlvel ? ::setenv("ERRLVEL", errlvel, 1) : ::unsetenv("ERRLVEL");
        for (unsigned level : {1, 2, 4}) {
            ErrLogResetLevelMaskForTest();
            std::filesystem::remove(m_log);
            EXPECT_EQ(ErrLogWrite(uint8_t(level), "M", "F", 1, status::kSuccess, "x"),
                      status::kSuccess);
            EXPECT_EQ(std::filesystem::exists(m_log), (written & level) != 0)
                << (errlvel ? errlvel : "unset") << " level " << level;
        }
    }
    // Nothing is written anywhere without ERRLFILE.
    std::filesystem::remove(m_log);
    ::unsetenv("ERRLFILE");
    ::setenv("ERRLVEL", "255", 1);
    auto before = std::filesystem::current_path();
    std::filesystem::current_path(scratch());
    EXPECT_EQ(ErrLogWrite(1, "M", "F", 1, status::kSuccess, "x"), status::kSuccess);
    std::filesystem::current_path(before);
    for (const auto& e : std::filesystem::directory_iterator(scratch()))
        EXPECT_TRUE(e.is_directory()) << e.path();
}

TEST_F(ErrLogTest, AppendsAndOverwritesAnEndOfFileMark) {
    const std::string entry = kHeader + Boxed("x");
    WriteText(m_log, std::string("old\r\n\x1A", 6));
    Write(1);
    Write(1);  // no mark now: plain append
    EXPECT_EQ(ReadText(m_log), "old\r\n" + entry + entry);
    WriteText(m_log, std::string("\x1A", 1));
    Write(1);
    EXPECT_EQ(ReadText(m_log), entry);
    // A missing folder, a folder or an overlong name as the log file gives the open code.
    for (auto bad :
         {scratch() / "missing" / "err.log", scratch(), scratch() / std::string(5000, 'a')}) {
        ::setenv("ERRLFILE", bad.c_str(), 1);
        EXPECT_EQ(ErrLogWrite(1, "M", "F", 1, status::kSuccess, "x"), support::kFileOpenFailed)
            << bad;
    }
}

}  // namespace
}  // namespace lc
