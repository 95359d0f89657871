#include "platform/linux/wave_player.h"

#include <pulse/error.h>
#include <pulse/simple.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace platform::linux_impl {

namespace {

struct SndFileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
struct PulseCloser {
    void operator()(pa_simple* s) const { pa_simple_free(s); }
};

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

// Where the sound server listens. Empty: the environment names it, so libpulse finds it. Nothing:
// there is no server here. Naming the socket keeps libpulse from starting a server of its own,
// which could take seconds or leave a daemon behind.
std::optional<std::string> SoundServer() {
    if (!EnvOr("PULSE_SERVER", "").empty()) return std::string();
    std::string dir = EnvOr("PULSE_RUNTIME_PATH", "");
    if (dir.empty()) {
        const std::string runtime = EnvOr("XDG_RUNTIME_DIR", "");
        if (runtime.empty()) return std::nullopt;
        dir = runtime + "/pulse";
    }
    const std::string socket = dir + "/native";
    struct stat st {};
    if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return std::nullopt;
    return "unix:" + socket;
}

// Formats whose samples are no finer than 16 bits play as 16-bit integers; the rest as floats.
bool NeedsFloat(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
    case SF_FORMAT_IMA_ADPCM:
    case SF_FORMAT_MS_ADPCM:
    case SF_FORMAT_GSM610:
        return false;
    default:
        return true;
    }
}

template <typename Sample>
bool Stream(SNDFILE* file, pa_simple* out, int channels, sf_count_t (*read)(SNDFILE*, Sample*, sf_count_t)) {
    constexpr sf_count_t kFrames = 4096;
    std::vector<Sample> buffer(static_cast<std::size_t>(kFrames * channels));
    int error = 0;
    for (;;) {
        const sf_count_t frames = read(file, buffer.data(), kFrames);
        if (frames <= 0) break;
        const auto bytes = static_cast<std::size_t>(frames * channels) * sizeof(Sample);
        if (pa_simple_write(out, buffer.data(), bytes, &error) < 0) return false;
    }
    return pa_simple_drain(out, &error) >= 0;
}

}  // namespace

bool PlayWaveFile(const std::string& path) {
    if (path.empty()) return false;
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) return false;
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) return false;
    if (info.channels < 1 || static_cast<unsigned>(info.channels) > PA_CHANNELS_MAX || info.samplerate <= 0 ||
        static_cast<unsigned>(info.samplerate) > PA_RATE_MAX || info.frames <= 0)
        return false;

    const std::optional<std::string> server = SoundServer();
    if (!server) return false;
    const bool asFloat = NeedsFloat(info.format);
    pa_sample_spec spec{};
    spec.format = asFloat ? PA_SAMPLE_FLOAT32NE : PA_SAMPLE_S16NE;
    spec.rate = static_cast<std::uint32_t>(info.samplerate);
    spec.channels = static_cast<std::uint8_t>(info.channels);
    int error = 0;
    std::unique_ptr<pa_simple, PulseCloser> out(pa_simple_new(server->empty() ? nullptr : server->c_str(), "Tarnolux",
                                                              PA_STREAM_PLAYBACK, nullptr, "Free-up sound", &spec,
                                                              nullptr, nullptr, &error));
    if (!out) return false;
    return asFloat ? Stream<float>(file.get(), out.get(), info.channels, sf_readf_float)
                   : Stream<short>(file.get(), out.get(), info.channels, sf_readf_short);
}

}  // namespace platform::linux_impl
