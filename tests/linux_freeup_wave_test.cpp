// The wave player gives up at once, and plays nothing, when there is nothing it can play.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "platform/linux/wave_player.h"
#include "support.h"

namespace {

using platform::linux_impl::PlayWaveFile;

// A short 16-bit mono PCM wave of silence, 8000 frames a second.
std::string Wave(std::uint32_t frames) {
    const auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    const std::uint32_t bytes = frames * 2;
    return "RIFF" + le32(36 + bytes) + "WAVEfmt " + le32(16) + std::string("\1\0\1\0", 4) + le32(8000) + le32(16000) +
           std::string("\2\0\20\0", 4) + "data" + le32(bytes) + std::string(bytes, '\0');
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(LinuxFreeupWave, NothingToPlayIsReportedAsFalse) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "notes.wav", "not a sound at all, only text that pretends to be one\n");
    testsupport::WriteFile(dir / "empty.wav", Wave(0));  // a header without any sound after it
    for (const std::string& path : {std::string(), (dir / "missing.wav").string(), dir.str(), (dir / "notes.wav").string(),
                                    (dir / "empty.wav").string()})
        EXPECT_FALSE(PlayWaveFile(path)) << path;
}

TEST(LinuxFreeupWave, AGoodWaveWithoutASoundServerPlaysNothing) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "ding.wav", Wave(800));
    const std::string wave = (dir / "ding.wav").string();

    // The private runtime folder of the tests holds no server socket, and no server may be started.
    {
        ScopedEnv noServer("PULSE_SERVER", "");
        ScopedEnv runtime("XDG_RUNTIME_DIR", dir.str());
        EXPECT_FALSE(PlayWaveFile(wave));
    }
    // A server named in the environment that does not answer.
    {
        ScopedEnv server("PULSE_SERVER", "unix:" + (dir / "no-such-socket").string());
        EXPECT_FALSE(PlayWaveFile(wave));
    }
}

// A sound server that has stopped: its socket still takes connections, but nobody answers.
class StoppedServer {
public:
    explicit StoppedServer(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(fd_, 4) == 0;
    }
    ~StoppedServer() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return ok_; }

private:
    int fd_;
    bool ok_ = false;
};

TEST(LinuxFreeupWave, AServerThatDoesNotAnswerIsGivenUp) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "ding.wav", Wave(800));
    const std::string wave = (dir / "ding.wav").string();
    const std::string socket = (dir / "native").string();
    StoppedServer server(socket);
    ASSERT_TRUE(server.ok());
    ScopedEnv named("PULSE_SERVER", "unix:" + socket);

    // After its patience runs out...
    EXPECT_FALSE(PlayWaveFile(wave, {}, std::chrono::milliseconds(200)));

    // ...or at once when asked to stop, however patient it would be.
    std::stop_source stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.request_stop();
    });
    EXPECT_FALSE(PlayWaveFile(wave, stop.get_token(), std::chrono::hours(1)));
    stopper.join();
}

}  // namespace

