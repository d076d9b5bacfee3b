#include <gtest/gtest.h>

#include "platform/ByteReader.h"
#include "platform/Text.h"

namespace lc {
namespace {

TEST(ByteReader, RefusesReadsPastTheEnd) {
    const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
    ByteReader r(bytes);
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
}

}  // namespace
}  // namespace lc
