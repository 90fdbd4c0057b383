// SPDX-License-Identifier: MIT
// The window as a Windows screen reader reads it, through MSAA: the name of
// every control that takes the focus, text a tool sets, and what the system
// answers for spoken outcomes.
#include <oleacc.h>

#include "platform/win32/win32_accessibility.h"
#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

// The name, or with `value` the value, that MSAA gives for the control.
std::wstring msaaName(HWND h, bool value = false) {
    IAccessible* a = nullptr;
    if (FAILED(AccessibleObjectFromWindow(h, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&a))))
        return L"<no object>";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const HRESULT hr = value ? a->get_accValue(self, &name) : a->get_accName(self, &name);
    std::wstring said = hr == S_OK && name ? std::wstring(name, SysStringLen(name)) : L"";
    SysFreeString(name);
    a->Release();
    return said;
}

TEST(Win32Accessibility, EveryControlThatTakesTheFocusHasAName) {
    Window win;
    const std::wstring path = w(u8("请先选定你要列举的目录")), levels = w(u8("层数："));
    const std::map<ControlId, std::wstring> named = {
        {ControlId::drDrive, path},    {ControlId::drDir, path},     {ControlId::txtPath, path},
        {ControlId::txtLevel, levels}, {ControlId::VSLevel, levels}, {ControlId::txtResult, w(u8("列举结果"))}};
    for (HWND h : win.ws.tabOrder()) {
        const Control* c = win.ws.controlOf(h);
        const std::wstring name = msaaName(h);
        EXPECT_NE(name, L"") << static_cast<int>(c->id());
        if (named.count(c->id())) EXPECT_EQ(name, named.at(c->id())) << static_cast<int>(c->id());
    }
    EXPECT_EQ(msaaName(win.hwnd(ControlId::VSLevel), true), L"1");  // the depth, not the position
}

TEST(Win32Accessibility, TextSetByAToolIsAnEditAndOutcomesAreSaidWhereTheSystemCan) {
    Window win;
    SendMessageW(win.hwnd(ControlId::txtLevel), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"7"));
    EXPECT_EQ(win.form->State.Levels, 7);
    // Wine 8's uiautomationcore has no UiaRaiseNotificationEvent: nothing is
    // said and nothing fails. Windows 10 1709 and later say it.
    const bool said = announceToScreenReaders(win.main(), u8("保存成功。"), News::Done);
    HMODULE uia = GetModuleHandleW(L"uiautomationcore.dll");
    EXPECT_EQ(said, uia && GetProcAddress(uia, "UiaRaiseNotificationEvent"));
}

}  // namespace
}  // namespace malvorn::wintest
