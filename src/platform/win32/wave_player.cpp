#include "platform/win32/wave_player.h"

#include <windows.h>
#include <mmsystem.h>

#include "platform/win32/files.h"

namespace platform::win32_impl {

bool PlayWaveFile(const std::string& path, std::stop_token stop) {
    // A folder, a device or a missing file is refused here rather than left to the sound mapper,
    // which would wait on a device name.
    if (path.empty() || !IsFile(path) || stop.stop_requested()) return false;
    // A null sound stops whatever this program plays, from whichever thread asks.
    std::stop_callback cut(stop, [] { ::PlaySoundW(nullptr, nullptr, 0); });
    return ::PlaySoundW(WidePath(path).c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT) != FALSE;
}

}  // namespace platform::win32_impl
