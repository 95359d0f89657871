// The free-up on Linux: the real memory claim, the readings around it, and the wave player.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app_fixture.h"
#include "linux_bus.h"
#include "platform/linux/memory_claim.h"
#include "platform/linux/wave_player.h"

namespace {

using namespace platform::linux_impl;
using namespace std::chrono_literals;
using namespace testsupport;

constexpr std::uint64_t MiB = std::uint64_t{1} << 20;

CgroupReader Tree(std::map<std::string, std::string> files) {
    return [files = std::move(files)](const std::string& path) -> std::optional<std::string> {
        const auto it = files.find(path);
        return it == files.end() ? std::nullopt : std::optional(it->second);
    };
}

bool AllBlank(const unsigned char* p, std::uint64_t n) {
    for (std::uint64_t i = 0; i < n; ++i)
        if (p[i] != ((i & 1) ? 0x00 : 0x20)) return false;
    return true;
}

TEST(LinuxFreeupClaim, WhatCanBeHadIsAvailablePlusSwapLessAReserve) {
    // 16 GiB of memory: the reserve is 5 % of it.
    const char* withSwap =
        "MemTotal:       16777216 kB\nMemFree:         1000000 kB\nMemAvailable:    8388608 kB\nBuffers: 100 kB\n"
        "Cached:          2000000 kB\nSwapTotal:       2097152 kB\nSwapFree:        1048576 kB\n";
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
}

// A claim that cannot finish claims nothing, and our out-of-memory score is put back either way.
TEST(LinuxFreeupClaim, AClaimIsWrittenInFullOrGivesUpInTimeAndOurScoreComesBack) {
    const std::optional<int> before = OomScoreAdj();
    int asked = 0;
    {
        auto odd = ClaimMemory(3 * MiB + 7);  // not a whole number of pages
        ASSERT_NE(odd, nullptr);
        EXPECT_TRUE(odd->size() == 3 * MiB + 7 && AllBlank(static_cast<ClaimedBlock&>(*odd).data(), 3 * MiB + 7));
        EXPECT_EQ(OomScoreAdj(), 1000);
        // The rest fits exactly at every check: the claim completes, asking before each chunk.
        std::uint64_t rest = 8 * MiB;
        const auto shrinking = [&] {
            ++asked;
            return std::optional<std::uint64_t>(std::exchange(rest, rest - 2 * MiB));
        };
        const auto block = ClaimMemory(8 * MiB, shrinking, 2 * MiB);
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(asked == 4 && AllBlank(static_cast<const ClaimedBlock&>(*block).data(), 8 * MiB)) << asked;
    }
    EXPECT_EQ(ClaimMemory(MiB, [] { return std::optional<std::uint64_t>(); }), nullptr);
    asked = 0;  // plenty at first; after the first 2 MiB chunk the machine has run short
    const auto shortAfterTheFirst = [&] { return std::optional<std::uint64_t>(++asked == 1 ? 64 * MiB : 4 * MiB); };
    EXPECT_TRUE(ClaimMemory(8 * MiB, shortAfterTheFirst, 2 * MiB) == nullptr && asked == 2) << asked;
    std::stop_source stop;
    asked = 0;
    const auto stopAtTheSecond = [&] {
        if (++asked == 2) stop.request_stop();
        return std::optional<std::uint64_t>(64 * MiB);
    };
    EXPECT_TRUE(ClaimMemory(8 * MiB, stopAtTheSecond, 2 * MiB, stop.get_token()) == nullptr && asked == 2) << asked;
    EXPECT_EQ(ClaimMemory(0), nullptr);
    EXPECT_EQ(OomScoreAdj(), before);
}

TEST(LinuxFreeupClaim, TheRoomUnderOurCgroupsLimitsCounts) {
    const std::uint64_t G = 1024 * MiB;
    // Version 2: the tightest level counts, less the page cache that can be dropped, less 5 % of it.
    const auto v2 = Tree({
        {"/cg/user.slice/memory.max", std::to_string(4 * G) + "\n"},
        {"/cg/user.slice/memory.current", std::to_string(G)},
        {"/cg/user.slice/app.scope/memory.max", std::to_string(2 * G) + "\n"},
        {"/cg/user.slice/app.scope/memory.current", std::to_string(G)},
        {"/cg/user.slice/app.scope/memory.stat", "anon 1\ninactive_file " + std::to_string(512 * MiB) + "\n"}});
    EXPECT_EQ(CgroupMemoryRoom("0::/user.slice/app.scope\n", v2, "/cg"), 2 * G - 512 * MiB - 2 * G / 20);
    // "max" is no limit; without any limit there is nothing to say.
    EXPECT_EQ(CgroupMemoryRoom("0::/\n", Tree({{"/cg/memory.max", "max\n"}}), "/cg"), std::nullopt);
    EXPECT_EQ(CgroupMemoryRoom("", v2, "/cg"), std::nullopt);
    // Over the limit already, or usage that cannot be read: no room at all.
    const auto over = Tree({{"/cg/a/memory.max", "100000000"}, {"/cg/a/memory.current", "99000000"}});
    EXPECT_EQ(CgroupMemoryRoom("0::/a\n", over, "/cg"), 0u);
    EXPECT_EQ(CgroupMemoryRoom("0::/a\n", Tree({{"/cg/a/memory.max", "1073741824"}}), "/cg"), 0u);
    // Read a moment apart, the droppable cache may exceed the usage: all but the reserve is room.
    EXPECT_EQ(CgroupMemoryRoom("0::/a\n", Tree({{"/cg/a/memory.max", std::to_string(G)}, {"/cg/a/memory.current", "5"},
                                                {"/cg/a/memory.stat", "inactive_file 9\n"}}), "/cg"),
              G - G / 20);

    // Version 1: the memory hierarchy among others; its "unlimited" is a huge page-aligned number.
    const auto v1 = Tree({
        {"/cg/memory/docker/c1/memory.limit_in_bytes", std::to_string(G)},
        {"/cg/memory/docker/c1/memory.usage_in_bytes", std::to_string(600 * MiB)},
        {"/cg/memory/docker/c1/memory.stat", "cache 5\ntotal_inactive_file " + std::to_string(100 * MiB) + "\n"},
        {"/cg/memory/docker/memory.limit_in_bytes", "9223372036854771712"}});
    EXPECT_EQ(CgroupMemoryRoom("12:cpu,cpuacct:/docker/c1\n4:memory:/docker/c1\n0::/\n", v1, "/cg"),
              G - 500 * MiB - G / 20);
    // A path that tries to climb out of the tree is ignored.
    EXPECT_EQ(CgroupMemoryRoom("4:memory:/../../etc\n", v1, "/cg"), std::nullopt);

    // A parent's tighter limit counts in either version; a last line needs no line end.
    const auto parents = Tree({
        {"/cg/user.slice/memory.max", std::to_string(G)}, {"/cg/user.slice/memory.current", std::to_string(600 * MiB)},
        {"/cg/user.slice/memory.stat", "anon 1\ninactive_file " + std::to_string(100 * MiB)},
        {"/cg/user.slice/app.scope/memory.max", std::to_string(4 * G)},
        {"/cg/user.slice/app.scope/memory.current", std::to_string(G)},
        {"/cg/memory/docker/memory.limit_in_bytes", std::to_string(G)},
        {"/cg/memory/docker/memory.usage_in_bytes", std::to_string(1000 * MiB)}});
    EXPECT_EQ(CgroupMemoryRoom("0::/user.slice/app.scope/\n", parents, "/cg"), G - 500 * MiB - G / 20);
    // 24 MiB left of 1 GiB: less than its reserve.
    EXPECT_EQ(CgroupMemoryRoom("4:memory:/docker/c1", parents, "/cg"), 0u);

    // The least of what /proc/meminfo offers and the room under the limits; nothing without the figures.
    const std::string meminfo = "MemTotal: 16777216 kB\nMemAvailable: 8388608 kB\n";
    const std::uint64_t fromProc = 8ull * G - 16ull * G / 20;
    for (const auto& [cgroup, can] : {std::pair{"0::/user.slice/app.scope\n", G - 500 * MiB - G / 20},
                                      {"0::/\n", fromProc}, {"", fromProc}})
        EXPECT_EQ(MemoryThatCanBeHad(meminfo, cgroup, parents, "/cg"), can) << cgroup;
    EXPECT_EQ(MemoryThatCanBeHad("", "0::/user.slice/app.scope\n", parents, "/cg"), std::nullopt);
}

// The kernel's own groups, where this machine lets us make them (version 1, as root).
TEST(LinuxFreeupClaim, ALimitOnARealParentGroupBoundsWhatCanBeHad) {
    const std::string groups = ReadFile("/proc/self/cgroup");
    const auto at = groups.find(":memory:/");
    if (at == std::string::npos) GTEST_SKIP() << "no version 1 memory hierarchy";
    const std::string own = "/sys/fs/cgroup/memory" + groups.substr(at + 8, groups.find('\n', at) - at - 8);
    const std::string parent = own + "/tarnolux-test-" + std::to_string(::getpid()), inner = parent + "/inner";
    const auto put = [](const std::string& file, const std::string& text) {
        std::ofstream out(file);
        return static_cast<bool>(out << text << std::flush);
    };
    const bool made = ::mkdir(parent.c_str(), 0755) == 0 && ::mkdir(inner.c_str(), 0755) == 0 &&
                      put(parent + "/memory.limit_in_bytes", std::to_string(256 * MiB));
    int go[2], answer[2];
    std::uint64_t can = 0;
    if (made && ::pipe(go) == 0 && ::pipe(answer) == 0) {
        const pid_t child = ::fork();
        if (child == 0) {
            char c;
            const std::uint64_t had = ::read(go[0], &c, 1) == 1 ? MemoryThatCanBeHad().value_or(0) : 0;
            _exit(::write(answer[1], &had, sizeof had) == sizeof had ? 0 : 1);
        }
        EXPECT_TRUE(put(inner + "/cgroup.procs", std::to_string(child)) && ::write(go[1], "1", 1) == 1);
        for (int fd : {go[0], go[1], answer[1]}) ::close(fd);
        EXPECT_EQ(::read(answer[0], &can, sizeof can), static_cast<ssize_t>(sizeof can));
        ::close(answer[0]);
        ::waitpid(child, nullptr, 0);
    }
    for (const std::string& dir : {inner, parent}) ::rmdir(dir.c_str());
    if (!made) GTEST_SKIP() << "no memory group can be made and limited here";
    // 256 MiB less 16 MiB of reserve, less the little the child has used since it moved.
    EXPECT_TRUE(can > 200 * MiB && can <= 240 * MiB) << can;
}

TEST(LinuxFreeupClaim, AChildClaimsHoldsAndGivesBackWhileWeStayOutOfTheKillersWay) {
    const std::optional<int> before = OomScoreAdj();
    auto block = ClaimMemoryInChild(64 * MiB);
    ASSERT_NE(block, nullptr);
    const int child = ClaimingChild(*block);
    std::uint64_t pages = 0, resident = 0;
    std::ifstream("/proc/" + std::to_string(child) + "/statm") >> pages >> resident;
    EXPECT_GE(resident * ::sysconf(_SC_PAGESIZE), 64 * MiB);
    EXPECT_EQ(ReadFile("/proc/" + std::to_string(child) + "/oom_score_adj"), "1000\n");
    EXPECT_EQ(OomScoreAdj(), before);
    ::usleep(100000);  // and goes on holding it until it is given back
    siginfo_t ended{};
    EXPECT_TRUE(::waitid(P_PID, child, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0);
}

// A LinuxSystem that notes each reading with whether the child that claims lives.
struct WatchedSystem : platform::LinuxSystem {
    using LinuxSystem::LinuxSystem;
    int child = 0;
    std::vector<std::string> seen;
    std::optional<platform::MemoryReading> ReadMemory() override {
        const bool held = child && ::kill(child, 0) == 0;
        seen.push_back(!child ? "read" : held ? "read while the child holds" : "read once it is gone");
        return LinuxSystem::ReadMemory();
    }
    std::unique_ptr<platform::MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop) override {
        auto block = LinuxSystem::ClaimMemory(bytes, std::move(stop));
        child = block ? ClaimingChild(*block) : 0;
        seen.push_back(block ? "claimed" : "refused");
        return block;
    }
};

TEST(LinuxFreeupReport, AFreeUpIsReadBeforeTheClaimAndAfterTheChildHasGivenItBack) {
    TempDir dir;
    WatchedSystem sys(In(dir, "/proc"));
    apptest::RunOnce(sys, [](tarnolux::Program& program, host::ScriptedHost&) {
        const std::string answer = program.LaterStartRequest("free-up 64");
        EXPECT_EQ(answer.rfind("result 0 Freed 64 MB in ", 0), 0u) << answer;
    });
    EXPECT_EQ(sys.seen, (std::vector<std::string>{"read", "claimed", "read once it is gone"}));
}

// A wave of silence, 8000 frames a second: 16-bit mono PCM, or 32-bit stereo floats.
std::string Wave(std::uint32_t frames, bool floats = false) {
    const auto le = [](std::uint32_t v, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += static_cast<char>(v >> (8 * i));
        return out;
    };
    const std::uint32_t frameBytes = floats ? 8 : 2, bytes = frames * frameBytes;
    return "RIFF" + le(36 + bytes, 4) + "WAVEfmt " + le(16, 4) + le(floats ? 3 : 1, 2) + le(floats ? 2 : 1, 2) +
           le(8000, 4) + le(8000 * frameBytes, 4) + le(frameBytes, 2) + le(floats ? 32 : 16, 2) + "data" +
           le(bytes, 4) + std::string(bytes, '\0');
}

// A server that no longer answers is given up after the player's patience, never waited on for good.
TEST(LinuxFreeupWave, OnlyAGoodWaveThroughAServerThatAnswersPlays) {
    TempDir dir;
    const std::pair<const char*, std::string> files[] = {
        {"short.wav", Wave(800)}, {"floats.wav", Wave(800, true)}, {"long.wav", Wave(8000 * 30)},
        {"empty.wav", Wave(0)},  // a header without any sound after it
        {"notes.wav", "not a sound at all, only text that pretends to be one\n"}};
    for (const auto& [name, contents] : files) WriteFile(dir / name, contents);
    // A server that no longer answers, where the runtime folder holds one (only an absolute path counts).
    std::filesystem::create_directories(dir / "run/pulse");
    SilentSocket stopped((dir / "run/pulse/native").string());
    ASSERT_TRUE(stopped.ok());
    ScopedEnv noServer("PULSE_SERVER", ""), noPath("PULSE_RUNTIME_PATH", "");
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", std::filesystem::relative(dir / "run").string());
        EXPECT_EQ(SoundServer(), std::nullopt);
    }
    ScopedEnv runtime("XDG_RUNTIME_DIR", (dir / "run").string());
    EXPECT_EQ(SoundServer(), "unix:" + dir.str() + "/run/pulse/native");
    // A server of the test's own that plays into a sink leading nowhere, where one is installed.
    const std::string socket = (dir / "native").string();
    Process server("env -i HOME=" + dir.str() + " XDG_RUNTIME_DIR=" + dir.str() + " XDG_CONFIG_HOME=" + dir.str() +
                   " PATH=\"$PATH\" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no "
                   "--disable-shm=yes -L module-null-sink -L 'module-native-protocol-unix auth-anonymous=1 socket=" +
                   socket + "' >/dev/null");
    // Its socket is there a moment before it listens: it is ready once it takes a connection.
    const auto listens = [&] {
        sockaddr_un a{AF_UNIX, {}};
        socket.copy(a.sun_path, sizeof a.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        return ok;
    };
    const bool running = Eventually(listens, 20s);  // slow on a busy machine
    ScopedEnv noRuntime("XDG_RUNTIME_DIR", dir.str());  // no server socket in it
    const std::string answers = "unix:" + socket, silent = "unix:" + (dir / "run/pulse/native").string();
    const struct {
        std::string server, file;
        bool plays;
        std::chrono::milliseconds patience = kSoundServerPatience, stopAfter{};
    } cases[] = {
        // This server's sink holds two seconds of sound before it plays any.
        {answers, "short.wav", true, 10s}, {answers, "floats.wav", true, 10s}, {answers, "", false},
        {answers, "long.wav", false, kSoundServerPatience, 300ms}, {answers, "missing.wav", false},
        {answers, ".", false}, {answers, "notes.wav", false}, {answers, "empty.wav", false}, {"", "short.wav", false},
        {"unix:" + (dir / "no-such-socket").string(), "short.wav", false}, {silent, "short.wav", false, 200ms},
        {silent, "short.wav", false, 1h, 100ms}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server + " " + c.file);
        if (c.server == answers && !running) continue;
        ScopedEnv named("PULSE_SERVER", c.server);
        std::stop_source stop;
        std::jthread stopper([&] {
            std::this_thread::sleep_for(c.stopAfter);
            if (c.stopAfter.count()) stop.request_stop();
        });
        EXPECT_EQ(PlayWaveFile(c.file.empty() ? "" : (dir / c.file).string(), stop.get_token(), c.patience), c.plays);
    }
    if (!running) GTEST_SKIP() << "no sound server to start";
}

}  // namespace

