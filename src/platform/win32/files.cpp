#include "platform/win32/files.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <string>

namespace platform::win32_impl {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE && h_) ::CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool ok() const { return h_ != INVALID_HANDLE_VALUE && h_; }

private:
    HANDLE h_;
};

}  // namespace

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring WidePath(std::string_view utf8Path) {
    std::wstring w = Wide(utf8Path);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    const bool absolute = w.size() > 2 && w[1] == L':' && w[2] == L'\\';
    if (absolute && w.size() >= MAX_PATH) w = L"\\\\?\\" + w;
    return w;
}

bool IsFile(const std::string& path) {
    const DWORD attrs = ::GetFileAttributesW(WidePath(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) { return ::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool MakeFolders(const std::string& path) {
    const std::wstring w = WidePath(path);
    // Each level from the first separator after the drive (or the "\\?\" prefix) on.
    for (std::size_t at = w.find(L'\\', w.starts_with(L"\\\\?\\") ? 7 : 3); at != std::wstring::npos;
         at = w.find(L'\\', at + 1))
        ::CreateDirectoryW(w.substr(0, at).c_str(), nullptr);
    ::CreateDirectoryW(w.c_str(), nullptr);
    const DWORD attrs = ::GetFileAttributesW(w.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> KeepAside(const std::string& path) {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    wchar_t stamp[32];
    ::swprintf(stamp, 32, L".damaged-%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
               t.wSecond);
    const std::string base = path + Utf8(stamp);
    for (int n = 0; n < 100; ++n) {
        const std::string name = n ? base + "-" + std::to_string(n) : base;
        if (Exists(name)) continue;
        if (::MoveFileExW(WidePath(path).c_str(), WidePath(name).c_str(), MOVEFILE_WRITE_THROUGH)) return name;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    if (path.empty()) return std::nullopt;
    // FILE_FLAG_OPEN_REPARSE_POINT is not used: a linked settings file is read where it points.
    Handle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.ok()) return std::nullopt;
    // Named pipes and devices could block a read for ever; only disk files are read.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    const unsigned long long size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > limit) return std::nullopt;
    std::string out;
    out.reserve(static_cast<std::size_t>(size));
    char buf[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buf, sizeof buf, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        if (out.size() + got > limit) return std::nullopt;
        out.append(buf, got);
    }
    return out;
}

bool WriteFileAtomic(const std::string& path, std::string_view contents) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = WidePath(path);
    const std::wstring temp =
        target + L".tmp" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    bool ok = false;
    {
        Handle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.ok()) return false;
        ok = true;
        std::string_view rest = contents;
        while (ok && !rest.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 20));
            DWORD written = 0;
            ok = ::WriteFile(file.get(), rest.data(), chunk, &written, nullptr) && written == chunk;
            rest.remove_prefix(written);
        }
        ok = ok && ::FlushFileBuffers(file.get());
    }
    if (!ok) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    ::DeleteFileW(temp.c_str());
    return false;
}

}  // namespace platform::win32_impl
