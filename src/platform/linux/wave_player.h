// Synchronous playback of a wave file through the desktop's sound server.
#pragma once

#include <string>

namespace platform::linux_impl {

// Plays the file to its end; false, quickly, when there is no sound server, no file, or no wave.
bool PlayWaveFile(const std::string& path);

}  // namespace platform::linux_impl
