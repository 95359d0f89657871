// What Explorer, Alt-Tab and the taskbar show of tarnolux.exe, built beside the tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

std::filesystem::path Program() {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path() / L"tarnolux.exe";
}

TEST(Win32Executable, ShowsItsVersionNamesAndIconAtEverySize) {
    const std::wstring exe = Program().wstring();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource in tarnolux.exe";
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD major = MAKELONG(TARNOLUX_VERSION_MINOR, TARNOLUX_VERSION_MAJOR);
    EXPECT_EQ(fixed->dwFileVersionMS, major);
    EXPECT_EQ(fixed->dwProductVersionMS, major);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);

    const auto text = [&](const std::wstring& name) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
        if (!::VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars) || !value) return std::wstring();
        return std::wstring(value);
    };
    const std::wstring version =
        std::to_wstring(TARNOLUX_VERSION_MAJOR) + L"." + std::to_wstring(TARNOLUX_VERSION_MINOR) + L".0.0";
    EXPECT_EQ(text(L"FileVersion"), version);
    EXPECT_EQ(text(L"ProductVersion"), version);
    EXPECT_EQ(text(L"ProductName"), L"Tarnolux");
    for (const wchar_t* name : {L"FileDescription", L"CompanyName", L"LegalCopyright"})
        EXPECT_FALSE(text(name).empty()) << name;

    // The first icon group is the file's icon; Explorer's views go up to 256 pixels.
    HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    HRSRC group = ::FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* dir = static_cast<const BYTE*>(::LockResource(::LoadResource(module, group)));
    std::set<int> sizes;
    const int count = dir[4] | (dir[5] << 8);
    for (int i = 0; i < count; ++i) sizes.insert(dir[6 + 14 * i] ? dir[6 + 14 * i] : 256);
    ::FreeLibrary(module);
    EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 64, 128, 256}));
}

}  // namespace
