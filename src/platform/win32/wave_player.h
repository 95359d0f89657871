// Synchronous playback of a wave file through the system's sound mapper.
#pragma once

#include <stop_token>
#include <string>

namespace platform::win32_impl {

// Plays the file to its end; false, quickly, when there is no file or no sound device, or the file is
// no wave. Never plays the system's default sound in its place. A stop request (the program is
// ending) cuts the sound short.
bool PlayWaveFile(const std::string& path, std::stop_token stop = {});

}  // namespace platform::win32_impl
