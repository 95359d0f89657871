// Synchronous playback of a wave file through the desktop's sound server.
#pragma once

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>

namespace platform::linux_impl {

// How long a sound server may keep us waiting without answer or progress before the sound is given up.
inline constexpr std::chrono::milliseconds kSoundServerPatience{2000};

// Where the sound server listens: "unix:" and its socket, empty when the environment names the
// server for libpulse to find, nothing when there is none. Naming the socket keeps libpulse from
// starting a server of its own, which could take seconds or leave a daemon behind.
std::optional<std::string> SoundServer();

// Plays the file to its end; false, quickly, when there is no sound server, no file, or no wave.
// A server that stops answering (a stopped process still accepts connections) is given up after
// `patience` without progress; a stop request cuts the sound short.
bool PlayWaveFile(const std::string& path, std::stop_token stop = {},
                  std::chrono::milliseconds patience = kSoundServerPatience);

}  // namespace platform::linux_impl
