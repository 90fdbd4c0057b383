// SPDX-License-Identifier: MIT
// UTF-8 to UTF-16 and back, with undecodable bytes carried through; the
// error descriptions every backend takes its texts from.
#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace malvorn {
namespace {

TEST(Text, RoundTripsValidText) {
    const std::string s = "C:\\数据\\a b\\😀.txt";
    EXPECT_EQ(toUtf8(fromUtf8(s)), s);
    EXPECT_EQ(fromUtf8("😀").size(), 2u);  // a surrogate pair
}

TEST(Text, CarriesUndecodableBytesThrough) {
    const std::string bytes[] = {
        "bad\xff",
        "\x80",
        "\xc3",
        "\xe6\x95",
        "\xed\xa0\x80" /* encoded surrogate */,
        "\xc0\xaf" /* overlong */,
        "\xf4\x90\x80\x80" /* above U+10FFFF */,
        "ok\xe6\x95\xb0\xff\xfe",
    };
    for (const std::string& b : bytes) {
        SCOPED_TRACE(b);
        const Text t = fromUtf8(b);
        EXPECT_EQ(toUtf8(t), b);
        for (char16_t c : forDisplay(t)) EXPECT_FALSE(c >= 0xD800 && c <= 0xDFFF && c >= 0xDC80 && c <= 0xDCFF);
    }
    EXPECT_EQ(forDisplay(fromUtf8("a\xffz")), u"a\uFFFDz");
}

TEST(Text, LoneSurrogatesThatAreNotEscapesBecomeReplacement) {
    const Text t{u'a', static_cast<char16_t>(0xD800), u'b'};
    EXPECT_EQ(toUtf8(t),
              "a\xef\xbf\xbd"
              "b");
}

bool hasChinese(const Text& text) {
    for (char16_t c : text)
        if (c >= 0x4E00 && c <= 0x9FFF) return true;
    return false;
}

// The person reads every description in Chinese, whichever number a
// backend raises.
TEST(ErrorTexts, ChineseForEveryNumber) {
    for (std::int32_t number = -2000; number <= 2000; ++number) {
        EXPECT_TRUE(hasChinese(errorDescription(number))) << number;
        EXPECT_EQ(PlatformError(number).description(), errorDescription(number));
    }
    EXPECT_EQ(toUtf8(errorDescription(errors::PathNotFound)), "路径未找到");
    EXPECT_EQ(toUtf8(errorDescription(errors::DeviceUnavailable)), "设备不可用");
    EXPECT_EQ(toUtf8(errorDescription(errors::InvalidProperty)), "无效的属性值");
    EXPECT_EQ(toUtf8(errorDescription(12345)), "错误 12345");
}

}  // namespace
}  // namespace malvorn
