// SPDX-License-Identifier: MIT
// The start/stop button: options, states, stops, saves and closes that
// arrive in the walk's pumps.
#include <gtest/gtest.h>

#include "harness.h"
#include "window/frmMainDesign.h"

namespace malvorn::testing {
namespace {

using Lines = std::vector<std::string>;

struct RunControlTest : ::testing::Test {
    Harness h;
    void SetUp() override {
        h.fs.addRoot(u"C:");
        h.fs.addFolder(u"C:\\data");
        for (const char16_t* top : {u"a", u"b", u"c"}) h.fs.addFolder(Text(u"C:\\data\\") + top);
        h.fs.addFolder(u"C:\\data\\a\\a1");
        h.fs.addFolder(u"C:\\data\\a\\a2");
        h.fs.addFolder(u"C:\\data\\a\\a1\\deep");
        h.prepare("C:\\data", 3, false, false, false);
    }
    // The pump number of the "." entry of a folder, counted from the click.
    int pumpAtDotOf(const Text& folder) {
        int found = -1;
        h.ws.hooks.pump = [&](int n) {
            if (found < 0 && h.fs.enumerations.back() == folder) found = n;
        };
        h.doIt().click();
        h.ws.hooks.pump = nullptr;
        return found;
    }
};

TEST_F(RunControlTest, StopAtTheDotOfA1WindsDownToFiveLines) {
    const int pumpsBefore = h.ws.pumps;
    const int n = pumpAtDotOf(u"C:\\data\\a\\a1\\") - pumpsBefore;
    h.ws.postAtPump(n, [&] { h.doIt().click(); });
    h.doIt().click();
    EXPECT_EQ(h.lines(), (Lines{"C:\\data\\a", "C:\\data\\a\\a1", "C:\\data\\a\\a2", "C:\\data\\b", "C:\\data\\c"}));
    EXPECT_EQ(h.form.State.StopFlag, True);
    EXPECT_EQ(h.form.State.Running, False);
    EXPECT_EQ(h.doIt().caption(), captions::DoItIdle());
    EXPECT_EQ(toUtf8(h.ws.form().announced.back()), "列举已停止，共 5 行。");
    // Two runs (the one that found the pump, this one); the stop is no run.
    EXPECT_EQ(h.fs.runsEnded, 2);
}

TEST_F(RunControlTest, StopAtTheVeryFirstPumpGivesNoLines) {
    const int pumpsBefore = h.ws.pumps;
    h.ws.postAtPump(1, [&] { h.doIt().click(); });
    h.doIt().click();
    EXPECT_EQ(h.lines(), Lines{});
    // The gathering ends at the "." where the stop was seen: no ".." pump,
    // no name of the folder is queried.
    EXPECT_EQ(h.ws.pumps - pumpsBefore, 1);
    EXPECT_EQ(h.fs.queries, (std::vector<Text>{u"C:\\data\\"}));
}

TEST_F(RunControlTest, ClickDuringRunOnlyRaisesTheStopRequest) {
    Text captionSeen, resultSeen;
    h.ws.postAtPump(4, [&] {
        resultSeen = h.result().text();
        h.doIt().click();
        h.doIt().click();  // several clicks act as one
        captionSeen = h.doIt().caption();
        EXPECT_EQ(h.result().text(), resultSeen);
        EXPECT_EQ(h.form.State.Running, True);
    });
    h.doIt().click();
    EXPECT_EQ(captionSeen, captions::DoItRunning());
    EXPECT_EQ(h.form.State.StopFlag, True);
}

TEST_F(RunControlTest, NewRunAfterAStoppedOneIsNotStoppedAtOnceAndEmptiesTheBox) {
    h.ws.postAtPump(1, [&] { h.doIt().click(); });
    h.doIt().click();
    h.result().setText(u"old text\r\n");
    h.doIt().click();
    EXPECT_EQ(h.form.State.StopFlag, False);
    EXPECT_EQ(h.lines(), (Lines{"C:\\data\\a", "C:\\data\\a\\a1", "C:\\data\\a\\a1\\deep", "C:\\data\\a\\a2",
                                "C:\\data\\b", "C:\\data\\c"}));
    EXPECT_EQ(toUtf8(h.ws.form().announced.back()), "列举完毕，共 6 行。");
}

TEST_F(RunControlTest, OptionsFromTheCheckBoxesGrayedCountsAsSet) {
    struct Case {
        int box;  // the value of all three check boxes
        Flag dirsOnly;
        std::int32_t dirAttr;
        Flag noPath;
    };
    for (const Case c : {Case{2, False, 18, True}, Case{0, True, 16, False}}) {
        SCOPED_TRACE(c.box);
        h.chFiles().setValue(c.box);
        h.chHidden().setValue(c.box);
        h.chNoPath().setValue(c.box);
        h.doIt().click();
        EXPECT_EQ(h.form.State.DirsOnly, c.dirsOnly);
        EXPECT_EQ(h.form.State.DirAttr, c.dirAttr);
        EXPECT_EQ(h.form.State.NoPath, c.noPath);
    }
}

TEST_F(RunControlTest, OptionsChangedDuringARunTakeEffectNextTime) {
    h.ws.postAtPump(2, [&] { h.chNoPath().setValue(1); });
    h.doIt().click();
    EXPECT_EQ(h.lines(), (Lines{"C:\\data\\a", "C:\\data\\a\\a1", "C:\\data\\a\\a1\\deep", "C:\\data\\a\\a2",
                                "C:\\data\\b", "C:\\data\\c"}));
}

TEST_F(RunControlTest, LevelsChangedInsideAPumpApplyToLaterDecisions) {
    // Deepen to 32767 while gathering data's names: a1\deep now appears.
    h.form.State.Levels = 1;
    h.ws.postAtPump(1, [&] { h.form.State.Levels = 32767; });
    h.doIt().click();
    EXPECT_EQ(h.lines(), (Lines{"C:\\data\\a", "C:\\data\\a\\a1", "C:\\data\\a\\a1\\deep", "C:\\data\\a\\a2",
                                "C:\\data\\b", "C:\\data\\c"}));
}

TEST_F(RunControlTest, CaretMovedInsideAPumpTakesTheFollowingLines) {
    // After a's gathering pump "C:\data\a" is not written yet; move the caret
    // to the start once the first line is there.
    bool moved = false;
    h.ws.hooks.pump = [&](int) {
        if (!moved && !h.result().text().empty()) {
            h.result().select(0, 0);
            moved = true;
        }
    };
    h.form.State.Levels = 2;
    h.doIt().click();
    const Lines lines = h.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.back(), "C:\\data\\a");
}

TEST_F(RunControlTest, SaveInsideAPumpWritesTheLinesSoFarAndTheWalkGoesOn) {
    h.dialog.answers.push_back({true, u"C:\\out.txt", 0});
    bool saved = false;
    h.ws.hooks.pump = [&](int) {
        if (!saved && h.lines().size() == 2) {
            h.save().click();
            saved = true;
        }
    };
    h.doIt().click();
    EXPECT_EQ(h.files.files[u"C:\\out.txt"], "C:\\data\\a\r\nC:\\data\\a\\a1\r\n\r\n");
    EXPECT_EQ(h.lines().size(), 6u);
}

TEST_F(RunControlTest, CloseInsideAPumpEndsTheProgramThere) {
    h.ws.postAtPump(3, [&] { h.ws.form().userClose(); });
    EXPECT_THROW(h.doIt().click(), ProgramEnded);
    EXPECT_EQ(h.processes.started.size(), 1u);
    EXPECT_EQ(h.doIt().caption(), captions::DoItRunning());  // nothing after the pump ran
}

TEST_F(RunControlTest, FailingControlGivesTheErrorReportAndEndsTheRun) {
    struct FailingBox : headless::TextBox {
        using TextBox::TextBox;
        void setText(const Text&) override { throw std::bad_alloc(); }
    };
    headless::WindowSystem ws;
    ws.resultBoxFactory = [](headless::WindowSystem& w, const ControlDesign& d) {
        return std::make_unique<FailingBox>(w, d);
    };
    Platform p{ws, h.fs, h.dialog, h.files, h.processes};
    frmMain form(p);
    ws.button(ControlId::cmdDoIt).click();
    ASSERT_EQ(ws.messages.size(), 1u);
    EXPECT_EQ(ws.messages[0].title, fromUtf8("VB运行时错误：7"));
    EXPECT_EQ(toUtf8(ws.messages[0].text), "内存不足");
    EXPECT_EQ(ws.messages[0].style, 48);
    EXPECT_EQ(form.State.Running, False);
    EXPECT_EQ(ws.button(ControlId::cmdDoIt).caption(), captions::DoItIdle());
    EXPECT_EQ(h.fs.runsEnded, 1);
}

}  // namespace
}  // namespace malvorn::testing
