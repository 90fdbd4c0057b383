// SPDX-License-Identifier: MIT
// Start-up state and the layout on resize, with its thresholds.
#include <gtest/gtest.h>

#include "harness.h"
#include "platform/error.h"
#include "window/frmMainDesign.h"

namespace malvorn::testing {
namespace {

struct LayoutTest : StartedWindowTest {
    Bounds of(ControlId id) { return h.ws.control(id).bounds(); }
    void resize(int w, int hh) { h.ws.form().userResize(w, hh); }
};

TEST_F(LayoutTest, StartSizeGivesTheWorkedExample) {
    EXPECT_TRUE(h.ws.form().shown());
    EXPECT_EQ(h.ws.form().caption(), fromUtf8("Malvorn https://malvorn.example/ 内部专用列目录工具"));
    EXPECT_EQ(of(ControlId::drDir).height, 368);
    const Bounds f = of(ControlId::frmSettings);
    EXPECT_EQ(f.left, 208);
    EXPECT_EQ(f.top, 16);
    EXPECT_EQ(f.width, 377);
    EXPECT_EQ(f.height, 424);
    const Bounds t = of(ControlId::txtResult);
    EXPECT_EQ(t.left, 120);
    EXPECT_EQ(t.top, 1440);
    EXPECT_EQ(t.width, 5415);
    EXPECT_EQ(t.height, 4800);
    EXPECT_EQ(of(ControlId::cmdDoIt).width, 3735);
    EXPECT_EQ(of(ControlId::cmdSave).width, 3735);
    EXPECT_EQ(h.form.State.Levels, 1);
    EXPECT_EQ(h.ws.checkBox(ControlId::ChNoPath).value(), 1);
    EXPECT_EQ(h.ws.checkBox(ControlId::ChFiles).value(), 0);
    EXPECT_THROW(h.ws.checkBox(ControlId::ChFiles).setValue(3), PlatformError);  // as every backend
    EXPECT_EQ(h.ws.checkBox(ControlId::ChFiles).value(), 0);
    // Untouched by the layout.
    EXPECT_EQ(of(ControlId::txtPath).top, 528);
    EXPECT_EQ(of(ControlId::ChFiles).top, 6000);
}

TEST_F(LayoutTest, GrowingWidensAndLengthens) {
    resize(800, 600);
    EXPECT_EQ(of(ControlId::drDir).height, 520);
    EXPECT_EQ(of(ControlId::frmSettings).width, 584);
    EXPECT_EQ(of(ControlId::frmSettings).height, 576);
    EXPECT_EQ(of(ControlId::txtResult).width, 8520);  // twips inside the frame
    EXPECT_EQ(of(ControlId::txtResult).height, 7080);
    EXPECT_EQ(of(ControlId::cmdSave).width, 6840);
}

TEST_F(LayoutTest, MinimisedChangesNothing) {
    resize(0, 0);
    EXPECT_EQ(of(ControlId::drDir).height, 368);
    EXPECT_EQ(of(ControlId::frmSettings).width, 377);
    EXPECT_EQ(of(ControlId::txtResult).width, 5415);
    EXPECT_EQ(of(ControlId::cmdDoIt).width, 3735);
    resize(593, 448);
    EXPECT_EQ(of(ControlId::frmSettings).height, 424);
}

TEST_F(LayoutTest, ShortWindowKeepsTheFolderListHeightAndTheResultBox) {
    resize(593, 79);  // below 80: folder list keeps its height
    EXPECT_EQ(of(ControlId::drDir).height, 368);
    EXPECT_EQ(of(ControlId::frmSettings).height, 55);
    EXPECT_EQ(of(ControlId::txtResult).height, 4800);  // below 128: result box keeps its size
    EXPECT_EQ(of(ControlId::txtResult).width, 5415);
    resize(593, 80);
    EXPECT_EQ(of(ControlId::drDir).height, 0);
    resize(593, 128);
    EXPECT_EQ(of(ControlId::txtResult).height, 0);
}

TEST_F(LayoutTest, NarrowWindowKeepsTheFrameWholeAndTheButtons) {
    resize(215, 300);  // below 216: the frame keeps both width and height
    EXPECT_EQ(of(ControlId::frmSettings).width, 377);
    EXPECT_EQ(of(ControlId::frmSettings).height, 424);
    resize(343, 300);  // below 344: the start button keeps its width, save copies it
    EXPECT_EQ(of(ControlId::frmSettings).width, 127);
    EXPECT_EQ(of(ControlId::cmdDoIt).width, 3735);
    EXPECT_EQ(of(ControlId::cmdSave).width, 3735);
    resize(344, 300);
    EXPECT_EQ(of(ControlId::cmdDoIt).width, 0);
    EXPECT_EQ(of(ControlId::cmdSave).width, 0);
}

TEST(FormDesign, FourteenControlsWithUniqueTabStops) {
    const FormDesign& d = frmMainDesign();
    EXPECT_EQ(d.windowControls.size() + d.frameControls.size(), 14u);
    std::set<int> tabs;
    for (const auto* list : {&d.windowControls, &d.frameControls})
        for (const auto& c : *list)
            if (c.tabIndex >= 0) {
                EXPECT_TRUE(tabs.insert(c.tabIndex).second);
            }
    EXPECT_EQ(tabs.size(), 11u);
}

TEST(Lifecycle, CloseStartsTheHiddenCommandOnceAndCannotBeVetoed) {
    Harness h;
    h.form.start();
    h.ws.form().userClose();
    EXPECT_FALSE(h.ws.form().open());
    EXPECT_EQ(h.processes.started, std::vector<Text>{u"cmd /c start https://malvorn.example/"});
}

TEST(Lifecycle, FailingCommandIsAnUnhandledFailureThatEndsTheProgram) {
    Harness h;
    h.form.start();
    h.processes.failToStart = Failure{53, u"File not found"};
    EXPECT_THROW(h.ws.form().userClose(), ProgramEnded);
    ASSERT_EQ(h.ws.messages.size(), 1u);
    EXPECT_EQ(toUtf8(h.ws.messages[0].text), "运行时错误 53：File not found");
    EXPECT_EQ(h.ws.messages[0].style, MB_ICONSTOP_OK);

    // Not only the platform's own failures: any exception gets a number.
    struct OutOfMemory : headless::ProcessStarter {
        void startHidden(const Text&) override { throw std::bad_alloc(); }
    } starter;
    headless::WindowSystem ws;
    Platform p{ws, h.fs, h.dialog, h.files, starter};
    frmMain form(p);
    form.start();
    EXPECT_THROW(ws.form().userClose(), ProgramEnded);
    ASSERT_EQ(ws.messages.size(), 1u);
    EXPECT_EQ(toUtf8(ws.messages[0].text), "运行时错误 7：内存不足");
}

}  // namespace
}  // namespace malvorn::testing
