#pragma once

#include <stop_token>
#include <string>

#include "platform/system.h"

namespace tarnolux::PlaySound {

// Plays a wave file to its end (cut short once `stop` is requested); the result is the platform's
// and callers ignore it.
bool PlayWaveFile(platform::System& sys, const std::string& file, std::stop_token stop = {});

}  // namespace tarnolux::PlaySound
