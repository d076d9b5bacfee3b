#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/ByteReader.h"
#include "platform/ErrorCodes.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace lc {
namespace {

TEST(ErrorCodes, MessageTextsInBothLanguages) {
    EXPECT_EQ(SystemMessageText(Status{2}, Language::English),
              "The system cannot find the file specified.");
    EXPECT_EQ(SystemMessageText(Status{86}, Language::English),
              "The specified network password is not correct.");
    EXPECT_EQ(SystemMessageText(Status{1223}, Language::English),
              "The operation was canceled by the user.");
    EXPECT_FALSE(SystemMessageText(Status{0xF0000047}, Language::English).has_value());
}

TEST(ByteReader, RefusesReadsPastTheEnd) {
    const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
    ByteReader r(bytes);
    EXPECT_EQ(r.At<uint32_t>(0), 0x04030201u);
    EXPECT_EQ(r.At<uint32_t>(1), 0x05040302u);
    EXPECT_FALSE(r.At<uint32_t>(2).has_value());
    EXPECT_FALSE(r.At<uint8_t>(SIZE_MAX).has_value());
    EXPECT_FALSE(r.Slice(4, SIZE_MAX).has_value());
    EXPECT_EQ(r.Read<uint16_t>(), 0x0201u);
    EXPECT_EQ(r.Read<int8_t>(), 3);
    EXPECT_FALSE(r.Read<uint32_t>().has_value());
    EXPECT_EQ(r.position(), 3u);
    EXPECT_TRUE(r.Take(2).has_value());
    EXPECT_FALSE(r.Take(1).has_value());
}

TEST(Text, Utf16RoundTripAndReplacement) {
    std::u16string mixed = u"Grüße 漢字 \U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(mixed)), mixed);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
    auto pw = Utf8ToPassword("pä");
    ASSERT_EQ(pw.size(), 2u);
    EXPECT_EQ(pw[1], u'ä');
}

TEST(File, ShortReadIsEndOfFile) {
    test::ScratchDir dir;
    auto target = dir / "target";
    test::WriteFileBytes(target, {1, 2, 3});
    File f;
    ASSERT_EQ(f.OpenRead(target.string()), status::kSuccess);
    uint8_t buf[4];
    EXPECT_EQ(f.ReadExactAt(0, buf), status::kHandleEof);
    EXPECT_EQ(f.ReadExactAt(1, std::span(buf, 2)), status::kSuccess);
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(File().OpenRead((dir / "missing").string()), status::kFileNotFound);
}

}  // namespace
}  // namespace lc
