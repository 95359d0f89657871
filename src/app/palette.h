// The built-in colours of the windows, before a skin replaces them.
#pragma once

#include "forms/forms.h"

namespace tarnolux::palette {

inline constexpr forms::Color Window = forms::RGB(0x2E, 0x34, 0x40);
inline constexpr forms::Color TitleStrip = forms::RGB(0x3B, 0x42, 0x52);
inline constexpr forms::Color TitleText = forms::RGB(0xEC, 0xEF, 0xF4);
inline constexpr forms::Color Button = forms::RGB(0xD8, 0xDE, 0xE9);
inline constexpr forms::Color Page = forms::RGB(0xEC, 0xEF, 0xF4);
inline constexpr forms::Color Text = forms::RGB(0x2E, 0x34, 0x40);
inline constexpr forms::Color Track = forms::RGB(0xFF, 0xFF, 0xFF);
inline constexpr forms::Color Gauge = forms::RGB(0x5E, 0x81, 0xAC);
inline constexpr forms::Color GraphBack = forms::RGB(0x00, 0x00, 0x00);
inline constexpr forms::Color GraphInk = forms::RGB(0x00, 0xE0, 0x60);
inline constexpr forms::Color LightEdge = forms::RGB(0xFF, 0xFF, 0xFF);
inline constexpr forms::Color DarkEdge = forms::RGB(0x80, 0x80, 0x80);

}  // namespace tarnolux::palette
