#include "freeup/play_sound.h"

namespace tarnolux::PlaySound {
bool PlayWaveFile(platform::System& sys, const std::string& file, std::stop_token stop) {
    return sys.PlayWaveFile(file, std::move(stop));
}
}  // namespace tarnolux::PlaySound
