// Conversions at the edge of the Win32 host: UTF-8 texts to UTF-16, twips to device pixels at the
// window's DPI, and the model's colours (already in COLORREF order).
#pragma once

#include <string>

#include "forms/forms.h"
#include "host/host_rules.h"
#include "platform/win32/files.h"

#include "host/host.h"

// The program's own numbers for stacking and the tray record, named before <windows.h> turns the
// same names into the system's macros.
namespace win32host::model {
inline constexpr int kTopmost = host::HWND_TOPMOST;
inline constexpr int kNotTopmost = host::HWND_NOTOPMOST;
inline constexpr unsigned kShowWindow = host::SWP_SHOWWINDOW;
inline constexpr unsigned kNoActivate = host::SWP_NOACTIVATE;
inline constexpr int kAdd = host::NIM_ADD;
inline constexpr int kModify = host::NIM_MODIFY;
inline constexpr int kDelete = host::NIM_DELETE;
inline constexpr unsigned kMessage = host::NIF_MESSAGE;
inline constexpr unsigned kIcon = host::NIF_ICON;
inline constexpr unsigned kTip = host::NIF_TIP;
inline constexpr unsigned kInfo = host::NIF_INFO;
}  // namespace win32host::model

#include <windows.h>
#include <shellapi.h>
#undef RGB

namespace win32host {

inline std::wstring W(const std::string& s) { return platform::win32_impl::Wide(s); }
inline std::string U(const std::wstring& s) { return platform::win32_impl::Utf8(s); }

inline COLORREF Cref(forms::Color c) { return static_cast<COLORREF>(c & 0xFFFFFF); }

// A pressed button's face: its colour at 100/122 of its brightness, the shade the Qt host gives it.
inline forms::Color PressedFace(forms::Color c) {
    forms::Color out = 0;
    for (int shift : {0, 8, 16}) out |= ((((c >> shift) & 0xFF) * 100 + 61) / 122) << shift;
    return out;
}

// Logical pixels (96 per inch) to device pixels and back.
inline int Dev(int px, UINT dpi) { return MulDiv(px, static_cast<int>(dpi), 96); }
inline int Logical(int dev, UINT dpi) { return MulDiv(dev, 96, static_cast<int>(dpi)); }

}  // namespace win32host
