// The free-up on Linux: the real memory claim (what can be had, the blank pattern, giving up in
// time, the out-of-memory score put back), the readings around it, and the wave player, which
// gives up at once, and plays nothing, when there is nothing it can play.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/form5.h"
#include "app/program.h"
#include "host/scripted_host.h"
#include "linux_options.h"
#include "platform/linux/memory_claim.h"
#include "platform/linux/proc_parse.h"
#include "platform/linux/wave_player.h"
#include "linux_options.h"

namespace {

using namespace platform::linux_impl;

constexpr std::uint64_t MiB = std::uint64_t{1} << 20;

// A control-group tree in memory.
CgroupReader Tree(std::map<std::string, std::string> files) {
    return [files = std::move(files)](const std::string& path) -> std::optional<std::string> {
        const auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    };
}

// A /proc/<pid>/status field, in kB.
std::uint64_t StatusKB(int pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1));
    return 0;
}

bool AllBlank(const unsigned char* p, std::uint64_t n) {
    for (std::uint64_t i = 0; i < n; ++i)
        if (p[i] != ((i & 1) ? 0x00 : 0x20)) return false;
    return true;
}

TEST(LinuxFreeupClaim, WhatCanBeHadIsAvailablePlusSwapLessAReserve) {
    // 16 GiB of memory: the reserve is 5 % of it.
    const char* withSwap =
        "MemTotal:       16777216 kB\nMemFree:         1000000 kB\nMemAvailable:    8388608 kB\n"
        "Buffers:            100 kB\nCached:          2000000 kB\nSwapTotal:       2097152 kB\n"
        "SwapFree:        1048576 kB\n";
    EXPECT_EQ(MemoryThatCanBeHad(withSwap), (8388608ull + 1048576ull) * 1024 - 16777216ull * 1024 / 20);

    // A small machine keeps at least 64 MiB back; with less than that available nothing can be had.
    EXPECT_EQ(MemoryThatCanBeHad("MemTotal: 524288 kB\nMemAvailable: 200000 kB\n"), 200000ull * 1024 - 64 * MiB);
    EXPECT_EQ(MemoryThatCanBeHad("MemTotal: 524288 kB\nMemAvailable: 1000 kB\n"), 0u);

    // Old kernels without MemAvailable: free memory and the page cache stand in.
    EXPECT_EQ(MemoryThatCanBeHad("MemTotal: 4194304 kB\nMemFree: 1000000 kB\nBuffers: 1000 kB\nCached: 500000 kB\n"),
              1501000ull * 1024 - 4194304ull * 1024 / 20);

    // Nothing, no number, or a field whose name merely begins like another one: no figure.
    for (const char* bad : {"", "MemTotal: lots\nMemAvailable: 5 kB\n", "MemTotalX: 5 kB\nMemAvailable: 5 kB\n"})
        EXPECT_EQ(MemoryThatCanBeHad(bad), std::nullopt) << bad;

    ASSERT_TRUE(MemoryThatCanBeHad().has_value()) << "/proc/meminfo should be readable";
}

TEST(LinuxFreeupClaim, FillWritesThePatternFromAnyStartAndNoFurther) {
    std::vector<unsigned char> buf(512);
    for (std::size_t start : {0u, 2u, 6u, 16u, 18u}) {
        for (std::size_t len : {0u, 1u, 2u, 15u, 64u, 65u, 130u, 333u}) {
            std::fill(buf.begin(), buf.end(), 0xAB);
            FillBlank(buf.data() + start, len);
            EXPECT_TRUE(AllBlank(buf.data() + start, len)) << start << "+" << len;
            for (std::size_t i = 0; i < buf.size(); ++i) {
                if (i < start || i >= start + len) {
                    ASSERT_EQ(buf[i], 0xAB) << start << "+" << len << " at " << i;
                }
            }
        }
    }
}

