#include "freeup/play_sound.h"

namespace tarnolux::PlaySound {
bool PlayWaveFile(platform::System& sys, const std::string& file) { return sys.PlayWaveFile(file); }
}  // namespace tarnolux::PlaySound
