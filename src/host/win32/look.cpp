// Fonts, brushes and icons, made once and kept for the life of the host.
#include "host/win32/win32_host_impl.h"

#include <cmath>

namespace win32host {

HFONT Win32Host::Impl::fontFor(const forms::Font& font, int formPx) {
    // Points at 96 dots per inch, scaled by the form's fitted size, then to the screen's dots.
    const int logical = std::max(1, static_cast<int>(std::lround(font.size * 96.0 / 72.0 * formPx / kDesignFontPx)));
    const int height = -Dev(logical, dpi);
    const auto key = std::make_tuple(font.name, height, font.bold, font.italic);
    if (auto it = fonts.find(key); it != fonts.end()) return it->second;
    // "MS Sans Serif" is a bitmap font that does not scale; its outline successor looks the same.
    const std::wstring face = font.name == "MS Sans Serif" ? L"Microsoft Sans Serif" : W(font.name);
    HFONT f = ::CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, face.c_str());
    fonts[key] = f;
    return f;
}

HBRUSH Win32Host::Impl::brushFor(COLORREF color) {
    if (auto it = brushes.find(color); it != brushes.end()) return it->second;
    return brushes[color] = ::CreateSolidBrush(color);
}

HICON Win32Host::Impl::iconFor(const forms::Picture& picture, int size) {
    if (picture.resource == 0 && picture.file.empty()) return nullptr;
    const auto key = std::make_pair(picture.resource, size);
    if (picture.resource != 0) {
        if (auto it = icons.find(key); it != icons.end()) return it->second;
        auto icon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(picture.resource), IMAGE_ICON, size, size, 0));
        if (icon) icons[key] = icon;
        return icon;
    }
    if (picture.file == "folder") {
        // The shell's own folder picture, as the file dialogs show it.
        const auto folderKey = std::make_pair(-1, size);
        if (auto it = icons.find(folderKey); it != icons.end()) return it->second;
        SHSTOCKICONINFO info{};
        info.cbSize = sizeof info;
        HICON icon = nullptr;
        if (SUCCEEDED(::SHGetStockIconInfo(SIID_FOLDER, SHGSI_ICON | (size <= 16 ? SHGSI_SMALLICON : 0), &info)))
            icon = info.hIcon;
        // Some systems answer without an icon; the shell's own folder picture is its fourth.
        if (!icon && size <= 16) ::ExtractIconExW(L"shell32.dll", 3, nullptr, &icon, 1);
        if (!icon && size > 16) ::ExtractIconExW(L"shell32.dll", 3, &icon, nullptr, 1);
        if (icon) icons[folderKey] = icon;
        return icon;
    }
    // An icon file named by the program (a skin's picture): read each time, kept by its name's hash.
    const auto fileKey = std::make_pair(-static_cast<int>(std::hash<std::string>{}(picture.file) & 0x7FFFFFFF), size);
    if (auto it = icons.find(fileKey); it != icons.end()) return it->second;
    auto icon = static_cast<HICON>(::LoadImageW(nullptr, W(picture.file).c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
    if (icon) icons[fileKey] = icon;
    return icon;
}

}  // namespace win32host
