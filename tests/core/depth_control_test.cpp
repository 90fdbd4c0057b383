// SPDX-License-Identifier: MIT
// The depth box and the scroll bar: conversions, clamping, key steps and
// the one-shot SkipChange protocol.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "harness.h"
#include "window/depth_numbers.h"

namespace malvorn::testing {
namespace {

struct DepthTest : StartedWindowTest {
    void type(const char* text) { h.level().userType(fromUtf8(text)); }
    void key(std::int16_t code, std::int16_t shift = 0) { h.level().keyDown(code, shift); }
    std::string box() { return toUtf8(h.level().text()); }
    int bar() { return h.ws.scrollBar().value(); }
    void expectDepth(int levels) {
        EXPECT_EQ(h.form.State.Levels, levels);
        EXPECT_EQ(box(), std::to_string(levels));
        EXPECT_EQ(bar(), 32767 - levels);
        EXPECT_EQ(h.form.State.SkipChange, False);
    }
};

TEST_F(DepthTest, StartUpAgrees) { expectDepth(1); }

TEST_F(DepthTest, TypedTextIsReadClampedAndRewritten) {
    const std::pair<std::string, int> cases[] = {
        {"", 1},
        {"0", 1},
        {"-5", 1},
        {"32768", 32767},
        {"12abc", 12},
        {"abc", 1},
        {"  42", 42},
        {"007", 7},
        {"2.5", 2},
        {"3.5", 4},
        {"0.5", 1},
        {"99999999999", 32767},
        {"1e3", 1000},
        {"-99999999999", 1},
        {"+9", 9},
        {"5", 5},
        {"05", 5},
        {"1e999", 32767},
        {"0." + std::string(400, '0') + "1", 1},
        {"1" + std::string(400, '0') + "e-10", 32767},
    };
    for (const auto& [text, levels] : cases) {
        SCOPED_TRACE(text);
        type(text.c_str());
        expectDepth(levels);
    }
}

TEST_F(DepthTest, KeysStepTheNumberInTheBoxAndClamp) {
    type("5");
    key(38);
    expectDepth(6);
    key(40);
    expectDepth(5);
    key(33);
    expectDepth(15);
    key(34);
    key(34);
    expectDepth(1);  // 15 - 10 - 10 = -5, clamped
    key(40);
    expectDepth(1);
    type("32767");
    key(38);
    expectDepth(32767);
    type("32760");
    key(33);
    expectDepth(32767);
}

TEST_F(DepthTest, ModifiersAreIgnoredAndOtherKeysDoNothing) {
    type("5");
    key(38, 1);
    key(38, 2);
    key(38, 4);
    expectDepth(8);
    const int changes = h.level().changeCount;
    key(65);
    key(13);
    EXPECT_EQ(h.level().changeCount, changes);
    expectDepth(8);
}

TEST_F(DepthTest, StepsAddToTheBoxTextNotToLevels) {
    // A fraction stays in the box as stepped text until the change handler
    // rounds it: 2.5 + 1 = 3.5, which rounds to 4.
    h.form.State.SkipChange = True;
    h.level().userType(u"2.5");  // swallowed: box shows 2.5, Levels stays 1
    EXPECT_EQ(h.form.State.Levels, 1);
    key(38);
    expectDepth(4);
    // A number beyond a double's range stepped stays beyond it.
    h.form.State.SkipChange = True;
    h.level().userType(u"1e400");
    key(40);
    expectDepth(32767);
}

TEST_F(DepthTest, ScrollBarSetsTheDepthWithoutClamping) {
    h.ws.scrollBar().userSet(0);
    expectDepth(32767);
    h.ws.scrollBar().userSet(32766);
    expectDepth(1);
    h.ws.scrollBar().userSet(32756);
    expectDepth(11);
    h.ws.scrollBar().userDrag(32700);
    expectDepth(67);
}

TEST_F(DepthTest, PendingFlagSwallowsTheNextEditWhole) {
    type("5");
    h.form.State.SkipChange = True;  // as left by the folder controls
    type("9");
    EXPECT_EQ(box(), "9");
    EXPECT_EQ(h.form.State.Levels, 5);
    EXPECT_EQ(bar(), 32762);
    EXPECT_EQ(h.form.State.SkipChange, False);
    type("9");
    expectDepth(9);
}

TEST_F(DepthTest, PendingFlagSwallowsAKeyStep) {
    type("5");
    h.form.State.SkipChange = True;
    key(38);
    EXPECT_EQ(box(), "6");
    EXPECT_EQ(h.form.State.Levels, 5);
}

// `head`, then `count` zeros, then `tail`.
Text zeros(const char16_t* head, std::size_t count, const char16_t* tail = u"") {
    Text t(head);
    t.append(count, u'0');
    t.append(tail);
    return t;
}

TEST(DepthNumbers, LeadingNumber) {
    EXPECT_EQ(LeadingNumber(u"12abc"), 12);
    EXPECT_EQ(LeadingNumber(u" \t-3.25x"), -3.25);
    EXPECT_EQ(LeadingNumber(u".5"), 0.5);
    EXPECT_EQ(LeadingNumber(u"1.2.3"), 1.2);
    EXPECT_EQ(LeadingNumber(u"2e"), 2);
    EXPECT_EQ(LeadingNumber(u"2e+"), 2);
    EXPECT_EQ(LeadingNumber(u"2E2"), 200);
    EXPECT_EQ(LeadingNumber(u"-"), 0);
    EXPECT_EQ(LeadingNumber(u"."), 0);
    EXPECT_EQ(LeadingNumber(u"１２"), 0);  // full-width digits are not digits here
    EXPECT_EQ(LeadingNumber(u"1e-999"), 0);
    // Beyond a double's range the digits and the exponent together say
    // whether the value is huge or tiny.
    EXPECT_EQ(LeadingNumber(zeros(u"0.", 400, u"1")), 0);
    EXPECT_EQ(LeadingNumber(zeros(u"1", 400, u"e-10")), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber(u"-0.001e99999999999999999999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber(u"1000e-99999999999999999999"), 0);
}

TEST(DepthNumbers, RoundHalfToEvenAndHoldAtTheEnds) {
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
    EXPECT_EQ(RoundToInt32(0.5), 0);
    EXPECT_EQ(RoundToInt32(1e300), 2147483647);
    EXPECT_EQ(RoundToInt32(-1e300), -2147483647 - 1);
    EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
}

TEST(DepthNumbers, SteppedText) {
    EXPECT_EQ(SteppedText(32768), u"32768");
    EXPECT_EQ(SteppedText(-5), u"-5");
    EXPECT_EQ(SteppedText(3.5), u"3.5");
    EXPECT_EQ(SteppedText(0.1 + 0.2), u"0.3");
    EXPECT_EQ(SteppedText(-0.0), u"0");
    EXPECT_EQ(SteppedText(1e15), u"1000000000000000");
    EXPECT_EQ(SteppedText(-123456789012345678.0), u"-123456789012345680");
    EXPECT_EQ(SteppedText(std::numeric_limits<double>::infinity()), zeros(u"1", 309));
    EXPECT_EQ(SteppedText(-std::numeric_limits<double>::infinity()), zeros(u"-1", 309));
}

// Reading, rounding and stepping on generated text, against the C
// library's own reading of the same text in the C locale.
TEST(DepthNumbers, AgreeWithStrtodOnGeneratedText) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const std::vector<std::string> pieces = {"0",
                                             "1",
                                             "5",
                                             "9",
                                             ".",
                                             "e",
                                             "E",
                                             "+",
                                             "-",
                                             " ",
                                             "\t",
                                             "a",
                                             std::string(200, '0'),
                                             "e308",
                                             "e-324",
                                             "e400",
                                             "9999999999999999",
                                             "2147483647.5",
                                             "0.5",
                                             "e-",
                                             "e+"};
    std::mt19937 generate(20261209);  // fixed: the same texts on every run
    int numbers = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (unsigned k = generate() % 10; k > 0; --k) text += pieces[generate() % pieces.size()];
        char* end = nullptr;
        double expected = std::strtod(text.c_str(), &end);
        if (end == text.c_str()) expected = 0.0;
        bool found = false;
        const double read = LeadingNumber(fromUtf8(text), &found);
        EXPECT_EQ(found, end != text.c_str()) << text;
        ASSERT_TRUE(read == expected && std::signbit(read) == std::signbit(expected))
            << "\"" << text << "\" reads " << read << ", strtod " << expected;
        numbers += found;

        const std::int32_t rounded = RoundToInt32(read);
        if (std::fabs(read) < 2147483647.0) {
            const double off = std::fabs(read - rounded);
            EXPECT_TRUE(off < 0.5 || (off == 0.5 && rounded % 2 == 0)) << text;
        } else {
            EXPECT_EQ(rounded, read > 0 ? 2147483647 : -2147483647 - 1) << text;
        }

        for (const double step : {1.0, -10.0}) {
            const double stepped = read + step;
            const std::string shown = toUtf8(SteppedText(stepped));
            ASSERT_EQ(shown.find_first_not_of("0123456789.-+e"), std::string::npos) << shown;
            const double back = std::strtod(shown.c_str(), nullptr);
            if (stepped == std::floor(stepped)) {
                EXPECT_EQ(shown.find_first_not_of("0123456789-"), std::string::npos) << shown;
                EXPECT_EQ(back, stepped) << shown;
            } else {
                EXPECT_LE(std::fabs(back - stepped), std::fabs(stepped) * 1e-14) << shown;
            }
        }
    }
    EXPECT_GT(numbers, 5000);  // many texts do begin with a number
}

}  // namespace
}  // namespace malvorn::testing
