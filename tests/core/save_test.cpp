// SPDX-License-Identifier: MIT
// Saving the listing: dialog request, outcomes in the title, file content
// and every failure path.
#include <gtest/gtest.h>

#include "harness.h"

namespace malvorn::testing {
namespace {

struct SaveTest : StartedWindowTest {
    std::string title() { return toUtf8(h.ws.form().caption()); }
    void choose(const Text& path) { h.dialog.answers.push_back({true, path, 0}); }
};

TEST_F(SaveTest, DialogRequestAndTitleWhileItIsUp) {
    std::string during;
    h.dialog.whileOpen = [&] { during = title(); };
    h.save().click();
    ASSERT_EQ(h.dialog.requests.size(), 1u);
    const SaveDialogRequest& r = h.dialog.requests[0];
    EXPECT_EQ(toUtf8(r.title), "保存文件清单");
    ASSERT_EQ(r.filters.size(), 2u);
    EXPECT_EQ(toUtf8(r.filters[0].first), "文本文档(TXT)");
    EXPECT_EQ(toUtf8(r.filters[1].first), "所有文件");
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(r.defaultExtension, u"TXT");
    EXPECT_EQ(r.flags, 0x008A000Cu);  // OFN_NOCHANGEDIR too
    EXPECT_EQ(r.maxFile, 260);
    EXPECT_EQ(during, "正在保存文件");
}

TEST_F(SaveTest, CancelWritesNothingAndShowsTheSiteName) {
    h.save().click();
    EXPECT_EQ(title(), "Malvorn");
    EXPECT_TRUE(h.ws.form().announced.empty());  // nothing was saved, nor failed
    EXPECT_EQ(h.files.opened, 0);
    EXPECT_EQ(h.ws.beeps, 0);
}

TEST_F(SaveTest, DialogFailureBeepsAndShowsTheCode) {
    h.dialog.answers.push_back({false, Text(), 12291});
    h.save().click();
    EXPECT_EQ(title(), "未保存。CommDlgExtendedError=12291");
    EXPECT_EQ(h.ws.form().announced, std::vector<Text>{h.ws.form().caption()});
    EXPECT_EQ(h.ws.beeps, 1);
    EXPECT_TRUE(h.ws.messages.empty());
}

TEST_F(SaveTest, TextPlusOneLineEndReplacingALongerFile) {
    h.files.files[u"C:\\out.txt"] = std::string(1000, 'x');
    h.result().setText(u"C:\\a\r\nC:\\b\r\n");
    choose(u"   C:\\out.txt ");  // leading blanks go, trailing ones stay
    h.save().click();
    EXPECT_EQ(title(), "保存成功。");
    EXPECT_EQ(h.files.files[u"C:\\out.txt "], "C:\\a\r\nC:\\b\r\n\r\n");
    EXPECT_EQ(h.files.closed, 1);
}

TEST_F(SaveTest, TheFileHoldsTheBoxAndOneLineEndMore) {
    struct Case {
        const char* box;
        const char* file;
    };
    const Case cases[] = {
        {"", "\r\n"},                                            // an empty box gives two bytes
        {"bad\xff name 目录\r\n", "bad\xff name 目录\r\n\r\n"},  // escaped bytes go back as they came
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        h.result().setText(fromUtf8(c.box));
        choose(u"C:\\out.txt");
        h.save().click();
        EXPECT_EQ(h.files.files[u"C:\\out.txt"], c.file);
    }
}

TEST_F(SaveTest, UncreatableFileReportsAndTheNextSaveWorks) {
    h.files.failCreate[u"C:\\ro.txt"] = Failure{70, u"Permission denied"};
    choose(u"C:\\ro.txt");
    h.save().click();
    EXPECT_EQ(title(), "保存失败。Permission denied");
    ASSERT_EQ(h.ws.messages.size(), 1u);
    EXPECT_EQ(toUtf8(h.ws.messages[0].title), "VB运行时错误：70");
    EXPECT_EQ(h.ws.messages[0].style, 48);
    choose(u"C:\\ok.txt");
    h.save().click();
    EXPECT_EQ(title(), "保存成功。");
}

TEST_F(SaveTest, WriteFailureDropsTheNewTextAndKeepsTheOldFile) {
    h.files.files[u"C:\\full.txt"] = "old listing\r\n";
    h.result().setText(u"0123456789");
    h.files.failWrite = Failure{61, u"Disk full"};
    h.files.writtenBeforeFailure = 4;
    choose(u"C:\\full.txt");
    h.save().click();
    EXPECT_EQ(title(), "保存失败。Disk full");
    EXPECT_EQ(h.files.files[u"C:\\full.txt"], "old listing\r\n");
    EXPECT_EQ(h.files.closed, 0);  // a failed file is dropped, never put in place
    EXPECT_EQ(h.files.discarded, 1);
    EXPECT_EQ(h.ws.messages.size(), 1u);
    h.files.failWrite.reset();
    choose(u"C:\\full.txt");
    h.save().click();
    EXPECT_EQ(h.files.files[u"C:\\full.txt"], "0123456789\r\n");
}

TEST_F(SaveTest, FailureThatShowsOnlyAtCloseIsNotASuccess) {
    h.files.failClose = Failure{61, u"Disk full"};
    choose(u"C:\\late.txt");
    h.save().click();
    EXPECT_EQ(title(), "保存失败。Disk full");
    EXPECT_EQ(h.files.closed, 1);  // closed once, not again on the failure path
    EXPECT_EQ(h.files.files.count(u"C:\\late.txt"), 0u);
    for (const Text& t : h.ws.form().captionHistory) EXPECT_NE(toUtf8(t), "保存成功。");
}

TEST_F(SaveTest, DialogThatCannotBeShownIsReported) {
    h.dialog.failToShow = Failure{5, u"Invalid procedure call"};
    h.save().click();
    EXPECT_EQ(title(), "保存失败。Invalid procedure call");
    EXPECT_EQ(h.ws.messages.size(), 1u);
    // Any exception, not only the platform's own failures.
    h.dialog.failToShow.reset();
    h.dialog.whileOpen = [] { throw std::bad_alloc(); };
    h.save().click();
    EXPECT_EQ(title(), "保存失败。内存不足");
    ASSERT_EQ(h.ws.messages.size(), 2u);
    EXPECT_EQ(toUtf8(h.ws.messages[1].title), "VB运行时错误：7");
    EXPECT_EQ(toUtf8(h.ws.messages[1].text), "内存不足");
}

}  // namespace
}  // namespace malvorn::testing
