#pragma once

#include <string>

#include "platform/system.h"

namespace tarnolux::PlaySound {

// Plays a wave file to its end; the result is the platform's and callers ignore it.
bool PlayWaveFile(platform::System& sys, const std::string& file);

}  // namespace tarnolux::PlaySound
