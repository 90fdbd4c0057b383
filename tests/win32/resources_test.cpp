// SPDX-License-Identifier: MIT
// The resources of malvorn.exe: version information, icon and manifest.
#include <string>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

// build/windows/tests/win32/x.exe -> build/windows/app/win32/malvorn.exe
std::wstring programPath() {
    wchar_t self[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    std::wstring path = self;
    for (int up = 0; up < 3; ++up) path.resize(path.find_last_of(L'\\'));
    return path + L"\\app\\win32\\malvorn.exe";
}

std::wstring versionString(const std::vector<unsigned char>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT size = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), &value, &size) || !value) return L"<none>";
    return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(Win32Program, HasVersionInformationIconAndManifest) {
    const std::wstring exe = programPath();
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "malvorn.exe not built";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT translationSize = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &translationSize));
    EXPECT_EQ(translation->language, 0x0804);
    EXPECT_EQ(translation->codePage, 1200);
    EXPECT_EQ(versionString(info, L"ProductName"), L"Malvorn");
    EXPECT_EQ(versionString(info, L"CompanyName"), L"the Malvorn developers");
    EXPECT_EQ(versionString(info, L"LegalCopyright"), L"Copyright (c) 2026 the Malvorn developers");
    EXPECT_EQ(versionString(info, L"FileVersion"), L"1.00");
    EXPECT_EQ(versionString(info, L"ProductVersion"), L"1.00");
    EXPECT_EQ(versionString(info, L"FileDescription"),
              L"Malvorn \u5185\u90E8\u4E13\u7528\u5217\u76EE\u5F55\u5DE5\u5177");

    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    // The icon group holds a 256-pixel frame (written as width 0) for the
    // large views of Explorer.
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* dir = static_cast<const unsigned char*>(LockResource(LoadResource(module, group)));
    const unsigned frames = dir[4] | (dir[5] << 8);
    bool large = false;
    for (unsigned i = 0; i < frames; ++i) large = large || (dir[6 + 14 * i] == 0 && dir[6 + 14 * i + 1] == 0);
    EXPECT_TRUE(large) << frames << " frames, none of 256 pixels";
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
    const std::string xml(text, SizeofResource(module, manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(xml.find(">true</gdiScaling>"), std::string::npos);
    FreeLibrary(module);
}

}  // namespace
}  // namespace malvorn::wintest