TEST(LinuxFreeupClaim, AClaimIsWrittenInFullAndOffersUsToTheOomKillerMeanwhile) {
    const std::optional<int> before = OomScoreAdj();
    ASSERT_TRUE(before.has_value());
    {
        auto block = ClaimMemory(8 * MiB);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block->size(), 8 * MiB);
        auto* claimed = dynamic_cast<ClaimedBlock*>(block.get());
        ASSERT_NE(claimed, nullptr);
        EXPECT_TRUE(AllBlank(claimed->data(), claimed->size()));
        EXPECT_EQ(OomScoreAdj(), 1000);
    }
    EXPECT_EQ(OomScoreAdj(), before);
    auto odd = ClaimMemory(3 * MiB + 7);  // not a whole number of pages
    ASSERT_NE(odd, nullptr);
    EXPECT_TRUE(AllBlank(static_cast<ClaimedBlock&>(*odd).data(), 3 * MiB + 7));

    // The rest fits exactly at every check: the claim completes, asking before each chunk.
    int asked = 0;
    std::uint64_t rest = 8 * MiB;
    const auto shrinking = [&] {
        ++asked;
        return std::optional<std::uint64_t>(std::exchange(rest, rest - 2 * MiB));
    };
    const auto block = ClaimMemory(8 * MiB, shrinking, 2 * MiB);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(asked, 4);
    EXPECT_TRUE(AllBlank(static_cast<const ClaimedBlock&>(*block).data(), 8 * MiB));
}

// A claim that cannot finish claims nothing and puts our score back: more than can be had, no
// figure at all, what can be had shrinking under it, a stop requested midway or before, nothing.
TEST(LinuxFreeupClaim, AClaimThatCannotFinishGivesUpInTime) {
    const std::optional<int> before = OomScoreAdj();
    const std::optional<std::uint64_t> can = MemoryThatCanBeHad();
    ASSERT_TRUE(can.has_value());
    EXPECT_EQ(ClaimMemory(*can + 1024 * MiB), nullptr);
    EXPECT_EQ(ClaimMemory(UINT64_MAX), nullptr);
    EXPECT_EQ(ClaimMemory(MiB, [] { return std::optional<std::uint64_t>(); }), nullptr);
    int asked = 0;  // plenty at first; after the first 2 MiB chunk the machine has run short
    EXPECT_EQ(ClaimMemory(8 * MiB, [&] { return std::optional<std::uint64_t>(++asked == 1 ? 64 * MiB : 4 * MiB); }, 2 * MiB),
              nullptr);
    EXPECT_EQ(asked, 2);
    std::stop_source stop;
    asked = 0;
    const auto stopAtTheSecond = [&] {
        if (++asked == 2) stop.request_stop();
        return std::optional<std::uint64_t>(64 * MiB);
    };
    EXPECT_EQ(ClaimMemory(8 * MiB, stopAtTheSecond, 2 * MiB, stop.get_token()), nullptr);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(ClaimMemory(MiB, stop.get_token()), nullptr);
    EXPECT_EQ(ClaimMemory(0), nullptr);
    EXPECT_EQ(OomScoreAdj(), before);
}

