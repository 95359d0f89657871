// Synchronous playback of a wave file through the system's sound mapper.
#pragma once

#include <string>

namespace platform::win32_impl {

// Plays the file to its end; false, quickly, when there is no file or no sound device, or the file is
// no wave. Never plays the system's default sound in its place.
bool PlayWaveFile(const std::string& path);

}  // namespace platform::win32_impl
