#include "platform/linux/wave_player.h"

namespace platform::linux_impl {

bool PlayWaveFile(const std::string&) { return false; }

}  // namespace platform::linux_impl
