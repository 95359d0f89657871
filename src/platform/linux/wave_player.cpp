#include "platform/linux/wave_player.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
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
using Clock = std::chrono::steady_clock;

// One conversation with the sound server, driven by a main loop of our own on this thread so that
// every wait has a deadline: the simple blocking interface waits forever for a server that hangs.
class Connection {
public:
    Connection() : loop_(pa_mainloop_new()) {}
    ~Connection() {
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_) pa_mainloop_free(loop_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Open(const std::string& server, const pa_sample_spec& spec, Clock::time_point deadline,
              const std::stop_token& stop) {
        if (!loop_) return false;
        context_ = pa_context_new(pa_mainloop_get_api(loop_), "Tarnolux");
        if (!context_ ||
            pa_context_connect(context_, server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        const auto contextSettled = [this] {
            const pa_context_state_t s = pa_context_get_state(context_);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        };
        if (!RunUntil(contextSettled, deadline, stop) || pa_context_get_state(context_) != PA_CONTEXT_READY)
            return false;
        stream_ = pa_stream_new(context_, "Free-up sound", &spec, nullptr);
        if (!stream_ || pa_stream_connect_playback(stream_, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr, nullptr) < 0)
            return false;
        const auto streamSettled = [this] {
            const pa_stream_state_t s = pa_stream_get_state(stream_);
            return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
        };
        return RunUntil(streamSettled, deadline, stop) && pa_stream_get_state(stream_) == PA_STREAM_READY;
    }

    // Room for more sound in the server's buffer, waiting for it until `deadline`; 0 on failure.
    std::size_t WaitWritable(Clock::time_point deadline, const std::stop_token& stop) {
        std::size_t room = 0;
        const auto writable = [&] {
            if (pa_stream_get_state(stream_) != PA_STREAM_READY) return true;
            room = pa_stream_writable_size(stream_);
            if (room == static_cast<std::size_t>(-1)) room = 0;
            return room > 0;
        };
        if (!RunUntil(writable, deadline, stop)) return 0;
        return room;
    }

    bool Write(const void* data, std::size_t bytes) {
        return pa_stream_write(stream_, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) >= 0;
    }

    bool Drain(Clock::time_point deadline, const std::stop_token& stop) {
        int drained = 0;
        pa_operation* op = pa_stream_drain(
            stream_, [](pa_stream*, int success, void* result) { *static_cast<int*>(result) = success ? 1 : -1; },
            &drained);
        if (!op) return false;
        const bool done = RunUntil([&] { return drained != 0 || pa_stream_get_state(stream_) != PA_STREAM_READY; },
                                   deadline, stop);
        pa_operation_unref(op);
        return done && drained > 0;
    }

private:
    template <typename Done>
    bool RunUntil(Done done, Clock::time_point deadline, const std::stop_token& stop) {
        // A stop wakes the loop out of its wait at once.
        const std::stop_callback wake(stop, [loop = loop_] { pa_mainloop_wakeup(loop); });
        while (!done()) {
            if (stop.stop_requested()) return false;
            const auto now = Clock::now();
            if (now >= deadline) return false;
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now).count();
            if (pa_mainloop_prepare(loop_, static_cast<int>(std::min<long long>(left, 1000000))) < 0 ||
                pa_mainloop_poll(loop_) < 0 || pa_mainloop_dispatch(loop_) < 0)
                return false;
        }
        return true;
    }

    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
};

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
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
bool Stream(SNDFILE* file, Connection& out, int channels, double seconds, sf_count_t (*read)(SNDFILE*, Sample*, sf_count_t),
            std::chrono::milliseconds patience, const std::stop_token& stop) {
    constexpr sf_count_t kFrames = 4096;
    const std::size_t frameBytes = sizeof(Sample) * static_cast<std::size_t>(channels);
    std::vector<Sample> buffer(static_cast<std::size_t>(kFrames * channels));
    for (;;) {
        // Progress renews the patience: only a server that stops taking sound is given up.
        const std::size_t room = out.WaitWritable(Clock::now() + patience, stop);
        if (room == 0) return false;
        const auto want = static_cast<sf_count_t>(std::clamp<std::size_t>(room / frameBytes, 1, kFrames));
        const sf_count_t frames = read(file, buffer.data(), want);
        if (frames <= 0) break;
        if (!out.Write(buffer.data(), static_cast<std::size_t>(frames) * frameBytes)) return false;
    }
    const auto length = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    return out.Drain(Clock::now() + length + patience, stop);
}

}  // namespace

std::optional<std::string> SoundServer() {
    if (!EnvOr("PULSE_SERVER", "").empty()) return std::string();
    std::string dir = EnvOr("PULSE_RUNTIME_PATH", "");
    if (dir.empty()) {
        // The XDG rules ignore a runtime folder that is not an absolute path.
        const std::string runtime = EnvOr("XDG_RUNTIME_DIR", "");
        if (runtime.empty() || runtime.front() != '/') return std::nullopt;
        dir = runtime + "/pulse";
    }
    const std::string socket = dir + "/native";
    struct stat st {};
    if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return std::nullopt;
    return "unix:" + socket;
}

bool PlayWaveFile(const std::string& path, std::stop_token stop, std::chrono::milliseconds patience) {
    if (path.empty() || stop.stop_requested()) return false;
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
    Connection out;
    if (!out.Open(*server, spec, Clock::now() + patience, stop)) return false;
    const double seconds = static_cast<double>(info.frames) / info.samplerate;
    return asFloat ? Stream<float>(file.get(), out, info.channels, seconds, sf_readf_float, patience, stop)
                   : Stream<short>(file.get(), out, info.channels, seconds, sf_readf_short, patience, stop);
}

}  // namespace platform::linux_impl