TEST(LinuxFreeupClaim, TheRoomUnderOurCgroupsLimitsCounts) {
    const std::uint64_t G = 1024 * MiB;
    // Version 2: the tightest level counts, the page cache that can be dropped is not used up, and
    // each limit keeps 5 % back.
    const auto v2 = Tree({
        {"/cg/user.slice/memory.max", std::to_string(4 * G) + "\n"},
        {"/cg/user.slice/memory.current", std::to_string(G)},
        {"/cg/user.slice/app.scope/memory.max", std::to_string(2 * G)},
        {"/cg/user.slice/app.scope/memory.current", std::to_string(G)},
        {"/cg/user.slice/app.scope/memory.stat", "anon 1\ninactive_file " + std::to_string(512 * MiB) + "\n"},
    });
    EXPECT_EQ(CgroupMemoryRoom("0::/user.slice/app.scope\n", v2, "/cg"), 2 * G - 512 * MiB - 2 * G / 20);
    // "max" is no limit; without any limit there is nothing to say.
    EXPECT_EQ(CgroupMemoryRoom("0::/\n", Tree({{"/cg/memory.max", "max\n"}}), "/cg"), std::nullopt);
    EXPECT_EQ(CgroupMemoryRoom("", v2, "/cg"), std::nullopt);
    // Over the limit already, or usage that cannot be read: no room at all.
    EXPECT_EQ(CgroupMemoryRoom("0::/a\n", Tree({{"/cg/a/memory.max", "100000000"}, {"/cg/a/memory.current", "99000000"}}), "/cg"),
              0u);
    EXPECT_EQ(CgroupMemoryRoom("0::/a\n", Tree({{"/cg/a/memory.max", "1073741824"}}), "/cg"), 0u);

    // Version 1: the memory hierarchy among others; its "unlimited" is a huge page-aligned number.
    const auto v1 = Tree({
        {"/cg/memory/docker/c1/memory.limit_in_bytes", std::to_string(G)},
        {"/cg/memory/docker/c1/memory.usage_in_bytes", std::to_string(600 * MiB)},
        {"/cg/memory/docker/c1/memory.stat", "cache 5\ntotal_inactive_file " + std::to_string(100 * MiB) + "\n"},
        {"/cg/memory/docker/memory.limit_in_bytes", "9223372036854771712"},
    });
    EXPECT_EQ(CgroupMemoryRoom("12:cpu,cpuacct:/docker/c1\n4:memory:/docker/c1\n0::/\n", v1, "/cg"),
              G - 500 * MiB - G / 20);
    // A path that tries to climb out of the tree is ignored.
    EXPECT_EQ(CgroupMemoryRoom("4:memory:/../../etc\n", v1, "/cg"), std::nullopt);

    // A parent's limit counts when it is the tighter one, in either version; a last line without its
    // line end is read like any other.
    const auto parents = Tree({
        {"/cg/user.slice/memory.max", std::to_string(G)},
        {"/cg/user.slice/memory.current", std::to_string(600 * MiB)},
        {"/cg/user.slice/memory.stat", "anon 1\ninactive_file " + std::to_string(100 * MiB)},
        {"/cg/user.slice/app.scope/memory.max", std::to_string(4 * G)},
        {"/cg/user.slice/app.scope/memory.current", std::to_string(G)},
        {"/cg/memory/docker/memory.limit_in_bytes", std::to_string(G)},
        {"/cg/memory/docker/memory.usage_in_bytes", std::to_string(1000 * MiB)},
    });
    EXPECT_EQ(CgroupMemoryRoom("0::/user.slice/app.scope/\n", parents, "/cg"), G - 500 * MiB - G / 20);
    EXPECT_EQ(CgroupMemoryRoom("4:memory:/docker/c1", parents, "/cg"), 0u);  // 24 MiB left of 1 GiB: less than its reserve

    // The least of what /proc/meminfo offers and the room under the limits; nothing without the figures.
    const std::string meminfo = "MemTotal: 16777216 kB\nMemAvailable: 8388608 kB\n";
    const std::uint64_t fromProc = 8ull * G - 16ull * G / 20;
    for (const auto& [cgroup, can] : {std::pair{"0::/user.slice/app.scope\n", G - 500 * MiB - G / 20},
                                      {"0::/\n", fromProc}, {"", fromProc}})
        EXPECT_EQ(MemoryThatCanBeHad(meminfo, cgroup, parents, "/cg"), can) << cgroup;
    EXPECT_EQ(MemoryThatCanBeHad("", "0::/user.slice/app.scope\n", parents, "/cg"), std::nullopt);
}

TEST(LinuxFreeupClaim, AChildClaimsHoldsAndGivesBackWhileWeStayOutOfTheKillersWay) {
    const std::optional<int> before = OomScoreAdj();
    auto block = ClaimMemoryInChild(64 * MiB);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->size(), 64 * MiB);
    const int child = ClaimingChild(*block);
    ASSERT_GT(child, 0);
    EXPECT_NE(child, ::getpid());
    // The child holds the written block and is the one offered to the out-of-memory killer.
    EXPECT_GE(StatusKB(child, "VmRSS"), 64u * 1024);
    EXPECT_EQ(testsupport::ReadFile("/proc/" + std::to_string(child) + "/oom_score_adj"), "1000\n");
    EXPECT_EQ(OomScoreAdj(), before);

    block.reset();  // given back: the child has ended and been reaped
    EXPECT_EQ(::kill(child, 0), -1);

    // Too much, or a stop already requested: nothing, and no child left behind.
    const std::optional<std::uint64_t> can = MemoryThatCanBeHad();
    ASSERT_TRUE(can.has_value());
    EXPECT_EQ(ClaimMemoryInChild(*can + 1024 * MiB), nullptr);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(ClaimMemoryInChild(MiB, stop.get_token()), nullptr);
    EXPECT_EQ(ClaimMemoryInChild(0), nullptr);
}

