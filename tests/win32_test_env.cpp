#include "win32_test_env.h"

#include <windows.h>

#include <string>

namespace testsupport::win32 {

namespace {

const std::wstring& ScratchKey() {
    static const std::wstring key = L"Software\\TarnoluxTests\\" + std::to_wstring(::GetCurrentProcessId());
    return key;
}

void SetVariable(const wchar_t* name, const std::filesystem::path& value) {
    ::SetEnvironmentVariableW(name, value.c_str());
    _wputenv_s(name, value.c_str());  // the C runtime keeps its own copy for getenv
}

}  // namespace

PrivateEnvironment::PrivateEnvironment() {
    std::error_code ec;
    home_ = std::filesystem::temp_directory_path(ec) /
            (L"tarnolux-tests-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64()));
    if (ec || !std::filesystem::create_directories(home_ / "tmp", ec)) return;
    SetVariable(L"HOME", home_);
    SetVariable(L"USERPROFILE", home_);
    SetVariable(L"XDG_CONFIG_HOME", home_ / ".config");
    SetVariable(L"XDG_RUNTIME_DIR", home_ / "run");
    SetVariable(L"XDG_DATA_HOME", home_ / ".local" / "share");
    SetVariable(L"XDG_CACHE_HOME", home_ / ".cache");
    SetVariable(L"LOCALAPPDATA", home_ / "AppData" / "Local");

    // Both scratch roots are made under the real HKEY_CURRENT_USER before it is redirected.
    HKEY user = nullptr, machine = nullptr;
    const std::wstring base = ScratchKey();
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\CurrentUser").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &user, nullptr) != ERROR_SUCCESS ||
        ::RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\LocalMachine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &machine, nullptr) != ERROR_SUCCESS)
        return;
    ok_ = ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine) == ERROR_SUCCESS &&
          ::RegOverridePredefKey(HKEY_CURRENT_USER, user) == ERROR_SUCCESS;
    ::RegCloseKey(user);
    ::RegCloseKey(machine);
}

void SetHidden(const std::filesystem::path& path) {
    ::SetFileAttributesW(path.c_str(), ::GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_HIDDEN);
}

PrivateEnvironment::~PrivateEnvironment() {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, ScratchKey().c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TarnoluxTests");  // only when no other run holds a key
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
}

}  // namespace testsupport::win32
