// SPDX-License-Identifier: MIT
// The result box's own window class, driven by the messages a user's mouse
// and keys send: where replaced text goes after a click and after a Shift
// selection, typing and the input method, the clipboard, and the whole text
// read back exactly.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/win32_text.h"
#include "tests/win32/result_box_fixture.h"

namespace malvorn::win32 {
namespace {

Text clipboardText() {
    Text out;
    if (!OpenClipboard(nullptr)) return u"<no clipboard>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        out = reinterpret_cast<const char16_t*>(GlobalLock(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
}

void setClipboardText(const Text& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
    auto* p = static_cast<char16_t*>(GlobalLock(h));
    std::copy(text.begin(), text.end(), p);
    p[text.size()] = u'\0';
    GlobalUnlock(h);
    SetClipboardData(CF_UNICODETEXT, h);
    CloseClipboard();
}

TEST(ResultBox, AppendedLinesReadBackWholeAndExactly) {
    Box box;
    ASSERT_NE(box.view, nullptr);
    Text expected;
    for (int i = 0; i < 3000; ++i) {
        const Text line = u"C:\\tree\\" + decimal(i) + u"\r\n";
        box.view->replaceSelection(line);
        expected += line;
    }
    // A name that is not text: its units are kept as they came.
    const Text odd{u'C', u':', u'\\', static_cast<char16_t>(0xDC81), static_cast<char16_t>(0xD800), u'\r', u'\n'};
    box.view->replaceSelection(odd);
    expected += odd;
    EXPECT_EQ(box.view->text(), expected);
    ASSERT_EQ(static_cast<std::size_t>(GetWindowTextLengthW(box.hwnd)), expected.size());
    std::wstring got(expected.size() + 1, L'\0');
    got.resize(static_cast<std::size_t>(GetWindowTextW(box.hwnd, got.data(), static_cast<int>(got.size()))));
    EXPECT_TRUE(fromWide(got.data(), got.size()) == expected);
    EXPECT_EQ(SendMessageW(box.hwnd, EM_GETLINECOUNT, 0, 0), 3002);

    // Once drawn, the scroll bar spans every line and the end is in sight.
    box.view->refresh();
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(box.hwnd, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 3001);
    EXPECT_EQ(static_cast<std::size_t>(si.nPos), box.view->firstLine());
    EXPECT_EQ(si.nPos + static_cast<int>(si.nPage), 3002);

    box.view->setText(Text());
    EXPECT_TRUE(box.view->text().empty());
    EXPECT_EQ(box.view->content().lineCount(), 1u);
    box.view->refresh();
    GetScrollInfo(box.hwnd, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 0);  // set again once the lines went
    box.view->replaceSelection(u"x\r\n");
    EXPECT_EQ(box.view->text(), u"x\r\n");
}

TEST(ResultBox, ReplaceSelectionGoesWhereTheUserPutTheCaret) {
    Box box;
    box.view->replaceSelection(u"A\r\nB\r\nC\r\n");
    box.view->refresh();
    box.click(1);
    box.view->replaceSelection(u"X\r\n");
    EXPECT_EQ(box.view->text(), u"A\r\nX\r\nB\r\nC\r\n");

    // A click, then a Shift+click: the lines between are replaced.
    box.click(0);
    box.click(2, true);
    box.view->replaceSelection(u"Y\r\n");
    EXPECT_EQ(box.view->text(), u"Y\r\nB\r\nC\r\n");

    // Shift with the keys: the line from its start, its line end included.
    box.key(VK_HOME, false, true);
    box.key(VK_DOWN, true);
    box.view->replaceSelection(u"Z\r\n");
    EXPECT_EQ(box.view->text(), u"Z\r\nB\r\nC\r\n");
    box.key(VK_END, true, true);
    box.view->replaceSelection(u"");
    EXPECT_EQ(box.view->text(), u"Z\r\n");
}

TEST(ResultBox, TypingDeletingAndComposedText) {
    Box box;
    box.type(L'a');
    box.type(L'b');
    box.type(L'\b');
    box.type(L'\r');
    box.type(0x01);  // Ctrl+A as a character types nothing
    // Committed by the input method: taken once, not again as WM_CHAR.
    PostMessageW(box.hwnd, WM_IME_CHAR, 0x4E2D, 1);
    Box::pump();
    EXPECT_EQ(box.view->text(), u"a\r\n中");
    box.key(VK_LEFT);
    box.key(VK_LEFT);  // over the line end in one step
    box.key(VK_DELETE);
    EXPECT_EQ(box.view->text(), u"a中");
    box.key(VK_HOME);
    box.key(VK_DELETE);
    EXPECT_EQ(box.view->text(), u"中");
}

TEST(ResultBox, CutCopyAndPasteGoThroughTheClipboard) {
    Box box;
    box.view->replaceSelection(u"one\r\ntwo\r\n");
    box.key('A', false, true);
    box.key('C', false, true);
    EXPECT_EQ(clipboardText(), u"one\r\ntwo\r\n");

    setClipboardText(u"P\nQ");
    box.key(VK_END, false, true);
    box.key('V', false, true);
    EXPECT_EQ(box.view->text(), u"one\r\ntwo\r\nP\r\nQ");

    box.key('A', false, true);
    box.key('X', false, true);
    EXPECT_TRUE(box.view->text().empty());
    EXPECT_EQ(clipboardText(), u"one\r\ntwo\r\nP\r\nQ");
    box.key(VK_INSERT, true);  // Shift+Insert pastes too
    EXPECT_EQ(box.view->text(), u"one\r\ntwo\r\nP\r\nQ");
}

}  // namespace
}  // namespace malvorn::win32
