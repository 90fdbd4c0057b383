// The depth box and the scroll bar: conversions, clamping, key steps and
// the one-shot SkipChange protocol.
#include <gtest/gtest.h>

#include "harness.h"
#include "window/depth_numbers.h"

namespace malvorn::testing {
namespace {

struct DepthTest : ::testing::Test {
    Harness h;
    void SetUp() override {
        h.fs.addRoot(u"C:");
        h.form.start();
    }
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
    const std::pair<const char*, int> cases[] = {
        {"", 1},       {"0", 1},
        {"-5", 1},     {"32768", 32767},
        {"12abc", 12}, {"abc", 1},
        {"  42", 42},  {"007", 7},
        {"2.5", 2},    {"3.5", 4},
        {"0.5", 1},    {"99999999999", 32767},
        {"1e3", 1000}, {"-99999999999", 1},
        {"+9", 9},     {"5", 5},
        {"05", 5},     {"1e999", 32767},
    };
    for (const auto& [text, levels] : cases) {
        SCOPED_TRACE(text);
        type(text);
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
}

}  // namespace
}  // namespace malvorn::testing
