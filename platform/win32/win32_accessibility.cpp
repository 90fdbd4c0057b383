// SPDX-License-Identifier: MIT
#include "platform/win32/win32_accessibility.h"

#include <commctrl.h>
#include <oleacc.h>

#include <string>

namespace malvorn::win32 {

namespace {

// What a control is called, and for a reversed scroll bar what its value is.
struct Spoken {
    std::wstring name;
    int valueOffset;
};

// The system's proxy for a control's client area, answering every question
// itself except the control's own name.
// A COM object: it goes by Release, never by a delete through its interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class NamedProxy final : public IAccessible {
public:
    NamedProxy(IAccessible* inner, const Spoken& spoken, HWND hwnd) : inner_(inner), spoken_(spoken), hwnd_(hwnd) {}

    // IUnknown: the proxy's other interfaces (IEnumVARIANT, IOleWindow) are
    // the proxy's own.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return inner_->QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&refs_);
        if (left == 0) {
            inner_->Release();
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return inner_->get_accName(child, name);
        if (!name) return E_POINTER;
        *name = SysAllocString(spoken_.name.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (spoken_.valueOffset == 0 || child.vt != VT_I4 || child.lVal != CHILDID_SELF)
            return inner_->get_accValue(child, value);
        if (!value) return E_POINTER;
        *value = SysAllocString(std::to_wstring(spoken_.valueOffset - GetScrollPos(hwnd_, SB_CTL)).c_str());
        return *value ? S_OK : E_OUTOFMEMORY;
    }

    // IDispatch and the rest of IAccessible: the proxy's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return inner_->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
        return inner_->GetTypeInfo(i, l, t);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return inner_->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                     UINT* a) override {
        return inner_->Invoke(d, r, l, f, p, v, e, a);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return inner_->get_accParent(p); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override { return inner_->get_accChildCount(n); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** d) override { return inner_->get_accChild(c, d); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override {
        return inner_->get_accDescription(c, d);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override { return inner_->get_accRole(c, r); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override { return inner_->get_accState(c, s); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override { return inner_->get_accHelp(c, h); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override {
        return inner_->get_accHelpTopic(f, c, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
        return inner_->get_accKeyboardShortcut(c, k);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return inner_->get_accFocus(f); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override { return inner_->get_accSelection(s); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
        return inner_->get_accDefaultAction(c, a);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT c) override { return inner_->accSelect(f, c); }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT c) override {
        return inner_->accLocation(x, y, w, h, c);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long n, VARIANT s, VARIANT* e) override {
        return inner_->accNavigate(n, s, e);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override { return inner_->accHitTest(x, y, c); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return inner_->accDoDefaultAction(c); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override { return inner_->put_accName(c, n); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override { return inner_->put_accValue(c, v); }

private:
    IAccessible* inner_;
    const Spoken& spoken_;  // lives as long as the control
    HWND hwnd_;
    LONG refs_ = 1;
};
#pragma GCC diagnostic pop

constexpr UINT_PTR NamedSubclass = 0x4D4E;  // 'MN'

LRESULT CALLBACK answerWithName(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        IAccessible* inner = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&inner)))) {
            auto* named = new NamedProxy(inner, *reinterpret_cast<const Spoken*>(data), hwnd);
            const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, named);
            named->Release();
            if (!FAILED(static_cast<HRESULT>(result))) return result;
        }
    }
    if (msg == WM_NCDESTROY) {
        delete reinterpret_cast<const Spoken*>(data);
        RemoveWindowSubclass(hwnd, answerWithName, NamedSubclass);
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// UI Automation's notification, from the system's own copy of the library.
enum NotificationKind { NotificationKind_ItemRemoved = 1, NotificationKind_ActionCompleted = 2 };
enum NotificationProcessing { NotificationProcessing_ImportantAll = 0, NotificationProcessing_All = 2 };
using HostProviderFromHwnd = HRESULT(WINAPI*)(HWND, IUnknown**);
using RaiseNotificationEvent = HRESULT(WINAPI*)(IUnknown*, int, int, BSTR, BSTR);

struct Uia {
    HostProviderFromHwnd host = nullptr;
    RaiseNotificationEvent raise = nullptr;
};

const Uia& uia() {
    static const Uia found = [] {
        Uia u;
        wchar_t folder[MAX_PATH];
        const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH - 24) return u;
        const std::wstring path = std::wstring(folder, n) + L"\\uiautomationcore.dll";
        HMODULE m = LoadLibraryExW(path.c_str(), nullptr, 0);
        if (!m) return u;
        u.host = reinterpret_cast<HostProviderFromHwnd>(
            reinterpret_cast<void*>(GetProcAddress(m, "UiaHostProviderFromHwnd")));
        u.raise = reinterpret_cast<RaiseNotificationEvent>(
            reinterpret_cast<void*>(GetProcAddress(m, "UiaRaiseNotificationEvent")));
        return u;
    }();
    return found;
}

}  // namespace

void nameForScreenReaders(HWND control, const Text& name, int valueOffset) {
    auto* kept = new Spoken{std::wstring(name.begin(), name.end()), valueOffset};
    if (!SetWindowSubclass(control, answerWithName, NamedSubclass, reinterpret_cast<DWORD_PTR>(kept))) delete kept;
}

bool announceToScreenReaders(HWND from, const Text& words, News kind) {
    const Uia& u = uia();
    if (!u.host || !u.raise || !IsWindow(from)) return false;
    IUnknown* provider = nullptr;
    if (FAILED(u.host(from, &provider)) || !provider) return false;
    const std::wstring w(words.begin(), words.end());
    BSTR text = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    BSTR activity = SysAllocString(kind == News::Done ? L"Malvorn.Outcome" : L"Malvorn.Erased");
    const HRESULT hr =
        u.raise(provider, kind == News::Done ? NotificationKind_ActionCompleted : NotificationKind_ItemRemoved,
                kind == News::Done ? NotificationProcessing_ImportantAll : NotificationProcessing_All, text, activity);
    SysFreeString(text);
    SysFreeString(activity);
    provider->Release();
    return SUCCEEDED(hr);
}

}  // namespace malvorn::win32