// The figures a free-up reports: MemFree, MemAvailable (or its stand-in), Cached + Buffers and the
// swap in use, from one reading.
TEST(LinuxFreeupReport, AReadingTakesItsFiguresFromMeminfo) {
    const std::string common = "MemTotal: 8000 kB\nMemFree: 1000 kB\nBuffers: 100 kB\nCached: 2000 kB\n";
    EXPECT_EQ(ToMemoryReading(ParseMeminfo(common + "MemAvailable: 5000 kB\nSwapTotal: 4000 kB\nSwapFree: 3000 kB\n")),
              (platform::MemoryReading{1000 * 1024, 5000 * 1024, 2100 * 1024, 1000 * 1024}));
    // Before Linux 3.14, free memory and the caches stand in for what is available.
    EXPECT_EQ(ToMemoryReading(ParseMeminfo(common + "SwapTotal: 0 kB\nSwapFree: 10 kB\n")),
              (platform::MemoryReading{1000 * 1024, 3100 * 1024, 2100 * 1024, 0}));
}

// A LinuxSystem that notes each reading with whether the child that claims lives.
struct WatchedSystem : platform::LinuxSystem {
    using LinuxSystem::LinuxSystem;
    int child = 0;
    std::vector<std::string> seen;
    std::optional<platform::MemoryReading> ReadMemory() override {
        seen.push_back(child == 0 ? "read" : ::kill(child, 0) == 0 ? "read while the child holds" : "read once it is gone");
        return LinuxSystem::ReadMemory();
    }
    std::unique_ptr<platform::MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop) override {
        auto block = LinuxSystem::ClaimMemory(bytes, std::move(stop));
        child = block ? ClaimingChild(*block) : 0;
        seen.push_back(block ? "claimed" : "refused");
        return block;
    }
};

// The memory is read before the free-up and again once the child that claimed has ended and its
// memory is back.
TEST(LinuxFreeupReport, AFreeUpIsReadBeforeTheClaimAndAfterTheChildHasGivenItBack) {
    testsupport::TempDir dir;
    platform::LinuxSystem::Options options = testsupport::In(dir);
    options.procRoot = "/proc";
    WatchedSystem sys(options);
    forms::Application app;
    host::ScriptedHost host(app);
    tarnolux::Program program(app, sys, host);
    ASSERT_TRUE(program.Start());
    const std::string answer = program.LaterStartRequest("free-up 64");
    EXPECT_EQ(answer.rfind("result 0 Freed 64 MB in ", 0), 0u) << answer;
    EXPECT_EQ(sys.seen, (std::vector<std::string>{"read", "claimed", "read once it is gone"}));
    program.form5().Unload();
}

// A wave of silence, 8000 frames a second: 16-bit mono PCM, or 32-bit stereo floats.
std::string Wave(std::uint32_t frames, bool floats = false) {
    const auto le = [](std::uint32_t v, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += static_cast<char>(v >> (8 * i));
        return out;
    };
    const std::uint32_t frameBytes = floats ? 8 : 2, bytes = frames * frameBytes;
    return "RIFF" + le(36 + bytes, 4) + "WAVEfmt " + le(16, 4) + le(floats ? 3 : 1, 2) + le(floats ? 2 : 1, 2) + le(8000, 4) +
           le(8000 * frameBytes, 4) + le(frameBytes, 2) + le(floats ? 32 : 16, 2) + "data" + le(bytes, 4) + std::string(bytes, '\0');
}

using testsupport::ScopedEnv;

TEST(LinuxFreeupWave, NothingToPlayIsReportedAsFalse) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "notes.wav", "not a sound at all, only text that pretends to be one\n");
    testsupport::WriteFile(dir / "empty.wav", Wave(0));  // a header without any sound after it
    for (const std::string& path : {std::string(), (dir / "missing.wav").string(), dir.str(), (dir / "notes.wav").string(),
                                    (dir / "empty.wav").string()})
        EXPECT_FALSE(PlayWaveFile(path)) << path;
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

// The sound server's socket is looked for in the runtime folder only when that is an absolute path.
TEST(LinuxFreeupWave, TheServerIsLookedForInAnAbsoluteRuntimeFolderOnly) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir / "pulse");
    StoppedServer server((dir / "pulse/native").string());
    ASSERT_TRUE(server.ok());
    ScopedEnv noServer("PULSE_SERVER", ""), noPath("PULSE_RUNTIME_PATH", "");
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", std::filesystem::relative(dir.path()).string());
        EXPECT_EQ(SoundServer(), std::nullopt);
    }
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.str());
    EXPECT_EQ(SoundServer(), "unix:" + dir.str() + "/pulse/native");
}

// A sound server of this test's own that plays into a sink leading nowhere; not running where the
// server is not installed.
class PrivateSoundServer {
public:
    explicit PrivateSoundServer(const testsupport::TempDir& dir) : socket_((dir / "native").string()) {
        if (!testsupport::OnPath("pulseaudio")) return;
        std::vector<std::string> env{"HOME=" + dir.str(), "XDG_RUNTIME_DIR=" + dir.str(), "XDG_CONFIG_HOME=" + dir.str(),
                                     std::string("PATH=") + std::getenv("PATH")};
        std::vector<std::string> args{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                      "--disable-shm=yes", "-L", "module-null-sink",
                                      "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket_};
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        for (auto& e : env) envp.push_back(e.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        ::posix_spawn_file_actions_init(&quiet);
        ::posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        if (::posix_spawnp(&pid_, "pulseaudio", &quiet, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
        ::posix_spawn_file_actions_destroy(&quiet);
        for (int i = 0; pid_ > 0 && i < 500 && !std::filesystem::exists(socket_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~PrivateSoundServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;
    bool running() const { return pid_ > 0 && std::filesystem::exists(socket_); }
    std::string address() const { return "unix:" + socket_; }

private:
    std::string socket_;
    pid_t pid_ = -1;
};

// A server that answers plays a wave to its end, whole numbers and floats alike; a stop request
// cuts a long one short.
TEST(LinuxFreeupWave, AServerThatAnswersPlaysTheWaveToItsEnd) {
    testsupport::TempDir dir;
    PrivateSoundServer server(dir);
    if (!server.running()) GTEST_SKIP() << "no sound server to start";
    ScopedEnv named("PULSE_SERVER", server.address());
    testsupport::WriteFile(dir / "short.wav", Wave(800));
    testsupport::WriteFile(dir / "floats.wav", Wave(800, true));
    testsupport::WriteFile(dir / "long.wav", Wave(8000 * 30));
    // This server's sink holds two seconds of sound before it plays any.
    for (const char* wave : {"short.wav", "floats.wav"})
        EXPECT_TRUE(PlayWaveFile((dir / wave).string(), {}, std::chrono::seconds(10))) << wave;
    std::stop_source stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop.request_stop();
    });
    EXPECT_FALSE(PlayWaveFile((dir / "long.wav").string(), stop.get_token()));
    stopper.join();
}

// A good wave plays nothing without a sound server that answers, and costs no wait beyond the
// player's patience.
TEST(LinuxFreeupWave, WithoutAServerThatAnswersAGoodWaveIsGivenUp) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "ding.wav", Wave(800));
    const std::string wave = (dir / "ding.wav").string();
    // The private runtime folder of the tests holds no server socket, and no server may be started.
    {
        ScopedEnv noServer("PULSE_SERVER", "");
        ScopedEnv runtime("XDG_RUNTIME_DIR", dir.str());
        EXPECT_FALSE(PlayWaveFile(wave));
    }
    // A server named in the environment that does not exist, or that takes connections and no
    // longer answers: after its patience runs out...
    {
        ScopedEnv server("PULSE_SERVER", "unix:" + (dir / "no-such-socket").string());
        EXPECT_FALSE(PlayWaveFile(wave));
    }
    const std::string socket = (dir / "native").string();
    StoppedServer server(socket);
    ASSERT_TRUE(server.ok());
    ScopedEnv named("PULSE_SERVER", "unix:" + socket);

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

